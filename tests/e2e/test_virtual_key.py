"""The virtual key's card behaviour, checked in-process (no reader involved)."""

import pytest
from applets.base import SW_OK, Applet
from virtualkey import ATR_A, ATR_B, PULL_CARD, VirtualKey, make_key

CARD_MANAGER = bytes.fromhex("A000000151000000")
KEY_INFO = bytes.fromhex("D2760001624B6579")
SELECT_CARD_MANAGER = bytes.fromhex("00A4040008") + CARD_MANAGER
SELECT_KEY_INFO = bytes.fromhex("00A4040008") + KEY_INFO
GET_RESPONSE = bytes.fromhex("00C00000")


class Echo(Applet):
    """Answers every command with its data repeated `factor` times; remembers what it saw."""

    aid = bytes.fromhex("F000000001")

    def __init__(self):
        self.seen = []
        self.factor = 1
        self.cycles = 0

    def process(self, card, cla, ins, p1, p2, data):
        self.seen.append((cla, ins, p1, p2, data))
        return data * self.factor, SW_OK

    def power_cycle(self):
        self.cycles += 1


def select(aid):
    return bytes([0x00, 0xA4, 0x04, 0x00, len(aid)]) + aid


@pytest.fixture
def echo():
    return Echo()


@pytest.fixture
def card(echo):
    card = make_key(plugins=False, extra_applets=[echo])
    assert card.transmit(select(echo.aid)) == bytes.fromhex("9000")
    return card


def test_key_atrs_carry_their_check_byte():
    assert len(ATR_A) == 12 and ATR_A.startswith(bytes.fromhex("3B878001") + b"Quenlix")
    assert len(ATR_B) == 14 and ATR_B.startswith(bytes.fromhex("3B9711812175") + b"Quenlix")
    for atr in (ATR_A, ATR_B):
        check = 0
        for byte in atr[1:]:
            check ^= byte
        assert check == 0


def test_command_chain_reaches_the_applet_whole(card, echo):
    first, last = bytes(range(255)), b"\x01\x02"
    assert card.transmit(bytes([0x10, 0x42, 0x01, 0x02, 255]) + first) == bytes.fromhex("9000")
    assert echo.seen == []
    response = card.transmit(bytes([0x00, 0x42, 0x01, 0x02, 2]) + last)
    assert echo.seen == [(0x00, 0x42, 0x01, 0x02, first + last)]
    assert response[:256] == (first + last)[:256] and response[256:] == bytes.fromhex("6101")
    assert card.transmit(GET_RESPONSE) == b"\x02" + bytes.fromhex("9000")


def test_abandoned_chain_is_dropped(card, echo):
    card.transmit(bytes.fromhex("1042000003AAAAAA"))
    card.transmit(bytes.fromhex("0043000001BB"))
    assert echo.seen == [(0x00, 0x43, 0x00, 0x00, b"\xbb")]


def test_long_answer_comes_in_parts(card, echo):
    card.chunk_size = 16
    echo.factor = 10
    first = card.transmit(bytes.fromhex("00500000") + bytes([3]) + b"abc")
    assert first == b"abcabcabcabcabca" + bytes.fromhex("610E")
    assert card.transmit(GET_RESPONSE) == b"bcabcabcabcabc" + bytes.fromhex("9000")
    assert card.transmit(GET_RESPONSE) == bytes.fromhex("6985")


def test_announce_all_hands_out_nothing_before_get_response():
    card = make_key(plugins=False, serial=1234567, announce_all=True)
    card.transmit(SELECT_KEY_INFO)
    assert card.transmit(bytes.fromhex("00280000")) == bytes.fromhex("6108")
    assert card.transmit(GET_RESPONSE) == bytes.fromhex("000000000012D687 9000")


def test_unknown_aid_keeps_the_selected_applet(card, echo):
    assert card.transmit(select(b"\x01\x02\x03\x04\x05")) == bytes.fromhex("6A82")
    assert card.transmit(bytes.fromhex("0050000001AA")) == bytes.fromhex("AA9000")


def test_card_manager_answers(card):
    card.card_manager.version = b"1.0.3"
    assert card.transmit(SELECT_CARD_MANAGER)[-2:] == bytes.fromhex("9000")
    assert card.transmit(bytes.fromhex("B1054100")) == b"Quenlix Key" + bytes.fromhex("9000")
    assert card.transmit(bytes.fromhex("B1054200")) == b"1.0.3" + bytes.fromhex("9000")
    assert card.transmit(bytes.fromhex("B1050700")) == bytes.fromhex("6A86")
    assert card.transmit(bytes.fromhex("B1060000")) == bytes.fromhex("6D00")
    assert card.transmit(bytes.fromhex("B1055506")) == bytes.fromhex("6A82")  # no HOTP applet


def test_card_manager_passes_otp_length_to_the_hotp_applet():
    class Hotp(Applet):
        aid = bytes.fromhex("112233447701")
        lengths = []

        def set_otp_length(self, length):
            self.lengths.append(length)
            return 0x9000 if length in (6, 8) else 0x6A80

    hotp = Hotp()
    card = VirtualKey(applets=[make_key(plugins=False).card_manager, hotp])
    card.transmit(SELECT_CARD_MANAGER)
    assert card.transmit(bytes.fromhex("B1055508")) == bytes.fromhex("9000")
    assert card.transmit(bytes.fromhex("B1055507")) == bytes.fromhex("6A80")
    assert hotp.lengths == [8, 7]


@pytest.mark.parametrize(
    "serial, answer",
    [(1234567, "000000000012D687 9000"), (None, "6A88"), (b"\xff" * 9, "FF" * 9 + "9000"), (b"", "9000")],
)
def test_key_info_serial(serial, answer):
    card = make_key(plugins=False, serial=serial)
    card.transmit(SELECT_KEY_INFO)
    assert card.transmit(bytes.fromhex("00280000")) == bytes.fromhex(answer)


def test_key_without_key_info_applet():
    card = make_key(plugins=False, key_info=False)
    assert card.transmit(SELECT_KEY_INFO) == bytes.fromhex("6A82")


def test_faults_replace_answers(card, echo):
    card.clear_log()
    card.inject("00A40400", 0x6D00)
    card.inject(0x51, "6F00", times=None, skip=1)
    card.inject(lambda command: command.endswith(b"\xee"), "9000", process=True)
    assert card.transmit(select(echo.aid)) == bytes.fromhex("6D00")
    assert card.transmit(select(echo.aid)) == bytes.fromhex("9000")
    assert card.transmit(bytes.fromhex("00510000")) == bytes.fromhex("9000")
    assert card.transmit(bytes.fromhex("00510000")) == bytes.fromhex("6F00")
    assert card.transmit(bytes.fromhex("00510000")) == bytes.fromhex("6F00")
    assert card.transmit(bytes.fromhex("0052000001EE")) == bytes.fromhex("9000")
    assert echo.seen[-1] == (0x00, 0x52, 0x00, 0x00, b"\xee")
    assert card.log[0] == (select(echo.aid), bytes.fromhex("6D00"))


def test_pull_card_fault_is_logged_without_answer(card):
    card.inject(0x51, PULL_CARD)
    assert card.transmit(bytes.fromhex("00510000")) is PULL_CARD
    assert card.log[-1] == (bytes.fromhex("00510000"), b"")


def test_power_cycle_drops_volatile_state(card, echo):
    card.transmit(bytes.fromhex("1042000001AA"))
    card.reset()
    assert echo.cycles == 1
    # the card manager is selected again after a reset, and the chain is gone
    assert card.transmit(bytes.fromhex("0042000001BB")) == bytes.fromhex("6D00")
    assert echo.seen == []


def test_malformed_commands(card):
    assert card.transmit(b"\x00\xa4") == bytes.fromhex("6700")
    assert card.transmit(bytes.fromhex("0050000005AABB")) == bytes.fromhex("6700")
    assert card.transmit(bytes.fromhex("0150000000")) == bytes.fromhex("6881")


def test_applet_error_answers_6f00_and_is_recorded(card, echo):
    echo.process = lambda *args: 1 / 0
    assert card.transmit(bytes.fromhex("00500000")) == bytes.fromhex("6F00")
    assert "ZeroDivisionError" in card.errors[0]
    card.errors.clear()
