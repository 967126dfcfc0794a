"""Minimal CBOR codec for the CTAP2 subset: integers, byte and text strings,
arrays, maps, booleans and null. Definite lengths only, as CTAP2 requires."""


class CborError(ValueError):
    pass


def encode(value) -> bytes:
    if value is True:
        return b"\xf5"
    if value is False:
        return b"\xf4"
    if value is None:
        return b"\xf6"
    if isinstance(value, int):
        if value >= 0:
            return _head(0, value)
        return _head(1, -1 - value)
    if isinstance(value, (bytes, bytearray)):
        return _head(2, len(value)) + bytes(value)
    if isinstance(value, str):
        data = value.encode("utf-8")
        return _head(3, len(data)) + data
    if isinstance(value, (list, tuple)):
        return _head(4, len(value)) + b"".join(encode(item) for item in value)
    if isinstance(value, dict):
        # Canonical CTAP2 order: shorter encoded keys first, then bytewise.
        items = sorted((encode(k), encode(v)) for k, v in value.items())
        items.sort(key=lambda item: len(item[0]))
        return _head(5, len(value)) + b"".join(k + v for k, v in items)
    raise CborError(f"cannot encode {type(value).__name__}")


def _head(major: int, argument: int) -> bytes:
    if argument < 24:
        return bytes([major << 5 | argument])
    for info, size in ((24, 1), (25, 2), (26, 4), (27, 8)):
        if argument < 1 << (8 * size):
            return bytes([major << 5 | info]) + argument.to_bytes(size, "big")
    raise CborError("integer too large")


def decode(data: bytes):
    """Decode exactly one item; trailing bytes are an error."""
    value, end = _decode_item(bytes(data), 0, depth=0)
    if end != len(data):
        raise CborError("trailing bytes")
    return value


def decode_map_values(data: bytes) -> dict:
    """The encoded bytes of each value of a map, by key, exactly as sent: a MAC computed over
    a parameter covers the sender's encoding, not a re-encoding of the decoded value."""
    data = bytes(data)
    major, count, pos = _read_head(data, 0)
    if major != 5:
        raise CborError("not a map")
    values = {}
    for _ in range(count):
        key, pos = _decode_item(data, pos, depth=1)
        start = pos
        _, pos = _decode_item(data, pos, depth=1)
        values[key] = data[start:pos]
    if pos != len(data):
        raise CborError("trailing bytes")
    return values


def _decode_item(data: bytes, pos: int, depth: int):
    if depth > 16:
        raise CborError("nesting too deep")
    major, argument, pos = _read_head(data, pos)
    if major == 0:
        return argument, pos
    if major == 1:
        return -1 - argument, pos
    if major in (2, 3):
        end = pos + argument
        if end > len(data):
            raise CborError("truncated string")
        chunk = data[pos:end]
        if major == 2:
            return chunk, end
        try:
            return chunk.decode("utf-8"), end
        except UnicodeDecodeError as error:
            raise CborError("invalid text") from error
    if major == 4:
        items = []
        for _ in range(argument):
            item, pos = _decode_item(data, pos, depth + 1)
            items.append(item)
        return items, pos
    if major == 5:
        result = {}
        for _ in range(argument):
            key, pos = _decode_item(data, pos, depth + 1)
            if isinstance(key, (list, dict)):
                raise CborError("unsupported map key")
            value, pos = _decode_item(data, pos, depth + 1)
            if key in result:
                raise CborError("duplicate map key")
            result[key] = value
        return result, pos
    simple = {20: False, 21: True, 22: None}
    if major == 7 and argument in simple:
        return simple[argument], pos
    raise CborError(f"unsupported item (major type {major})")


def _read_head(data: bytes, pos: int):
    if pos >= len(data):
        raise CborError("truncated item")
    major, info = data[pos] >> 5, data[pos] & 0x1F
    pos += 1
    if major == 7:
        if info >= 24:
            raise CborError("unsupported simple value or float")
        return major, info, pos
    if info < 24:
        return major, info, pos
    sizes = {24: 1, 25: 2, 26: 4, 27: 8}
    if info not in sizes:
        raise CborError("indefinite or reserved length")
    end = pos + sizes[info]
    if end > len(data):
        raise CborError("truncated length")
    return major, int.from_bytes(data[pos:end], "big"), end
