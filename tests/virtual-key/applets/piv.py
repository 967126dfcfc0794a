"""PIV applet of the virtual key: PIN, PUK and management key, key pairs in the
slots, data objects (certificates, CHUID, CCC, Key History) and on-card signing.

Proofs (verified PIN, management-key authentication) last until the card is reset or
the applet is selected again, so each host session has to prove them itself.
"""

import hmac
import os

from cryptography import x509

from . import ber_tlv
from . import piv_keys as keys
from .base import (
    SW_AUTH_METHOD_BLOCKED,
    SW_CLA_NOT_SUPPORTED,
    SW_CONDITIONS_NOT_SATISFIED,
    SW_FILE_NOT_FOUND,
    SW_INCORRECT_P1P2,
    SW_INS_NOT_SUPPORTED,
    SW_OK,
    SW_REFERENCED_DATA_NOT_FOUND,
    SW_SECURITY_STATUS_NOT_SATISFIED,
    SW_WRONG_DATA,
    SW_WRONG_LENGTH,
    Applet,
)

PIV_AID = bytes.fromhex("A0000003080000100001")
# The AID with its version byte, as the discovery object names it.
PIV_AID_VERSIONED = PIV_AID + b"\x00"
DEFAULT_PIN = b"123456"
DEFAULT_PUK = b"12345678"
DEFAULT_MANAGEMENT_KEY = bytes.fromhex("010203040506070801020304050607080102030405060708")
DEFAULT_LABEL = b"1.4.2"
DEFAULT_SERIAL = 10597059
SW_NOT_ENOUGH_MEMORY = 0x6A84

PIN_REF, PUK_REF, MANAGEMENT_REF = 0x80, 0x81, 0x9B
PIN_POLICY_DEFAULT, PIN_POLICY_NEVER, PIN_POLICY_ONCE, PIN_POLICY_ALWAYS = 0x00, 0x01, 0x02, 0x03

CHUID = bytes.fromhex("5FC102")
CCC = bytes.fromhex("5FC107")
KEY_HISTORY = bytes.fromhex("5FC10C")
DISCOVERY = b"\x7e"
# Key reference -> certificate object: 9A, 9C, 9D, 9E, then the retired slots 82 to 95.
SLOT_OBJECTS = {
    0x9A: bytes.fromhex("5FC105"),
    0x9C: bytes.fromhex("5FC10A"),
    0x9D: bytes.fromhex("5FC10B"),
    0x9E: bytes.fromhex("5FC101"),
    **{0x82 + i: bytes([0x5F, 0xC1, 0x0D + i]) for i in range(20)},
}
SLOTS = tuple(SLOT_OBJECTS)

INS_VERIFY = 0x20
INS_CHANGE_REFERENCE = 0x24
INS_RESET_RETRY = 0x2C
INS_GENERATE = 0x47
INS_GENERAL_AUTHENTICATE = 0x87
INS_GET_DATA = 0xCB
INS_PUT_DATA = 0xDB
INS_GET_METADATA = 0xF7
INS_GET_SERIAL = 0xF8
INS_SET_RETRIES = 0xFA
INS_RESET = 0xFB
INS_IMPORT = 0xFE
INS_SET_MANAGEMENT_KEY = 0xFF


def _padded(value: bytes) -> bytes:
    return value + b"\xff" * (8 - len(value))


def _unpadded(block: bytes):
    """The real bytes of an 8-byte 0xFF-padded PIN or PUK, or None if it is not one."""
    if len(block) != 8:
        return None
    value = block.rstrip(b"\xff")
    return value if 6 <= len(value) <= 8 else None


def _tries_status(tries_left: int) -> int:
    return 0x63C0 | min(tries_left, 0x0F)


class Credential:
    """PIN or PUK with its try counter; `value` holds the real bytes without padding."""

    def __init__(self, value, default: bytes, max_tries: int, tries_left=None):
        self.default = default
        self.value = value.encode() if isinstance(value, str) else bytes(value)
        self.max_tries = max_tries
        self.tries_left = max_tries if tries_left is None else tries_left

    @property
    def is_default(self) -> bool:
        return self.value == self.default

    @property
    def blocked(self) -> bool:
        return self.tries_left == 0

    def check(self, block: bytes) -> int:
        if self.blocked:
            return SW_AUTH_METHOD_BLOCKED
        if hmac.compare_digest(block, _padded(self.value)):
            self.tries_left = self.max_tries
            return SW_OK
        self.tries_left -= 1
        return _tries_status(self.tries_left)

    def restore(self, max_tries=None):
        self.value = self.default
        self.max_tries = max_tries or self.max_tries
        self.tries_left = self.max_tries


class SlotKey:
    """The private key a slot holds, with its policies and how it got there."""

    def __init__(self, private_key, pin_policy=PIN_POLICY_DEFAULT, touch_policy=0,
                 origin=keys.ORIGIN_IMPORTED):
        self.private_key = private_key
        self.algorithm = keys.algorithm_of(private_key)
        self.pin_policy = pin_policy
        self.touch_policy = touch_policy
        self.origin = origin

    def public_key(self):
        return self.private_key.public_key()

    def public_pem(self) -> bytes:
        return keys.public_pem(self.private_key)


class PivApplet(Applet):
    aid = PIV_AID
    partial_select = True  # host software selects the PIV application without its version bytes

    def __init__(self, pin, puk, management_key, serial, label, objects, slot_keys,
                 keep_empty_objects, max_object_size):
        self.pin = pin
        self.puk = puk
        self.management_key = management_key
        self.serial = serial
        self.label = label
        self.objects = objects
        self.keys = slot_keys
        self.keep_empty_objects = keep_empty_objects
        self.max_object_size = max_object_size
        self.pin_verified = False
        self.pin_fresh = False  # verified, and no private-key operation since
        self.authenticated = False
        self._challenge = None  # (kind, expected answer) of a pending management-key exchange
        self._commands = {
            INS_VERIFY: self._verify,
            INS_CHANGE_REFERENCE: self._change_reference,
            INS_RESET_RETRY: self._reset_retry,
            INS_GENERATE: self._generate,
            INS_GENERAL_AUTHENTICATE: self._general_authenticate,
            INS_GET_DATA: self._get_data,
            INS_PUT_DATA: self._put_data,
            INS_GET_METADATA: self._get_metadata,
            INS_GET_SERIAL: self._get_serial,
            INS_SET_RETRIES: self._set_retries,
            INS_RESET: self._reset,
            INS_IMPORT: self._import,
            INS_SET_MANAGEMENT_KEY: self._set_management_key,
        }

    # --- what tests read ---------------------------------------------------------------

    def public_key(self, slot: int):
        """The public key of the pair in the slot (a cryptography key), or None."""
        held = self.keys.get(slot)
        return held.public_key() if held else None

    def certificate(self, slot: int):
        """The certificate stored for the slot, parsed, or None when absent or unreadable."""
        content = self.objects.get(SLOT_OBJECTS[slot])
        try:
            inner = dict(ber_tlv.parse(dict(ber_tlv.parse(content))[0x53]))
            return x509.load_der_x509_certificate(inner[0x70])
        except (TypeError, KeyError, ValueError):
            return None

    # --- applet interface ----------------------------------------------------------------

    def on_select(self, card):
        self._forget_proofs()
        return self._property_template(), SW_OK

    def power_cycle(self):
        self._forget_proofs()

    def process(self, card, cla, ins, p1, p2, data):
        if cla != 0x00:
            return b"", SW_CLA_NOT_SUPPORTED
        handler = self._commands.get(ins)
        if handler is None:
            return b"", SW_INS_NOT_SUPPORTED
        return handler(p1, p2, bytes(data))

    def _forget_proofs(self):
        self.pin_verified = False
        self.pin_fresh = False
        self.authenticated = False
        self._challenge = None

    def _property_template(self) -> bytes:
        inner = (
            ber_tlv.encode(0x4F, bytes.fromhex("000010000100"))  # PIX with version
            + ber_tlv.encode(0x79, ber_tlv.encode(0x4F, PIV_AID))
            + ber_tlv.encode(0x50, self.label)
        )
        return ber_tlv.encode(0x61, inner)

    # --- PIN and PUK -----------------------------------------------------------------------

    def _credential(self, p2):
        return {PIN_REF: self.pin, PUK_REF: self.puk}.get(p2)

    def _verify(self, p1, p2, data):
        if p2 != PIN_REF:
            return b"", SW_REFERENCED_DATA_NOT_FOUND
        if p1 == 0xFF and not data:  # forget the proof
            self.pin_verified = False
            return b"", SW_OK
        if p1 != 0x00:
            return b"", SW_INCORRECT_P1P2
        if not data:
            if self.pin_verified:
                return b"", SW_OK
            if self.pin.blocked:
                return b"", SW_AUTH_METHOD_BLOCKED
            return b"", _tries_status(self.pin.tries_left)
        if len(data) != 8:
            return b"", SW_WRONG_DATA
        sw = self.pin.check(data)
        self.pin_verified = sw == SW_OK
        # A key of PIN policy "always" takes only a PIN verified right before its operation.
        self.pin_fresh = self.pin_verified
        return b"", sw

    def _change_reference(self, p1, p2, data):
        credential = self._credential(p2)
        if p1 != 0x00 or credential is None:
            return b"", SW_INCORRECT_P1P2 if p1 else SW_REFERENCED_DATA_NOT_FOUND
        if len(data) != 16:
            return b"", SW_WRONG_DATA
        sw = credential.check(data[:8])
        if sw != SW_OK:
            return b"", sw
        new_value = _unpadded(data[8:])
        if new_value is None:
            return b"", SW_WRONG_DATA
        credential.value = new_value
        return b"", SW_OK

    def _reset_retry(self, p1, p2, data):
        if p1 != 0x00 or p2 != PIN_REF:
            return b"", SW_INCORRECT_P1P2
        if len(data) != 16:
            return b"", SW_WRONG_DATA
        sw = self.puk.check(data[:8])
        if sw != SW_OK:
            return b"", sw
        new_pin = _unpadded(data[8:])
        if new_pin is None:
            return b"", SW_WRONG_DATA
        self.pin.value = new_pin
        self.pin.tries_left = self.pin.max_tries
        return b"", SW_OK

    def _get_metadata(self, p1, p2, data):
        if p1 != 0x00:
            return b"", SW_INCORRECT_P1P2
        credential = self._credential(p2)
        if credential is not None:
            tries = bytes([credential.max_tries, credential.tries_left])
            answer = ber_tlv.encode(0x01, b"\xff") + ber_tlv.encode(0x02, b"\x00\x00")
            answer += ber_tlv.encode(0x05, bytes([credential.is_default]))
            answer += ber_tlv.encode(0x06, tries)
            return answer, SW_OK
        if p2 == MANAGEMENT_REF:
            is_default = self.management_key == DEFAULT_MANAGEMENT_KEY
            answer = ber_tlv.encode(0x01, b"\x03") + ber_tlv.encode(0x02, b"\x00\x01")
            return answer + ber_tlv.encode(0x05, bytes([is_default])), SW_OK
        if p2 not in SLOTS:
            return b"", SW_INCORRECT_P1P2
        held = self.keys.get(p2)
        if held is None:
            return b"", SW_REFERENCED_DATA_NOT_FOUND
        answer = ber_tlv.encode(0x01, bytes([held.algorithm]))
        answer += ber_tlv.encode(0x02, bytes([held.pin_policy, held.touch_policy]))
        answer += ber_tlv.encode(0x03, bytes([held.origin]))
        template = dict(ber_tlv.parse(keys.public_key_template(held.private_key)))[0x7F49]
        answer += ber_tlv.encode(0x04, template)
        return answer, SW_OK

    # --- management key and administration ------------------------------------------------

    def _general_authenticate(self, p1, p2, data):
        try:
            elements = ber_tlv.parse(data)
            if len(elements) != 1 or elements[0][0] != 0x7C:
                return b"", SW_WRONG_DATA
            inner = ber_tlv.parse(elements[0][1])
        except ber_tlv.TlvError:
            return b"", SW_WRONG_DATA
        if p2 == MANAGEMENT_REF:
            if p1 not in (0x00, 0x03):
                return b"", SW_INCORRECT_P1P2
            return self._authenticate_management(dict(inner))
        return self._sign(p1, p2, dict(inner))

    def _authenticate_management(self, inner):
        key = self.management_key
        pending, self._challenge = self._challenge, None
        if inner.get(0x81) == b"" and 0x80 not in inner:  # host asks for a challenge
            challenge = os.urandom(8)
            self._challenge = ("external", keys.triple_des(key, challenge))
            return ber_tlv.encode(0x7C, ber_tlv.encode(0x81, challenge)), SW_OK
        if inner.get(0x80) == b"":  # mutual: host asks for a witness
            witness = os.urandom(8)
            self._challenge = ("mutual", witness)
            return ber_tlv.encode(0x7C, ber_tlv.encode(0x80, keys.triple_des(key, witness))), SW_OK
        if pending and pending[0] == "external" and 0x82 in inner:
            self.authenticated = hmac.compare_digest(inner[0x82], pending[1])
            return b"", SW_OK if self.authenticated else SW_SECURITY_STATUS_NOT_SATISFIED
        if pending and pending[0] == "mutual" and 0x80 in inner and len(inner.get(0x81, b"")) == 8:
            self.authenticated = hmac.compare_digest(inner[0x80], pending[1])
            if not self.authenticated:
                return b"", SW_SECURITY_STATUS_NOT_SATISFIED
            answer = ber_tlv.encode(0x82, keys.triple_des(key, inner[0x81]))
            return ber_tlv.encode(0x7C, answer), SW_OK
        self.authenticated = False
        return b"", SW_SECURITY_STATUS_NOT_SATISFIED

    def _set_management_key(self, p1, p2, data):
        if p1 != 0xFF or p2 not in (0xFE, 0xFF):
            return b"", SW_INCORRECT_P1P2
        if not self.authenticated:
            return b"", SW_SECURITY_STATUS_NOT_SATISFIED
        if len(data) != 27 or data[:3] != b"\x03\x9b\x18":
            return b"", SW_WRONG_DATA
        self.management_key = data[3:]
        return b"", SW_OK

    def _set_retries(self, p1, p2, data):
        if not (self.authenticated and self.pin_verified):
            return b"", SW_SECURITY_STATUS_NOT_SATISFIED
        if p1 == 0 or p2 == 0:
            return b"", SW_INCORRECT_P1P2
        self.pin.restore(p1)
        self.puk.restore(p2)
        return b"", SW_OK

    def _reset(self, p1, p2, data):
        if not (self.pin.blocked and self.puk.blocked):
            return b"", SW_CONDITIONS_NOT_SATISFIED
        self.pin.restore(3)
        self.puk.restore(3)
        self.management_key = DEFAULT_MANAGEMENT_KEY
        self.objects.clear()
        self.keys.clear()
        self._forget_proofs()
        return b"", SW_OK

    def _get_serial(self, p1, p2, data):
        return self.serial, SW_OK

    # --- keys ------------------------------------------------------------------------------------

    def _generate(self, p1, p2, data):
        if p1 != 0x00 or p2 not in SLOTS:
            return b"", SW_INCORRECT_P1P2
        if not self.authenticated:
            return b"", SW_SECURITY_STATUS_NOT_SATISFIED
        try:
            elements = ber_tlv.parse(data)
            template = dict(elements).get(0xAC)
            settings = {**dict(elements), **dict(ber_tlv.parse(template or b""))}
        except ber_tlv.TlvError:
            return b"", SW_WRONG_DATA
        algorithm = settings.get(0x80, b"")
        if template is None or len(algorithm) != 1 or algorithm[0] not in keys.ALGORITHMS:
            return b"", SW_WRONG_DATA
        private_key = keys.generate(algorithm[0])
        self.keys[p2] = self._slot_key(private_key, settings, keys.ORIGIN_GENERATED)
        return keys.public_key_template(private_key), SW_OK

    def _import(self, p1, p2, data):
        if p2 not in SLOTS or p1 not in keys.ALGORITHMS:
            return b"", SW_INCORRECT_P1P2
        if not self.authenticated:
            return b"", SW_SECURITY_STATUS_NOT_SATISFIED
        try:
            parts = dict(ber_tlv.parse(data))
            private_key = keys.from_components(p1, parts)
        except (ber_tlv.TlvError, keys.KeyError_):
            return b"", SW_WRONG_DATA
        self.keys[p2] = self._slot_key(private_key, parts, keys.ORIGIN_IMPORTED)
        return b"", SW_OK

    @staticmethod
    def _slot_key(private_key, settings, origin):
        pin_policy = settings.get(0xAA, b"\x00")[:1] or b"\x00"
        touch_policy = settings.get(0xAB, b"\x00")[:1] or b"\x00"
        return SlotKey(private_key, pin_policy[0], touch_policy[0], origin)

    def _needs_pin(self, slot, held) -> bool:
        if held.pin_policy == PIN_POLICY_NEVER:
            return False
        return not (held.pin_policy == PIN_POLICY_DEFAULT and slot == 0x9E)

    def _sign(self, algorithm, slot, inner):
        held = self.keys.get(slot)
        if slot not in SLOTS:
            return b"", SW_INCORRECT_P1P2
        if held is None:
            return b"", SW_SECURITY_STATUS_NOT_SATISFIED
        if algorithm != held.algorithm or 0x81 not in inner or 0x82 not in inner or inner[0x82]:
            return b"", SW_WRONG_DATA
        if self._needs_pin(slot, held) and not self.pin_verified:
            return b"", SW_SECURITY_STATUS_NOT_SATISFIED
        if held.pin_policy == PIN_POLICY_ALWAYS and not self.pin_fresh:
            return b"", SW_SECURITY_STATUS_NOT_SATISFIED
        self.pin_fresh = False
        try:
            if algorithm in keys.RSA_BITS:
                signature = keys.raw_rsa(held.private_key, inner[0x81])
            else:
                signature = keys.ecdsa(held.private_key, algorithm, inner[0x81])
        except keys.KeyError_:
            return b"", SW_WRONG_DATA
        return ber_tlv.encode(0x7C, ber_tlv.encode(0x82, signature)), SW_OK

    # --- data objects -----------------------------------------------------------------------------

    @staticmethod
    def _object_id(data):
        """The identifier of a 5C tag list at the start of data, and what follows it."""
        try:
            if not data or data[0] != 0x5C:
                return None, b""
            length, pos = ber_tlv._read_length(data, 1)
        except ber_tlv.TlvError:
            return None, b""
        identifier = data[pos : pos + length]
        known = len(identifier) == 3 and identifier[:2] in (b"\x5f\xc1", b"\x5f\xff")
        if identifier != DISCOVERY and not known:
            return None, b""
        return identifier, data[pos + length :]

    def _get_data(self, p1, p2, data):
        if (p1, p2) != (0x3F, 0xFF):
            return b"", SW_INCORRECT_P1P2
        identifier, rest = self._object_id(data)
        if identifier is None or rest:
            return b"", SW_WRONG_DATA
        if identifier == DISCOVERY:
            return self._discovery(), SW_OK
        content = self.objects.get(identifier)
        if content is None:
            return b"", SW_FILE_NOT_FOUND
        return content, SW_OK

    def _discovery(self) -> bytes:
        inner = ber_tlv.encode(0x4F, PIV_AID_VERSIONED) + ber_tlv.encode(0x5F2F, b"\x40\x00")
        return ber_tlv.encode(0x7E, inner)

    def _put_data(self, p1, p2, data):
        if (p1, p2) != (0x3F, 0xFF):
            return b"", SW_INCORRECT_P1P2
        if not self.authenticated:
            return b"", SW_SECURITY_STATUS_NOT_SATISFIED
        identifier, content = self._object_id(data)
        if identifier is None or identifier == DISCOVERY:
            return b"", SW_WRONG_DATA
        try:
            elements = ber_tlv.parse(content)
        except ber_tlv.TlvError:
            return b"", SW_WRONG_DATA
        if len(elements) != 1 or elements[0][0] != 0x53:
            return b"", SW_WRONG_DATA
        if len(content) > self.max_object_size:
            return b"", SW_NOT_ENOUGH_MEMORY
        if elements[0][1] or self.keep_empty_objects:
            self.objects[identifier] = content
        else:  # an empty object is deleted, as cards do
            self.objects.pop(identifier, None)
        return b"", SW_OK


def _serial_bytes(serial) -> bytes:
    return serial.to_bytes(4, "big") if isinstance(serial, int) else bytes(serial)


def make(
    pin=DEFAULT_PIN,
    puk=DEFAULT_PUK,
    management_key=DEFAULT_MANAGEMENT_KEY,
    pin_tries=3,
    puk_tries=3,
    pin_tries_left=None,
    puk_tries_left=None,
    serial=DEFAULT_SERIAL,
    label=DEFAULT_LABEL,
    objects=None,
    slot_keys=None,
    keep_empty_objects=False,
    max_object_size=3072,
) -> PivApplet:
    """A fresh PIV applet. objects: identifier bytes -> content (53 ...); slot_keys: key
    reference -> private key (cryptography) or SlotKey."""
    held = {
        slot: key if isinstance(key, SlotKey) else SlotKey(key)
        for slot, key in (slot_keys or {}).items()
    }
    return PivApplet(
        Credential(pin, DEFAULT_PIN, pin_tries, pin_tries_left),
        Credential(puk, DEFAULT_PUK, puk_tries, puk_tries_left),
        bytes(management_key),
        _serial_bytes(serial),
        label.encode() if isinstance(label, str) else bytes(label),
        {bytes(k): bytes(v) for k, v in (objects or {}).items()},
        held,
        keep_empty_objects,
        max_object_size,
    )
