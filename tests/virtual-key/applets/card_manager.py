"""The card manager: reports the key's name, version and production date, and sets the HOTP code length."""

from .base import (
    SW_CLA_NOT_SUPPORTED,
    SW_FILE_NOT_FOUND,
    SW_INCORRECT_P1P2,
    SW_INS_NOT_SUPPORTED,
    SW_OK,
    Applet,
)

AID = bytes.fromhex("A000000151000000")
HOTP_AID = bytes.fromhex("112233447701")

VENDOR_CLA = 0xB1
VENDOR_INS = 0x05
ITEM_NAME = 0x41
ITEM_VERSION = 0x42
ITEM_DATE = 0x54
ITEM_OTP_LENGTH = 0x55

DEFAULT_NAME = b"Quenlix Key"
DEFAULT_VERSION = b"1.0.3"
DEFAULT_DATE = b"2024-03-15"


def _as_bytes(value) -> bytes:
    return value.encode("latin-1") if isinstance(value, str) else bytes(value)


class CardManager(Applet):
    """Texts are bytes, answered unchanged; assign new ones at any time."""

    aid = AID

    def __init__(self, name=DEFAULT_NAME, version=DEFAULT_VERSION, date=DEFAULT_DATE):
        self.name = _as_bytes(name)
        self.version = _as_bytes(version)
        self.date = _as_bytes(date)

    def on_select(self, card):
        # File control information as a security domain answers it: its AID and a short
        # proprietary template.
        fci_body = bytes([0x84, len(AID)]) + AID + bytes.fromhex("A5049F6501FF")
        return bytes([0x6F, len(fci_body)]) + fci_body, SW_OK

    def process(self, card, cla, ins, p1, p2, data):
        if cla != VENDOR_CLA:
            return b"", SW_INS_NOT_SUPPORTED if cla in (0x00, 0x80) else SW_CLA_NOT_SUPPORTED
        if ins != VENDOR_INS:
            return b"", SW_INS_NOT_SUPPORTED
        if p1 == ITEM_OTP_LENGTH:
            return b"", self._set_otp_length(card, p2)
        if p2 != 0x00:
            return b"", SW_INCORRECT_P1P2
        texts = {ITEM_NAME: self.name, ITEM_VERSION: self.version, ITEM_DATE: self.date}
        if p1 not in texts:
            return b"", SW_INCORRECT_P1P2
        return texts[p1], SW_OK

    @staticmethod
    def _set_otp_length(card, length):
        hotp = card.find_applet(HOTP_AID)
        if hotp is None:
            return SW_FILE_NOT_FOUND
        result = hotp.set_otp_length(length)
        return result[1] if isinstance(result, tuple) else result


def make() -> CardManager:
    return CardManager()
