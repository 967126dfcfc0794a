"""The list command: key readers over PC/SC, FIDO2 devices through the shim."""

import pytest
from virtualkey import make_key

HINT = "Run with --help for more information.\n"
# The probe of the empty second reader prints its PC/SC failure (no smart card) first.
READERS = "Failed SCardConnect: -2146435060\nSmartcard readers:\nVirtual PCD 00 00\n"
NO_READERS = "No smartcard readers found\n" + HINT
NO_FIDO = ("No FIDO devices found. Plug in your Quenlix Key or try again with administrator "
           "rights\n" + HINT)


@pytest.fixture
def list_(run, fido_devices):
    def list_(*args):
        return run("list", *args, env=fido_devices.env())

    return list_


def fido_paths(*paths):
    return "FIDO device paths:\n" + "".join(path + "\n" for path in paths)


@pytest.fixture
def two_fido2_devices(fido_devices):
    fido_devices.add("/dev/hidraw-key")
    fido_devices.add("/dev/hidraw-other", vendor_id=0x1050, product_id=0x0407)


def test_key_reader_and_fido_devices(key, list_, two_fido2_devices):
    both = READERS + fido_paths("/dev/hidraw-key", "/dev/hidraw-other")
    assert list_() == (0, both, "")
    assert list_("-r", "-f") == (0, both, "")
    assert list_("--reader", "--fido-path") == (0, both, "")
    assert list_("-r") == (0, READERS, "")
    assert list_("-f") == (0, fido_paths("/dev/hidraw-key", "/dev/hidraw-other"), "")


def test_key_reader_without_fido_device(key, list_):
    assert list_() == (-1, READERS, NO_FIDO)
    assert list_("-r") == (0, READERS, "")
    assert list_("-f") == (-1, "", NO_FIDO)


def test_fido_devices_without_key_reader(no_key, list_, two_fido2_devices):
    for flags in ([], ["-r"], ["-r", "-f"]):
        result = list_(*flags)
        assert (result.status, result.stderr) == (-1, NO_READERS)
        assert "FIDO device paths:" not in result.stdout
    assert list_("-f") == (0, fido_paths("/dev/hidraw-key", "/dev/hidraw-other"), "")


def test_key_in_the_second_reader(readers, insert, list_, fido_devices):
    readers[0].remove()
    insert(make_key(), reader=1)
    fido_devices.add()
    result = list_("-r")
    assert result.status == 0
    assert result.stdout.endswith("Smartcard readers:\nVirtual PCD 00 01\n")


def test_u2f_only_devices_are_not_listed(no_key, list_, fido_devices):
    fido_devices.add("/dev/hidraw-u2f", fido2=False)
    assert list_("-f") == (-1, "", NO_FIDO)

    fido_devices.add("/dev/hidraw-fido2", vendor_id=0x1050, product_id=0x0407)
    assert list_("-f") == (0, fido_paths("/dev/hidraw-fido2"), "")


def test_fido_device_that_cannot_be_opened_fails_after_the_readers(key, list_, fido_devices):
    fido_devices.add().disappear_after(0)
    assert list_() == (-9, READERS, "FIDO_ERR_INTERNAL\n" + HINT)
