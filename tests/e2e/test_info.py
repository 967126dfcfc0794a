"""The info command against the virtual key through pcscd."""

import time

import pytest
from virtualkey import ATR_A, ATR_A_BAD_TCK, ATR_B, READER0, READER1, make_key, make_plain_card

HINT = "Run with --help for more information.\n"
NO_KEY = "Could not connect to any Quenlix Key\n" + HINT
# What probing an empty reader for its ATR prints (SCARD_E_NO_SMARTCARD).
EMPTY_READER = "Failed SCardConnect: -2146435060\n"

SELECT_CARD_MANAGER = bytes.fromhex("00A4040008A000000151000000")
SELECT_KEY_INFO = bytes.fromhex("00A4040008D2760001624B6579")
GET_NAME = bytes.fromhex("B1054100")
GET_VERSION = bytes.fromhex("B1054200")
GET_DATE = bytes.fromhex("B1055400")
GET_SERIAL = bytes.fromhex("00280000")


def identity_lines(name="Quenlix Key", version="v1.0.3", date="2024-03-15"):
    return f"Name:\t\t{name}\nVersion:\t{version}\nDate:\t\t{date}\n"


def test_prints_the_four_lines_in_seven_sessions(key, run):
    key.card_manager.name = b"Quenlix Key 3C NFC"
    key.key_info.serial = 1234567
    lines = identity_lines("Quenlix Key 3C NFC") + "Serial Number:\t1234567\n"

    assert run("info") == (0, EMPTY_READER + lines, ""), "reader 1 is empty"
    key.clear_log()
    assert run("info", "-r", READER0) == (0, lines, "")

    # Two sessions per text (length, then content) and one for the serial number; each
    # session selects its applet again.
    per_text = lambda command: [SELECT_CARD_MANAGER, command] * 2  # noqa: E731
    expected = per_text(GET_NAME) + per_text(GET_VERSION) + per_text(GET_DATE)
    assert key.commands() == expected + [SELECT_KEY_INFO, GET_SERIAL], key.log_text()


@pytest.mark.parametrize("key_info, serial", [(False, 1), (True, None)], ids=["no-applet", "no-serial"])
def test_a_key_without_serial_number_shows_three_lines(insert, reader1, run, key_info, serial):
    reader1.remove()
    insert(make_key(key_info=key_info, serial=serial))

    assert run("info", "-r", READER0) == (0, identity_lines(), "")


def test_serial_number_zero_is_shown(key, run):
    key.key_info.serial = 0

    assert run("info", "-r", READER0).stdout.endswith("Serial Number:\t0\n")


def test_a_serial_number_longer_than_eight_bytes_fails_after_three_lines(insert, reader1, run):
    reader1.remove()
    insert(make_key(serial=bytes(9)))

    result = run("info", "-r", READER0)

    assert result == (-1, identity_lines(), "An invalid argument was passed to the function\n" + HINT)


@pytest.mark.parametrize("atr, is_key", [(ATR_A, True), (ATR_B, True), (ATR_A_BAD_TCK, False)], ids=["A", "B", "A-bad-check-byte"])
def test_a_reader_holds_a_key_only_with_a_key_atr(insert, reader1, run, atr, is_key):
    reader1.remove()
    card = insert(make_key(atr))

    result = run("info")

    if is_key:
        assert result.status == 0 and result.stdout.startswith(EMPTY_READER + "Name:\t\tQuenlix Key\n")
    else:
        assert result == (-1, EMPTY_READER, NO_KEY)
        assert card.commands() == []


def test_without_reader_the_first_key_is_used(insert, run):
    plain = insert(make_plain_card(), reader=0)
    key = insert(make_key(), reader=1)

    result = run("info")

    assert result.status == 0 and result.stderr == ""
    assert result.stdout.startswith("Name:\t\tQuenlix Key\n"), "both readers answer the probe"
    assert plain.commands() == [], "the ordinary card is only probed for its ATR"
    assert key.commands()[:2] == [SELECT_CARD_MANAGER, GET_NAME]


def test_no_key_anywhere(no_key, run):
    assert run("info") == (-1, EMPTY_READER * 2, NO_KEY)


def test_a_reader_name_is_cut_at_its_last_slash(key, run):
    assert run("info", "--reader", READER0 + "/ignored").status == 0
    assert run("info", "-r", READER0).status == 0


def test_a_select_answered_6d00_recovers_through_the_card_manager(key, run):
    key.key_info.serial = 42
    key.inject(SELECT_KEY_INFO, 0x6D00)

    assert run("info", "-r", READER0) == (0, identity_lines() + "Serial Number:\t42\n", "")
    assert key.commands()[-4:] == [SELECT_KEY_INFO, SELECT_CARD_MANAGER, SELECT_KEY_INFO, GET_SERIAL]

    key.inject(SELECT_KEY_INFO, 0x6D00, times=2)
    result = run("info", "-r", READER0)
    assert result == (-15, identity_lines(), "The device smartcard is in an unexpected state.\n" + HINT)


def test_answers_announced_with_61xx_are_collected_except_for_the_serial(insert, reader1, run):
    reader1.remove()
    insert(make_key(announce_all=True))

    result = run("info", "-r", READER0)

    # The serial number is read with time limit 0, so its announced answer is never fetched.
    assert result == (-10, identity_lines(), "The requested operation did not finish in time\n" + HINT)


def test_a_missing_reader_is_retried_for_ten_seconds(key, run):
    started = time.monotonic()
    result = run("info", "-r", "Virtual PCD 00 07")
    elapsed = time.monotonic() - started

    assert result.status == -5
    assert result.stderr == "The communication with the device failed\n" + HINT
    lines = result.stdout.splitlines()
    assert all(line.startswith("Failed SCardConnect: -") for line in lines)
    assert 80 <= len(lines) <= 101
    assert 9.5 <= elapsed <= 13


# A reader held by another application for the whole window: test_pcsc_hints.py, with the
# line that names the usual holders.
