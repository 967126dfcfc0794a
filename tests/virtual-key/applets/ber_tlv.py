"""Minimal BER-TLV reader and writer for the card side (definite lengths,
multi-byte tags). Tags are handled as integers of their bytes, e.g. 0x7F49."""


class TlvError(ValueError):
    pass


def encode_length(length: int) -> bytes:
    if length < 0x80:
        return bytes([length])
    size = (length.bit_length() + 7) // 8
    if size > 4:
        raise TlvError("length too large")
    return bytes([0x80 | size]) + length.to_bytes(size, "big")


def encode(tag: int, value: bytes) -> bytes:
    tag_bytes = tag.to_bytes(max(1, (tag.bit_length() + 7) // 8), "big")
    return tag_bytes + encode_length(len(value)) + bytes(value)


def _read_tag(data: bytes, pos: int) -> tuple[int, int]:
    if pos >= len(data):
        raise TlvError("missing tag")
    tag = data[pos]
    pos += 1
    if tag & 0x1F == 0x1F:
        while True:
            if pos >= len(data):
                raise TlvError("truncated tag")
            tag = tag << 8 | data[pos]
            pos += 1
            if not data[pos - 1] & 0x80:
                break
            if tag > 0xFFFFFF:
                raise TlvError("tag too long")
    return tag, pos


def _read_length(data: bytes, pos: int) -> tuple[int, int]:
    if pos >= len(data):
        raise TlvError("missing length")
    first = data[pos]
    pos += 1
    if first < 0x80:
        return first, pos
    size = first & 0x7F
    if size == 0 or size > 4:
        raise TlvError("unsupported length form")
    if pos + size > len(data):
        raise TlvError("truncated length")
    return int.from_bytes(data[pos : pos + size], "big"), pos + size


def parse(data: bytes) -> list[tuple[int, bytes]]:
    """All elements of one level, in order. Raises TlvError when malformed."""
    elements = []
    pos = 0
    while pos < len(data):
        tag, pos = _read_tag(data, pos)
        length, pos = _read_length(data, pos)
        if pos + length > len(data):
            raise TlvError("value runs past the end")
        elements.append((tag, bytes(data[pos : pos + length])))
        pos += length
    return elements
