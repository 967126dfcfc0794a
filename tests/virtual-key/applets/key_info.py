"""The key-information applet: reports the key's serial number."""

from .base import (
    SW_CLA_NOT_SUPPORTED,
    SW_INCORRECT_P1P2,
    SW_INS_NOT_SUPPORTED,
    SW_OK,
    SW_REFERENCED_DATA_NOT_FOUND,
    Applet,
)

AID = bytes.fromhex("D2760001624B6579")
INS_GET_SERIAL = 0x28

DEFAULT_SERIAL = 12345678
DEFAULT_SELECT_DATA = bytes([0x01, 0x00, 0x00])


class KeyInfo(Applet):
    """`serial` is an int (answered as 8 bytes, most significant first), raw bytes answered
    as they are (e.g. 9 bytes, or none), or None for a key that has no serial number."""

    aid = AID

    def __init__(self, serial=DEFAULT_SERIAL, select_data=DEFAULT_SELECT_DATA):
        self.serial = serial
        self.select_data = bytes(select_data)

    def on_select(self, card):
        return self.select_data, SW_OK

    def process(self, card, cla, ins, p1, p2, data):
        if cla != 0x00:
            return b"", SW_CLA_NOT_SUPPORTED
        if ins != INS_GET_SERIAL:
            return b"", SW_INS_NOT_SUPPORTED
        if p1 != 0x00 or p2 != 0x00:
            return b"", SW_INCORRECT_P1P2
        if self.serial is None:
            return b"", SW_REFERENCED_DATA_NOT_FOUND
        return self.serial_bytes(), SW_OK

    def serial_bytes(self) -> bytes:
        if isinstance(self.serial, int):
            return self.serial.to_bytes(8, "big")
        return bytes(self.serial)


def make() -> KeyInfo:
    return KeyInfo()
