"""fido --list-credentials, --delete-credential and --pin-retries against the simulated
authenticator through the real libfido2, cross-checked with fido2-token."""

import pytest
from test_fido_credentials_simulator import (
    ALICE, BOB, CAROL, DAVE, ERIN, KEY_ORDER, PIN, PLANTED, UNKNOWN_ID, b64, rps_listed, token_tool)

HINT = "Run with --help for more information.\n"
NO_CREDENTIAL_MANAGEMENT = "This key does not support credential management"


@pytest.fixture
def fido(run, fido_devices):
    def fido(*args):
        return run("fido", *args, env=fido_devices.env())

    return fido


def block(credential):
    user = credential.user_name + (f" ({credential.display_name})" if credential.display_name else "")
    return (f"\tUser:\t\t{user}\n"
            f"\tUser ID:\t{credential.user_id.hex().upper()}\n"
            f"\tCredential ID:\t{credential.credential_id.hex().upper()}\n")


def expected_listing(credentials, capacity=25):
    text = f"Discoverable credentials:\t{len(credentials)} / {capacity}\n"
    seen = []
    for credential in credentials:
        if credential.rp_id not in seen:
            seen.append(credential.rp_id)
            name = f" ({credential.rp_name})" if credential.rp_name else ""
            text += f"Relying party: {credential.rp_id}{name}\n"
        text += block(credential)
    return text


def test_listing_shows_every_relying_party_and_credential_in_the_keys_order(fido, fido_devices):
    fido_devices.add(pin=PIN, credentials=PLANTED)
    assert fido("--list-credentials", "-p", PIN) == (0, expected_listing(KEY_ORDER), "")


def test_a_key_without_credentials_prints_the_count_only(fido, fido_devices):
    fido_devices.add(pin=PIN)
    assert fido("--list-credentials", "-p", PIN) == (0, "Discoverable credentials:\t0 / 25\n", "")


def test_names_from_the_key_are_printed_with_control_characters_escaped(fido, fido_devices):
    from fido.credentials import Credential

    hostile = Credential("evil.test", "Evil\x1b[2J", b"\x01", "mallory\nUser:\t\tnobody", None, b"\xee" * 16)
    fido_devices.add(pin=PIN, credentials=[hostile])
    result = fido("--list-credentials", "-p", PIN)
    assert result.status == 0, result.stderr
    assert "\x1b" not in result.stdout and "mallory\n" not in result.stdout
    assert len(result.stdout.splitlines()) == 5


def test_deleting_one_credential_leaves_the_others(fido, fido_devices):
    device = fido_devices.add(pin=PIN, credentials=PLANTED)
    result = fido("--delete-credential", CAROL.credential_id.hex(), "-p", PIN)
    assert result == (0, "Successfully deleted credential\n", "")
    remaining = [each for each in KEY_ORDER if each is not CAROL]
    assert fido("--list-credentials", "-p", PIN).stdout == expected_listing(remaining)
    assert device.state().credentials == remaining
    # fido2-token sees the same: the other two credentials of its relying party remain.
    listed = token_tool(fido_devices, device, "-L", "-k", "example.com")
    assert listed.returncode == 0 and b64(ALICE.credential_id) in listed.stdout
    assert b64(CAROL.credential_id) not in listed.stdout


def test_a_credential_deleted_by_fido2_token_is_gone_from_the_listing(fido, fido_devices):
    device = fido_devices.add(pin=PIN, credentials=PLANTED)
    assert token_tool(fido_devices, device, "-D", "-i", b64(DAVE.credential_id)).returncode == 0
    remaining = [each for each in KEY_ORDER if each is not DAVE]
    assert fido("--list-credentials", "-p", PIN).stdout == expected_listing(remaining)
    assert len(rps_listed(fido_devices, device)) == 2


def test_an_unknown_credential_id_changes_nothing(fido, fido_devices):
    device = fido_devices.add(pin=PIN, credentials=PLANTED)
    result = fido("--delete-credential", UNKNOWN_ID.hex().upper(), "-p", PIN)
    assert result == (-1, "", "No credential with this ID on the key\n" + HINT)
    assert device.state().credentials == KEY_ORDER


@pytest.mark.parametrize("value", ["xyz", "abc", ""])
def test_credential_ids_must_be_hex(fido, fido_devices, value):
    fido_devices.add(pin=PIN, credentials=PLANTED)
    result = fido("--delete-credential", value, "-p", PIN)
    assert result.status == 105 and result.stderr.startswith("--delete-credential: ")


def test_a_wrong_pin_shows_the_retries_that_are_left(fido, fido_devices):
    device = fido_devices.add(pin=PIN, credentials=PLANTED)
    result = fido("--list-credentials", "-p", "0000")
    assert result == (49, "", "Authentication failed because the provided PIN is invalid, remaining "
                              "retries: 7\n" + HINT)
    assert fido("--pin-retries") == (0, "PIN retries:\t7\n", "")
    assert device.state().credentials == KEY_ORDER


def test_a_key_without_credential_management_says_so(fido, fido_devices):
    fido_devices.add(pin=PIN, credentials=PLANTED, credential_management=("credMgmt",))
    result = fido("--list-credentials", "-p", PIN)
    assert result == (1, "", NO_CREDENTIAL_MANAGEMENT + "\n" + HINT)


def test_the_new_actions_need_the_pin(fido, fido_devices):
    fido_devices.add(pin=PIN, credentials=PLANTED)
    assert fido("--list-credentials").stderr.startswith("--list-credentials requires --pin")
    assert fido("--delete-credential", "00").stderr.startswith("--delete-credential requires --pin")
