"""The totp command against the virtual key's TOTP applet; codes cross-checked with oathtool."""

import base64
import subprocess
import time

import pytest
from applets import totp
from virtualkey import READER0, make_key

HINT = "Run with --help for more information.\n"
KEY = bytes(range(0x20, 0x34))  # 20 bytes
KEY_BASE32 = base64.b32encode(KEY).decode()
SLOT = {"key": KEY, "account": "mail"}
PROTECTED_SLOT = {"key": KEY, "account": "bank", "issuer": "Bank", "pin_protected": True}
INVALID_ARGUMENT = "An invalid argument was passed to the function\n"


def run_totp(run, *args):
    """totp on the reader of the key fixtures (without -r the search for the first key also
    tries the empty second reader and prints its PC/SC failure line)."""
    return run("totp", *args, "-r", READER0)


def insert_totp(insert, **options):
    card = insert(make_key(plugins=False, extra_applets=[totp.make(**options)]))
    return card.find_applet(totp.TOTP_AID)


def applet(card):
    return card.find_applet(totp.TOTP_AID)


def oathtool_totp(key: bytes, at: int, algorithm="SHA1", digits=6, period=30, origin=0) -> str:
    result = subprocess.run(
        ["oathtool", f"--totp={algorithm}", f"--digits={digits}", f"--time-step-size={period}",
         f"--start-time=@{origin}", f"--now=@{at}", key.hex()],
        check=True,
        capture_output=True,
        text=True,
    )
    return result.stdout.strip()


def generate_in_one_window(run, slot, period, *args):
    """Runs --gen-totp until the run starts and ends in the same time window; returns the
    result and a time inside that window."""
    for _ in range(3):
        before = int(time.time())
        result = run_totp(run, "--gen-totp", "--slot-index", str(slot), *args)
        after = int(time.time())
        if before // period == after // period:
            return result, before, after
    pytest.fail("every run crossed a window boundary")


def parse_code(result):
    assert result.status == 0, result.stderr
    code_line, expiry_line = result.stdout.splitlines()
    assert code_line.startswith("TOTP code: ") and expiry_line.startswith("Expires in: ")
    assert expiry_line.endswith(" seconds")
    return code_line.removeprefix("TOTP code: "), int(expiry_line[len("Expires in: "):-len(" seconds")])


# --- configuring and generating ---------------------------------------------------------------


def test_first_free_slot_is_used_without_slot_index(insert, run):
    state = insert_totp(insert, slots={0: SLOT, 2: SLOT})
    result = run_totp(run, "--conf-slot", "--account", "alice", "--key", KEY_BASE32)
    assert (result.status, result.stdout, result.stderr) == (0, "Successfully configured TOTP slot #1\n", "")
    slot = state.slots[1]
    assert (slot.key, slot.account, slot.issuer) == (KEY, b"alice", b"")
    assert (slot.algorithm, slot.digits, slot.period, slot.time_origin, slot.pin_protected) == (0, 6, 30, 0, False)
    result = run_totp(run, "--conf-slot", "--account", "bob", "--key", KEY_BASE32)
    assert result.stdout == "Successfully configured TOTP slot #3\n"


def test_configure_every_setting_into_a_given_slot(key, run):
    result = run_totp(
        run, "--conf-slot", "--slot-index", "5", "--account", "alice@example.org", "--issuer", "Example",
        "--key-format", "hex", "--key", KEY.hex(), "--hmac", "SHA256", "--otp-length", "8",
        "--period", "060", "--pin-protected",
    )
    assert (result.status, result.stdout) == (0, "Successfully configured TOTP slot #5\n")
    slot = applet(key).slots[5]
    assert (slot.account, slot.issuer, slot.key) == (b"alice@example.org", b"Example", KEY)
    assert (slot.algorithm, slot.digits, slot.period, slot.pin_protected) == (1, 8, 60, True)


def test_code_equals_oathtool_for_the_current_window(key, run):
    assert run_totp(run, "--conf-slot", "--account", "a", "--key", KEY_BASE32).status == 0
    result, before, after = generate_in_one_window(run, 0, 30)
    code, expires = parse_code(result)
    assert code == oathtool_totp(KEY, before)
    assert 30 - after % 30 <= expires <= 30 - before % 30


@pytest.mark.parametrize("algorithm, digits, period", [("SHA256", 8, 60), ("SHA512", 7, 5), ("SHA1", 8, 45)])
def test_code_with_other_settings(key, run, algorithm, digits, period):
    result = run_totp(
        run, "--conf-slot", "--slot-index", "3", "--account", "a", "--key", KEY_BASE32, "--hmac", algorithm,
        "--otp-length", str(digits), "--period", str(period),
    )
    assert result.status == 0, result.stderr
    result, before, after = generate_in_one_window(run, 3, period)
    code, expires = parse_code(result)
    assert code == oathtool_totp(KEY, before, algorithm, digits, period)
    assert 1 <= expires <= period
    assert period - after % period <= expires <= period - before % period


def test_time_origin_of_the_slot_sets_the_windows(insert, run):
    origin = int(time.time()) - 1000 - 7
    insert_totp(insert, slots={0: {**SLOT, "time_origin": origin, "period": 30}})
    result, before, after = generate_in_one_window(run, 0, 30)
    code, expires = parse_code(result)
    assert code == oathtool_totp(KEY, before, origin=origin)
    assert 30 - (after - origin) % 30 <= expires <= 30 - (before - origin) % 30


def test_nine_digit_codes(key, run):
    # oathtool stops at 8 digits; the 9-digit code must extend the 8-digit one of the same key.
    result = run_totp(run, "--conf-slot", "--account", "a", "--key", KEY_BASE32, "--otp-length", "9")
    assert result.status == 0, result.stderr
    result, before, _ = generate_in_one_window(run, 0, 30)
    code, _ = parse_code(result)
    assert len(code) == 9 and code[1:] == oathtool_totp(KEY, before, digits=8)


def test_pin_protected_slot_needs_the_pin(insert, run):
    state = insert_totp(insert, pin="1234", slots={4: PROTECTED_SLOT})
    result = run_totp(run, "--gen-totp", "--slot-index", "4")
    assert (result.status, result.stdout) == (-1, "")
    assert result.stderr == "Failed to generate TOTP code for slot #4, PIN has not been provided\n" + HINT

    code, _ = parse_code(run_totp(run, "--gen-totp", "--slot-index", "4", "--pin", "1234"))
    assert len(code) == 6

    result = run_totp(run, "--gen-totp", "--slot-index", "4", "--pin", "9999")
    assert result.status == -6
    assert result.stderr == (
        "Authentication failed because the provided credential is invalid, remaining retries: 2\n" + HINT
    )
    assert state.pin.tries_left == 2


def test_unconfigured_slot_and_slot_beyond_the_count(insert, run):
    insert_totp(insert, slot_count=8)
    result = run_totp(run, "--gen-totp", "--slot-index", "3")
    assert (result.status, result.stderr) == (-8, "The requested entity was not found\n" + HINT)
    result = run_totp(run, "--gen-totp", "--slot-index", "8")
    assert (result.status, result.stderr) == (-1, INVALID_ARGUMENT + HINT)
    result = run_totp(run, "--conf-slot", "--slot-index", "8", "--account", "a", "--key", KEY_BASE32)
    assert (result.status, result.stderr) == (-1, INVALID_ARGUMENT + HINT)


def test_empty_account_is_refused_by_the_device_library(key, run):
    result = run_totp(run, "--conf-slot", "--account", "", "--key", KEY_BASE32)
    assert (result.status, result.stderr) == (-1, INVALID_ARGUMENT + HINT)
    assert applet(key).slots == {}


def test_ten_byte_key_is_accepted(key, run):
    ten = base64.b32encode(bytes(range(10))).decode()
    assert run_totp(run, "--conf-slot", "--account", "a", "--key", ten).status == 0
    assert applet(key).slots[0].key == bytes(range(10))


# --- slots, PIN and reset ---------------------------------------------------------------------


def test_info(insert, run):
    insert_totp(insert, version=(1, 11, 0), slot_count=16)
    result = run_totp(run, "--info")
    assert (result.status, result.stdout) == (0, "Version:\tv1.11.0\nMax slots:\t16\n")


def test_list_slots(insert, run):
    insert_totp(insert, pin="1234", slots={2: PROTECTED_SLOT, 0: {**SLOT, "issuer": "Mail Co"}, 7: SLOT})
    result = run_totp(run, "--list-slots")
    assert result.status == 0, result.stderr
    assert result.stdout == (
        "Configured / Total TOTP Slots: 3 / 16\n"
        "SLOT #0\n\tACCOUNT:\tmail\n\tISSUER:\t\tMail Co\n"
        "SLOT #2, PIN-PROTECTED\n\tACCOUNT:\tbank\n\tISSUER:\t\tBank\n"
        "SLOT #7\n\tACCOUNT:\tmail\n"
    )


def test_list_slots_of_an_empty_applet(key, run):
    result = run_totp(run, "-l")
    assert (result.status, result.stdout) == (0, "Configured / Total TOTP Slots: 0 / 16\n")


def test_pin_info(insert, run):
    insert_totp(insert)
    assert run_totp(run, "--pin-info").stdout == "PIN is set:\t\t0\nPIN Tries Left/Max:\t3 / 3\n"
    insert_totp(insert, pin="1234", max_tries=5, tries_left=2)
    assert run_totp(run, "--pin-info").stdout == "PIN is set:\t\t1\nPIN Tries Left/Max:\t2 / 5\n"
    insert_totp(insert, pin="1234", blocked=True)
    result = run_totp(run, "--pin-info")
    assert (result.status, result.stdout) == (0, "PIN is set:\t\t1\nPIN Tries Left/Max:\t0 / 3, PIN IS BLOCKED\n")


def test_set_pin_only_while_none_is_set(key, run):
    result = run_totp(run, "--set-pin", "abcd1234")
    assert (result.status, result.stdout) == (0, "Successfully set PIN\n")
    assert applet(key).pin.value == b"abcd1234"
    result = run_totp(run, "--set-pin", "efgh5678")
    assert result.status == -9
    assert result.stderr == "The device is not in the required state for the requested operation\n" + HINT


def test_change_pin(insert, run):
    state = insert_totp(insert, pin="1234")
    result = run_totp(run, "--change-pin", "5678abcd", "--pin", "1234")
    assert (result.status, result.stdout) == (0, "Successfully changed PIN\n")
    assert state.pin.value == b"5678abcd"
    result = run_totp(run, "--change-pin", "abcdefgh", "--pin", "1234")
    assert result.status == -6
    assert result.stderr == (
        "Authentication failed because the provided credential is invalid, remaining retries: 2\n" + HINT
    )


def test_hex_pins(insert, run):
    state = insert_totp(insert, pin=b"\x01\x02\x03\x04")
    result = run_totp(run, "--pin-format", "HEX", "--pin", "01020304", "--change-pin", "FFFEFDFC")
    assert result.status == 0, result.stderr
    assert state.pin.value == b"\xff\xfe\xfd\xfc"


def test_clear_slot(insert, run):
    state = insert_totp(insert, slots={2: SLOT, 3: SLOT})
    result = run_totp(run, "--clear-slot", "--slot-index", "2")
    assert (result.status, result.stdout) == (0, "Successfully cleared TOTP slot #2\n")
    assert set(state.slots) == {3}
    result = run_totp(run, "--clear-slot", "--slot-index", "2")
    assert (result.status, result.stderr) == (-8, "The requested entity was not found\n" + HINT)


def test_reset_deletes_slots_and_pin(insert, run):
    state = insert_totp(insert, pin="1234", slots={0: SLOT, 1: PROTECTED_SLOT})
    result = run_totp(run, "--reset")
    assert (result.status, result.stdout) == (0, "Successfully reset the TOTP applet\n")
    assert state.slots == {} and not state.pin.is_set


def test_reset_pin_deletes_only_protected_slots(insert, run):
    state = insert_totp(insert, pin="1234", blocked=True, slots={0: SLOT, 1: PROTECTED_SLOT})
    result = run_totp(run, "--reset-pin")
    assert (result.status, result.stdout) == (0, "Successfully reset the TOTP generation PIN\n")
    assert set(state.slots) == {0} and not state.pin.is_set


# --- command line -----------------------------------------------------------------------------


def test_exactly_one_action(no_key, run):
    message = (
        "Exactly 1 option from [--info,--pin-info,--list-slots,--reset,--reset-pin,--set-pin,"
        "--change-pin,--conf-slot,--clear-slot,--gen-totp] is required\n"
    )
    for args in ([], ["--set-pin", "12345678", "--change-pin", "12345678", "--pin", "1234"]):
        result = run("totp", *args)
        assert (result.status, result.stdout, result.stderr) == (-1, "", message + HINT)


PERIOD_NOT_A_NUMBER = "--period: The period must be a at least 5 seconds"


@pytest.mark.parametrize(
    "args, message, status",
    [
        (["--period", "4"], "--period: The provided period is too short. The period must be at least 5 seconds", 105),
        (["--period", "86401"], "--period: The provided period is too long. The period must be less than a day", 105),
        (["--period", "1e2"], PERIOD_NOT_A_NUMBER, 105),
        (["--period", ""], PERIOD_NOT_A_NUMBER, 105),
        (["--otp-length", "5"], "--otp-length: Value 5 not in range 6 to 9", 105),
        (["--otp-length", "10"], "--otp-length: Value 10 not in range 6 to 9", 105),
        (["--slot-index", "42"], "--slot-index: Value 42 not in range 0 to 41", 105),
        (["--hmac", "sha256"],
         "--hmac: Check sha256 value in {SHA1->0,SHA256->1,SHA512->2} OR {0,1,2} FAILED", 105),
        (["--key", base64.b32encode(bytes(9)).decode()],
         "--key: The provided key is too short. The key must not have at least 10 bytes", 105),
        (["--key", "3132333435363738393031323334353637383930"], "--key: Contains invalid character", 105),
        (["--key-format", "hex", "--key", "0g" * 10], "--key: Contains invalid character", 105),
        (["--account", "a" * 61], "--account: The account must not exceed 60 characters in length", 105),
        (["--issuer", "i" * 61], "--issuer: The issuer must not exceed 60 characters in length", 105),
        (["--pin", "1" * 17], "--pin: The provided PIN is too long. The PIN must not have more than 16 characters", 105),
        (["--pin-format", "hex", "--set-pin", "31323"], "--set-pin: Needs to be of even length", 105),
        (["--pin-format", "hex", "--pin", "3132333"], "--pin: Needs to be of even length", 105),
        (["--set-pin", "123"], "--set-pin: The provided PIN is too short. The PIN must have at least 4 characters", 105),
        (["--conf-slot", "--key", KEY_BASE32], "--conf-slot requires --account", 107),
        (["--conf-slot", "--account", "a"], "--conf-slot requires --key", 107),
        (["--change-pin", "12345678"], "--change-pin requires --pin", 107),
    ],
)
def test_parse_time_checks(no_key, run, args, message, status):
    result = run("totp", "--gen-totp", "--slot-index", "0", *args)
    assert (result.status, result.stdout, result.stderr) == (status, "", message + "\n" + HINT)


def test_gen_and_clear_need_a_slot_index(no_key, run):
    for action in ("--gen-totp", "--clear-slot"):
        result = run("totp", action)
        assert (result.status, result.stderr) == (107, f"{action} requires --slot-index\n" + HINT)


def test_period_bounds_and_leading_zeros(key, run):
    for typed, stored in (("5", 5), ("86400", 86400), ("030", 30)):
        result = run_totp(run, "--conf-slot", "--slot-index", "0", "--account", "a", "--key", KEY_BASE32,
                          "--period", typed)
        assert result.status == 0, result.stderr
        assert applet(key).slots[0].period == stored
