"""--uri of totp --conf-slot and hotp --configure: enrolment URIs in place of the options they
fill. Codes are cross-checked with oathtool; the card must see what the explicit options send."""

import base64

import pytest
from applets import hotp, totp
from test_hotp import PIN, oathtool_hotp
from test_totp import generate_in_one_window, oathtool_totp, parse_code
from virtualkey import READER0, make_key

HINT = "Run with --help for more information.\n"
KEY = bytes(range(0x61, 0x75))  # 20 bytes
SECRET = base64.b32encode(KEY).decode()
SECRET_LOWER_UNPADDED = SECRET.lower().rstrip("=")


def configure(run, insert, command, *args):
    """Runs the configuring action on a fresh key; gives the result, the card's commands and the
    applet."""
    card = insert(make_key())
    result = run(command, *args, "-r", READER0)
    aid = totp.TOTP_AID if command == "totp" else hotp.HOTP_AID
    return result, card.commands(), card.find_applet(aid)


# Each row: the URI, the explicit options that say the same, and the code settings
# (algorithm, digits, period) oathtool is asked with.
TOTP_URIS = [
    ("plain-label", f"otpauth://totp/alice?secret={SECRET}",
     ["--account", "alice"], ("SHA1", 6, 30)),
    ("issuer-in-label-and-parameter", f"otpauth://totp/Example:alice@example.org?secret={SECRET}&issuer=Example",
     ["--account", "alice@example.org", "--issuer", "Example"], ("SHA1", 6, 30)),
    ("percent-encoded-names", f"otpauth://totp/Big%20Bank%3A%20Alice%20Smith?secret={SECRET_LOWER_UNPADDED}",
     ["--account", "Alice Smith", "--issuer", "Big Bank"], ("SHA1", 6, 30)),
    ("sha256-8-digits-60s", f"otpauth://totp/a?secret={SECRET}&algorithm=SHA256&digits=8&period=60",
     ["--account", "a", "--hmac", "SHA256", "--otp-length", "8", "--period", "60"], ("SHA256", 8, 60)),
    ("sha512-7-digits", f"otpauth://totp/a?algorithm=sha512&digits=7&secret={SECRET}",
     ["--account", "a", "--hmac", "SHA512", "--otp-length", "7"], ("SHA512", 7, 30)),
    ("sha1-9-digits-period-30", f"otpauth://totp/a?secret={SECRET}&algorithm=Sha1&digits=9&period=30&image=x",
     ["--account", "a", "--otp-length", "9", "--period", "30"], ("SHA1", 9, 30)),
    ("6-digits-60s", f"otpauth://totp/a?secret={SECRET}&digits=6&period=60",
     ["--account", "a", "--period", "60"], ("SHA1", 6, 60)),
]


@pytest.mark.parametrize("uri, options, settings", [row[1:] for row in TOTP_URIS], ids=[row[0] for row in TOTP_URIS])
def test_totp_uri_configures_what_the_explicit_options_do(insert, run, uri, options, settings):
    explicit, explicit_commands, explicit_applet = configure(run, insert, "totp", "--conf-slot", "--key", SECRET, *options)
    assert explicit.status == 0, explicit.stderr
    result, commands, applet = configure(run, insert, "totp", "--conf-slot", "--uri", uri)

    assert (result.status, result.stdout, result.stderr) == (0, "Successfully configured TOTP slot #0\n", "")
    assert commands == explicit_commands
    assert applet.slots == explicit_applet.slots

    algorithm, digits, period = settings
    result, before, _ = generate_in_one_window(run, 0, period)
    code, _ = parse_code(result)
    # oathtool stops at 8 digits; a 9-digit code extends the 8-digit one.
    expected = oathtool_totp(KEY, before, algorithm, min(digits, 8), period)
    assert (len(code), code[-len(expected):]) == (digits, expected)


@pytest.mark.parametrize("digits", [6, 8])
def test_hotp_uri_configures_what_the_explicit_options_do(insert, run, digits):
    uri = f"otpauth://hotp/Example:bob?secret={SECRET_LOWER_UNPADDED}&issuer=Example&counter=7&digits={digits}"
    explicit, explicit_commands, explicit_applet = configure(
        run, insert, "hotp", "--configure", "--pin", PIN, "--key", SECRET, "--counter", "7", "--otp-length", str(digits)
    )
    assert explicit.status == 0, explicit.stderr
    result, commands, applet = configure(run, insert, "hotp", "--configure", "--pin", PIN, "--uri", uri)

    assert (result.status, result.stdout, result.stderr) == (0, "Successfully configured HOTP\n", "")
    assert commands == explicit_commands
    assert (applet.key, applet.counter, applet.otp_length) == (explicit_applet.key, 7, digits)
    generated = run("hotp", "--gen-hotp", "-r", READER0)
    assert generated.stdout == f"HOTP code: {oathtool_hotp(KEY, 7, digits)}\n"


def test_the_uri_is_read_like_a_secret(insert, run):
    card = insert(make_key())
    result = run("totp", "--conf-slot", "--uri", "-", "--slot-index", "3", "-r", READER0,
                 input=f"otpauth://totp/Example:carol?secret={SECRET}\n")
    assert (result.status, result.stdout, result.stderr) == (0, "Successfully configured TOTP slot #3\n", "")
    slot = card.find_applet(totp.TOTP_AID).slots[3]
    assert (slot.account, slot.issuer, slot.key) == (b"carol", b"Example", KEY)


# Each row: the command line after the subcommand and the message after "--uri: ".
REFUSED = [
    ("wrong-type", ["totp", "--conf-slot", "--uri", f"otpauth://hotp/a?secret={SECRET}"],
     "the URI must begin with otpauth://totp/"),
    ("no-secret", ["totp", "--conf-slot", "--uri", "otpauth://totp/a?issuer=Example"],
     "secret: the URI has no secret"),
    ("bad-base32", ["totp", "--conf-slot", "--uri", "otpauth://totp/a?secret=JBSWY3DPEHPK3PX1"],
     "secret: Contains invalid character"),
    ("short-secret", ["totp", "--conf-slot", "--uri", "otpauth://totp/a?secret=JBSWY3DP"],
     "secret: The provided key is too short. The key must not have at least 10 bytes"),
    ("issuer-disagreement", ["totp", "--conf-slot", "--uri", f"otpauth://totp/Example:a?secret={SECRET}&issuer=Other"],
     "issuer: the label names the issuer Example, the issuer parameter Other"),
    ("digits-5", ["totp", "--conf-slot", "--uri", f"otpauth://totp/a?secret={SECRET}&digits=5"],
     "digits: Value 5 not in range 6 to 9"),
    ("digits-10", ["totp", "--conf-slot", "--uri", f"otpauth://totp/a?secret={SECRET}&digits=10"],
     "digits: Value 10 not in range 6 to 9"),
    ("period-4", ["totp", "--conf-slot", "--uri", f"otpauth://totp/a?secret={SECRET}&period=4"],
     "period: The provided period is too short. The period must be at least 5 seconds"),
    ("unknown-algorithm", ["totp", "--conf-slot", "--uri", f"otpauth://totp/a?secret={SECRET}&algorithm=MD5"],
     "algorithm: the algorithm must be SHA1, SHA256 or SHA512"),
    ("long-account", ["totp", "--conf-slot", "--uri", f"otpauth://totp/{'x' * 61}?secret={SECRET}"],
     "account: The account must not exceed 60 characters in length"),
    ("parameter-twice", ["totp", "--conf-slot", "--uri", f"otpauth://totp/a?secret={SECRET}&period=30&period=60"],
     "period: the parameter is given twice"),
    ("account-twice", ["totp", "--conf-slot", "--account", "a", "--uri", f"otpauth://totp/a?secret={SECRET}"],
     "account: given both in the URI and as --account"),
    ("period-twice", ["totp", "--conf-slot", "--period", "60", "--uri", f"otpauth://totp/a?secret={SECRET}&period=60"],
     "period: given both in the URI and as --period"),
    ("bad-escape", ["totp", "--conf-slot", "--uri", f"otpauth://totp/a%2?secret={SECRET}"],
     "label: the URI holds a bad percent escape"),
    ("hotp-no-counter", ["hotp", "--configure", "--pin", PIN, "--uri", f"otpauth://hotp/a?secret={SECRET}"],
     "counter: the URI has no counter"),
    ("hotp-digits-7", ["hotp", "--configure", "--pin", PIN, "--uri", f"otpauth://hotp/a?secret={SECRET}&counter=1&digits=7"],
     "digits: 7 not in {6,8}"),
    ("hotp-sha256", ["hotp", "--configure", "--pin", PIN, "--uri", f"otpauth://hotp/a?secret={SECRET}&counter=1&algorithm=SHA256"],
     "algorithm: The HOTP applet computes SHA1 codes only"),
    ("hotp-counter-twice", ["hotp", "--configure", "--pin", PIN, "--counter", "1", "--uri", f"otpauth://hotp/a?secret={SECRET}&counter=1"],
     "counter: given both in the URI and as --counter"),
]


@pytest.mark.parametrize("args, message", [row[1:] for row in REFUSED], ids=[row[0] for row in REFUSED])
def test_refused_uris_stop_before_the_card(key, run, args, message):
    result = run(*args, "-r", READER0)

    assert result == (105, "", f"--uri: {message}\n" + HINT)
    assert key.commands() == []
    assert SECRET not in result.stderr


@pytest.mark.parametrize("args, message", [
    (["totp", "--conf-slot"], "--conf-slot requires --account"),
    (["totp", "--conf-slot", "--account", "a"], "--conf-slot requires --key"),
    (["hotp", "--configure", "--pin", PIN, "--key", SECRET], "--configure requires --counter"),
    (["hotp", "--configure", "--uri", f"otpauth://hotp/a?secret={SECRET}&counter=1"], "--configure requires --pin"),
], ids=["totp-account", "totp-key", "hotp-counter", "hotp-pin-with-uri"])
def test_without_the_uri_the_options_are_required_as_before(key, run, args, message):
    assert run(*args, "-r", READER0) == (107, "", message + "\n" + HINT)
