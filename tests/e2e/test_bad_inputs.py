"""Bad files, output paths and names given to the program: each ends with a clear message and
exit -1 (or the parser's code), prints no success line, writes no half file and leaves the
card as it was. Reader and name cases add to those of test_hostile_names.py."""

import datetime
import os

import pytest
from applets import piv, totp
from cryptography import x509
from cryptography.hazmat.primitives import hashes, serialization
from cryptography.hazmat.primitives.asymmetric import ec
from cryptography.x509.oid import NameOID
from test_fault_sweep import CERTIFICATE_OBJECT, EC_KEY
from test_hostile_names import ESCAPE, LONG, no_control_characters
from virtualkey import READER0

MGMT = piv.DEFAULT_MANAGEMENT_KEY.hex()
HINT = "Run with --help for more information."


def make_input(kind, directory):
    """A path to an input file of the given kind."""
    path = directory / kind
    if kind == "empty":
        path.write_bytes(b"")
    elif kind == "directory":
        path.mkdir()
    elif kind == "zero":
        return "/dev/zero"  # endless: the read stops at its bound
    elif kind == "junk-100MB":
        with open(path, "wb") as junk:  # sparse: 100 MB of zeros, cheap to make
            junk.truncate(100 * 1024 * 1024)
            junk.write(b"-----BEGIN CERTIFICATE-----\n")
    elif kind == "long-subject":
        path.write_bytes(long_subject_certificate().public_bytes(serialization.Encoding.PEM))
    elif kind == "unreadable":  # root reads any file that permission bits close
        return "/proc/self/mem"  # a regular file whose read fails even for root
    return str(path)  # "missing": never created


def long_subject_certificate():
    key = ec.generate_private_key(ec.SECP256R1())
    subject = x509.Name([x509.NameAttribute(NameOID.ORGANIZATIONAL_UNIT_NAME, "u" * 100) for _ in range(100)])
    start = datetime.datetime(2025, 1, 1, tzinfo=datetime.timezone.utc)
    builder = x509.CertificateBuilder(subject, subject, key.public_key(), 1, start, start + datetime.timedelta(days=3650))
    return builder.sign(key, hashes.SHA256())


INPUT_ACTIONS = {
    "import-certificate": ("-k", MGMT, "--import-certificate", "9A"),
    "import-key": ("-k", MGMT, "--import-key", "9A"),
    "request-certificate": ("-p", "123456", "--request-certificate", "9A"),
}
INVALID = "An invalid argument was passed to the function"
NOT_A_PUBLIC_KEY = "Could not parse public key"
# kind -> (status, message) for import-certificate, import-key, request-certificate; {path}
# stands for the input's path.
INPUT_CASES = {
    "empty": [(-1, INVALID), (-1, INVALID), (-1, "Public key data must not be empty.")],
    "directory": [(-1, "Failed to open file {path}")] * 3,
    "zero": [(-1, "Failed to read file {path}: larger than 1 MiB")] * 3,
    "missing": [(-1, "Failed to open file {path}")] * 3,
    "unreadable": [(-1, "Failed to read file {path}")] * 3,
    "junk-100MB": [(-1, "Failed to read file {path}: larger than 1 MiB")] * 3,
    # The card has no room for an object of this size and says so with 6A84, which reads as
    # a failed exchange.
    "long-subject": [(-5, "The communication with the device failed"), (-1, INVALID), (-1, NOT_A_PUBLIC_KEY)],
}


def piv_state(applet):
    return (dict(applet.objects), {slot: held.public_pem() for slot, held in applet.keys.items()},
            applet.pin.tries_left, applet.management_key)


def assert_failed(result, status, message):
    assert (result.status, result.stdout, result.stderr) == (status, "", f"{message}\n{HINT}\n")


@pytest.fixture
def filled_piv(piv_applet):
    """A certificate and a key in slot 9A, so that a wrongly accepted input shows."""
    piv_applet.keys[0x9A] = piv.SlotKey(EC_KEY)
    piv_applet.objects[piv.SLOT_OBJECTS[0x9A]] = CERTIFICATE_OBJECT
    return piv_applet


@pytest.mark.parametrize("kind", INPUT_CASES)
@pytest.mark.parametrize("action", INPUT_ACTIONS)
def test_bad_input_files(filled_piv, run, tmp_path, action, kind):
    before = piv_state(filled_piv)
    path = make_input(kind, tmp_path)
    status, message = INPUT_CASES[kind][list(INPUT_ACTIONS).index(action)]
    result = run("piv", *INPUT_ACTIONS[action], "--input", path, "-r", READER0, timeout=20)
    assert_failed(result, status, message.format(path=path))
    assert piv_state(filled_piv) == before


def make_output(kind, directory):
    if kind == "missing-folder":
        return str(directory / "missing" / "out.pem")
    if kind == "directory":
        (directory / "out").mkdir()
        return str(directory / "out")
    return "/proc/version"  # cannot be created or replaced, even by root


OUTPUT_ACTIONS = {
    "read-certificate": ("--read-certificate", "9A"),
    "generate-key-pair": ("-k", MGMT, "--generate-key-pair", "9C", "--algorithm", "ECCP256"),
    "request-certificate": ("-p", "123456", "--request-certificate", "9A", "--input", "{public}"),
}
OUTPUT_CASES = {
    "missing-folder": "Failed to open file {path}",
    "directory": "Failed to open file {path}",
    "proc-file": "Failed to open file {path}",
}


@pytest.mark.parametrize("kind", OUTPUT_CASES)
@pytest.mark.parametrize("action", OUTPUT_ACTIONS)
def test_bad_output_paths(filled_piv, run, tmp_path, action, kind):
    public = tmp_path / "public.pem"
    public.write_bytes(filled_piv.keys[0x9A].public_pem())
    path = make_output(kind, tmp_path)
    listing = sorted(os.listdir(tmp_path))
    before = piv_state(filled_piv)
    args = [arg.format(public=public) for arg in OUTPUT_ACTIONS[action]]
    result = run("piv", *args, "--output", path, "-r", READER0)
    assert_failed(result, -1, OUTPUT_CASES[kind].format(path=path))
    assert sorted(os.listdir(tmp_path)) == listing  # no temporary file left behind
    assert piv_state(filled_piv) == before


# --- names: control characters and 4 KB of text ------------------------------------------------

READER_REFUSED = "The reader name must not contain control characters"


@pytest.mark.parametrize(
    "args, message",
    [
        (("piv", "--info", "-r", READER0 + ESCAPE), READER_REFUSED),
        (("totp", "--list-slots", "-r", READER0 + "\n"), READER_REFUSED),
        (("hotp", "--gen-hotp", "-r", "\x07" + READER0), READER_REFUSED),
        (("totp", "--conf-slot", "--account", "mail", "--issuer", "Bank" + ESCAPE, "--key", "JBSWY3DPEHPK3PXP", "-r", READER0),
         "The issuer must not contain control characters"),
        (("totp", "--conf-slot", "--account", "mail", "--issuer", LONG, "--key", "JBSWY3DPEHPK3PXP", "-r", READER0), None),
    ],
    ids=["piv-reader-escape", "totp-reader-newline", "hotp-reader-bell", "issuer-escape", "issuer-long"],
)
def test_hostile_names_are_refused(key, run, args, message):
    result = run(*args)
    assert result.status != 0 and result.stdout == ""
    assert (message or "") in result.stderr and no_control_characters(result.stderr)
    assert not key.find_applet(totp.TOTP_AID).slots


# A control character goes into the request's DER, out of the terminal's way inside the PEM
# text; a common name beyond its 64 characters is refused.
@pytest.mark.parametrize("name, status", [("Signer" + ESCAPE + "\nCN=Other", 0), (LONG, -1)], ids=["escape", "long"])
def test_hostile_subject_names_stay_inside_the_request_or_are_refused(filled_piv, run, tmp_path, name, status):
    public = tmp_path / "public.pem"
    public.write_bytes(filled_piv.keys[0x9A].public_pem())
    result = run("piv", "-p", "123456", "--request-certificate", "9A", "--input", public, "--common-name", name, "-r", READER0)
    assert result.status == status and no_control_characters(result.stdout + result.stderr)
    if status == 0:
        request = x509.load_pem_x509_csr(result.stdout.encode())
        assert request.subject.get_attributes_for_oid(NameOID.COMMON_NAME)[0].value == name
    else:
        assert_failed(result, status, INVALID)
