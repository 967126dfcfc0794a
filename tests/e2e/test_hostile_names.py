"""Reader and account names with control characters or 4 KB of text: refused, or passed on
without reaching the terminal raw and without naming another reader."""

import pytest
from applets import totp
from virtualkey import READER0, make_key

KEY = "JBSWY3DPEHPK3PXPJBSWY3DPEHPK3PXP"
ESCAPE = "\x1b[2J"
LONG = "x" * 4096


def no_control_characters(text):
    return not any(ord(c) < 0x20 and c not in "\t\n" or ord(c) == 0x7F for c in text)


@pytest.mark.parametrize(
    "reader",
    # A long name fails only after the connect retry: one case of it is enough.
    [READER0 + LONG, READER0 + ESCAPE, READER0[:4] + "\n" + READER0[5:]],
    ids=["long-after-real-name", "escape", "newline"],
)
def test_hostile_reader_names_reach_no_reader(key, run, reader):
    result = run("info", "-r", reader)
    assert result.status != 0
    assert "Name:" not in result.stdout
    if reader != READER0 + LONG:
        assert "The reader name must not contain control characters" in result.stderr
    assert no_control_characters(result.stdout + result.stderr)
    assert not key.log


@pytest.mark.parametrize(
    "account", ["mail" + ESCAPE, "mail\nSLOT #9", "mail\x7f", LONG], ids=["escape", "newline", "delete", "long"]
)
def test_hostile_account_names_are_refused(key, run, account):
    result = run("totp", "--conf-slot", "--account", account, "--key", KEY, "-r", READER0)
    assert result.status != 0 and result.stderr
    assert not key.find_applet(totp.TOTP_AID).slots


def test_control_characters_the_card_holds_are_not_printed_raw(insert, run):
    slots = {0: {"key": bytes(20), "account": "mail" + ESCAPE + "\nSLOT #7", "issuer": "a\x07b"}}
    insert(make_key(plugins=False, extra_applets=[totp.make(slots=slots)]))
    result = run("totp", "--list-slots", "-r", READER0)
    assert result.status == 0, result.stderr
    assert no_control_characters(result.stdout)
    assert "SLOT #7" not in result.stdout.split("\n")
