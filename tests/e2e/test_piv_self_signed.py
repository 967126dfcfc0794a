"""Self-signed certificates made on the card, subject alternative names, PIN and touch
policies, and the way from a fresh key to an SSH login key without a certificate authority;
checked with openssl, OpenSC and ssh-keygen."""

import datetime
import os
import subprocess

import pytest
from applets import piv
from cryptography import x509
from cryptography.hazmat.primitives import serialization
from virtualkey import READER0

HINT = "Run with --help for more information.\n"
MGMT = piv.DEFAULT_MANAGEMENT_KEY.hex()
PKCS11_MODULE = "/usr/lib/x86_64-linux-gnu/opensc-pkcs11.so"
DER = serialization.Encoding.DER
SPKI = serialization.PublicFormat.SubjectPublicKeyInfo
NAME_FORMS = "A subject alternative name must be DNS:name, email:address, URI:uri or IP:address (IPv4 or IPv6)"


def run_piv(run, *args):
    return run("piv", *args, "-r", READER0)


def tool(*command, env=None):
    result = subprocess.run([str(part) for part in command], capture_output=True, timeout=120,
                            env={**os.environ, **(env or {})})
    assert result.returncode == 0, result.stderr.decode(errors="replace")
    return result.stdout.decode(errors="replace")


def generate(run, slot, algorithm, public, *policies):
    result = run_piv(run, "-k", MGMT, "--generate-key-pair", slot, "--algorithm", algorithm, *policies,
                     "--output", public)
    assert result.status == 0, result.stderr


def make_certificate(run, slot, public, certificate, *options):
    result = run_piv(run, "-p", "123456", "--generate-certificate", slot, "--input", public,
                     "--common-name", "Host", *options, "--output", certificate)
    assert (result.status, result.stdout, result.stderr) == (
        0, f"Successfully wrote certificate to {certificate}\n", "")


@pytest.mark.parametrize("algorithm", ["RSA1024", "RSA2048", "ECCP256", "ECCP384"])
def test_self_signed_certificate_verifies_and_carries_the_cards_key(piv_applet, run, tmp_path, algorithm):
    public, certificate = tmp_path / "public.pem", tmp_path / "cert.pem"
    generate(run, "9A", algorithm, public)
    make_certificate(run, "9A", public, certificate, "--subject-alt-name", "DNS:host.example",
                     "--subject-alt-name", "IP:2001:db8::1", "--valid-days", "30")
    assert tool("openssl", "verify", "-CAfile", certificate, certificate).strip() == f"{certificate}: OK"
    text = tool("openssl", "x509", "-noout", "-text", "-in", certificate)
    assert "Subject: CN = Host" in text and "Issuer: CN = Host" in text
    assert "DNS:host.example, IP Address:2001:DB8:0:0:0:0:0:1" in text
    assert "CA:FALSE" in text
    serial = tool("openssl", "x509", "-noout", "-serial", "-in", certificate).strip().removeprefix("serial=")
    assert len(serial) == 32
    parsed = x509.load_pem_x509_certificate(certificate.read_bytes())
    assert parsed.not_valid_after - parsed.not_valid_before == datetime.timedelta(days=30)
    assert abs(parsed.not_valid_before - datetime.datetime.utcnow()) < datetime.timedelta(minutes=5)
    assert parsed.public_key().public_bytes(DER, SPKI) == piv_applet.public_key(0x9A).public_bytes(DER, SPKI)
    assert piv_applet.certificate(0x9A) is None  # made, not imported


def test_certificate_without_output_is_printed_and_lasts_a_year(piv_applet, run, tmp_path):
    public = tmp_path / "public.pem"
    generate(run, "9C", "ECCP256", public)
    result = run_piv(run, "-p", "123456", "--generate-certificate", "9C", "--input", public)
    assert result.status == 0, result.stderr
    parsed = x509.load_pem_x509_certificate(result.stdout.encode())
    assert result.stdout.endswith("-----END CERTIFICATE-----\n\n")
    assert parsed.not_valid_after - parsed.not_valid_before == datetime.timedelta(days=365)


def test_certificate_for_another_public_key_is_not_printed(piv_applet, run, tmp_path):
    public, other = tmp_path / "public.pem", tmp_path / "other.pem"
    generate(run, "9A", "ECCP256", public)
    generate(run, "9C", "ECCP256", other)
    result = run_piv(run, "-p", "123456", "--generate-certificate", "9A", "--input", other)
    message = f"The public key in {other} does not belong to the key in slot 9A"
    assert result == (-1, "", message + "\n" + HINT)


def test_request_carries_the_subject_alternative_names(piv_applet, run, tmp_path):
    public, request = tmp_path / "public.pem", tmp_path / "request.pem"
    generate(run, "9A", "RSA2048", public)
    result = run_piv(run, "-p", "123456", "--request-certificate", "9A", "--input", public,
                     "--subject-alt-name", "email:alice@example.org", "--subject-alt-name", "URI:https://example.org/alice",
                     "--output", request)
    assert result.status == 0, result.stderr
    tool("openssl", "req", "-verify", "-noout", "-in", request)
    text = tool("openssl", "req", "-noout", "-text", "-in", request)
    assert "email:alice@example.org, URI:https://example.org/alice" in text


@pytest.mark.parametrize("value", ["mail:alice@example.org", "DNS:", "IP:300.1.1.1", "IP:host", "host.example", "URI:"])
def test_subject_alternative_names_of_other_forms_are_refused(key, run, tmp_path, value):
    key.clear_log()
    result = run_piv(run, "-p", "123456", "--request-certificate", "9A", "--input", tmp_path / "missing.pem",
                     "--subject-alt-name", value)
    assert result == (105, "", f"--subject-alt-name: {NAME_FORMS}\n" + HINT)
    assert key.commands() == []


@pytest.mark.parametrize("days", ["0", "36501", "x"])
def test_validity_outside_a_hundred_years_is_refused(key, run, tmp_path, days):
    result = run_piv(run, "-p", "123456", "--generate-certificate", "9A", "--input", tmp_path / "p.pem",
                     "--valid-days", days)
    assert result.status == 105 and result.stderr.startswith("--valid-days: ")


POLICIES = [
    ([], 0x00, 0x01),
    (["--pin-policy", "never", "--touch-policy", "never"], 0x01, 0x01),
    (["--pin-policy", "once", "--touch-policy", "always"], 0x02, 0x02),
    (["--pin-policy", "always", "--touch-policy", "cached"], 0x03, 0x03),
    (["--pin-policy", "default", "--touch-policy", "default"], 0x00, 0x00),
    (["--pin-policy", "3", "--touch-policy", "2"], 0x03, 0x02),
]


@pytest.mark.parametrize("options, pin_policy, touch_policy", POLICIES)
@pytest.mark.parametrize("action", ["generate", "import"])
def test_key_policies_reach_the_card(key, piv_applet, run, tmp_path, action, options, pin_policy, touch_policy):
    key.clear_log()
    if action == "generate":
        generate(run, "9D", "ECCP256", tmp_path / "public.pem", *options)
        ins = 0x47
    else:
        private = tmp_path / "key.pem"
        tool("openssl", "genpkey", "-algorithm", "EC", "-pkeyopt", "ec_paramgen_curve:P-256", "-out", private)
        result = run_piv(run, "-k", MGMT, "--import-key", "9D", "--input", private, *options)
        assert result == (0, "Successfully imported private key\n", "")
        ins = 0xFE
    held = piv_applet.keys[0x9D]
    assert (held.pin_policy, held.touch_policy) == (pin_policy, touch_policy)
    sent = [command for command in key.commands() if command[1] == ins][-1]
    assert sent.endswith(bytes([0xAA, 0x01, pin_policy, 0xAB, 0x01, touch_policy]))


def test_policy_names_are_checked(key, run):
    result = run_piv(run, "-k", MGMT, "--generate-key-pair", "9A", "--pin-policy", "Always")
    assert result.status == 105 and result.stderr.startswith("--pin-policy: ")


def test_a_key_of_pin_policy_always_signs_after_a_fresh_pin(piv_applet, run, tmp_path):
    public = tmp_path / "public.pem"
    generate(run, "9A", "ECCP256", public, "--pin-policy", "always")
    for _ in range(2):
        result = run_piv(run, "-p", "123456", "--generate-certificate", "9A", "--input", public)
        assert result.status == 0, result.stderr


@pytest.mark.parametrize("algorithm, mechanism", [("ECCP256", "ECDSA-SHA256"), ("RSA2048", "SHA256-RSA-PKCS")])
def test_ssh_login_key_without_a_certificate_authority(piv_applet, run, tmp_path, algorithm, mechanism):
    public, certificate = tmp_path / "public.pem", tmp_path / "cert.pem"
    generate(run, "9A", algorithm, public)
    make_certificate(run, "9A", public, certificate)
    result = run_piv(run, "-k", MGMT, "--import-certificate", "9A", "--input", certificate)
    assert result.status == 0, result.stderr

    opensc = {"OPENSC_CONF": "/dev/null"}
    expected = tool("ssh-keygen", "-i", "-m", "PKCS8", "-f", public).split()[:2]
    assert tool("pkcs15-tool", "-r", READER0, "--read-ssh-key", "01", env=opensc).split()[:2] == expected
    listed = tool("ssh-keygen", "-D", PKCS11_MODULE, env=opensc).splitlines()
    assert expected in [line.split()[:2] for line in listed]

    message, signature = tmp_path / "message", tmp_path / "signature"
    message.write_bytes(b"signed through the PKCS#11 module")
    tool("pkcs11-tool", "--module", PKCS11_MODULE, "--slot-index", "0", "--login", "--pin", "123456",
         "--sign", "--id", "01", "--mechanism", mechanism, *(["--signature-format", "openssl"] if "EC" in algorithm else []),
         "--input-file", message, "--output-file", signature, env=opensc)
    certified = tmp_path / "certified.pub"
    tool("openssl", "x509", "-in", certificate, "-noout", "-pubkey", "-out", certified)
    assert "Verified OK" in tool("openssl", "dgst", "-sha256", "-verify", certified, "-signature", signature, message)
