"""The interface every applet of the virtual key implements, and the status words they answer with."""

SW_OK = 0x9000
SW_WRONG_LENGTH = 0x6700
SW_LOGICAL_CHANNEL_NOT_SUPPORTED = 0x6881
SW_SECURE_MESSAGING_NOT_SUPPORTED = 0x6882
SW_SECURITY_STATUS_NOT_SATISFIED = 0x6982
SW_AUTH_METHOD_BLOCKED = 0x6983
SW_CONDITIONS_NOT_SATISFIED = 0x6985
SW_APPLET_SELECT_FAILED = 0x6999
SW_WRONG_DATA = 0x6A80
SW_FILE_NOT_FOUND = 0x6A82
SW_INCORRECT_P1P2 = 0x6A86
SW_REFERENCED_DATA_NOT_FOUND = 0x6A88
SW_INS_NOT_SUPPORTED = 0x6D00
SW_CLA_NOT_SUPPORTED = 0x6E00
SW_UNKNOWN = 0x6F00


def sw_bytes(sw: int) -> bytes:
    return sw.to_bytes(2, "big")


class Applet:
    """One applet on the card. The card selects it by its exact AID and hands it complete commands.

    Subclasses set `aid` and override what they need; the defaults describe an applet that
    accepts selection and knows no instruction.
    """

    aid: bytes = b""
    partial_select: bool = False  # True: SELECT with a leading part (5 bytes or more) of the AID finds it

    def on_select(self, card) -> tuple[bytes, int]:
        """Called on each SELECT of this AID; returns the response data and the status word."""
        return b"", SW_OK

    def process(self, card, cla: int, ins: int, p1: int, p2: int, data: bytes) -> tuple[bytes, int]:
        """Called with a complete command (chains reassembled, chaining bit cleared).

        Returns the full response data and the status word; the card hands out long data
        with 61xx and GET RESPONSE itself.
        """
        return b"", SW_INS_NOT_SUPPORTED

    def power_cycle(self) -> None:
        """Card reset or power off: drop volatile state such as verified PINs."""
