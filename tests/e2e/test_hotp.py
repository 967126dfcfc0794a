"""The hotp command against the virtual key's HOTP applet; codes cross-checked with oathtool."""

import base64
import subprocess

import pytest
from applets import hotp
from virtualkey import READER0, make_key

HINT = "Run with --help for more information.\n"
PIN = "123456"
KEY = bytes(range(0x40, 0x54))  # 20 bytes
KEY_BASE32 = base64.b32encode(KEY).decode()
FACTORY_KEY = b"12345678901234567890"

SELECT_HOTP = bytes.fromhex("00A4040006112233447701")
SELECT_CARD_MANAGER = bytes.fromhex("00A4040008A000000151000000")
VERIFY_PIN = bytes.fromhex("0022008006") + PIN.encode()


def oathtool_hotp(key: bytes, counter: int, digits: int = 6) -> str:
    result = subprocess.run(
        ["oathtool", "--hotp", f"--digits={digits}", f"--counter={counter}", key.hex()],
        check=True,
        capture_output=True,
        text=True,
    )
    return result.stdout.strip()


def applet(card):
    return card.find_applet(hotp.HOTP_AID)


def run_hotp(run, *args):
    """hotp on the reader of the key fixtures. Without -r the search for the first key would
    also try the empty second reader and print its PC/SC failure line."""
    return run("hotp", *args, "-r", READER0)


def generated_code(run) -> str:
    result = run_hotp(run, "--gen-hotp")
    assert result.status == 0, result.stderr
    assert result.stdout.startswith("HOTP code: ")
    return result.stdout.removeprefix("HOTP code: ").removesuffix("\n")


def test_configured_key_gives_the_codes_of_oathtool(key, run):
    result = run_hotp(run, "--configure", "--pin", PIN, "--key", KEY_BASE32, "--counter", "5")
    assert (result.status, result.stdout, result.stderr) == (0, "Successfully configured HOTP\n", "")
    assert applet(key).key == KEY
    assert generated_code(run) == oathtool_hotp(KEY, 5)
    assert generated_code(run) == oathtool_hotp(KEY, 6)


def test_eight_digit_codes_and_decimal_counter(key, run):
    result = run_hotp(
        run, "--configure", "-p", PIN, "--key-format", "hex", "--key", KEY.hex(),
        "--counter", "010", "--otp-length", "8",
    )
    assert result.status == 0, result.stderr
    assert applet(key).otp_length == 8
    assert generated_code(run) == oathtool_hotp(KEY, 10, digits=8)
    assert generated_code(run) == oathtool_hotp(KEY, 11, digits=8)


def test_largest_counter(key, run):
    assert run_hotp(run, "--configure", "-p", PIN, "--key", KEY_BASE32, "--counter", "2147483647").status == 0
    assert applet(key).counter == 2147483647
    assert generated_code(run) == oathtool_hotp(KEY, 2147483647)


def test_reset_restores_the_factory_configuration(insert, run):
    card = insert(make_key(plugins=False, extra_applets=[hotp.make(key=KEY, counter=99, otp_length=8)]))
    result = run_hotp(run, "--reset", "--pin", PIN)
    assert (result.status, result.stdout) == (0, "Successfully restored the factory HOTP configuration\n")
    state = applet(card)
    assert (state.key, state.counter, state.otp_length) == (FACTORY_KEY, 0, 6)
    assert generated_code(run) == oathtool_hotp(FACTORY_KEY, 0) == "755224"


def test_reset_keeps_the_chosen_otp_length(key, run):
    assert run_hotp(run, "--reset", "--pin", PIN, "--otp-length", "8").status == 0
    assert applet(key).otp_length == 8


def test_configure_and_reset_take_the_card_manager_detour(key, run):
    run_hotp(run, "--configure", "--pin", PIN, "--key", KEY_BASE32, "--counter", "1")
    assert key.commands() == [
        SELECT_HOTP,
        VERIFY_PIN,
        bytes.fromhex("0010000014") + KEY,
        bytes.fromhex("0014000008" "0000000000000001"),
        SELECT_CARD_MANAGER,
        bytes.fromhex("B1055506"),
        SELECT_HOTP,
    ], key.log_text()
    key.clear_log()
    run_hotp(run, "--reset", "--pin", PIN)
    assert key.commands() == [
        SELECT_HOTP,
        VERIFY_PIN,
        bytes.fromhex("00120000"),
        bytes.fromhex("00160000"),
        SELECT_CARD_MANAGER,
        bytes.fromhex("B1055506"),
        SELECT_HOTP,
    ], key.log_text()


def test_info_shows_version_and_serial_number(insert, run):
    insert(make_key(plugins=False, extra_applets=[hotp.make(version=bytes([1, 12, 2]), serial=0x9A4C2B17)]))
    result = run_hotp(run, "--info")
    assert (result.status, result.stdout) == (0, "Version:\t\tv1.12.2\nSerial Number:\t\t2588683031\n")


def test_info_of_an_applet_without_version_bytes(insert, run):
    insert(make_key(plugins=False, extra_applets=[hotp.make(version=b"")]))
    result = run_hotp(run, "--info")
    assert (result.status, result.stdout) == (-11, "")
    assert result.stderr == "The device responded in an unexpected way\n" + HINT


def test_change_pin(key, run):
    result = run_hotp(run, "--change-pin", "87654321", "--pin", PIN)
    assert (result.status, result.stdout) == (0, "Successfully changed PIN\n")
    assert applet(key).pin.value == b"87654321"
    assert run_hotp(run, "--reset", "--pin", "87654321").status == 0


def test_hex_pin_format_applies_to_both_pins(key, run):
    result = run_hotp(run, "--change-pin", "61626364", "--pin", PIN.encode().hex(), "--pin-format", "hex")
    assert result.status == 0, result.stderr
    assert applet(key).pin.value == b"abcd"


def test_wrong_pin_reports_the_remaining_retries(key, run):
    result = run_hotp(run, "--configure", "--pin", "000000", "--key", KEY_BASE32, "--counter", "1")
    assert result.status == -6
    assert result.stderr == (
        "Authentication failed because the provided credential is invalid, remaining retries: 2\n" + HINT
    )
    assert applet(key).key == FACTORY_KEY


def test_last_wrong_pin_blocks(insert, run):
    insert(make_key(plugins=False, extra_applets=[hotp.make(tries_left=1)]))
    result = run_hotp(run, "--change-pin", "87654321", "--pin", "000000")
    assert (result.status, result.stderr) == (-7, "The operation is blocked\n" + HINT)


def test_gen_hotp_needs_no_pin_and_prints_the_cards_characters(key, run):
    assert generated_code(run) == "755224"
    assert applet(key).counter == 1


def test_exactly_one_action(no_key, run):
    message = "Exactly 1 option from [--info,--change-pin,--configure,--reset,--gen-hotp] is required\n"
    for args in ([], ["--info", "--gen-hotp"]):
        result = run("hotp", *args)
        assert (result.status, result.stdout, result.stderr) == (-1, "", message + HINT)


def test_no_key_attached(no_key, run):
    result = run("hotp", "--gen-hotp")
    assert (result.status, result.stderr) == (-1, "Could not connect to any Quenlix Key\n" + HINT)


COUNTER_MESSAGE = "--counter: The counter must be a non-negative integer number"


@pytest.mark.parametrize(
    "args, message, status",
    [
        (["--counter", "-1"], COUNTER_MESSAGE, 105),
        (["--counter", "1e3"], COUNTER_MESSAGE, 105),
        (["--counter", ""], COUNTER_MESSAGE, 105),
        (["--counter", "2147483648"], COUNTER_MESSAGE, 105),
        (["--otp-length", "7"], "--otp-length: 7 not in {6,8}", 105),
        (["--otp-length", "06"], "--otp-length: 06 not in {6,8}", 105),
        # Without --key-format a hex key is read as base32.
        (["--key", "3132333435363738393031323334353637383930"], "--key: Contains invalid character", 105),
        (["--key", base64.b32encode(bytes(15)).decode()],
         "--key: The provided key is too short. The key must not have at least 16 bytes", 105),
        (["--key", base64.b32encode(bytes(65)).decode()],
         "--key: The provided key is too long. The key must not have at most 64 bytes", 105),
        (["--key-format", "hex", "--key", "313"], "--key: Needs to be of even length", 105),
        (["--pin", "123"], "--pin: The provided PIN is too short. The PIN must have at least 4 characters", 105),
        (["--pin", "123456789"],
         "--pin: The provided PIN is too long. The PIN must not have more than 8 characters", 105),
        (["--pin-format", "hex", "--pin", "3132333"], "--pin: Needs to be of even length", 105),
        (["--pin-format", "hex", "--pin", "31320033"], "--pin: The provided PIN must not contain a zero byte", 105),
        (["--pin-format", "base64", "--pin", "1234"], "--pin-format: base64 not in {ascii,hex}", 105),
        (["--pin", "1234", "--key", KEY_BASE32, "--configure"], "--configure requires --counter", 107),
        (["--change-pin", "12345678"], "--change-pin requires --pin", 107),
        (["--reset"], "--reset requires --pin", 107),
    ],
)
def test_parse_time_checks(no_key, run, args, message, status):
    result = run("hotp", "--gen-hotp", *args)
    assert (result.status, result.stdout, result.stderr) == (status, "", message + "\n" + HINT)


def test_a_base32_only_hex_key_is_silently_read_as_base32(key, run):
    typed = "ABCDEF234567ABCDEF234567ABCDEF23"
    assert run_hotp(run, "--configure", "-p", PIN, "--key", typed, "--counter", "0").status == 0
    assert applet(key).key == base64.b32decode(typed)


def test_pin_format_hex_in_capitals(key, run):
    result = run_hotp(run, "--reset", "--pin-format", "HEX", "--pin", PIN.encode().hex())
    assert result.status == 0, result.stderr
