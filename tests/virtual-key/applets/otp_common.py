"""Pieces shared by the HOTP and TOTP applets: code computation and a PIN
with a try counter."""

import hashlib
import hmac

from .base import SW_AUTH_METHOD_BLOCKED, SW_OK

# Status words of the OTP applets beyond the common ones of base.py.
SW_NOT_ENOUGH_MEMORY = 0x6A84
SW_NO_PIN_SET = 0x9802

DIGESTS = {0: hashlib.sha1, 1: hashlib.sha256, 2: hashlib.sha512}


def one_time_password(key: bytes, moving_factor: int, digits: int, digest=hashlib.sha1) -> bytes:
    """HOTP value with dynamic truncation, as ASCII digits."""
    mac = hmac.new(key, moving_factor.to_bytes(8, "big"), digest).digest()
    offset = mac[-1] & 0x0F
    number = int.from_bytes(mac[offset : offset + 4], "big") & 0x7FFFFFFF
    return str(number % 10**digits).zfill(digits).encode("ascii")


def as_bytes(value) -> bytes:
    """Test set-up may give PINs and names as text."""
    return value.encode() if isinstance(value, str) else bytes(value)


def wrong_pin_status(tries_left: int) -> int:
    return 0x63C0 | min(tries_left, 0x0F)


class RetryPin:
    """A PIN guarded by a try counter. A proof of the PIN lasts until the
    applet is selected again or the card loses power."""

    def __init__(self, value, max_tries: int, tries_left=None):
        self.value = None if value is None else as_bytes(value)
        self.max_tries = max_tries
        self.tries_left = max_tries if tries_left is None else tries_left
        self.verified = False

    @property
    def is_set(self) -> bool:
        return self.value is not None

    @property
    def blocked(self) -> bool:
        return self.is_set and self.tries_left == 0

    def verify(self, candidate: bytes) -> int:
        if self.blocked:
            return SW_AUTH_METHOD_BLOCKED
        if hmac.compare_digest(candidate, self.value):
            self.tries_left = self.max_tries
            self.verified = True
            return SW_OK
        self.tries_left -= 1
        self.verified = False
        return wrong_pin_status(self.tries_left)

    def status(self) -> int:
        """Answer to a VERIFY without data: reports without spending a try."""
        if self.verified:
            return SW_OK
        if self.blocked:
            return SW_AUTH_METHOD_BLOCKED
        return wrong_pin_status(self.tries_left)

    def replace(self, new_value: bytes) -> None:
        self.value = new_value
        self.tries_left = self.max_tries

    def remove(self) -> None:
        self.value = None
        self.tries_left = self.max_tries
        self.verified = False

    def forget_proof(self) -> None:
        self.verified = False
