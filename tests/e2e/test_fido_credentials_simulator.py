"""The simulated authenticator's discoverable credentials and credential management, checked
with libfido2's own fido2-token and fido2-cred through the shim (PINs typed at a terminal),
and with raw CTAP2 requests for what those tools never send."""

import base64
import dataclasses
import hashlib
import os
import subprocess

import pytest
from cryptography.hazmat.primitives import serialization
from cryptography.hazmat.primitives.asymmetric import ec, ed25519
from tty_run import run_with_tty

from fido import cbor  # importable once fido_fixtures is loaded
from fido.credentials import Credential, CredentialStore
from fido.pin_protocol import PERMISSION_BE, PERMISSION_CM, PERMISSION_GA, PERMISSION_MC, PROTOCOLS

PIN = "1234"
WRONG_PIN = "0000"
PREVIEW_ONLY = ("U2F_V2", "FIDO_2_0", "FIDO_2_1_PRE")
LARGE_BLOB_KEY = bytes(range(32))

# Three relying parties, five credentials; the RPs come in the order of their first credential.
ALICE = Credential("example.com", "Example Corp", bytes.fromhex("a1a1"), "alice@example.com",
                   "Alice Example", bytes.fromhex("c1" * 16))
BOB = Credential("login.test", None, bytes.fromhex("b0b0"), "bob", None,
                 bytes.fromhex("c2" * 32), cred_protect=2, large_blob_key=LARGE_BLOB_KEY)
CAROL = Credential("example.com", "Example Corp", bytes.fromhex("ca201e"), "carol", "Carol",
                   bytes.fromhex("c3" * 20), "eddsa")
DAVE = Credential("shop.example", "Shop", bytes.fromhex("da7e"), "dave", "Dave D.",
                  bytes.fromhex("c4" * 16), cred_protect=3)
ERIN = Credential("login.test", None, bytes.fromhex("e1e1"), "erin", "Erin",
                  bytes.fromhex("c5" * 24))
PLANTED = [ALICE, BOB, CAROL, DAVE, ERIN]
KEY_ORDER = [ALICE, CAROL, BOB, ERIN, DAVE]  # relying party by relying party
UNKNOWN_ID = bytes.fromhex("dead" * 8)

RP_LINES = {
    "example.com": "o3mm9u6vuaVeN4wRgDTidR5oL6ufLTCrE9ISVYbOGUc= example.com",
    "login.test": "9vyT2CMbt/F8P5Dc404u+afQo4UjOWYJQ3RQxpXQyFA= login.test",
    "shop.example": "D1lGPGBsWw5dPagfNuP3wXWsIwxg51whRM47dSJHYHw= shop.example",
}
# fido2-token -L -k: credential ID, display name, user ID, key type, protection.
CREDENTIAL_LINES = {
    ALICE: "wcHBwcHBwcHBwcHBwcHBwQ== Alice Example oaE= es256 uvopt",
    BOB: "wsLCwsLCwsLCwsLCwsLCwsLCwsLCwsLCwsLCwsLCwsI= (null) sLA= es256 uvopt+id",
    CAROL: "w8PDw8PDw8PDw8PDw8PDw8PDw8M= Carol yiAe eddsa uvopt",
    DAVE: "xMTExMTExMTExMTExMTExA== Dave D. 2n4= es256 uvreq",
    ERIN: "xcXFxcXFxcXFxcXFxcXFxcXFxcXFxcXF Erin 4eE= es256 uvopt",
}


def b64(data: bytes) -> str:
    return base64.b64encode(data).decode()


def numbered(lines):
    return [f"{index:02}: {line}" for index, line in enumerate(lines)]


def token_tool(fido_devices, device, *args, pin=PIN):
    """fido2-token ARGS DEVICE, the PIN typed when it asks."""
    env = {**os.environ, **fido_devices.env()}
    return run_with_tty(["fido2-token", *args, device.path], [pin], env)


def listing(fido_devices, device, *args):
    result = token_tool(fido_devices, device, *args)
    assert result.returncode == 0, result.stderr
    return result.stdout.splitlines()


def rps_listed(fido_devices, device):
    return listing(fido_devices, device, "-L", "-r")


def credentials_listed(fido_devices, device, rp_id):
    return listing(fido_devices, device, "-L", "-k", rp_id)


def metadata(fido_devices, device):
    return listing(fido_devices, device, "-I", "-c")


def expected_listings(credentials):
    """What -L -r and -L -k RP show for credentials in the key's order."""
    rps = list(dict.fromkeys(credential.rp_id for credential in credentials))
    per_rp = {rp: numbered(CREDENTIAL_LINES[each] for each in credentials if each.rp_id == rp)
              for rp in rps}
    return numbered(RP_LINES[rp] for rp in rps), per_rp


def check_listings(fido_devices, device, credentials):
    rp_lines, per_rp = expected_listings(credentials)
    assert rps_listed(fido_devices, device) == rp_lines
    for rp, lines in per_rp.items():
        assert credentials_listed(fido_devices, device, rp) == lines, rp


# -- listing ------------------------------------------------------------------------------------

@pytest.mark.parametrize("config, token_request", [
    ({}, "getPinToken"),
    ({"pin_protocols": (1,)}, "getPinToken"),
    ({"pin_uv_auth_token": True}, "getPinUvAuthTokenUsingPinWithPermissions"),
    ({"pin_uv_auth_token": True, "pin_protocols": (1,)},
     "getPinUvAuthTokenUsingPinWithPermissions"),
    ({"versions": PREVIEW_ONLY}, "getPinToken"),
], ids=["protocol2", "protocol1", "permissions-protocol2", "permissions-protocol1",
        "preview-key"])
def test_listings_keep_the_planting_order(fido_devices, config, token_request):
    device = fido_devices.add(pin=PIN, credentials=PLANTED, **config)
    assert rps_listed(fido_devices, device) == [
        "00: o3mm9u6vuaVeN4wRgDTidR5oL6ufLTCrE9ISVYbOGUc= example.com",
        "01: 9vyT2CMbt/F8P5Dc404u+afQo4UjOWYJQ3RQxpXQyFA= login.test",
        "02: D1lGPGBsWw5dPagfNuP3wXWsIwxg51whRM47dSJHYHw= shop.example",
    ]
    assert credentials_listed(fido_devices, device, "example.com") == [
        "00: wcHBwcHBwcHBwcHBwcHBwQ== Alice Example oaE= es256 uvopt",
        "01: w8PDw8PDw8PDw8PDw8PDw8PDw8M= Carol yiAe eddsa uvopt",
    ]
    assert credentials_listed(fido_devices, device, "login.test") == numbered(
        [CREDENTIAL_LINES[BOB], CREDENTIAL_LINES[ERIN]])
    assert credentials_listed(fido_devices, device, "shop.example") == numbered(
        [CREDENTIAL_LINES[DAVE]])
    assert metadata(fido_devices, device) == ["existing rk(s): 5", "remaining rk(s): 20"]

    commands = device.state().commands
    assert "clientPIN:" + token_request in commands
    # libfido2 1.12 sends the preview command whatever getInfo says.
    assert "credMgmtPreview:enumerateRPsBegin" in commands
    assert commands.count("credMgmtPreview:enumerateRPsGetNextRP") == 2
    assert device.state().retries == 8


@pytest.mark.parametrize("credential", [ALICE, CAROL], ids=["es256", "eddsa"])
def test_public_key_read_back_is_the_planted_one(fido_devices, credential):
    device = fido_devices.add(pin=PIN, credentials=PLANTED)
    lines = listing(fido_devices, device, "-I", "-k", credential.rp_id,
                    "-i", b64(credential.credential_id))
    pem = credential.key.public_key().public_bytes(
        serialization.Encoding.PEM, serialization.PublicFormat.SubjectPublicKeyInfo)
    assert lines[0] == b64(credential.credential_id)
    assert "\n".join(lines[1:]) + "\n" == pem.decode()


def test_key_without_credentials(fido_devices):
    device = fido_devices.add(pin=PIN)
    assert metadata(fido_devices, device) == ["existing rk(s): 0", "remaining rk(s): 25"]
    for args in (["-L", "-r"], ["-L", "-k", "example.com"]):
        result = token_tool(fido_devices, device, *args)
        assert result.returncode == 1
        assert "FIDO_ERR_NO_CREDENTIALS" in result.stderr, args


@pytest.mark.parametrize("config, options, answer", [
    ({}, ("credMgmt",), None),
    ({"versions": PREVIEW_ONLY}, ("credentialMgmtPreview",), None),
    ({"versions": ("FIDO_2_0", "FIDO_2_1_PRE", "FIDO_2_1")},
     ("credMgmt", "credentialMgmtPreview"), None),
    ({"credential_management": ("credentialMgmtPreview",)}, ("credentialMgmtPreview",), None),
    ({"credential_management": ("credMgmt",)}, ("credMgmt",), "FIDO_ERR_INVALID_COMMAND"),
    ({"credential_management": ()}, (), "FIDO_ERR_INVALID_COMMAND"),
    # A key with permissions but no credential management refuses the cm permission.
    ({"credential_management": (), "pin_uv_auth_token": True}, (),
     "FIDO_ERR_UNAUTHORIZED_PERM"),
    ({"versions": ("U2F_V2", "FIDO_2_0")}, (), "FIDO_ERR_INVALID_COMMAND"),
    ({"pin_token_credential_management": False}, ("credMgmt",), "FIDO_ERR_PIN_AUTH_INVALID"),
], ids=["ctap21", "preview", "both-versions", "preview-command-only", "final-command-only",
        "none", "none-with-permissions", "ctap20", "strict-pin-token"])
def test_what_the_key_offers_decides_libfido2s_outcome(fido_devices, config, options, answer):
    device = fido_devices.add(pin=PIN, credentials=PLANTED, **config)
    info = listing(fido_devices, device, "-I")
    advertised = next(line for line in info if line.startswith("options: "))[9:].split(", ")
    assert [option for option in advertised if "Mgmt" in option] == list(options)

    result = token_tool(fido_devices, device, "-L", "-r")
    if answer is None:
        assert (result.returncode, len(result.stdout.splitlines())) == (0, 3), result.stderr
    else:
        assert result.returncode == 1
        assert answer in result.stderr
    assert device.state().credentials == KEY_ORDER


# -- deleting -----------------------------------------------------------------------------------

@pytest.mark.parametrize("victim", [CAROL, ALICE, DAVE],
                         ids=["second-of-its-rp", "first-of-its-rp", "last-of-its-rp"])
def test_deleting_one_credential_leaves_the_others_in_order(fido_devices, victim):
    device = fido_devices.add(pin=PIN, credentials=PLANTED)
    result = token_tool(fido_devices, device, "-D", "-i", b64(victim.credential_id))
    assert (result.returncode, result.stdout.strip()) == (0, ""), result.stderr

    remaining = [each for each in KEY_ORDER if each is not victim]
    assert device.state().credentials == remaining
    check_listings(fido_devices, device, remaining)
    if victim is DAVE:
        assert len(rps_listed(fido_devices, device)) == 2  # its RP went with it
    assert metadata(fido_devices, device) == ["existing rk(s): 4", "remaining rk(s): 21"]

    again = token_tool(fido_devices, device, "-D", "-i", b64(victim.credential_id))
    assert again.returncode == 1 and "FIDO_ERR_NO_CREDENTIALS" in again.stderr
    assert device.state().credentials == remaining


@pytest.mark.parametrize("args, pin, error, retries", [
    (["-D", "-i", b64(UNKNOWN_ID)], PIN, "FIDO_ERR_NO_CREDENTIALS", 8),
    (["-D", "-i", b64(CAROL.credential_id)], WRONG_PIN, "FIDO_ERR_PIN_INVALID", 7),
    (["-L", "-r"], WRONG_PIN, "FIDO_ERR_PIN_INVALID", 7),
    (["-L", "-k", "example.com"], WRONG_PIN, "FIDO_ERR_PIN_INVALID", 7),
    (["-I", "-c"], WRONG_PIN, "FIDO_ERR_PIN_INVALID", 7),
    (["-L", "-k", "elsewhere.test"], PIN, "FIDO_ERR_NO_CREDENTIALS", 8),
], ids=["delete-unknown-id", "delete-wrong-pin", "rps-wrong-pin", "credentials-wrong-pin",
        "metadata-wrong-pin", "credentials-of-unknown-rp"])
def test_refused_requests_change_nothing(fido_devices, args, pin, error, retries):
    device = fido_devices.add(pin=PIN, credentials=PLANTED)
    result = token_tool(fido_devices, device, *args, pin=pin)
    assert (result.returncode, result.stdout.strip()) == (1, "")
    assert error in result.stderr
    assert (device.state().credentials, device.state().retries) == (KEY_ORDER, retries)
    check_listings(fido_devices, device, PLANTED)


@pytest.mark.parametrize("retries, steps", [
    (8, [(WRONG_PIN, "FIDO_ERR_PIN_INVALID", 7), (WRONG_PIN, "FIDO_ERR_PIN_INVALID", 6),
         (WRONG_PIN, "FIDO_ERR_PIN_AUTH_BLOCKED", 5), (PIN, "FIDO_ERR_PIN_AUTH_BLOCKED", 5),
         "power cycle", (PIN, None, 8)]),
    (1, [(WRONG_PIN, "FIDO_ERR_PIN_BLOCKED", 0), "power cycle",
         (PIN, "FIDO_ERR_PIN_BLOCKED", 0)]),
], ids=["three-in-a-row", "last-retry"])
def test_wrong_pins_count_down_and_block(fido_devices, retries, steps):
    device = fido_devices.add(pin=PIN, retries=retries, credentials=PLANTED)
    for step in steps:
        if step == "power cycle":
            device.power_cycle()
            continue
        pin, error, left = step
        result = token_tool(fido_devices, device, "-D", "-i", b64(ALICE.credential_id), pin=pin)
        if error is None:
            assert result.returncode == 0, result.stderr
        else:
            assert result.returncode == 1 and error in result.stderr, (step, result.stderr)
        assert device.state().retries == left, step
    expected = KEY_ORDER[1:] if steps[-1][1] is None else KEY_ORDER
    assert device.state().credentials == expected


def test_reset_erases_the_credentials(fido_devices):
    device = fido_devices.add(pin=PIN, credentials=PLANTED, touch_delay=0.05)
    assert token_tool(fido_devices, device, "-R").returncode == 0
    assert device.state().credentials == []
    env = {**os.environ, **fido_devices.env()}
    assert run_with_tty(["fido2-token", "-S", device.path], [PIN, PIN], env).returncode == 0
    assert metadata(fido_devices, device) == ["existing rk(s): 0", "remaining rk(s): 25"]


# -- making credentials -------------------------------------------------------------------------

def make_credential(fido_devices, device, tmp_path, rp_id, user_name, user_id, *,
                    resident=True, cred_protect=None, kind="es256"):
    """fido2-cred -M for the RP and user, then fido2-cred -V checks what it made. Returns the
    made credential's ID, or the failed run."""
    protection = ["-c", str(cred_protect)] if cred_protect else []
    options = (["-r"] if resident else []) + protection
    request = tmp_path / "request"
    made = tmp_path / "made"
    client_data_hash = hashlib.sha256(os.urandom(16)).digest()
    request.write_text("\n".join([b64(client_data_hash), rp_id, user_name, b64(user_id)]) + "\n")
    env = {**os.environ, **fido_devices.env()}
    result = run_with_tty(["fido2-cred", "-M", *options, "-i", str(request), "-o", str(made),
                           device.path, kind], [PIN], env)
    if result.returncode != 0:
        return result
    verified = subprocess.run(["fido2-cred", "-V", *protection, "-i", str(made), kind],
                              capture_output=True, text=True, timeout=30)
    assert verified.returncode == 0, verified.stderr
    credential_id = made.read_text().splitlines()[4]
    assert verified.stdout.splitlines()[0] == credential_id
    return base64.b64decode(credential_id)


@pytest.mark.parametrize("rp_id, user_name, user_id, options, position, listed_as", [
    ("example.com", "frank", b"frank", {}, 2, "es256 uvopt"),
    ("made.test", "gina", b"gina", {"kind": "eddsa"}, 5, "eddsa uvopt"),
    ("example.com", "alice@new", ALICE.user_id, {}, 0, "es256 uvopt"),
    ("login.test", "hugo", b"hugo", {"cred_protect": 3}, 4, "es256 uvreq"),
    ("example.com", "ivan", b"ivan", {"resident": False}, None, None),
], ids=["new-user-of-an-rp", "new-rp", "same-user-replaced", "cred-protect", "not-resident"])
def test_made_credentials_join_the_planted_ones(fido_devices, tmp_path, rp_id, user_name,
                                                user_id, options, position, listed_as):
    device = fido_devices.add(pin=PIN, credentials=PLANTED, touch_delay=0.05)
    credential_id = make_credential(fido_devices, device, tmp_path, rp_id, user_name, user_id,
                                    **options)
    assert isinstance(credential_id, bytes), credential_id.stderr
    credentials = device.state().credentials
    if position is None:
        assert credentials == KEY_ORDER
        return
    made = credentials[position]
    assert (made.rp_id, made.user_name, made.user_id, made.credential_id) == (
        rp_id, user_name, user_id, credential_id)
    assert [each for each in credentials if each is not made] == \
        [each for each in KEY_ORDER if (each.rp_id, each.user_id) != (rp_id, user_id)]
    # fido2-cred gives no display name.
    index = [each for each in credentials if each.rp_id == rp_id].index(made)
    assert credentials_listed(fido_devices, device, rp_id)[index] == (
        f"{index:02}: {b64(credential_id)} (null) {b64(user_id)} {listed_as}")


def test_full_key_makes_no_new_discoverable_credential(fido_devices, tmp_path):
    device = fido_devices.add(pin=PIN, credentials=PLANTED, max_credentials=5, touch_delay=0.05)
    result = make_credential(fido_devices, device, tmp_path, "made.test", "gina", b"gina")
    assert not isinstance(result, bytes) and "FIDO_ERR_KEY_STORE_FULL" in result.stderr
    assert device.state().credentials == KEY_ORDER
    # Taking the place of a user's credential needs no room.
    made = make_credential(fido_devices, device, tmp_path, "shop.example", "dave2", DAVE.user_id)
    assert [each.credential_id for each in device.state().credentials] == [
        ALICE.credential_id, CAROL.credential_id, BOB.credential_id, ERIN.credential_id, made]


# -- raw requests -------------------------------------------------------------------------------

class Platform:
    """Speaks CTAP2 to the simulated authenticator directly, as a platform would."""

    def __init__(self, device, protocol=2):
        self.simulated = device.simulated
        self.protocol = protocol
        self.token = os.urandom(32)  # none issued yet

    def send(self, command, params=None):
        request = bytes([command]) + (cbor.encode(params) if params is not None else b"")
        with self.simulated.lock:
            answer = self.simulated.authenticator.handle_cbor(request, lambda outcome, _: outcome)
        return answer[0], cbor.decode(answer[1:]) if len(answer) > 1 else None

    def get_token(self, permissions=PERMISSION_CM, rp_id=None, pin=PIN, protocol=None):
        """getPinUvAuthTokenUsingPinWithPermissions, or getPinToken for permissions None."""
        number = protocol or self.protocol
        ours = PROTOCOLS[number]()
        status, answer = self.send(0x06, {1: number, 2: 2})
        assert status == 0
        shared = ours.decapsulate(answer[1])
        params = {1: number, 2: 5 if permissions is None else 9, 3: ours.key_agreement(),
                  6: ours.encrypt(shared, hashlib.sha256(pin.encode()).digest()[:16])}
        if permissions is not None:
            params[9] = permissions
        if rp_id is not None:
            params[0x0A] = rp_id
        status, answer = self.send(0x06, params)
        if status == 0:
            self.token = ours.decrypt(shared, answer[2])
        return status

    def manage(self, subcommand, sub_params=None, *, authorised=True, command=0x0A,
               protocol=None, mac_over=None, tamper=False):
        """A credential management request; the MAC over `mac_over` when given, else over
        the subcommand parameters sent."""
        params = {1: subcommand}
        if sub_params is not None:
            params[2] = sub_params
        if authorised:
            number = protocol or self.protocol
            covered = mac_over if mac_over is not None else sub_params
            message = bytes([subcommand]) + (cbor.encode(covered) if covered is not None else b"")
            mac = PROTOCOLS[number]().authenticate(self.token, message)
            if tamper:
                mac = bytes([mac[0] ^ 0x01]) + mac[1:]
            params[3], params[4] = number, mac
        return self.send(command, params)

    def status(self, *args, **kwargs):
        return self.manage(*args, **kwargs)[0]


def rp_hash(rp_id):
    return {1: hashlib.sha256(rp_id.encode()).digest()}


def descriptor(credential_id):
    return {2: {"id": credential_id, "type": "public-key"}}


def in_turn(*steps):
    """The status of the last step; every step before it must have succeeded (0, or None for
    what is no request)."""
    assert all(step in (0, None) for step in steps[:-1]), steps
    return steps[-1]


RAW_CASES = {
    # name: (what the platform does, the status the last request gets)
    "next-rp-without-begin": (lambda p: p.status(0x03, authorised=False), 0x30),
    "next-credential-after-rps-begin": (
        lambda p: in_turn(p.get_token(), p.status(0x02), p.status(0x05, authorised=False)), 0x30),
    "next-rp-past-the-last": (
        lambda p: in_turn(p.get_token(), p.status(0x02), *[p.status(0x03, authorised=False)
                                                           for _ in range(3)]), 0x30),
    "next-rp-after-another-request": (
        lambda p: in_turn(p.get_token(), p.status(0x02), p.send(0x04)[0],
                          p.status(0x03, authorised=False)), 0x30),
    "next-credential-past-the-last": (
        lambda p: in_turn(p.get_token(), p.status(0x04, rp_hash("shop.example")),
                          p.status(0x05, authorised=False)), 0x30),
    "no-pin-uv-auth-param": (lambda p: in_turn(p.get_token(), p.status(0x01, authorised=False)),
                             0x36),
    "delete-without-pin-uv-auth-param": (
        lambda p: in_turn(p.get_token(), p.status(0x06, descriptor(ALICE.credential_id),
                                                  authorised=False)), 0x36),
    "no-token-issued": (lambda p: p.status(0x01), 0x33),
    "tampered-mac": (lambda p: in_turn(p.get_token(), p.status(0x01, tamper=True)), 0x33),
    "mac-over-other-parameters": (
        lambda p: in_turn(p.get_token(), p.status(0x06, descriptor(ALICE.credential_id),
                                                  mac_over=descriptor(BOB.credential_id))),
        0x33),
    "mac-over-parameters-not-sent": (
        lambda p: in_turn(p.get_token(), p.status(0x02, mac_over={})), 0x33),
    "token-of-the-other-protocol": (
        lambda p: in_turn(p.get_token(protocol=1), p.status(0x01, protocol=2)), 0x33),
    "unsupported-protocol": (
        lambda p: in_turn(p.get_token(), p.send(0x0A, {1: 0x01, 3: 3, 4: bytes(32)})[0]), 0x02),
    "token-without-cm": (
        lambda p: in_turn(p.get_token(PERMISSION_MC | PERMISSION_GA), p.status(0x01)), 0x33),
    "token-before-a-power-cycle": (
        lambda p: in_turn(p.get_token(), p.simulated.power_cycle(), p.status(0x01)), 0x33),
    "rp-bound-token-metadata": (
        lambda p: in_turn(p.get_token(rp_id="example.com"), p.status(0x01)), 0x33),
    "rp-bound-token-rps": (
        lambda p: in_turn(p.get_token(rp_id="example.com"), p.status(0x02)), 0x33),
    "rp-bound-token-other-rp": (
        lambda p: in_turn(p.get_token(rp_id="example.com"),
                          p.status(0x04, rp_hash("login.test"))), 0x33),
    "rp-bound-token-deletes-for-other-rp": (
        lambda p: in_turn(p.get_token(rp_id="example.com"),
                          p.status(0x06, descriptor(BOB.credential_id))), 0x33),
    "rp-bound-token-its-own-rp": (
        lambda p: in_turn(p.get_token(rp_id="example.com"),
                          p.status(0x04, rp_hash("example.com"))), 0x00),
    "strict-pin-token": (
        lambda p: in_turn(setattr(p.simulated.config, "pin_token_credential_management", False),
                          p.get_token(permissions=None), p.status(0x01)), 0x33),
    "pin-token-serves": (lambda p: in_turn(p.get_token(permissions=None), p.status(0x01)), 0x00),
    "delete-unknown-id": (
        lambda p: in_turn(p.get_token(), p.status(0x06, descriptor(UNKNOWN_ID))), 0x2E),
    "credentials-of-unknown-rp": (
        lambda p: in_turn(p.get_token(), p.status(0x04, rp_hash("elsewhere.test"))), 0x2E),
    "rp-id-hash-missing": (lambda p: in_turn(p.get_token(), p.status(0x04, {})), 0x14),
    "credential-id-missing": (lambda p: in_turn(p.get_token(), p.status(0x06, {})), 0x14),
    "short-rp-id-hash": (lambda p: in_turn(p.get_token(), p.status(0x04, {1: b"\x00" * 31})),
                         0x02),
    "update-with-another-user-id": (
        lambda p: in_turn(p.get_token(), p.status(0x07, {**descriptor(ALICE.credential_id),
                                                         3: {"id": BOB.user_id, "name": "x"}})),
        0x02),
    "unknown-subcommand": (lambda p: in_turn(p.get_token(), p.status(0x20)), 0x3E),
    "missing-subcommand": (lambda p: p.send(0x0A, {})[0], 0x14),
    "preview-command-alike": (
        lambda p: in_turn(p.get_token(), p.status(0x06, descriptor(UNKNOWN_ID), command=0x41)),
        0x2E),
    "zero-permissions": (lambda p: p.get_token(permissions=0), 0x02),
    "bio-enrollment-permission": (lambda p: p.get_token(permissions=PERMISSION_BE), 0x40),
    "token-for-a-wrong-pin": (lambda p: p.get_token(pin=WRONG_PIN), 0x31),
    "permissions-not-offered": (
        lambda p: in_turn(setattr(p.simulated.config, "pin_uv_auth_token", False),
                          p.get_token()), 0x3E),
    "preview-command-not-offered": (
        lambda p: in_turn(setattr(p.simulated.config, "credential_management", ("credMgmt",)),
                          p.get_token(), p.status(0x01, command=0x41)), 0x01),
    "final-command-not-offered": (
        lambda p: in_turn(setattr(p.simulated.config, "credential_management",
                                  ("credentialMgmtPreview",)),
                          p.get_token(), p.status(0x01, command=0x0A)), 0x01),
    "final-command-alone": (
        lambda p: in_turn(setattr(p.simulated.config, "credential_management", ("credMgmt",)),
                          p.get_token(), p.status(0x01, command=0x0A)), 0x00),
}


@pytest.mark.parametrize("name", RAW_CASES)
def test_raw_request_answers(fido_devices, name):
    steps, expected = RAW_CASES[name]
    device = fido_devices.add(pin=PIN, credentials=PLANTED, pin_uv_auth_token=True)
    assert steps(Platform(device)) == expected
    assert device.state().credentials == KEY_ORDER  # none of these deletes or renames


@pytest.mark.parametrize("command, protocol", [(0x0A, 2), (0x0A, 1), (0x41, 2), (0x41, 1)],
                         ids=["final-protocol2", "final-protocol1", "preview-protocol2",
                              "preview-protocol1"])
def test_raw_walk_answers_every_field(fido_devices, command, protocol):
    device = fido_devices.add(pin=PIN, credentials=PLANTED, pin_uv_auth_token=True)
    platform = Platform(device, protocol)
    assert platform.get_token() == 0

    def manage(subcommand, sub_params=None, authorised=True):
        status, answer = platform.manage(subcommand, sub_params, authorised=authorised,
                                         command=command)
        assert status == 0, (subcommand, status)
        return answer

    assert manage(0x01) == {1: 5, 2: 20}
    first = manage(0x02)
    rps = [first] + [manage(0x03, authorised=False) for _ in range(first.pop(5) - 1)]
    assert rps == [
        {3: {"id": "example.com", "name": "Example Corp"}, 4: rp_hash("example.com")[1]},
        {3: {"id": "login.test"}, 4: rp_hash("login.test")[1]},
        {3: {"id": "shop.example", "name": "Shop"}, 4: rp_hash("shop.example")[1]},
    ]
    walked = []
    for rp in rps:
        first = manage(0x04, {1: rp[4]})
        walked += [first] + [manage(0x05, authorised=False) for _ in range(first.pop(9) - 1)]
    for answer, credential in zip(walked, KEY_ORDER):
        user = {"id": credential.user_id, "name": credential.user_name}
        if credential.display_name is not None:
            user["displayName"] = credential.display_name
        assert (answer.pop(6), answer.pop(7), answer.pop(0x0A)) == (
            user, {"id": credential.credential_id, "type": "public-key"}, credential.cred_protect)
        assert answer.pop(0x0B, None) == credential.large_blob_key
        assert_cose_key(answer.pop(8), credential.key)
        assert answer == {}, credential
    assert len(walked) == 5

    manage(0x07, {**descriptor(CAROL.credential_id), 3: {"id": CAROL.user_id, "name": "caro"}})
    manage(0x06, descriptor(ALICE.credential_id))
    assert manage(0x01) == {1: 4, 2: 21}
    renamed = dataclasses.replace(CAROL, user_name="caro", display_name=None)
    assert device.state().credentials == [renamed, BOB, ERIN, DAVE]
    first = manage(0x04, rp_hash("example.com"))
    assert (first[6], first[9]) == ({"id": CAROL.user_id, "name": "caro"}, 1)


def assert_cose_key(cose, key):
    public = key.public_key()
    if isinstance(public, ec.EllipticCurvePublicKey):
        numbers = public.public_numbers()
        assert cose == {1: 2, 3: -7, -1: 1, -2: numbers.x.to_bytes(32, "big"),
                        -3: numbers.y.to_bytes(32, "big")}
    else:
        assert isinstance(public, ed25519.Ed25519PublicKey)
        raw = public.public_bytes(serialization.Encoding.Raw, serialization.PublicFormat.Raw)
        assert cose == {1: 1, 3: -8, -1: 6, -2: raw}


def test_enumerating_an_empty_key_finds_no_credentials(fido_devices):
    platform = Platform(fido_devices.add(pin=PIN, pin_uv_auth_token=True))
    assert platform.get_token() == 0
    assert [platform.status(0x02), platform.status(0x01)] == [0x2E, 0x00]
    assert platform.manage(0x01)[1] == {1: 0, 2: 25}


# -- planting -----------------------------------------------------------------------------------

@pytest.mark.parametrize("planted, capacity, message", [
    ([ALICE, dataclasses.replace(BOB, credential_id=ALICE.credential_id)], 25,
     "planted twice"),
    ([ALICE, dataclasses.replace(CAROL, user_id=ALICE.user_id)], 25, "one credential per user"),
    ([ALICE, dataclasses.replace(CAROL, rp_name="Other Name")], 25, "two names"),
    (PLANTED, 4, "more than 4"),
], ids=["same-credential-id", "same-user-and-rp", "rp-with-two-names", "over-capacity"])
def test_planting_refuses_what_a_key_cannot_hold(planted, capacity, message):
    with pytest.raises(ValueError, match=message):
        CredentialStore(capacity, planted)


def test_planting_takes_tuples_and_makes_keys():
    store = CredentialStore(3, [("a.test", None, b"\x01", "u", None, b"\x02"),
                                ("a.test", None, b"\x03", "v", "V", b"\x04", "eddsa")])
    first, second = store.all()
    assert isinstance(first.key, ec.EllipticCurvePrivateKey)
    assert isinstance(second.key, ed25519.Ed25519PrivateKey)
    assert (store.remaining, len(store.relying_parties())) == (1, 1)
