"""TOTP applet of the virtual key: a fixed number of slots, each holding one
time-based credential, and one optional PIN that guards the PIN-protected
slots. The host sends the time; the card computes the code."""

from dataclasses import dataclass

from . import ber_tlv
from .base import (
    SW_AUTH_METHOD_BLOCKED,
    SW_CLA_NOT_SUPPORTED,
    SW_INCORRECT_P1P2,
    SW_INS_NOT_SUPPORTED,
    SW_OK,
    SW_REFERENCED_DATA_NOT_FOUND,
    SW_SECURITY_STATUS_NOT_SATISFIED,
    SW_WRONG_DATA,
    SW_WRONG_LENGTH,
    Applet,
)
from .otp_common import (
    DIGESTS,
    SW_NO_PIN_SET,
    SW_NOT_ENOUGH_MEMORY,
    RetryPin,
    as_bytes,
    one_time_password,
)

TOTP_AID = bytes.fromhex("D276000162544F545001")

DEFAULT_VERSION = (1, 11, 0)
DEFAULT_SLOT_COUNT = 16
DEFAULT_DIGITS = 6
DEFAULT_PERIOD = 30
DEFAULT_TIME_ORIGIN = 0
FIRST_FREE_SLOT = 0xFF

PIN_LENGTHS = range(4, 17)
KEY_LENGTHS = range(10, 65)
ACCOUNT_LENGTHS = range(1, 61)
ISSUER_LENGTHS = range(0, 61)
DIGIT_COUNTS = range(6, 10)
MIN_PERIOD = 5
ALGORITHM_NAMES = {"SHA1": 0, "SHA256": 1, "SHA512": 2}

TAG_RECORD = 0x30
TAG_PIN_PROTECTED = 0x80
TAG_ALGORITHM = 0x81
TAG_DIGITS = 0x82
TAG_TIME_ORIGIN = 0x83
TAG_PERIOD = 0x84
TAG_KEY = 0x85
TAG_ACCOUNT = 0x86
TAG_ISSUER = 0x87
REQUIRED_TAGS = {TAG_PIN_PROTECTED, TAG_ALGORITHM, TAG_KEY, TAG_ACCOUNT}
FIXED_SIZES = {TAG_PIN_PROTECTED: 1, TAG_ALGORITHM: 1, TAG_DIGITS: 1, TAG_TIME_ORIGIN: 8, TAG_PERIOD: 4}

INS_GET_PIN_INFO = 0x10
INS_SET_PIN = 0x11
INS_VERIFY_PIN = 0x12
INS_RESET_PIN = 0x14
INS_LIST_SLOTS = 0x20
INS_GET_SLOT_INFO = 0x21
INS_CONFIGURE_SLOT = 0x22
INS_CLEAR_SLOT = 0x23
INS_GENERATE_CODE = 0x24
INS_RESET = 0x30


@dataclass
class Slot:
    key: bytes
    account: bytes
    issuer: bytes = b""
    algorithm: int = 0
    digits: int = DEFAULT_DIGITS
    period: int = DEFAULT_PERIOD
    time_origin: int = DEFAULT_TIME_ORIGIN
    pin_protected: bool = False

    def code_at(self, time: int) -> bytes:
        steps = (time - self.time_origin) // self.period
        return one_time_password(self.key, steps, self.digits, DIGESTS[self.algorithm])

    def info_record(self) -> bytes:
        """The slot as GET SLOT INFO reports it: everything but the key."""
        fields = [
            ber_tlv.encode(TAG_PIN_PROTECTED, bytes([int(self.pin_protected)])),
            ber_tlv.encode(TAG_ALGORITHM, bytes([self.algorithm])),
        ]
        fields += self._non_default_fields()
        fields.append(ber_tlv.encode(TAG_ACCOUNT, self.account))
        if self.issuer:
            fields.append(ber_tlv.encode(TAG_ISSUER, self.issuer))
        return ber_tlv.encode(TAG_RECORD, b"".join(fields))

    def _non_default_fields(self) -> list[bytes]:
        fields = []
        if self.digits != DEFAULT_DIGITS:
            fields.append(ber_tlv.encode(TAG_DIGITS, bytes([self.digits])))
        if self.time_origin != DEFAULT_TIME_ORIGIN:
            fields.append(ber_tlv.encode(TAG_TIME_ORIGIN, self.time_origin.to_bytes(8, "big")))
        if self.period != DEFAULT_PERIOD:
            fields.append(ber_tlv.encode(TAG_PERIOD, self.period.to_bytes(4, "big")))
        return fields

    def is_valid(self) -> bool:
        return (
            self.algorithm in DIGESTS
            and self.digits in DIGIT_COUNTS
            and self.period >= MIN_PERIOD
            and len(self.key) in KEY_LENGTHS
            and len(self.account) in ACCOUNT_LENGTHS
            and len(self.issuer) in ISSUER_LENGTHS
        )


def slot_from_record(data: bytes) -> Slot | None:
    """Reads a CONFIGURE SLOT record; None when it is malformed or out of range."""
    try:
        outer = ber_tlv.parse(data)
        if len(outer) != 1 or outer[0][0] != TAG_RECORD:
            return None
        elements = ber_tlv.parse(outer[0][1])
    except ber_tlv.TlvError:
        return None
    fields = dict(elements)
    if len(fields) != len(elements) or not REQUIRED_TAGS <= fields.keys():
        return None
    if not fields.keys() <= set(range(TAG_PIN_PROTECTED, TAG_ISSUER + 1)):
        return None
    if any(len(fields[tag]) != size for tag, size in FIXED_SIZES.items() if tag in fields):
        return None
    if fields[TAG_PIN_PROTECTED][0] not in (0, 1):
        return None
    slot = Slot(
        key=fields[TAG_KEY],
        account=fields[TAG_ACCOUNT],
        issuer=fields.get(TAG_ISSUER, b""),
        algorithm=fields[TAG_ALGORITHM][0],
        digits=fields[TAG_DIGITS][0] if TAG_DIGITS in fields else DEFAULT_DIGITS,
        period=int.from_bytes(fields.get(TAG_PERIOD, DEFAULT_PERIOD.to_bytes(4, "big")), "big"),
        time_origin=int.from_bytes(fields.get(TAG_TIME_ORIGIN, bytes(8)), "big"),
        pin_protected=fields[TAG_PIN_PROTECTED][0] == 1,
    )
    return slot if slot.is_valid() else None


class TotpApplet(Applet):
    aid = TOTP_AID

    def __init__(self, version, slot_count: int, pin: RetryPin, slots: dict[int, Slot], select_answer=None):
        self.version = tuple(version)
        self.slot_count = slot_count
        self.select_answer = select_answer  # replaces the regular answer when set
        self.pin = pin
        self.slots = slots
        # INS -> (handler, takes a slot number in P1)
        self._commands = {
            INS_GET_PIN_INFO: (self._get_pin_info, False),
            INS_SET_PIN: (self._set_pin, False),
            INS_VERIFY_PIN: (self._verify_pin, False),
            INS_RESET_PIN: (self._reset_pin, False),
            INS_LIST_SLOTS: (self._list_slots, False),
            INS_GET_SLOT_INFO: (self._get_slot_info, True),
            INS_CONFIGURE_SLOT: (self._configure_slot, True),
            INS_CLEAR_SLOT: (self._clear_slot, True),
            INS_GENERATE_CODE: (self._generate_code, True),
            INS_RESET: (self._reset, False),
        }

    def on_select(self, card):
        self.pin.forget_proof()
        if self.select_answer is not None:
            return self.select_answer, SW_OK
        return bytes([*self.version, self.slot_count]), SW_OK

    def power_cycle(self):
        self.pin.forget_proof()

    def process(self, card, cla, ins, p1, p2, data):
        if cla != 0x00:
            return b"", SW_CLA_NOT_SUPPORTED
        command = self._commands.get(ins)
        if command is None:
            return b"", SW_INS_NOT_SUPPORTED
        handler, takes_slot = command
        if p2 != 0 or (p1 != 0 and not takes_slot):
            return b"", SW_INCORRECT_P1P2
        return handler(p1, data) if takes_slot else handler(data)

    def _get_pin_info(self, data):
        if data:
            return b"", SW_WRONG_LENGTH
        pin_state = 0x00 if self.pin.is_set else 0x01
        return bytes([self.pin.max_tries, self.pin.tries_left, pin_state]), SW_OK

    def _set_pin(self, data):
        """Sets the first PIN freely; replacing one needs it proven first."""
        if self.pin.blocked:
            return b"", SW_AUTH_METHOD_BLOCKED
        if self.pin.is_set and not self.pin.verified:
            return b"", SW_SECURITY_STATUS_NOT_SATISFIED
        if len(data) not in PIN_LENGTHS:
            return b"", SW_WRONG_LENGTH
        self.pin.replace(data)
        return b"", SW_OK

    def _verify_pin(self, data):
        if not self.pin.is_set:
            return b"", SW_NO_PIN_SET
        if not data:
            return b"", self.pin.status()
        if len(data) not in PIN_LENGTHS:
            return b"", SW_WRONG_LENGTH
        return b"", self.pin.verify(data)

    def _reset_pin(self, data):
        if data:
            return b"", SW_WRONG_LENGTH
        self.slots = {number: slot for number, slot in self.slots.items() if not slot.pin_protected}
        self.pin.remove()
        return b"", SW_OK

    def _reset(self, data):
        if data:
            return b"", SW_WRONG_LENGTH
        self.slots = {}
        self.pin.remove()
        return b"", SW_OK

    def _list_slots(self, data):
        if data:
            return b"", SW_WRONG_LENGTH
        return bytes(sorted(self.slots)), SW_OK

    def _get_slot_info(self, number, data):
        if data:
            return b"", SW_WRONG_LENGTH
        if number >= self.slot_count:
            return b"", SW_INCORRECT_P1P2
        if number not in self.slots:
            return b"", SW_REFERENCED_DATA_NOT_FOUND
        return self.slots[number].info_record(), SW_OK

    def _configure_slot(self, number, data):
        if number == FIRST_FREE_SLOT:
            number = self._first_free_slot()
            if number is None:
                return b"", SW_NOT_ENOUGH_MEMORY
        elif number >= self.slot_count:
            return b"", SW_INCORRECT_P1P2
        slot = slot_from_record(data)
        if slot is None:
            return b"", SW_WRONG_DATA
        self.slots[number] = slot
        return bytes([number]), SW_OK

    def _clear_slot(self, number, data):
        if data:
            return b"", SW_WRONG_LENGTH
        if number >= self.slot_count:
            return b"", SW_INCORRECT_P1P2
        if self.slots.pop(number, None) is None:
            return b"", SW_REFERENCED_DATA_NOT_FOUND
        return b"", SW_OK

    def _generate_code(self, number, data):
        if len(data) != 8:
            return b"", SW_WRONG_LENGTH
        if number >= self.slot_count:
            return b"", SW_INCORRECT_P1P2
        slot = self.slots.get(number)
        if slot is None:
            return b"", SW_REFERENCED_DATA_NOT_FOUND
        if slot.pin_protected and not self.pin.verified:
            return b"", SW_SECURITY_STATUS_NOT_SATISFIED
        time = int.from_bytes(data, "big")
        if time < slot.time_origin:
            return b"", SW_WRONG_DATA
        answer = slot.time_origin.to_bytes(8, "big") + slot.period.to_bytes(4, "big") + slot.code_at(time)
        return answer, SW_OK

    def _first_free_slot(self):
        return next((n for n in range(self.slot_count) if n not in self.slots), None)


def _slot(value) -> Slot:
    if isinstance(value, Slot):
        return value
    fields = dict(value)
    for name in ("key", "account", "issuer"):
        if name in fields:
            fields[name] = as_bytes(fields[name])
    if isinstance(fields.get("algorithm"), str):
        fields["algorithm"] = ALGORITHM_NAMES[fields["algorithm"]]
    return Slot(**fields)


def make(
    version: tuple[int, int, int] = DEFAULT_VERSION,
    slot_count: int = DEFAULT_SLOT_COUNT,
    select_answer: bytes | None = None,
    pin=None,
    max_tries: int = 3,
    tries_left: int | None = None,
    blocked: bool = False,
    slots: dict | None = None,
) -> TotpApplet:
    """TOTP applet as shipped (no slots, no PIN), or in the state a test needs.

    `slots` maps slot numbers to `Slot`s or to dicts of Slot fields (text is
    taken as UTF-8, `algorithm` may be "SHA1"/"SHA256"/"SHA512").
    `select_answer` replaces the 4-byte SELECT answer, e.g. to make it malformed.
    """
    if blocked:
        if pin is None:
            raise ValueError("a blocked PIN needs a PIN")
        tries_left = 0
    configured = {number: _slot(value) for number, value in (slots or {}).items()}
    answer = None if select_answer is None else bytes(select_answer)
    return TotpApplet(version, slot_count, RetryPin(pin, max_tries, tries_left), configured, answer)
