"""Answers-to-reset of the key and of other cards."""

KEY_HISTORICAL_BYTES = b"Quenlix"


def check_byte(atr_without_tck: bytes) -> int:
    """TCK: exclusive-or of every byte from T0 to the last historical byte."""
    tck = 0
    for byte in atr_without_tck[1:]:
        tck ^= byte
    return tck


def with_check_byte(atr_without_tck: bytes) -> bytes:
    return atr_without_tck + bytes([check_byte(atr_without_tck)])


# T=0 and T=1 offered, T=0 first.
ATR_A = with_check_byte(bytes.fromhex("3B878001") + KEY_HISTORICAL_BYTES)
# T=1 only, with TA1 and TB3.
ATR_B = with_check_byte(bytes.fromhex("3B9711812175") + KEY_HISTORICAL_BYTES)
# An ordinary smart card of some other maker.
ATR_PLAIN = with_check_byte(bytes.fromhex("3B88800100 73C84013 009000".replace(" ", "")))
# ATR A with a wrong check byte: not a key.
ATR_A_BAD_TCK = ATR_A[:-1] + bytes([ATR_A[-1] ^ 0xFF])

NAMED_ATRS = {"a": ATR_A, "b": ATR_B, "plain": ATR_PLAIN, "a-bad-tck": ATR_A_BAD_TCK}


def atr_from_text(text: str) -> bytes:
    """A name of NAMED_ATRS, or the ATR in hex (spaces and colons allowed)."""
    named = NAMED_ATRS.get(text.lower())
    if named is not None:
        return named
    return bytes.fromhex(text.replace(":", "").replace(" ", ""))
