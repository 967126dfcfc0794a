"""HOTP applet of the virtual key: one counter-based credential guarded by a
PIN of 4 to 8 bytes. The card computes the codes itself."""

from .base import (
    SW_CLA_NOT_SUPPORTED,
    SW_INCORRECT_P1P2,
    SW_INS_NOT_SUPPORTED,
    SW_OK,
    SW_SECURITY_STATUS_NOT_SATISFIED,
    SW_WRONG_LENGTH,
    Applet,
)
from .otp_common import RetryPin, as_bytes, one_time_password

HOTP_AID = bytes.fromhex("112233447701")

# RFC 4226 test secret, so that codes of a fresh key are well known.
DEFAULT_FACTORY_KEY = b"12345678901234567890"
DEFAULT_VERSION = bytes([1, 12, 2])
DEFAULT_SERIAL = bytes.fromhex("9A4C2B17")
DEFAULT_PIN = b"123456"

PIN_LENGTHS = range(4, 9)
KEY_LENGTHS = range(16, 65)
OTP_LENGTHS = (6, 8)
COUNTER_LIMIT = 1 << 64

INS_SET_KEY = 0x10
INS_RESTORE_KEY = 0x12
INS_SET_COUNTER = 0x14
INS_RESTORE_COUNTER = 0x16
INS_GENERATE_CODE = 0x18
INS_VERIFY_PIN = 0x22
INS_CHANGE_PIN = 0x24
INS_GET_SERIAL = 0x28


class HotpApplet(Applet):
    aid = HOTP_AID

    def __init__(
        self,
        version: bytes,
        serial: bytes,
        factory_key: bytes,
        factory_counter: int,
        key: bytes,
        counter: int,
        otp_length: int,
        pin: RetryPin,
    ):
        self.version = version
        self.serial = serial
        self.factory_key = factory_key
        self.factory_counter = factory_counter
        self.key = key
        self.counter = counter
        self.otp_length = otp_length
        self.pin = pin
        # INS -> (expected P1 P2, handler, needs a verified PIN)
        self._commands = {
            INS_VERIFY_PIN: (0x0080, self._verify_pin, False),
            INS_CHANGE_PIN: (0x0000, self._change_pin, True),
            INS_GENERATE_CODE: (0x0000, self._generate_code, False),
            INS_GET_SERIAL: (0x0000, self._get_serial, False),
            INS_SET_KEY: (0x0000, self._set_key, True),
            INS_SET_COUNTER: (0x0000, self._set_counter, True),
            INS_RESTORE_KEY: (0x0000, self._restore_key, True),
            INS_RESTORE_COUNTER: (0x0000, self._restore_counter, True),
        }

    def on_select(self, card):
        self.pin.forget_proof()
        return self.version, SW_OK

    def power_cycle(self):
        self.pin.forget_proof()

    def process(self, card, cla, ins, p1, p2, data):
        if cla != 0x00:
            return b"", SW_CLA_NOT_SUPPORTED
        command = self._commands.get(ins)
        if command is None:
            return b"", SW_INS_NOT_SUPPORTED
        p1p2, handler, needs_pin = command
        if (p1 << 8 | p2) != p1p2:
            return b"", SW_INCORRECT_P1P2
        if needs_pin and not self.pin.verified:
            return b"", SW_SECURITY_STATUS_NOT_SATISFIED
        return handler(data)

    def set_otp_length(self, length: int) -> int:
        """Reached through the card manager's SET OTP LENGTH (length in P2)."""
        if length not in OTP_LENGTHS:
            return SW_INCORRECT_P1P2
        self.otp_length = length
        return SW_OK

    def next_code(self) -> bytes:
        """The code GENERATE CODE would answer now, without moving the counter."""
        return one_time_password(self.key, self.counter, self.otp_length)

    def _verify_pin(self, data):
        if not data:
            return b"", self.pin.status()
        if len(data) not in PIN_LENGTHS:
            return b"", SW_WRONG_LENGTH
        return b"", self.pin.verify(data)

    def _change_pin(self, data):
        if len(data) not in PIN_LENGTHS:
            return b"", SW_WRONG_LENGTH
        self.pin.replace(data)
        return b"", SW_OK

    def _generate_code(self, data):
        if data:
            return b"", SW_WRONG_LENGTH
        code = self.next_code()
        self.counter = (self.counter + 1) % COUNTER_LIMIT
        return code, SW_OK

    def _get_serial(self, data):
        if data:
            return b"", SW_WRONG_LENGTH
        return self.serial, SW_OK

    def _set_key(self, data):
        if len(data) not in KEY_LENGTHS:
            return b"", SW_WRONG_LENGTH
        self.key = data
        return b"", SW_OK

    def _set_counter(self, data):
        if len(data) != 8:
            return b"", SW_WRONG_LENGTH
        self.counter = int.from_bytes(data, "big")
        return b"", SW_OK

    def _restore_key(self, data):
        if data:
            return b"", SW_WRONG_LENGTH
        self.key = self.factory_key
        return b"", SW_OK

    def _restore_counter(self, data):
        if data:
            return b"", SW_WRONG_LENGTH
        self.counter = self.factory_counter
        return b"", SW_OK


def make(
    version: bytes = DEFAULT_VERSION,
    serial=DEFAULT_SERIAL,
    factory_key: bytes = DEFAULT_FACTORY_KEY,
    factory_counter: int = 0,
    key: bytes | None = None,
    counter: int | None = None,
    otp_length: int = 6,
    pin=DEFAULT_PIN,
    max_tries: int = 3,
    tries_left: int | None = None,
    blocked: bool = False,
) -> HotpApplet:
    """HOTP applet as shipped, or in the state a test needs.

    `serial` is the raw GET SERIAL answer, or a number sent as 8 bytes.
    `key`/`counter` default to the factory values; `blocked` leaves no tries.
    """
    if isinstance(serial, int):
        serial = serial.to_bytes(8, "big")
    if blocked:
        tries_left = 0
    return HotpApplet(
        version=bytes(version),
        serial=bytes(serial),
        factory_key=bytes(factory_key),
        factory_counter=factory_counter,
        key=bytes(factory_key if key is None else key),
        counter=factory_counter if counter is None else counter,
        otp_length=otp_length,
        pin=RetryPin(as_bytes(pin), max_tries, tries_left),
    )
