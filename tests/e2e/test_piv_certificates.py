"""Certificates through the piv command: import, listing, export and deletion with the Key
History object kept up to date; OpenSC (software no one here wrote) reads and signs with what
the program puts on the virtual key."""

import os
import subprocess

import pytest
from applets import ber_tlv, piv
from test_piv_command import MGMT, failed, openssl, run_piv, succeeded
from virtualkey import READER0

PKCS11_MODULE = "/usr/lib/x86_64-linux-gnu/opensc-pkcs11.so"
UNREADABLE = "Data that was written previously is not valid for the requested operation"


def self_signed(tmp_path, name, curve="P-256"):
    """A self-signed certificate from openssl; returns (pem path, der path)."""
    key, pem, der = tmp_path / f"{name}.key", tmp_path / f"{name}.pem", tmp_path / f"{name}.der"
    openssl("genpkey", "-algorithm", "EC", "-pkeyopt", f"ec_paramgen_curve:{curve}", "-out", key)
    openssl("req", "-x509", "-new", "-key", key, "-subj", f"/CN={name}", "-days", "30", "-out", pem)
    openssl("x509", "-in", pem, "-outform", "DER", "-out", der)
    return pem, der


def listing_lines(pem, slot, algorithm):
    def field(*options):
        return openssl("x509", "-noout", *options, "-in", pem).decode().strip().split("=", 1)[1]

    subject = openssl("x509", "-noout", "-subject", "-nameopt", "sep_comma_plus", "-in", pem).decode()
    return [
        f"Slot: {slot}",
        f"\tAlgorithm: {algorithm}",
        f"\tSubject: {subject.strip().removeprefix('subject=')}",
        f"\tIssuer: {subject.strip().removeprefix('subject=')}",
        f"\tFingerprint: {field('-fingerprint', '-sha256').replace(':', '')}",
        f"\tIssued at: {field('-startdate')}",
        f"\tExpires at: {field('-enddate')}",
    ]


def import_certificate(run, slot, path):
    succeeded(run_piv(run, "-k", MGMT, "--import-certificate", slot, "--input", path), "Successfully imported certificate\n")


def delete_certificate(run, slot):
    succeeded(run_piv(run, "-k", MGMT, "--delete-certificate", slot), "Successfully deleted certificate\n")


def test_certificates_are_imported_listed_exported_and_deleted(piv_applet, run, tmp_path):
    succeeded(run_piv(run, "--list-certificates"), "No certificates found\n")
    pem, der = self_signed(tmp_path, "Alice")
    other, _ = self_signed(tmp_path, "Bob", curve="P-384")
    import_certificate(run, "9a", pem)
    import_certificate(run, "9C", der)
    import_certificate(run, "95", other)
    objects = piv_applet.objects
    assert objects[piv.SLOT_OBJECTS[0x9A]] == objects[piv.SLOT_OBJECTS[0x9C]]
    assert piv.KEY_HISTORY not in objects  # a card without one keeps none

    result = run_piv(run, "-l")
    assert result.status == 0, result.stderr
    assert result.stdout.splitlines() == (
        listing_lines(pem, "9A", "EC256") + listing_lines(pem, "9C", "EC256") + listing_lines(other, "95", "EC384")
    )
    succeeded(run_piv(run, "--read-certificate", "9c"), pem.read_text() + "\n")
    exported = tmp_path / "exported.pem"
    result = run_piv(run, "--read-certificate", "95", "--output", exported)
    succeeded(result, f"Successfully exported certificate to {exported}\n")
    assert exported.read_text() == other.read_text()

    delete_certificate(run, "9A")
    assert piv.SLOT_OBJECTS[0x9A] not in objects
    failed(run_piv(run, "--read-certificate", "9A"), "The requested entity was not found", -8)


def test_listing_shows_an_emptied_object_by_its_message(piv_applet, run, tmp_path):
    pem, _ = self_signed(tmp_path, "Carol")
    import_certificate(run, "9D", pem)
    piv_applet.objects[piv.SLOT_OBJECTS[0x9C]] = bytes.fromhex("5300")
    result = run_piv(run, "--list-certificates")
    assert result.status == 0, result.stderr
    assert result.stdout.splitlines() == ["Slot: 9C", "\t" + UNREADABLE] + listing_lines(pem, "9D", "EC256")
    failed(run_piv(run, "--read-certificate", "9C"), UNREADABLE, -12)


def key_history(on_card, off_card=2):
    return ber_tlv.encode(0x53, bytes([0xC1, 1, on_card, 0xC2, 1, off_card, 0xFE, 0]))


def test_key_history_counts_up_to_the_last_retired_slot_in_use(piv_applet, run, tmp_path):
    piv_applet.keep_empty_objects = True  # deleted certificates stay as 53 00
    piv_applet.objects[piv.KEY_HISTORY] = key_history(0)
    pem, _ = self_signed(tmp_path, "Dave")
    steps = [
        (import_certificate, ("83", pem), 2),
        (import_certificate, ("9A", pem), 2),
        (import_certificate, ("82", pem), 2),
        (delete_certificate, ("83",), 1),
        (delete_certificate, ("82",), 0),
    ]
    for action, args, count in steps:
        action(run, *args)
        assert piv_applet.objects[piv.KEY_HISTORY] == key_history(count), (action.__name__, args)
    assert piv_applet.objects[piv.SLOT_OBJECTS[0x82]] == bytes.fromhex("5300")


def opensc(*command):
    env = dict(os.environ, OPENSC_CONF="/dev/null")
    result = subprocess.run(command, capture_output=True, env=env, timeout=60)
    assert result.returncode == 0, result.stderr.decode(errors="replace")
    return result.stdout


def test_opensc_reads_the_certificate_and_signs_with_the_generated_key(piv_applet, run, tmp_path):
    public, request, certificate = tmp_path / "public.pem", tmp_path / "request.pem", tmp_path / "cert.pem"
    result = run_piv(run, "-k", MGMT, "--generate-key-pair", "9A", "--algorithm", "ECCP256", "--output", public)
    assert result.status == 0, result.stderr
    result = run_piv(run, "-p", "123456", "--request-certificate", "9A", "--input", public,
                     "--common-name", "Signer", "--output", request)
    assert result.status == 0, result.stderr
    ca_pem, _ = self_signed(tmp_path, "CA")
    openssl("x509", "-req", "-in", request, "-CA", ca_pem, "-CAkey", tmp_path / "CA.key", "-set_serial", "5",
            "-days", "30", "-out", certificate)
    import_certificate(run, "9A", certificate)

    read_back = opensc("pkcs15-tool", "-r", READER0, "--read-certificate", "01")
    assert read_back == certificate.read_bytes()

    message, signature = tmp_path / "message", tmp_path / "signature"
    message.write_bytes(b"signed with a key the program generated")
    opensc(
        "pkcs11-tool", "--module", PKCS11_MODULE, "--slot-index", "0", "--login", "--pin", "123456",
        "--sign", "--id", "01", "--mechanism", "ECDSA-SHA256", "--signature-format", "openssl",
        "--input-file", str(message), "--output-file", str(signature),
    )
    certified = tmp_path / "certified.pub"
    openssl("x509", "-in", certificate, "-noout", "-pubkey", "-out", certified)
    assert b"Verified OK" in openssl("dgst", "-sha256", "-verify", certified, "-signature", signature, message)
