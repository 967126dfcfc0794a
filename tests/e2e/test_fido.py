"""The fido command against simulated FIDO HID devices."""

import os
import subprocess

import pytest

HINT = "Run with --help for more information.\n"
KEY = "/dev/hidraw-sim0"
NOT_FOUND = ("Could not find any Quenlix Key. Plug in your key or try again with "
             "administrator rights\n")
AAGUID = bytes(range(16))


@pytest.fixture
def fido(run, fido_devices):
    """fido(*args) runs "quenlix-key fido ARGS" seeing exactly the plugged-in devices."""

    def fido(*args):
        return run("fido", *args, env=fido_devices.env())

    return fido


def wrong_pin_message(retries):
    return ("Authentication failed because the provided PIN is invalid, remaining retries: "
            f"{retries}\n" + HINT)


# -- finding the device ------------------------------------------------------------------------


def test_info_shows_the_five_facts(fido, fido_devices):
    fido_devices.add(version=(5, 2, 0), aaguid=AAGUID,
                     versions=("FIDO_2_0", "FIDO_2_1", "U2F_V2"))
    result = fido("--info")
    assert result == (0, "Product name:\t\tQuenlix Key\n"
                         f"FIDO device path:\t{KEY}\n"
                         "Device version:\t\t5.2.0\n"
                         "AAGuid:\t\t\t000102030405060708090A0B0C0D0E0F\n"
                         "Supported protocols:\tCTAP 2.0, CTAP 2.1, U2F\n", "")


def test_info_agrees_with_fido2_token(fido, fido_devices):
    fido_devices.add(version=(3, 14, 15), aaguid=bytes.fromhex("f1d0" * 8))
    ours = dict(line.split(":", 1) for line in fido("--info").stdout.splitlines())
    theirs = subprocess.run(["fido2-token", "-I", KEY], capture_output=True, text=True,
                            env={**os.environ, **fido_devices.env()}, timeout=30)
    theirs = dict(line.split(": ", 1) for line in theirs.stdout.splitlines() if ": " in line)
    assert ours["AAGuid"].strip() == theirs["aaguid"].upper()
    assert ours["Device version"].strip() == ".".join(
        str(int(theirs[part], 16)) for part in ("major", "minor", "build"))


def test_protocols_keep_the_devices_order_and_unknown_names(fido, fido_devices):
    fido_devices.add(versions=("U2F_V2", "FIDO_2_1_PRE", "FIDO_2_0", "FIDO_3_0"))
    result = fido("--info")
    assert result.status == 0, result.stderr
    assert result.stdout.splitlines()[-1] == (
        "Supported protocols:\tU2F, CTAP 2.1 (preview), CTAP 2.0, FIDO_3_0")


def test_first_key_is_chosen_among_other_devices(fido, fido_devices):
    fido_devices.add("/dev/other", vendor_id=0x1050, product_id=0x0407, product="Other Token")
    fido_devices.add("/dev/first-key", product="First Key")
    fido_devices.add("/dev/second-key", product="Second Key")
    result = fido("--info")
    assert result.status == 0, result.stderr
    assert result.stdout.splitlines()[:2] == ["Product name:\t\tFirst Key",
                                              "FIDO device path:\t/dev/first-key"]


def test_path_may_name_a_device_that_is_not_a_key(fido, fido_devices):
    fido_devices.add("/dev/other", vendor_id=0x1050, product_id=0x0407, product="Other Token")
    assert fido("--info") == (-1, "", NOT_FOUND + HINT)

    result = fido("--info", "-f", "/dev/other")
    assert result.status == 0, result.stderr
    assert result.stdout.splitlines()[:2] == ["Product name:\t\tOther Token",
                                              "FIDO device path:\t/dev/other"]


def test_no_device_and_no_path(fido):
    assert fido("--info") == (-1, "", NOT_FOUND + HINT)


def test_unknown_path_is_named_in_the_message(fido, fido_devices):
    fido_devices.add()
    for path in ("/dev/hidraw-sim", f"{KEY} ", ""):
        assert fido("--reset", "--fido-path", path) == (
            -1, "", f"Could not find any FIDO device with the path {path}. Plug in your key or "
                    "try again with administrator rights\n" + HINT)
    assert fido_devices.devices[0].state().commands == []


def test_info_of_a_u2f_only_device_stops_at_the_authenticator_facts(fido, fido_devices):
    fido_devices.add(fido2=False, version=(1, 0, 3))
    result = fido("--info")
    assert result.stdout == ("Product name:\t\tQuenlix Key\n"
                             f"FIDO device path:\t{KEY}\n"
                             "Device version:\t\t1.0.3\n")
    assert result.stderr == "FIDO_ERR_RX\n" + HINT
    assert result.status == -2


def test_info_of_a_device_that_cannot_be_opened_prints_nothing(fido, fido_devices):
    fido_devices.add().disappear_after(0)
    assert fido("--info", "-p", "1234") == (-9, "", "FIDO_ERR_INTERNAL\n" + HINT)


# -- PIN -----------------------------------------------------------------------------------------


def test_set_pin_once(fido, fido_devices):
    device = fido_devices.add()
    assert fido("--set-pin", "1234") == (0, "Successfully set PIN\n", "")
    assert device.state().pin == "1234"

    assert fido("--set-pin", "5678") == (-1, "", "PIN is already set\n" + HINT)
    assert device.state().pin == "1234"


def test_change_pin(fido, fido_devices):
    device = fido_devices.add(pin="1234")
    assert fido("--change-pin", "87654321", "-p", "1234") == (0, "Successfully changed PIN\n", "")
    assert device.state().pin == "87654321"


def test_change_pin_without_a_pin_set(fido, fido_devices):
    device = fido_devices.add()
    assert fido("--change-pin", "5678", "--pin", "1234") == (-1, "", "No PIN is set\n" + HINT)
    assert device.state().pin is None


def test_pins_are_passed_as_typed(fido, fido_devices):
    device = fido_devices.add()
    assert fido("--set-pin", " ünï ").status == 0
    assert fido("--change-pin", "0000 0000", "-p", " ünï ").status == 0
    assert device.state().pin == "0000 0000"


def test_wrong_pin_shows_the_retries_read_back(fido, fido_devices):
    device = fido_devices.add(pin="1234")
    assert fido("--change-pin", "5678", "-p", "0000") == (49, "", wrong_pin_message(7))
    assert fido("--change-pin", "5678", "-p", "1111") == (49, "", wrong_pin_message(6))
    # The third failure in a row blocks PIN use until the key is plugged in again.
    assert fido("--change-pin", "5678", "-p", "2222") == (52, "", wrong_pin_message(5))
    assert fido("--change-pin", "5678", "-p", "1234") == (52, "", wrong_pin_message(5))
    assert (device.state().pin, device.state().retries) == ("1234", 5)


def test_blocked_pin(fido, fido_devices):
    fido_devices.add(pin="1234", retries=1)
    assert fido("--change-pin", "5678", "-p", "0000") == (50, "", "FIDO_ERR_PIN_BLOCKED\n" + HINT)


def test_wrong_pin_with_no_retries_left_asks_for_a_reset(fido, fido_devices):
    device = fido_devices.add(pin="1234", retries=1, last_wrong_pin_invalid=True)
    assert fido("--change-pin", "5678", "-p", "0000") == (
        49, "", "The operation is blocked. You have to reset your key\n" + HINT)
    assert device.state().retries == 0


def test_wrong_pin_on_a_device_gone_before_the_retries_query(fido, fido_devices):
    device = fido_devices.add(pin="1234")
    device.disappear_after(2)  # the PIN check and the change; not the retries query
    assert fido("--change-pin", "5678", "-p", "0000") == (49, "", "FIDO_ERR_PIN_INVALID\n" + HINT)
    assert device.state().retries == 7


@pytest.mark.parametrize("action", [["--set-pin", "123"], ["--change-pin", "123", "-p", "1234"],
                                    ["--set-pin", "x" * 64]],
                         ids=["set-short", "change-short", "set-long"])
def test_pin_outside_the_policy(fido, fido_devices, action):
    pin = "1234" if "--change-pin" in action else None
    device = fido_devices.add(pin=pin)
    assert fido(*action) == (55, "", "The provided PIN violates the PIN policy\n" + HINT)
    assert device.state().pin == pin


def test_pin_option_is_ignored_by_other_actions(fido, fido_devices):
    device = fido_devices.add()
    assert fido("--set-pin", "1234", "-p", "9999").status == 0
    assert fido("--info", "-p", "9999").status == 0
    assert device.state().pin == "1234"


# -- reset ---------------------------------------------------------------------------------------


def test_reset_after_touch(fido, fido_devices):
    device = fido_devices.add(pin="1234")
    assert fido("--reset") == (
        0, "Please touch your key to reset\nSuccessfully reset device\n", "")
    assert (device.state().pin, device.state().reset_count) == (None, 1)


def test_reset_not_touched(fido, fido_devices):
    device = fido_devices.add(pin="1234", touch="deny")
    assert fido("--reset") == (-1, "Please touch your key to reset\n",
                               "Reset failed. The key was not touched in time\n" + HINT)
    assert device.state().pin == "1234"


@pytest.mark.parametrize("config, message, code", [
    ({"touch": "timeout"}, "FIDO_ERR_USER_ACTION_TIMEOUT", 0x2F),
    ({"reset_window": 0}, "FIDO_ERR_NOT_ALLOWED", 0x30),
])
def test_other_reset_refusals_show_libfido2s_name(fido, fido_devices, config, message, code):
    device = fido_devices.add(pin="1234", **config)
    assert fido("--reset") == (code, "Please touch your key to reset\n", message + "\n" + HINT)
    assert device.state().pin == "1234"


def test_reset_prompt_comes_before_opening(fido, fido_devices):
    fido_devices.add().disappear_after(0)
    assert fido("--reset") == (-9, "Please touch your key to reset\n",
                               "FIDO_ERR_INTERNAL\n" + HINT)
