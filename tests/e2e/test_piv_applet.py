"""PIV applet of the virtual key, first on an in-process card, then through pcscd, where
OpenSC (software no one here wrote) reads and uses what raw APDUs put on the card."""

import datetime
import os
import subprocess

import pytest
from applets import ber_tlv, piv, piv_keys
from cryptography import x509
from cryptography.hazmat.primitives import hashes, serialization
from cryptography.hazmat.primitives.asymmetric import ec, rsa
from cryptography.hazmat.primitives.asymmetric.utils import Prehashed
from cryptography.x509.oid import NameOID
from virtualkey import READER0, make_key

MGMT = piv.DEFAULT_MANAGEMENT_KEY
PIN = b"123456\xff\xff"
PUK = b"12345678"


def apdus(ins, p1, p2, data=b"", cla=0x00):
    """The command as a host sends it: chained in parts of 255 bytes."""
    parts = [data[i : i + 255] for i in range(0, len(data), 255)] or [b""]
    commands = []
    for index, part in enumerate(parts):
        chained = cla | (0x10 if index < len(parts) - 1 else 0)
        body = bytes([len(part)]) + part if part else b""
        commands.append(bytes([chained, ins, p1, p2]) + body)
    return commands


def exchange(transmit, ins, p1=0, p2=0, data=b""):
    """Sends a command whole, collects 61xx rounds; returns the data and the status word."""
    for command in apdus(ins, p1, p2, bytes(data)):
        response = transmit(command)
    answer = bytearray()
    while True:
        answer += response[:-2]
        sw = int.from_bytes(response[-2:], "big")
        if sw >> 8 != 0x61:
            return bytes(answer), sw
        response = transmit(bytes([0x00, 0xC0, 0x00, 0x00, sw & 0xFF]))


def authenticate(send, key=MGMT):
    challenge, sw = send(0x87, 0x03, 0x9B, bytes.fromhex("7C028100"))
    assert sw == 0x9000 and challenge[:4] == bytes.fromhex("7C0A8108")
    answer = piv_keys.triple_des(key, challenge[4:])
    return send(0x87, 0x03, 0x9B, bytes.fromhex("7C0A8208") + answer)[1]


def tlv(tag, value):
    return ber_tlv.encode(tag, value)


def sign_data(challenge):
    return tlv(0x7C, tlv(0x82, b"") + tlv(0x81, challenge))


def generate_data(algorithm):
    return bytes([0xAC, 0x03, 0x80, 0x01, algorithm, 0xAA, 0x01, 0x00, 0xAB, 0x01, 0x01])


def object_data(identifier, content=None):
    return tlv(0x5C, identifier) + (content if content is not None else b"")


class Terminal:
    """A key with the default applets and the PIV applet selected."""

    def __init__(self, applet=None):
        self.applet = applet or piv.make()
        self.card = make_key(plugins=False, extra_applets=[self.applet], chunk_size=100)
        self.select()

    def select(self):
        return self.send(0xA4, 0x04, 0x00, piv.PIV_AID)

    def send(self, ins, p1=0, p2=0, data=b""):
        return exchange(self.card.transmit, ins, p1, p2, data)

    def sw(self, *args):
        return self.send(*args)[1]


def self_signed(private_key, name="Virtual PIV"):
    subject = x509.Name([x509.NameAttribute(NameOID.COMMON_NAME, name)])
    now = datetime.datetime(2025, 1, 1)
    builder = (
        x509.CertificateBuilder()
        .subject_name(subject)
        .issuer_name(subject)
        .public_key(private_key.public_key())
        .serial_number(7)
        .not_valid_before(now)
        .not_valid_after(now + datetime.timedelta(days=3650))
    )
    return builder.sign(private_key, hashes.SHA256())


def certificate_object(certificate):
    der = certificate.public_bytes(serialization.Encoding.DER)
    return tlv(0x53, tlv(0x70, der) + tlv(0x71, b"\x00") + tlv(0xFE, b""))


# ---------------------------------------------------------------- credentials


def test_select_answers_the_application_property_template():
    data, sw = Terminal(piv.make(label="9.9.9")).select()
    template = dict(ber_tlv.parse(dict(ber_tlv.parse(data))[0x61]))
    assert sw == 0x9000
    assert template[0x50] == b"9.9.9"
    assert dict(ber_tlv.parse(template[0x79]))[0x4F] == piv.PIV_AID


def test_pin_and_puk_tries_block_and_unblock():
    term = Terminal()
    assert term.sw(0x20, 0x00, 0x80) == 0x63C3
    assert term.sw(0x20, 0x00, 0x80, b"654321\xff\xff") == 0x63C2
    assert term.sw(0x20, 0x00, 0x80, PIN) == 0x9000
    assert term.sw(0x20, 0x00, 0x80) == 0x9000
    assert term.send(0xF7, 0x00, 0x80)[0].endswith(bytes.fromhex("0501010602 0303"))
    for left in (0x63C2, 0x63C1, 0x63C0, 0x6983):
        assert term.sw(0x20, 0x00, 0x80, b"000000\xff\xff") == left
    assert term.sw(0x2C, 0x00, 0x80, b"87654321" + b"abcdefgh") == 0x63C2
    assert term.sw(0x2C, 0x00, 0x80, PUK + b"abcdefgh") == 0x9000
    assert term.sw(0x24, 0x00, 0x80, b"abcdefgh" + b"12345\xff\xff\xff") == 0x6A80
    assert term.sw(0x24, 0x00, 0x81, PUK + b"87654321") == 0x9000
    assert (term.applet.pin.value, term.applet.pin.tries_left) == (b"abcdefgh", 3)
    assert term.send(0xF7, 0x00, 0x81)[0].endswith(bytes.fromhex("0501000602 0303"))


def test_management_key_authentication_guards_administration():
    term = Terminal()
    admin = [
        (0xFF, 0xFF, 0xFF, b"\x03\x9b\x18" + bytes(24)),
        (0x47, 0x00, 0x9A, generate_data(0x11)),
        (0xDB, 0x3F, 0xFF, object_data(piv.CHUID, tlv(0x53, b"x"))),
        (0xFA, 0x05, 0x05, b""),
    ]
    assert [term.sw(*command) for command in admin] == [0x6982] * 4
    assert authenticate(term.send, bytes(24)) == 0x6982
    assert authenticate(term.send) == 0x9000
    new_key = bytes(range(24))
    assert term.sw(0xFF, 0xFF, 0xFF, b"\x03\x9b\x18" + new_key) == 0x9000
    assert term.applet.management_key == new_key
    assert term.sw(0xFA, 0x05, 0x04) == 0x6982  # also needs the PIN
    assert term.sw(0x20, 0x00, 0x80, PIN) == 0x9000
    assert term.sw(0xFA, 0x05, 0x04) == 0x9000
    assert (term.applet.pin.max_tries, term.applet.puk.tries_left) == (5, 4)
    term.card.reset()
    term.select()
    assert authenticate(term.send, new_key) == 0x9000


def test_reset_only_when_pin_and_puk_are_blocked():
    applet = piv.make(pin_tries_left=0, puk_tries_left=1, objects={piv.CHUID: tlv(0x53, b"id")})
    term = Terminal(applet)
    assert term.sw(0xFB, 0x00, 0x80) == 0x6985
    assert term.sw(0x24, 0x00, 0x81, b"00000000" + PUK) == 0x63C0
    assert term.sw(0xFB, 0x00, 0x80) == 0x9000
    assert term.applet.objects == {} and term.applet.pin.is_default
    assert term.send(0xF8)[0] == piv.DEFAULT_SERIAL.to_bytes(4, "big")


# ---------------------------------------------------------------- keys and signing


def inner(answer, tag):
    """The elements inside the one element `tag` of the answer, as a dict."""
    return dict(ber_tlv.parse(dict(ber_tlv.parse(answer))[tag]))


def check_signature(public, block, signature):
    if isinstance(public, rsa.RSAPublicKey):
        n = public.public_numbers().n
        assert pow(int.from_bytes(signature, "big"), 65537, n) == int.from_bytes(block, "big")
    else:  # a digest shorter than the field counts as zero-padded on the left
        size = public.curve.key_size // 8
        digest_hash = {32: hashes.SHA256, 48: hashes.SHA384}[size]
        public.verify(signature, block.rjust(size, b"\x00"), ec.ECDSA(Prehashed(digest_hash())))


@pytest.mark.parametrize("algorithm", [0x06, 0x07, 0x11, 0x14])
def test_generated_key_signs_with_the_verified_pin(algorithm):
    term = Terminal()
    assert authenticate(term.send) == 0x9000
    answer, sw = term.send(0x47, 0x00, 0x9C, generate_data(algorithm))
    assert sw == 0x9000
    public = term.applet.public_key(0x9C)
    if algorithm in (0x06, 0x07):
        assert int.from_bytes(inner(answer, 0x7F49)[0x81], "big") == public.public_numbers().n
        size = public.key_size // 8
        block = b"\x00\x01" + b"\xff" * (size - 35) + b"\x00" + bytes(range(32))
    else:
        assert inner(answer, 0x7F49)[0x86] == piv_keys.ec_point(public)
        block = bytes(range(32))
    assert term.sw(0x87, algorithm, 0x9C, sign_data(block)) == 0x6982
    assert term.sw(0x20, 0x00, 0x80, PIN) == 0x9000
    answer, sw = term.send(0x87, algorithm, 0x9C, sign_data(block))
    assert sw == 0x9000
    check_signature(public, block, inner(answer, 0x7C)[0x82])
    assert term.sw(0x87, algorithm, 0x9D, sign_data(block)) == 0x6982  # no key in 9D
    assert term.sw(0x87, 0x14 if algorithm != 0x14 else 0x11, 0x9C, sign_data(block)) == 0x6A80
    term.select()
    assert term.sw(0x87, algorithm, 0x9C, sign_data(block)) == 0x6982  # the proof ended with the select


def rsa_components(key):
    numbers = key.private_numbers()
    values = (numbers.p, numbers.q, numbers.dmp1, numbers.dmq1, numbers.iqmp)
    return [(tag, minimal(value)) for tag, value in enumerate(values, 1)]


def minimal(value):
    return value.to_bytes((value.bit_length() + 7) // 8, "big")


def with_component(components, tag, value):
    return [(t, value if t == tag else v) for t, v in components]


RSA_KEY = rsa.generate_private_key(65537, 1024)
EC_KEY = ec.generate_private_key(ec.SECP384R1())


@pytest.mark.parametrize(
    "algorithm, components, accepted",
    [
        (0x06, rsa_components(RSA_KEY), True),
        (0x14, [(6, EC_KEY.private_numbers().private_value.to_bytes(48, "big"))], True),
        (0x06, with_component(rsa_components(RSA_KEY), 4, minimal(RSA_KEY.private_numbers().dmq1 + 2)), False),
        (0x06, with_component(rsa_components(RSA_KEY), 5, b"\x01"), False),
        (0x07, rsa_components(RSA_KEY), False),
        (0x11, [(6, bytes(32))], False),
        (0x11, [(6, b"\x01" * 48)], False),
    ],
)
def test_import_rebuilds_the_key_or_refuses_inconsistent_components(algorithm, components, accepted):
    term = Terminal()
    data = b"".join(tlv(tag, value) for tag, value in components) + bytes.fromhex("AA0100AB0101")
    assert term.sw(0xFE, algorithm, 0x9D, data) == 0x6982
    assert authenticate(term.send) == 0x9000
    assert term.sw(0xFE, algorithm, 0x9D, data) == (0x9000 if accepted else 0x6A80)
    held = term.applet.public_key(0x9D)
    expected = (RSA_KEY if algorithm == 0x06 else EC_KEY).public_key().public_numbers()
    assert (held and held.public_numbers()) == (expected if accepted else None)


# ---------------------------------------------------------------- data objects


def test_long_objects_chain_in_and_come_back_through_get_response():
    term = Terminal(piv.make(slot_keys={0x9A: EC_KEY}))
    content = certificate_object(self_signed(EC_KEY, "x" * 200))
    assert term.sw(0xCB, 0x3F, 0xFF, object_data(piv.SLOT_OBJECTS[0x9A])) == 0x6A82
    assert authenticate(term.send) == 0x9000
    assert term.sw(0xDB, 0x3F, 0xFF, object_data(piv.SLOT_OBJECTS[0x9A], content)) == 0x9000
    assert term.send(0xCB, 0x3F, 0xFF, object_data(piv.SLOT_OBJECTS[0x9A])) == (content, 0x9000)
    expected = EC_KEY.public_key().public_numbers()
    assert term.applet.certificate(0x9A).public_key().public_numbers() == expected
    assert term.sw(0xDB, 0x3F, 0xFF, object_data(piv.KEY_HISTORY, b"\x70\x00")) == 0x6A80
    assert term.sw(0xDB, 0x3F, 0xFF, object_data(piv.SLOT_OBJECTS[0x9A], b"\x53\x00")) == 0x9000
    assert term.sw(0xCB, 0x3F, 0xFF, object_data(piv.SLOT_OBJECTS[0x9A])) == 0x6A82
    assert term.send(0xCB, 0x3F, 0xFF, object_data(b"\x7e"))[0][:1] == b"\x7e"


# ---------------------------------------------------------------- through pcscd, with OpenSC


def opensc(*command, input=None):
    env = dict(os.environ, OPENSC_CONF="/dev/null")
    result = subprocess.run(command, capture_output=True, env=env, timeout=60, input=input)
    assert result.returncode == 0, result.stderr.decode(errors="replace")
    return result.stdout


def test_opensc_reads_and_signs_with_what_raw_apdus_put(key, pcsc_context, tmp_path):
    private_key = ec.generate_private_key(ec.SECP256R1())
    certificate = self_signed(private_key)
    with pcsc_context.connect(READER0) as card:

        def send(ins, p1=0, p2=0, data=b""):
            return exchange(card.transmit, ins, p1, p2, data)

        assert send(0xA4, 0x04, 0x00, piv.PIV_AID)[1] == 0x9000
        assert authenticate(send) == 0x9000
        scalar = private_key.private_numbers().private_value.to_bytes(32, "big")
        import_data = tlv(0x06, scalar) + bytes.fromhex("AA0100AB0101")
        assert send(0xFE, 0x11, 0x9A, import_data)[1] == 0x9000
        object_9a = object_data(piv.SLOT_OBJECTS[0x9A], certificate_object(certificate))
        assert send(0xDB, 0x3F, 0xFF, object_9a)[1] == 0x9000

    assert b"Personal Identity Verification Card" in opensc("opensc-tool", "-r", READER0, "-n")
    pem = opensc("pkcs15-tool", "-r", READER0, "--read-certificate", "01")
    assert x509.load_pem_x509_certificate(pem) == certificate

    message = tmp_path / "message"
    message.write_bytes(b"signed by the virtual key")
    signature = tmp_path / "signature"
    opensc(
        "pkcs11-tool", "--module", "/usr/lib/x86_64-linux-gnu/opensc-pkcs11.so", "--slot-index", "0",
        "--login", "--pin", "123456", "--sign", "--id", "01", "--mechanism", "ECDSA-SHA256",
        "--signature-format", "openssl", "--input-file", str(message), "--output-file", str(signature),
    )
    signed = (signature.read_bytes(), message.read_bytes())
    private_key.public_key().verify(*signed, ec.ECDSA(hashes.SHA256()))
    assert key.find_applet(piv.PIV_AID).certificate(0x9A) == certificate
