"""Short command APDUs as a card receives them."""

from dataclasses import dataclass


class MalformedApdu(ValueError):
    pass


@dataclass(frozen=True)
class CommandApdu:
    cla: int
    ins: int
    p1: int
    p2: int
    data: bytes
    le: int | None  # as sent (0 means 256), None when absent


def parse_command(raw: bytes) -> CommandApdu:
    """Cases 1 to 4 of the short form; the extended form is not supported by this card."""
    if len(raw) < 4:
        raise MalformedApdu("shorter than a header")
    cla, ins, p1, p2 = raw[:4]
    body = raw[4:]
    if not body:
        return CommandApdu(cla, ins, p1, p2, b"", None)
    if len(body) == 1:
        return CommandApdu(cla, ins, p1, p2, b"", body[0])
    lc = body[0]
    if lc == 0:
        raise MalformedApdu("extended length")
    if len(body) == 1 + lc:
        return CommandApdu(cla, ins, p1, p2, bytes(body[1:]), None)
    if len(body) == 2 + lc:
        return CommandApdu(cla, ins, p1, p2, bytes(body[1 : 1 + lc]), body[-1])
    raise MalformedApdu("Lc does not match the length")


def is_interindustry(cla: int) -> bool:
    """First interindustry classes 0x00 to 0x1F: chaining bit, secure messaging and channel bits."""
    return cla & 0xE0 == 0x00


def hexstr(data: bytes) -> str:
    return data.hex(" ").upper()
