"""The piv command against the virtual key's PIV applet: option checks, the identity and
credential actions, key pairs and certificate signing requests, cross-checked with openssl."""

import subprocess

import pytest
from applets import piv
from cryptography.hazmat.primitives import serialization
from virtualkey import READER0

HINT = "Run with --help for more information.\n"
MGMT = piv.DEFAULT_MANAGEMENT_KEY.hex()
NEW_MGMT = bytes(range(1, 25)).hex()
AUTH_FAILED = "Authentication failed because the provided credential is invalid"
SLOTS = ",".join(f"{slot:02X}" for slot in piv.SLOTS)
ACTIONS = (
    "--info,--reset,--change-pin,--unblock-pin,--change-puk,--set-management-key,"
    "--configure-retries,--list-certificates,--generate-key-pair,--request-certificate,"
    "--generate-certificate,--import-key,--import-certificate,--read-certificate,--delete-certificate,--set-ccc,--set-chuid"
)
DER = serialization.Encoding.DER
SPKI = serialization.PublicFormat.SubjectPublicKeyInfo


def run_piv(run, *args):
    """piv on the reader of the key fixtures (no search through the empty second reader)."""
    return run("piv", *args, "-r", READER0)


def succeeded(result, stdout):
    assert (result.status, result.stderr, result.stdout) == (0, "", stdout)


def failed(result, message, status):
    assert (result.status, result.stdout, result.stderr) == (status, "", message + "\n" + HINT)


def openssl(*args, input=None):
    result = subprocess.run(["openssl", *map(str, args)], capture_output=True, input=input, timeout=120)
    assert result.returncode == 0, result.stderr.decode(errors="replace")
    return result.stdout


# ---------------------------------------------------------------- parsing


@pytest.mark.parametrize(
    "args, message, status",
    [
        (["--info", "--pin", "12345"], "--pin: The provided PIN is too short. The PIN must have at least 6 characters", 105),
        (["--info", "-p", "123456789"], "--pin: The provided PIN is too long. The PIN must not have more than 8 characters", 105),
        (["--puk", "12345678", "--change-puk", "1234567"], "--change-puk: The PUK must be 8 characters long", 105),
        (["--info", "-k", "0" * 47], "--management-key: Needs to be of even length", 105),
        (["--info", "-k", "0" * 46], "--management-key: TDES management key must be 24 bytes long", 105),
        (["--info", "--pin-retries", "0"], "--pin-retries: The retry count must be a positive integer number", 105),
        (["--info", "--puk-retries", "256"], "--puk-retries: The retry count must be a positive integer number", 105),
        (["--info", "--pin-retries", "3x"], "--pin-retries: The retry count must be a positive integer number", 105),
        (["--info", "--country", "XX"], "--country: The provided country code is invalid", 105),
        (["--read-certificate", "9B"], f"--read-certificate: 9B not in {{{SLOTS}}}", 105),
        (["--info", "--algorithm", "eccp256"],
         "--algorithm: Check eccp256 value in {ECCP256->17,ECCP384->20,RSA1024->6,RSA2048->7} OR {17,20,6,7} FAILED", 105),
        (["--change-pin", "654321"], "--change-pin requires --pin", 107),
        (["--unblock-pin", "654321"], "--unblock-pin requires --puk", 107),
        (["--configure-retries", "-p", "123456"], "--configure-retries requires --management-key", 107),
        (["--request-certificate", "9a", "-p", "123456"], "--request-certificate requires --input", 107),
        (["--import-certificate", "9a", "--input", "x"], "--import-certificate requires --management-key", 107),
        ([], f"Exactly 1 option from [{ACTIONS}] is required", -1),
        (["--info", "--reset"], f"Exactly 1 option from [{ACTIONS}] is required", -1),
    ],
)
def test_parse_time_checks(no_key, run, args, message, status):
    failed(run("piv", *args), message, status)


# ---------------------------------------------------------------- identity and credentials


def test_info_needs_the_identity_objects_which_set_ccc_and_set_chuid_write(piv_applet, run):
    failed(run_piv(run, "--info"), "The requested entity was not found", -8)

    result = run_piv(run, "--set-chuid", "-k", MGMT)
    chuid = piv_applet.objects[piv.CHUID]
    succeeded(result, f"Successfully set card holder unique identifier to {chuid.hex().upper()}\n")
    assert chuid.startswith(bytes.fromhex("533B3019D4E739DA")) and chuid.endswith(bytes.fromhex("3E00FE00"))
    result = run_piv(run, "--set-ccc", "-k", MGMT)
    ccc = piv_applet.objects[piv.CCC]
    succeeded(result, f"Successfully set card capability container to {ccc.hex().upper()}\n")
    assert ccc.startswith(bytes.fromhex("5337F019A0000001160502")) and len(ccc) == 57

    piv_applet.pin.tries_left = 2
    succeeded(
        run_piv(run, "--info"),
        "Version:\t\t\t1.4.2\n"
        f"Serial Number:\t\t\t{piv.DEFAULT_SERIAL}\n"
        f"Cardholder Unique Id:\t\t{chuid.hex().upper()}\n"
        f"Card Capability Container:\t{ccc.hex().upper()}\n"
        "Remaining PIN Retries:\t\t2 / 3\n"
        "Remaining PUK Retries:\t\t3 / 3\n",
    )


@pytest.mark.parametrize(
    "args, line, changed",
    [
        (["--pin", "123456", "--change-pin", "65432100"], "Successfully changed PIN",
         lambda applet: applet.pin.value == b"65432100"),
        (["--puk", "12345678", "--change-puk", "87654321"], "Successfully changed PUK",
         lambda applet: applet.puk.value == b"87654321"),
        # 010 is ten, not octal eight.
        (["-k", MGMT, "-p", "123456", "--configure-retries", "--pin-retries", "010", "--puk-retries", "255"],
         "Successfully configured PIN and PUK retries",
         lambda applet: (applet.pin.max_tries, applet.puk.max_tries) == (10, 255)),
    ],
)
def test_credential_actions(piv_applet, run, args, line, changed):
    succeeded(run_piv(run, *args), line + "\n")
    assert changed(piv_applet)


def test_wrong_pin_counts_down_until_the_puk_unblocks_it(piv_applet, run):
    wrong = ("--pin", "111111", "--change-pin", "222222")
    failed(run_piv(run, *wrong), AUTH_FAILED + ", remaining retries: 2", -6)
    failed(run_piv(run, *wrong), AUTH_FAILED + ", remaining retries: 1", -6)
    failed(run_piv(run, *wrong), "The operation is blocked", -7)
    failed(run_piv(run, "--pin", "123456", "--change-pin", "222222"), "The operation is blocked", -7)
    assert piv_applet.pin.blocked

    failed(run_piv(run, "--puk", "87654321", "--unblock-pin", "24681357"), AUTH_FAILED + ", remaining retries: 2", -6)
    succeeded(run_piv(run, "--puk", "12345678", "--unblock-pin", "24681357"), "Successfully unblocked PIN\n")
    assert (piv_applet.pin.value, piv_applet.pin.tries_left, piv_applet.puk.tries_left) == (b"24681357", 3, 3)


def test_old_management_key_is_refused_after_a_change(piv_applet, run):
    succeeded(run_piv(run, "-k", MGMT, "--set-management-key", NEW_MGMT.upper()), "Successfully changed management key\n")
    failed(run_piv(run, "-k", MGMT, "--set-management-key", MGMT), AUTH_FAILED, -6)
    assert piv_applet.management_key.hex() == NEW_MGMT
    succeeded(run_piv(run, "-k", NEW_MGMT, "--set-management-key", MGMT), "Successfully changed management key\n")


def test_configured_retries_show_in_the_metadata_with_default_credentials(piv_applet, run):
    piv_applet.pin.value, piv_applet.puk.value = b"99999999", b"88888888"
    piv_applet.objects.update({piv.CHUID: bytes.fromhex("5302AABB"), piv.CCC: bytes.fromhex("5300")})
    result = run_piv(run, "-k", MGMT, "-p", "99999999", "--configure-retries", "--pin-retries", "10", "--puk-retries", "4")
    succeeded(result, "Successfully configured PIN and PUK retries\n")
    assert piv_applet.pin.is_default and piv_applet.puk.is_default
    info = run_piv(run, "--info").stdout.splitlines()
    assert info[2:] == [
        "Cardholder Unique Id:\t\t5302AABB",
        "Card Capability Container:\t5300",
        "Remaining PIN Retries:\t\t10 / 10",
        "Remaining PUK Retries:\t\t4 / 4",
    ]


def test_reset_waits_until_pin_and_puk_are_both_blocked(piv_applet, run):
    piv_applet.objects[piv.CHUID] = bytes.fromhex("5300")
    piv_applet.pin.tries_left = 0
    # The card refuses with 6985, which has no code of its own.
    failed(run_piv(run, "--reset"), "The communication with the device failed", -5)
    assert piv.CHUID in piv_applet.objects
    piv_applet.puk.tries_left = 0
    succeeded(run_piv(run, "--reset"), "Successfully reset device\n")
    assert piv_applet.objects == {} and not piv_applet.pin.blocked and not piv_applet.puk.blocked


# ---------------------------------------------------------------- key pairs


@pytest.mark.parametrize(
    "algorithm, identifier",
    [
        ("RSA1024", 0x06), ("6", 0x06), (None, 0x07), ("7", 0x07),
        ("ECCP256", 0x11), ("17", 0x11), ("ECCP384", 0x14), ("20", 0x14),
    ],
)
def test_generated_public_key_is_the_cards(piv_applet, run, algorithm, identifier):
    chosen = ["--algorithm", algorithm] if algorithm else []
    result = run_piv(run, "-k", MGMT, "--generate-key-pair", "9c", *chosen)
    assert (result.status, result.stderr) == (0, "")
    assert result.stdout.startswith("-----BEGIN PUBLIC KEY-----\n")
    assert result.stdout.endswith("-----END PUBLIC KEY-----\n\n")
    parsed = openssl("pkey", "-pubin", "-outform", "DER", input=result.stdout.encode())
    assert parsed == piv_applet.public_key(0x9C).public_bytes(DER, SPKI)
    assert piv_applet.keys[0x9C].algorithm == identifier


def test_output_file_receives_the_text_and_a_failed_write_prints_nothing(piv_applet, run, tmp_path):
    path = tmp_path / "public.pem"
    result = run_piv(run, "-k", MGMT, "--generate-key-pair", "9E", "--algorithm", "ECCP256", "--output", path)
    succeeded(result, f"Successfully wrote public key to {path}\n")
    assert path.read_bytes() == piv_applet.keys[0x9E].public_pem()

    missing = tmp_path / "no-such-folder" / "public.pem"
    result = run_piv(run, "-k", MGMT, "--generate-key-pair", "9E", "--algorithm", "ECCP256", "--output", missing)
    failed(result, f"Failed to open file {missing}", -1)


def generate_to_file(run, slot, algorithm, path):
    result = run_piv(run, "-k", MGMT, "--generate-key-pair", slot, "--algorithm", algorithm, "--output", path)
    assert result.status == 0, result.stderr


def subject_of(request_pem):
    return openssl("req", "-noout", "-subject", "-nameopt", "oneline", input=request_pem.encode()).decode()


def verify_request(request_pem):
    result = subprocess.run(["openssl", "req", "-verify", "-noout"], input=request_pem.encode(), capture_output=True)
    return result.returncode == 0 and b"verify OK" in result.stdout + result.stderr


@pytest.mark.parametrize("algorithm", ["RSA1024", "ECCP256", "ECCP384"])
def test_request_signed_by_the_card_verifies(piv_applet, run, tmp_path, algorithm):
    public = tmp_path / "public.pem"
    generate_to_file(run, "9a", algorithm, public)
    result = run_piv(
        run, "-p", "123456", "--request-certificate", "9a", "--input", public, "--common-name", "Alice",
        "--country", "de", "--organization-name", "Example", "--organization-unit", "Lab",
    )
    assert (result.status, result.stderr) == (0, "")
    assert result.stdout.startswith("-----BEGIN CERTIFICATE REQUEST-----\n")
    assert result.stdout.endswith("-----END CERTIFICATE REQUEST-----\n\n")
    assert verify_request(result.stdout)
    assert subject_of(result.stdout) == "subject=CN = Alice, C = de, O = Example, OU = Lab\n"
    requested = openssl("req", "-noout", "-pubkey", input=result.stdout.encode())
    assert requested == public.read_bytes()


def test_request_to_a_file_and_for_a_slot_without_a_key(piv_applet, run, tmp_path):
    public, request = tmp_path / "public.pem", tmp_path / "request.pem"
    generate_to_file(run, "9D", "ECCP256", public)
    result = run_piv(run, "-p", "123456", "--request-certificate", "9D", "--input", public, "--output", request)
    succeeded(result, f"Successfully wrote certificate signing request to {request}\n")
    assert verify_request(request.read_text())

    result = run_piv(run, "-p", "123456", "--request-certificate", "9C", "--input", public, "--output", request)
    failed(result, "No private key found. Generate a new key pair or import the private key", -1)


# ---------------------------------------------------------------- private key import


def genpkey(tmp_path, name, *options):
    pem = tmp_path / f"{name}.pem"
    openssl("genpkey", *options, "-out", pem)
    der = tmp_path / f"{name}.der"
    openssl("pkey", "-in", pem, "-outform", "DER", "-out", der)
    public = tmp_path / f"{name}.pub"
    openssl("pkey", "-in", pem, "-pubout", "-out", public)
    return pem, der, public


@pytest.mark.parametrize(
    "options",
    [
        ["-algorithm", "RSA", "-pkeyopt", "rsa_keygen_bits:1024"],
        ["-algorithm", "RSA", "-pkeyopt", "rsa_keygen_bits:2048"],
        ["-algorithm", "EC", "-pkeyopt", "ec_paramgen_curve:P-256"],
        ["-algorithm", "EC", "-pkeyopt", "ec_paramgen_curve:P-384"],
    ],
)
def test_imported_key_signs_requests_for_its_public_key(piv_applet, run, tmp_path, options):
    pem, der, public = genpkey(tmp_path, "key", *options)
    expected = openssl("pkey", "-pubin", "-in", public, "-outform", "DER")
    for slot, path in ((0x9C, pem), (0x9D, der)):
        result = run_piv(run, "-k", MGMT, "--import-key", f"{slot:02X}", "--input", path)
        succeeded(result, "Successfully imported private key\n")
        assert piv_applet.public_key(slot).public_bytes(DER, SPKI) == expected
    result = run_piv(run, "-p", "123456", "--request-certificate", "9D", "--input", public)
    assert result.status == 0, result.stderr
    assert verify_request(result.stdout)


def test_rsa_4096_key_is_refused_before_any_import(key, piv_applet, run, tmp_path):
    pem, _, _ = genpkey(tmp_path, "big", "-algorithm", "RSA", "-pkeyopt", "rsa_keygen_bits:4096")
    key.clear_log()
    failed(run_piv(run, "-k", MGMT, "--import-key", "9A", "--input", pem), "An invalid argument was passed to the function", -1)
    assert [command for command in key.commands() if command[1] == 0xFE] == []
    assert piv_applet.keys == {}

