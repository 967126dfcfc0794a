"""Choosing the key by its serial number (--serial) and `list --serials`, with two keys of
different serial numbers in the two virtual readers."""

import pytest
from applets import piv, totp
from virtualkey import READER0, READER1, make_key

HINT = "Run with --help for more information.\n"
SERIALS = (1111111, 2222222)


def not_found(serial):
    return f"Could not find a Quenlix Key with the serial number {serial}\n" + HINT


@pytest.fixture
def two_keys(insert):
    """Key 0 in reader 0 and key 1 in reader 1, each with a TOTP slot and a CHUID that name it."""
    keys = []
    for index, serial in enumerate(SERIALS):
        key = insert(make_key(serial=serial), reader=index)
        key.find_applet(totp.TOTP_AID).slots = {0: totp.Slot(key=bytes(20), account=f"key{index}".encode())}
        objects = key.find_applet(piv.PIV_AID).objects
        objects[piv.CHUID] = bytes([0x53, 0x01, index])
        objects[piv.CCC] = bytes([0x53, 0x01, 0xC0 + index])
        keys.append(key)
    return keys


@pytest.mark.parametrize("index", [0, 1], ids=["reader0", "reader1"])
@pytest.mark.parametrize(
    "args, marker",
    [
        (["info"], "Serial Number:\t{serial}\n"),
        (["totp", "--list-slots"], "\tACCOUNT:\tkey{index}\n"),
        (["hotp", "--gen-hotp"], "HOTP code: "),
        (["piv", "--info"], "Cardholder Unique Id:\t\t53010{index}\n"),
    ],
    ids=["info", "totp-list-slots", "hotp-gen-hotp", "piv-info"],
)
def test_serial_picks_the_key(two_keys, run, index, args, marker):
    chosen, other = two_keys[index], two_keys[1 - index]
    result = run(*args, "--serial", SERIALS[index])

    assert (result.status, result.stderr) == (0, ""), result.stderr
    assert marker.format(serial=SERIALS[index], index=index) in result.stdout
    # The other key was asked for its serial number at most; its applets were never selected.
    assert len(chosen.commands()) > 2
    assert len(other.commands()) <= 2


@pytest.mark.parametrize(
    "args, serial",
    [
        (["info", "--serial", "3333333"], 3333333),
        (["totp", "--list-slots", "--serial", "0003333333"], 3333333),
        (["info", "--serial", str(SERIALS[1]), "-r", READER0], SERIALS[1]),
        (["piv", "--info", "--serial", str(SERIALS[0]), "-r", READER1], SERIALS[0]),
    ],
    ids=["unknown", "unknown-leading-zeros", "reader-mismatch", "piv-reader-mismatch"],
)
def test_no_key_with_the_serial(two_keys, run, args, serial):
    result = run(*args)

    assert (result.status, result.stderr) == (-1, not_found(serial))
    assert "Name:" not in result.stdout and "Version:" not in result.stdout


def test_serial_with_its_reader_is_accepted(two_keys, run):
    result = run("info", "--serial", SERIALS[1], "-r", READER1)
    assert (result.status, result.stdout.splitlines()[-1]) == (0, f"Serial Number:\t{SERIALS[1]}")


def test_a_key_without_serial_never_matches(insert, run):
    insert(make_key(key_info=False), reader=0)
    insert(make_key(serial=None), reader=1)
    assert run("info", "--serial", "0") == (-1, "", not_found(0))


def test_list_serials_prints_both(two_keys, run):
    assert run("list", "--serials") == (0, f"{READER0}\t{SERIALS[0]}\n{READER1}\t{SERIALS[1]}\n", "")


def test_list_serials_leaves_the_serial_out_when_the_key_reports_none(insert, run):
    insert(make_key(key_info=False), reader=0)
    insert(make_key(serial=SERIALS[1]), reader=1)
    assert run("list", "--serials") == (0, f"{READER0}\t\n{READER1}\t{SERIALS[1]}\n", "")


@pytest.mark.parametrize("args, status, message", [
    (["info", "--serial", "-1"], 105, "--serial: The serial number must be a non-negative integer number"),
    (["info", "--serial", "1e3"], 105, "--serial: The serial number must be a non-negative integer number"),
    (["list", "--serials", "-r"], 108, "--reader excludes --serials"),
    (["list", "--serials", "-f"], 108, "--fido-path excludes --serials"),
], ids=["negative", "not-decimal", "with-reader-flag", "with-fido-flag"])
def test_bad_serial_options(two_keys, run, args, status, message):
    assert run(*args) == (status, "", message + "\n" + HINT)
