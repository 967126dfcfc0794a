"""Nothing on the key is lost and no success is claimed for a result nobody received: keys the
card would store as other keys, requests for another key, empty output paths, a lost standard
output, output and input files that are not regular files."""

import os
import subprocess
import threading

import pytest
from applets import piv
from cryptography import x509
from cryptography.hazmat.primitives import serialization
from cryptography.hazmat.primitives.asymmetric import ec
from test_fault_sweep import CERTIFICATE, CERTIFICATE_OBJECT, EC_KEY
from virtualkey import READER0

MGMT = piv.DEFAULT_MANAGEMENT_KEY.hex()
HINT = "Run with --help for more information.\n"
PEM = serialization.Encoding.PEM
CANNOT_HOLD = (
    "The card cannot hold this key: it takes RSA keys of 1024 or 2048 bits with two primes and EC keys "
    "on the curves P-256 (prime256v1) and P-384 (secp384r1)"
)


@pytest.fixture
def filled_piv(piv_applet):
    """A key and its certificate in slot 9A, so that a replaced key shows."""
    piv_applet.keys[0x9A] = piv.SlotKey(EC_KEY)
    piv_applet.objects[piv.SLOT_OBJECTS[0x9A]] = CERTIFICATE_OBJECT
    return piv_applet


def slot_key(applet, slot=0x9A):
    held = applet.keys.get(slot)
    return held.public_pem() if held else None


def openssl(*args):
    subprocess.run(["openssl", *map(str, args)], check=True, capture_output=True, timeout=120)


def imports_sent(key):
    return [command for command in key.commands() if command[1] == 0xFE]


@pytest.mark.parametrize(
    "options",
    [
        ["-algorithm", "EC", "-pkeyopt", "ec_paramgen_curve:secp256k1"],
        ["-algorithm", "EC", "-pkeyopt", "ec_paramgen_curve:brainpoolP256r1"],
        ["-algorithm", "EC", "-pkeyopt", "ec_paramgen_curve:brainpoolP384r1"],
        ["-algorithm", "RSA", "-pkeyopt", "rsa_keygen_bits:2048", "-pkeyopt", "rsa_keygen_primes:3"],
    ],
    ids=["secp256k1", "brainpoolP256r1", "brainpoolP384r1", "rsa2048-three-primes"],
)
def test_keys_the_card_would_store_as_others_are_refused(key, filled_piv, run, tmp_path, options):
    path = tmp_path / "key.pem"
    openssl("genpkey", *options, "-out", path)
    before = slot_key(filled_piv)
    key.clear_log()
    result = run("piv", "-k", MGMT, "--import-key", "9A", "--input", path, "-r", READER0)
    assert (result.status, result.stdout, result.stderr) == (-1, "", CANNOT_HOLD + "\n" + HINT)
    assert imports_sent(key) == []
    assert slot_key(filled_piv) == before


def test_request_for_another_public_key_is_not_printed(filled_piv, run, tmp_path):
    other = tmp_path / "other.pem"
    other_key = ec.generate_private_key(ec.SECP256R1()).public_key()
    other.write_bytes(other_key.public_bytes(PEM, serialization.PublicFormat.SubjectPublicKeyInfo))
    result = run("piv", "-p", "123456", "--request-certificate", "9A", "--input", other, "-r", READER0)
    message = f"The public key in {other} does not belong to the key in slot 9A"
    assert (result.status, result.stdout, result.stderr) == (-1, "", message + "\n" + HINT)


def test_empty_output_path_is_refused_before_the_card(key, filled_piv, run):
    before = slot_key(filled_piv)
    key.clear_log()
    result = run("piv", "-k", MGMT, "--generate-key-pair", "9A", "--output", "", "-r", READER0)
    assert (result.status, result.stdout) == (105, "")
    assert result.stderr == "--output: The output path must not be empty\n" + HINT
    assert key.commands() == []
    assert slot_key(filled_piv) == before


@pytest.fixture
def run_into(binary, run_env):
    """run_into(stdout_path, *args) -> (status, stderr): the program with standard output
    opened on a path of the test's choosing."""

    def run_into(stdout_path, *args):
        with open(stdout_path, "wb") as stdout:
            process = subprocess.run([str(binary), *map(str, args)], stdout=stdout, stderr=subprocess.PIPE,
                                     env={**os.environ, **run_env}, timeout=60)
        return process.returncode - 256 if process.returncode >= 128 else process.returncode, process.stderr.decode()

    return run_into


@pytest.mark.parametrize(
    "args",
    [
        ("piv", "--read-certificate", "9A", "-r", READER0),
        ("info", "-r", READER0),
        ("piv", "--help"),
    ],
    ids=["read-certificate", "info", "help"],
)
def test_a_result_lost_on_standard_output_is_a_failure(filled_piv, run_into, args):
    status, stderr = run_into("/dev/full", *args)
    assert (status, stderr) == (-1, "Failed to write to standard output\n" + HINT)


def test_a_generated_public_key_lost_on_standard_output_is_written_to_standard_error(filled_piv, run_into):
    status, stderr = run_into("/dev/full", "piv", "-k", MGMT, "--generate-key-pair", "9A",
                              "--algorithm", "ECCP256", "-r", READER0)
    new_key = slot_key(filled_piv).decode()
    assert new_key != piv.SlotKey(EC_KEY).public_pem().decode()
    assert (status, stderr) == (-1, "Failed to write to standard output\n" + HINT + new_key)


def read_in_background(path):
    """Starts a reader of the FIFO; the returned function waits for it and gives what it read."""
    result = {}
    thread = threading.Thread(target=lambda: result.setdefault("data", open(path, "rb").read()), daemon=True)
    thread.start()

    def received():
        thread.join(timeout=30)
        return result.get("data")

    return received


def write_in_background(path, data):
    thread = threading.Thread(target=lambda: open(path, "wb").write(data), daemon=True)
    thread.start()
    return thread


@pytest.mark.parametrize("action", ["read-certificate", "generate-key-pair"])
def test_output_through_a_fifo_reaches_its_reader(filled_piv, run, tmp_path, action):
    fifo = tmp_path / "out.pem"
    os.mkfifo(fifo)
    received = read_in_background(fifo)
    args = ("--read-certificate", "9A") if action == "read-certificate" else ("-k", MGMT, "--generate-key-pair", "9C")
    result = run("piv", *args, "--output", fifo, "-r", READER0)
    assert result.status == 0, result.stderr
    expected = CERTIFICATE.public_bytes(PEM) if action == "read-certificate" else slot_key(filled_piv, 0x9C)
    assert received() == expected
    assert fifo.is_fifo()


@pytest.mark.parametrize("action", ["read-certificate", "generate-key-pair"])
def test_output_through_a_symbolic_link_replaces_its_target(filled_piv, run, tmp_path, action):
    (tmp_path / "keys").mkdir()
    target = tmp_path / "keys" / "out.pem"
    target.write_bytes(b"old")
    link = tmp_path / "out.pem"
    link.symlink_to(target)
    args = ("--read-certificate", "9A") if action == "read-certificate" else ("-k", MGMT, "--generate-key-pair", "9C")
    result = run("piv", *args, "--output", link, "-r", READER0)
    assert result.status == 0, result.stderr
    expected = CERTIFICATE.public_bytes(PEM) if action == "read-certificate" else slot_key(filled_piv, 0x9C)
    assert link.is_symlink() and target.read_bytes() == expected
    assert sorted(os.listdir(tmp_path / "keys")) == ["out.pem"]


@pytest.mark.parametrize("action", ["import-key", "import-certificate"])
def test_input_from_a_fifo_is_read(piv_applet, run, tmp_path, action):
    fifo = tmp_path / "in.pem"
    os.mkfifo(fifo)
    if action == "import-key":
        data = EC_KEY.private_bytes(PEM, serialization.PrivateFormat.PKCS8, serialization.NoEncryption())
    else:
        data = CERTIFICATE.public_bytes(PEM)
    writer = write_in_background(fifo, data)
    result = run("piv", "-k", MGMT, f"--{action}", "9C", "--input", fifo, "-r", READER0)
    writer.join(timeout=30)
    assert result.status == 0, result.stderr
    if action == "import-key":
        assert slot_key(piv_applet, 0x9C) == piv.SlotKey(EC_KEY).public_pem()
    else:
        assert piv_applet.certificate(0x9C) == x509.load_pem_x509_certificate(data)


def test_set_ccc_help_names_the_standard_by_its_title(run):
    result = run("piv", "--help")
    assert ("Set card capability container as specified in NIST Government Smart Card "
            "Interoperability Specification version 2.1") in result.stdout


def test_output_to_dev_stdout_goes_to_the_programs_own_standard_output(filled_piv, run_into, tmp_path):
    captured = tmp_path / "captured.txt"
    status, stderr = run_into(captured, "piv", "--read-certificate", "9A", "--output", "/dev/stdout", "-r", READER0)
    assert (status, stderr) == (0, "")
    pem = CERTIFICATE.public_bytes(PEM).decode()
    assert captured.read_text() == pem + "Successfully exported certificate to /dev/stdout\n"
    assert os.path.islink("/dev/stdout")
