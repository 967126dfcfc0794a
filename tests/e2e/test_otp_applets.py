"""HOTP and TOTP applets of the virtual key, first on an in-process card and
then through pcscd. Codes are checked against oathtool."""

import subprocess

import pytest
from applets import ber_tlv, hotp, totp
from virtualkey import READER0, make_key

RFC_KEY = b"12345678901234567890"
LONG_KEY = bytes(range(1, 65))
NOW = 1_700_000_000
CARD_MANAGER = bytes.fromhex("A000000151000000")


def oathtool(*args: str) -> list[str]:
    result = subprocess.run(["oathtool", *args], check=True, capture_output=True, text=True)
    return result.stdout.split()


def apdu(cla, ins, p1, p2, data=b""):
    return bytes([cla, ins, p1, p2]) + (bytes([len(data)]) + data if data else b"")


def split(response: bytes) -> tuple[bytes, int]:
    return response[:-2], int.from_bytes(response[-2:], "big")


class Terminal:
    """A key carrying only the applet under test, with that applet selected."""

    def __init__(self, applet):
        self.applet = applet
        self.card = make_key(plugins=False, extra_applets=[applet])
        self.select()

    def select(self, aid=None):
        aid = aid or self.applet.aid
        return split(self.card.transmit(apdu(0x00, 0xA4, 0x04, 0x00, aid)))

    def send(self, ins, p1=0, p2=0, data=b"", cla=0x00):
        return split(self.card.transmit(apdu(cla, ins, p1, p2, bytes(data))))

    def sw(self, *args, **kwargs) -> int:
        return self.send(*args, **kwargs)[1]

    def power_cycle(self):
        self.card.reset()
        self.select()


# ---------------------------------------------------------------- HOTP

HOTP_VERIFY, HOTP_CHANGE_PIN, HOTP_GENERATE = 0x22, 0x24, 0x18
HOTP_SET_KEY, HOTP_SET_COUNTER, HOTP_RESTORE_KEY, HOTP_RESTORE_COUNTER = 0x10, 0x14, 0x12, 0x16


def hotp_verify(term, pin=b"123456"):
    return term.sw(HOTP_VERIFY, 0x00, 0x80, pin)


def generate_hotp(term, count):
    codes = []
    for _ in range(count):
        code, sw = term.send(HOTP_GENERATE)
        assert sw == 0x9000
        codes.append(code.decode())
    return codes


def set_otp_length(term, length):
    term.select(CARD_MANAGER)
    sw = term.send(0x05, 0x55, length, cla=0xB1)[1]
    term.select()
    return sw


def test_hotp_codes_follow_the_counter_like_oathtool():
    term = Terminal(hotp.make())
    assert generate_hotp(term, 3) == oathtool("-c", "0", "-w", "2", RFC_KEY.hex())

    assert hotp_verify(term) == 0x9000
    assert term.sw(HOTP_SET_KEY, data=LONG_KEY) == 0x9000
    assert term.sw(HOTP_SET_COUNTER, data=(2**40).to_bytes(8, "big")) == 0x9000
    assert set_otp_length(term, 8) == 0x9000
    expected = oathtool("-d", "8", "-c", str(2**40), "-w", "1", LONG_KEY.hex())
    assert generate_hotp(term, 2) == expected
    assert term.applet.counter == 2**40 + 2


def test_hotp_restore_brings_back_factory_key_and_counter():
    term = Terminal(hotp.make(factory_counter=7, key=LONG_KEY, counter=99))
    assert hotp_verify(term) == 0x9000
    assert term.sw(HOTP_RESTORE_KEY) == 0x9000
    assert term.sw(HOTP_RESTORE_COUNTER) == 0x9000
    assert generate_hotp(term, 1) == oathtool("-c", "7", RFC_KEY.hex())


def test_hotp_otp_length_set_through_the_card_manager():
    term = Terminal(hotp.make(otp_length=8))
    assert set_otp_length(term, 7) == 0x6A86
    assert term.applet.otp_length == 8
    assert set_otp_length(term, 6) == 0x9000
    assert len(term.send(HOTP_GENERATE)[0]) == 6


@pytest.mark.parametrize(
    "ins, data",
    [
        (HOTP_SET_KEY, LONG_KEY),
        (HOTP_SET_COUNTER, bytes(8)),
        (HOTP_RESTORE_KEY, b""),
        (HOTP_RESTORE_COUNTER, b""),
        (HOTP_CHANGE_PIN, b"9999"),
    ],
)
def test_hotp_changes_need_a_pin_proven_since_the_last_select(ins, data):
    applet = hotp.make(counter=5)
    term = Terminal(applet)
    assert term.sw(ins, data=data) == 0x6982
    assert hotp_verify(term) == 0x9000
    term.select()
    assert term.sw(ins, data=data) == 0x6982
    assert hotp_verify(term) == 0x9000
    term.power_cycle()
    assert term.sw(ins, data=data) == 0x6982
    assert (applet.key, applet.counter, applet.pin.value) == (RFC_KEY, 5, b"123456")


def test_hotp_wrong_pins_count_down_and_block():
    term = Terminal(hotp.make())
    assert hotp_verify(term, b"0000") == 0x63C2
    assert hotp_verify(term) == 0x9000
    assert hotp_verify(term, b"0000") == 0x63C2
    assert hotp_verify(term, b"00000000") == 0x63C1
    assert hotp_verify(term, b"0000") == 0x63C0
    assert hotp_verify(term) == 0x6983
    assert term.sw(HOTP_SET_KEY, data=LONG_KEY) == 0x6982


def test_hotp_change_pin_replaces_the_old_one():
    term = Terminal(hotp.make(pin="1234"))
    assert hotp_verify(term, b"1234") == 0x9000
    assert term.sw(HOTP_CHANGE_PIN, data=b"123456789") == 0x6700
    assert term.sw(HOTP_CHANGE_PIN, data=b"87654321") == 0x9000
    term.select()
    assert hotp_verify(term, b"1234") == 0x63C2
    assert hotp_verify(term, b"87654321") == 0x9000


def test_hotp_identity_and_malformed_commands():
    term = Terminal(hotp.make(version=bytes([2, 0]), serial=2**64 - 1))
    assert term.select() == (bytes([2, 0]), 0x9000)
    assert Terminal(hotp.make(version=b"")).select() == (b"", 0x9000)
    assert term.send(0x28) == (b"\xff" * 8, 0x9000)
    assert term.sw(0x99) == 0x6D00
    assert term.sw(0x18, cla=0x80) == 0x6E00
    assert term.sw(0x18, p1=1) == 0x6A86
    assert term.sw(HOTP_VERIFY, 0x00, 0x00, b"123456") == 0x6A86
    assert term.sw(0x18, data=b"\x00") == 0x6700


# ---------------------------------------------------------------- TOTP

GET_PIN_INFO, SET_PIN, VERIFY_PIN, RESET_PIN = 0x10, 0x11, 0x12, 0x14
LIST_SLOTS, GET_SLOT_INFO, CONFIGURE_SLOT, CLEAR_SLOT, GENERATE, RESET = 0x20, 0x21, 0x22, 0x23, 0x24, 0x30


def record(*fields: tuple[int, bytes]) -> bytes:
    return ber_tlv.encode(0x30, b"".join(ber_tlv.encode(tag, value) for tag, value in fields))


def basic_record(key=RFC_KEY, account=b"alice", *extra):
    return record((0x80, b"\x00"), (0x81, b"\x00"), (0x85, key), (0x86, account), *extra)


def generate_totp(term, slot, time):
    answer, sw = term.send(GENERATE, slot, 0, time.to_bytes(8, "big"))
    assert sw == 0x9000
    return int.from_bytes(answer[:8], "big"), int.from_bytes(answer[8:12], "big"), answer[12:].decode()


@pytest.mark.parametrize(
    "hmac, digits, period, origin",
    [("SHA1", 6, 30, 0), ("SHA256", 8, 60, 0), ("SHA512", 7, 45, 1_000_000), ("SHA1", 8, 5, 12345)],
)
def test_totp_codes_match_oathtool(hmac, digits, period, origin):
    algorithm = totp.ALGORITHM_NAMES[hmac]
    fields = [(0x80, b"\x00"), (0x81, bytes([algorithm]))]
    if digits != 6:
        fields.append((0x82, bytes([digits])))
    if origin:
        fields.append((0x83, origin.to_bytes(8, "big")))
    if period != 30:
        fields.append((0x84, period.to_bytes(4, "big")))
    fields += [(0x85, LONG_KEY), (0x86, b"bob")]
    term = Terminal(totp.make())
    assert term.send(CONFIGURE_SLOT, 3, 0, record(*fields)) == (b"\x03", 0x9000)

    expected = oathtool(
        f"--totp={hmac}", "-d", str(digits), "-s", str(period), "-S", f"@{origin}", "-N", f"@{NOW}", LONG_KEY.hex()
    )
    assert generate_totp(term, 3, NOW) == (origin, period, expected[0])


def test_totp_nine_digit_code_extends_the_eight_digit_one():
    term = Terminal(totp.make(slots={0: {"key": RFC_KEY, "account": "a", "digits": 9, "algorithm": "SHA256"}}))
    code = generate_totp(term, 0, NOW)[2]
    assert len(code) == 9
    assert code[1:] == oathtool("--totp=SHA256", "-d", "8", "-N", f"@{NOW}", RFC_KEY.hex())[0]


def test_totp_slot_records_both_ways():
    term = Terminal(totp.make(slot_count=4))
    assert term.send(CONFIGURE_SLOT, 0xFF, 0, basic_record()) == (b"\x00", 0x9000)
    full = record(
        (0x80, b"\x01"),
        (0x81, b"\x02"),
        (0x82, b"\x08"),
        (0x84, (60).to_bytes(4, "big")),
        (0x85, LONG_KEY),
        (0x86, b"a" * 60),
        (0x87, b"i" * 60),
    )
    assert full[:2] == b"\x30\x81"
    assert term.send(CONFIGURE_SLOT, 2, 0, full) == (b"\x02", 0x9000)
    assert term.send(CONFIGURE_SLOT, 0xFF, 0, basic_record(account=b"carol")) == (b"\x01", 0x9000)
    assert term.send(LIST_SLOTS) == (bytes([0, 1, 2]), 0x9000)

    assert term.send(GET_SLOT_INFO, 0) == (record((0x80, b"\x00"), (0x81, b"\x00"), (0x86, b"alice")), 0x9000)
    info, sw = term.send(GET_SLOT_INFO, 2)
    assert sw == 0x9000
    # everything but the key comes back, in the order it was written
    without_key = [field for field in ber_tlv.parse(ber_tlv.parse(full)[0][1]) if field[0] != 0x85]
    assert info == record(*without_key)

    assert term.sw(CONFIGURE_SLOT, 0xFF, 0, basic_record()) == 0x9000
    assert term.sw(CONFIGURE_SLOT, 0xFF, 0, basic_record()) == 0x6A84
    assert term.sw(CLEAR_SLOT, 1) == 0x9000
    assert term.sw(CLEAR_SLOT, 1) == 0x6A88
    assert term.send(LIST_SLOTS) == (bytes([0, 2, 3]), 0x9000)
    for ins in (GET_SLOT_INFO, CLEAR_SLOT):
        assert term.sw(ins, 1) == 0x6A88
        assert term.sw(ins, 4) == 0x6A86
    assert term.sw(GENERATE, 1, 0, bytes(8)) == 0x6A88
    assert term.sw(GENERATE, 4, 0, bytes(8)) == 0x6A86
    assert term.sw(CONFIGURE_SLOT, 4, 0, basic_record()) == 0x6A86


@pytest.mark.parametrize(
    "data",
    [
        basic_record(key=bytes(9)),
        basic_record(account=b""),
        basic_record(account=b"a" * 61),
        basic_record(RFC_KEY, b"a", (0x87, b"i" * 61)),
        basic_record(RFC_KEY, b"a", (0x82, b"\x05")),
        basic_record(RFC_KEY, b"a", (0x84, (4).to_bytes(4, "big"))),
        basic_record(RFC_KEY, b"a", (0x84, b"\x1e")),
        basic_record(RFC_KEY, b"a", (0x88, b"\x00")),
        basic_record(RFC_KEY, b"a", (0x86, b"b")),
        record((0x80, b"\x00"), (0x81, b"\x03"), (0x85, RFC_KEY), (0x86, b"a")),
        record((0x80, b"\x00"), (0x85, RFC_KEY), (0x86, b"a")),
        basic_record() + b"\x00",
        basic_record()[:-1],
        b"\x31" + basic_record()[1:],
    ],
)
def test_totp_rejects_malformed_slot_records(data):
    term = Terminal(totp.make())
    assert term.sw(CONFIGURE_SLOT, 0, 0, data) == 0x6A80
    assert term.applet.slots == {}


def test_totp_pin_lifecycle():
    term = Terminal(totp.make())
    assert term.send(GET_PIN_INFO) == (b"\x03\x03\x01", 0x9000)
    assert term.sw(VERIFY_PIN, data=b"1234") == 0x9802
    assert term.sw(SET_PIN, data=b"123") == 0x6700
    assert term.sw(SET_PIN, data=b"1234") == 0x9000
    assert term.send(GET_PIN_INFO) == (b"\x03\x03\x00", 0x9000)

    term.select()
    assert term.sw(SET_PIN, data=b"5555") == 0x6982
    assert term.sw(VERIFY_PIN, data=b"0000") == 0x63C2
    assert term.sw(VERIFY_PIN, data=b"1234") == 0x9000
    assert term.sw(SET_PIN, data=b"a" * 16) == 0x9000
    assert term.sw(VERIFY_PIN, data=b"1234") == 0x63C2
    assert term.sw(VERIFY_PIN, data=b"1234") == 0x63C1
    assert term.sw(VERIFY_PIN, data=b"1234") == 0x63C0
    assert term.send(GET_PIN_INFO) == (b"\x03\x00\x00", 0x9000)
    assert term.sw(VERIFY_PIN, data=b"a" * 16) == 0x6983
    assert term.sw(SET_PIN, data=b"5555") == 0x6983


def test_totp_protected_slot_needs_the_pin_until_reselected():
    slots = {1: {"key": RFC_KEY, "account": "bank", "pin_protected": True}, 5: {"key": RFC_KEY, "account": "mail"}}
    applet = totp.make(pin="2468", slots=slots)
    term = Terminal(applet)
    expected = oathtool("--totp", "-N", f"@{NOW}", RFC_KEY.hex())[0]
    assert generate_totp(term, 5, NOW)[2] == expected
    assert term.sw(GENERATE, 1, 0, NOW.to_bytes(8, "big")) == 0x6982
    assert term.sw(VERIFY_PIN, data=b"2468") == 0x9000
    assert generate_totp(term, 1, NOW)[2] == expected
    term.select()
    assert term.sw(GENERATE, 1, 0, NOW.to_bytes(8, "big")) == 0x6982
    assert term.sw(VERIFY_PIN, data=b"2468") == 0x9000
    term.power_cycle()
    assert term.sw(GENERATE, 1, 0, NOW.to_bytes(8, "big")) == 0x6982
    assert term.send(GET_SLOT_INFO, 1)[0][:5] == bytes.fromhex("30 0c 80 01 01")


def test_totp_reset_pin_drops_protected_slots_and_reset_drops_all():
    slots = {
        0: {"key": RFC_KEY, "account": "a", "pin_protected": True},
        1: {"key": RFC_KEY, "account": "b"},
        2: {"key": RFC_KEY, "account": "c", "pin_protected": True},
    }
    term = Terminal(totp.make(pin="1234", blocked=True, slots=slots))
    assert term.sw(RESET_PIN) == 0x9000
    assert term.send(LIST_SLOTS) == (b"\x01", 0x9000)
    assert term.send(GET_PIN_INFO) == (b"\x03\x03\x01", 0x9000)
    assert term.sw(SET_PIN, data=b"9876") == 0x9000
    assert term.sw(RESET) == 0x9000
    assert term.send(LIST_SLOTS) == (b"", 0x9000)
    assert term.send(GET_PIN_INFO) == (b"\x03\x03\x01", 0x9000)


def test_totp_select_answer_and_malformed_commands():
    term = Terminal(totp.make(version=(2, 10, 255), slot_count=42))
    assert term.select() == (bytes([2, 10, 255, 42]), 0x9000)
    assert Terminal(totp.make(select_answer=b"\x01\x02\x03")).select() == (b"\x01\x02\x03", 0x9000)
    assert term.sw(0x99) == 0x6D00
    assert term.sw(LIST_SLOTS, cla=0x80) == 0x6E00
    assert term.sw(LIST_SLOTS, p1=1) == 0x6A86
    assert term.sw(GET_SLOT_INFO, 0, 1) == 0x6A86
    assert term.sw(GENERATE, 0, 0, bytes(7)) == 0x6700
    origin_slot = {0: {"key": RFC_KEY, "account": "a", "time_origin": NOW}}
    term = Terminal(totp.make(slots=origin_slot))
    assert term.sw(GENERATE, 0, 0, (NOW - 1).to_bytes(8, "big")) == 0x6A80
    assert generate_totp(term, 0, NOW)[0] == NOW


def test_ber_tlv_reads_long_lengths_and_multi_byte_tags():
    value = bytes(300)
    data = ber_tlv.encode(0x7F49, b"\x86\x01\x04") + ber_tlv.encode(0x5FC105, value)
    assert data[:2] == b"\x7f\x49" and data[6:11] == b"\x5f\xc1\x05\x82\x01"
    assert ber_tlv.parse(data) == [(0x7F49, b"\x86\x01\x04"), (0x5FC105, value)]
    for malformed in (b"\x53\x05\x01\x02", b"\x53\x82\x01", b"\x1f\x81\x81\x81\x01\x00", b"\x53\x80"):
        with pytest.raises(ber_tlv.TlvError):
            ber_tlv.parse(malformed)


# ---------------------------------------------------------------- through pcscd


def test_otp_applets_of_the_default_key_through_pcscd(key, pcsc_context):
    with pcsc_context.connect(READER0) as card:

        def send(*command):
            return split(card.transmit(apdu(*command)))

        assert send(0x00, 0xA4, 0x04, 0x00, hotp.HOTP_AID) == (hotp.DEFAULT_VERSION, 0x9000)
        codes = [send(0x00, 0x18, 0x00, 0x00)[0].decode() for _ in range(2)]
        assert codes == oathtool("-c", "0", "-w", "1", RFC_KEY.hex())
        send(0x00, 0xA4, 0x04, 0x00, CARD_MANAGER)
        assert send(0xB1, 0x05, 0x55, 0x08) == (b"", 0x9000)
        send(0x00, 0xA4, 0x04, 0x00, hotp.HOTP_AID)
        assert send(0x00, 0x18, 0x00, 0x00) == (oathtool("-d", "8", "-c", "2", RFC_KEY.hex())[0].encode(), 0x9000)

        assert send(0x00, 0xA4, 0x04, 0x00, totp.TOTP_AID) == (bytes([1, 11, 0, 16]), 0x9000)
        assert send(0x00, 0x22, 0xFF, 0x00, basic_record(LONG_KEY)) == (b"\x00", 0x9000)
        code = oathtool("--totp", "-N", f"@{NOW}", LONG_KEY.hex())[0].encode()
        answer = bytes(8) + (30).to_bytes(4, "big") + code
        assert send(0x00, 0x24, 0x00, 0x00, NOW.to_bytes(8, "big")) == (answer, 0x9000)
    assert key.find_applet(totp.TOTP_AID).slots[0].account == b"alice"
