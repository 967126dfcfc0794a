"""Key material of the virtual PIV applet: generating, importing and using the
private keys of the slots, and the management key's Triple-DES."""

from cryptography.exceptions import InvalidSignature
from cryptography.hazmat.primitives import hashes, serialization
from cryptography.hazmat.primitives.asymmetric import ec, padding, rsa, utils
from cryptography.hazmat.primitives.ciphers import Cipher, algorithms, modes

from . import ber_tlv

RSA1024, RSA2048, ECCP256, ECCP384 = 0x06, 0x07, 0x11, 0x14
RSA_BITS = {RSA1024: 1024, RSA2048: 2048}
EC_CURVES = {ECCP256: (ec.SECP256R1, hashes.SHA256), ECCP384: (ec.SECP384R1, hashes.SHA384)}
ALGORITHMS = (*RSA_BITS, *EC_CURVES)

ORIGIN_GENERATED, ORIGIN_IMPORTED = 0x01, 0x02


class KeyError_(ValueError):
    """Components that do not make a key of the requested algorithm."""


def triple_des(key: bytes, block: bytes) -> bytes:
    encryptor = Cipher(algorithms.TripleDES(key), modes.ECB()).encryptor()
    return encryptor.update(block) + encryptor.finalize()


def triple_des_decrypt(key: bytes, block: bytes) -> bytes:
    decryptor = Cipher(algorithms.TripleDES(key), modes.ECB()).decryptor()
    return decryptor.update(block) + decryptor.finalize()


def algorithm_of(private_key) -> int:
    if isinstance(private_key, rsa.RSAPrivateKey):
        for algorithm, bits in RSA_BITS.items():
            if private_key.key_size == bits:
                return algorithm
    elif isinstance(private_key, ec.EllipticCurvePrivateKey):
        for algorithm, (curve, _) in EC_CURVES.items():
            if isinstance(private_key.curve, curve):
                return algorithm
    raise KeyError_("no PIV algorithm for this key")


def generate(algorithm: int):
    if algorithm in RSA_BITS:
        return rsa.generate_private_key(65537, RSA_BITS[algorithm])
    return ec.generate_private_key(EC_CURVES[algorithm][0]())


def _unsigned(value: int, size=None) -> bytes:
    size = size or max(1, (value.bit_length() + 7) // 8)
    return value.to_bytes(size, "big")


def public_key_template(private_key) -> bytes:
    """The 7F49 element that answers GENERATE ASYMMETRIC KEY PAIR."""
    public = private_key.public_key()
    if isinstance(public, rsa.RSAPublicKey):
        numbers = public.public_numbers()
        inner = ber_tlv.encode(0x81, _unsigned(numbers.n))
        inner += ber_tlv.encode(0x82, _unsigned(numbers.e))
    else:
        inner = ber_tlv.encode(0x86, ec_point(public))
    return ber_tlv.encode(0x7F49, inner)


def _rsa_from_components(algorithm: int, parts: dict):
    try:
        p, q, dp, dq, qinv = (int.from_bytes(parts[tag], "big") for tag in (1, 2, 3, 4, 5))
    except KeyError as missing:
        raise KeyError_("RSA component missing") from missing
    bits = RSA_BITS[algorithm]
    if p.bit_length() != bits // 2 or q.bit_length() != bits // 2 or (p * q).bit_length() != bits:
        raise KeyError_("RSA primes of the wrong size")
    try:
        e = pow(dp, -1, p - 1)
        lcm = (p - 1) * (q - 1) // _gcd(p - 1, q - 1)
        d = pow(e, -1, lcm)
    except ValueError as error:
        raise KeyError_("RSA exponents do not fit the primes") from error
    if (e * dq) % (q - 1) != 1 or (qinv * q) % p != 1:
        raise KeyError_("RSA components inconsistent")
    public = rsa.RSAPublicNumbers(e, p * q)
    try:
        key = rsa.RSAPrivateNumbers(p, q, d, dp, dq, qinv, public).private_key()
    except ValueError as error:
        raise KeyError_(str(error)) from error
    _check_sign_verify(key)
    return key


def _gcd(a: int, b: int) -> int:
    while b:
        a, b = b, a % b
    return a


def _check_sign_verify(key):
    """A pair whose signature does not verify (e.g. a non-prime factor) is refused."""
    message = b"virtual key import check"
    signature = key.sign(message, padding.PKCS1v15(), hashes.SHA256())
    try:
        key.public_key().verify(signature, message, padding.PKCS1v15(), hashes.SHA256())
    except InvalidSignature as error:
        raise KeyError_("RSA key does not verify") from error


def _ec_from_scalar(algorithm: int, parts: dict):
    scalar = parts.get(6)
    curve = EC_CURVES[algorithm][0]()
    if not scalar or len(scalar) > (curve.key_size + 7) // 8:
        raise KeyError_("EC scalar missing or too long")
    try:
        return ec.derive_private_key(int.from_bytes(scalar, "big"), curve)
    except ValueError as error:
        raise KeyError_(str(error)) from error


def from_components(algorithm: int, parts: dict):
    """Rebuild a private key from IMPORT ASYMMETRIC KEY components (tag number -> bytes)."""
    if algorithm in RSA_BITS:
        return _rsa_from_components(algorithm, parts)
    if algorithm in EC_CURVES:
        return _ec_from_scalar(algorithm, parts)
    raise KeyError_("unknown algorithm")


def raw_rsa(private_key, block: bytes) -> bytes:
    """The bare private-key operation on one modulus-sized block."""
    numbers = private_key.private_numbers()
    n = numbers.public_numbers.n
    size = (n.bit_length() + 7) // 8
    value = int.from_bytes(block, "big")
    if len(block) != size or value >= n:
        raise KeyError_("block does not fit the modulus")
    return pow(value, numbers.d, n).to_bytes(size, "big")


def ecdsa(private_key, algorithm: int, digest: bytes) -> bytes:
    """DER ECDSA signature over a digest; longer input is cut, shorter padded, to the field size."""
    curve, digest_hash = EC_CURVES[algorithm]
    size = (curve.key_size + 7) // 8
    digest = digest[:size].rjust(size, b"\x00")
    return private_key.sign(digest, ec.ECDSA(utils.Prehashed(digest_hash())))


def ec_point(public_key) -> bytes:
    """Uncompressed form 04 X Y."""
    return public_key.public_bytes(serialization.Encoding.X962, serialization.PublicFormat.UncompressedPoint)


def public_pem(private_key) -> bytes:
    return private_key.public_key().public_bytes(
        serialization.Encoding.PEM, serialization.PublicFormat.SubjectPublicKeyInfo
    )
