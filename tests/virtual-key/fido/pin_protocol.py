"""Authenticator side of PIN/UV auth protocols 1 and 2: ECDH on P-256, the
per-protocol key derivation, AES-256-CBC and HMAC-SHA-256."""

import hashlib
import hmac
import os

from cryptography.hazmat.primitives import hashes
from cryptography.hazmat.primitives.asymmetric import ec
from cryptography.hazmat.primitives.ciphers import Cipher, algorithms, modes
from cryptography.hazmat.primitives.kdf.hkdf import HKDF

COSE_KTY = 1
COSE_ALG = 3
COSE_CRV = -1
COSE_X = -2
COSE_Y = -3
COSE_KTY_EC2 = 2
COSE_CRV_P256 = 1
COSE_ALG_ECDH_ES_HKDF_256 = -25

# Permissions of a PIN/UV auth token.
PERMISSION_MC = 0x01  # makeCredential
PERMISSION_GA = 0x02  # getAssertion
PERMISSION_CM = 0x04  # credential management
PERMISSION_BE = 0x08  # bio enrollment
PERMISSION_LBW = 0x10  # large blob write
PERMISSION_ACFG = 0x20  # authenticator configuration


class PinProtocolError(ValueError):
    """Malformed key agreement or ciphertext (CTAP2_ERR_INVALID_PARAMETER)."""


class PinProtocolOne:
    version = 1

    def __init__(self):
        self.regenerate()

    def regenerate(self):
        self._private_key = ec.generate_private_key(ec.SECP256R1())

    def key_agreement(self) -> dict:
        numbers = self._private_key.public_key().public_numbers()
        return {
            COSE_KTY: COSE_KTY_EC2,
            COSE_ALG: COSE_ALG_ECDH_ES_HKDF_256,
            COSE_CRV: COSE_CRV_P256,
            COSE_X: numbers.x.to_bytes(32, "big"),
            COSE_Y: numbers.y.to_bytes(32, "big"),
        }

    def decapsulate(self, peer_cose_key) -> bytes:
        peer = _public_key_from_cose(peer_cose_key)
        shared_x = self._private_key.exchange(ec.ECDH(), peer)
        return self.kdf(shared_x)

    def kdf(self, shared_x: bytes) -> bytes:
        return hashlib.sha256(shared_x).digest()

    def encrypt(self, shared_secret: bytes, plaintext: bytes) -> bytes:
        return _aes_cbc(self._aes_key(shared_secret), bytes(16), plaintext, encrypt=True)

    def decrypt(self, shared_secret: bytes, ciphertext: bytes) -> bytes:
        if len(ciphertext) % 16:
            raise PinProtocolError("ciphertext is not whole blocks")
        return _aes_cbc(self._aes_key(shared_secret), bytes(16), ciphertext, encrypt=False)

    def authenticate(self, shared_secret: bytes, message: bytes) -> bytes:
        return _hmac(self._hmac_key(shared_secret), message)[:16]

    def verify(self, shared_secret: bytes, message: bytes, signature: bytes) -> bool:
        expected = self.authenticate(shared_secret, message)
        return hmac.compare_digest(expected, bytes(signature))

    def _aes_key(self, shared_secret: bytes) -> bytes:
        return shared_secret

    def _hmac_key(self, shared_secret: bytes) -> bytes:
        return shared_secret


class PinProtocolTwo(PinProtocolOne):
    version = 2

    def kdf(self, shared_x: bytes) -> bytes:
        return _hkdf(shared_x, b"CTAP2 HMAC key") + _hkdf(shared_x, b"CTAP2 AES key")

    def encrypt(self, shared_secret: bytes, plaintext: bytes) -> bytes:
        iv = os.urandom(16)
        return iv + _aes_cbc(self._aes_key(shared_secret), iv, plaintext, encrypt=True)

    def decrypt(self, shared_secret: bytes, ciphertext: bytes) -> bytes:
        if len(ciphertext) < 16 or len(ciphertext) % 16:
            raise PinProtocolError("ciphertext is not IV plus whole blocks")
        iv, body = ciphertext[:16], ciphertext[16:]
        return _aes_cbc(self._aes_key(shared_secret), iv, body, encrypt=False)

    def authenticate(self, shared_secret: bytes, message: bytes) -> bytes:
        return _hmac(self._hmac_key(shared_secret), message)

    def _aes_key(self, shared_secret: bytes) -> bytes:
        return shared_secret[32:]

    def _hmac_key(self, shared_secret: bytes) -> bytes:
        return shared_secret[:32]


PROTOCOLS = {1: PinProtocolOne, 2: PinProtocolTwo}


def _public_key_from_cose(cose_key):
    if not isinstance(cose_key, dict):
        raise PinProtocolError("key agreement is not a map")
    if cose_key.get(COSE_KTY) != COSE_KTY_EC2 or cose_key.get(COSE_CRV) != COSE_CRV_P256:
        raise PinProtocolError("key agreement is not an EC2 P-256 key")
    x, y = cose_key.get(COSE_X), cose_key.get(COSE_Y)
    if not isinstance(x, bytes) or not isinstance(y, bytes) or len(x) != 32 or len(y) != 32:
        raise PinProtocolError("bad key agreement coordinates")
    numbers = ec.EllipticCurvePublicNumbers(
        int.from_bytes(x, "big"), int.from_bytes(y, "big"), ec.SECP256R1()
    )
    try:
        return numbers.public_key()
    except ValueError as error:
        raise PinProtocolError("key agreement point is not on the curve") from error


def _hkdf(secret: bytes, info: bytes) -> bytes:
    return HKDF(algorithm=hashes.SHA256(), length=32, salt=bytes(32), info=info).derive(secret)


def _hmac(key: bytes, message: bytes) -> bytes:
    return hmac.new(key, message, hashlib.sha256).digest()


def _aes_cbc(key: bytes, iv: bytes, data: bytes, encrypt: bool) -> bytes:
    cipher = Cipher(algorithms.AES(key), modes.CBC(iv))
    worker = cipher.encryptor() if encrypt else cipher.decryptor()
    return worker.update(data) + worker.finalize()
