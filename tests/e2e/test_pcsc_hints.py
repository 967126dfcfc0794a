"""The line that says what to do when PC/SC fails, written right before the help hint; the
messages and exit codes before it stay as they are.

The shared pcscd is never stopped: "not running" is a private mount namespace whose
/run/pcscd is empty, "no reader" one where a private pcscd without reader drivers answers."""

import os
import shutil
import subprocess

import pytest
from virtualkey import READER0, make_key

HINT = "Run with --help for more information.\n"
START_SERVICE = 'The PC/SC service is not running: start pcscd, for example with "systemctl start pcscd.socket"\n'
PLUG_KEY_IN = "There is no smartcard reader: plug your Quenlix Key in\n"
CLOSE_HOLDER = (
    "Another program holds the key, for example a browser, gpg's scdaemon or another smart-card tool: "
    "close it and try again\n"
)
IO_FAILED = "The communication with the device failed\n"
NO_SERVICE_LISTING = "Failed SCardEstablishContext in ci_listReaders: -2146435043\n"
HELD_PROBE = "Failed SCardConnect: -2146435061\n"  # SCARD_E_SHARING_VIOLATION
EMPTY_READER = "Failed SCardConnect: -2146435060\n"  # SCARD_E_NO_SMARTCARD

# Runs "$@" in the namespace, with a private pcscd when PCSCD_CONFIG names a reader folder.
NAMESPACE = r"""
mount -t tmpfs tmpfs /run/pcscd || exit 97
if [ -n "$PCSCD_CONFIG" ]; then
    /usr/sbin/pcscd -f -c "$PCSCD_CONFIG" >/dev/null 2>&1 &
    daemon=$!
    for _ in $(seq 100); do [ -S /run/pcscd/pcscd.comm ] && break; sleep 0.05; done
fi
"$@"
status=$?
[ -n "$daemon" ] && kill "$daemon" && wait "$daemon"
exit $status
"""


def run_in_namespace(binary, tmp_path, *args, with_daemon):
    if shutil.which("unshare") is None or subprocess.run(["unshare", "-m", "true"]).returncode != 0:
        pytest.skip("no private mount namespace here")
    env = dict(os.environ, PCSCD_CONFIG=str(tmp_path) if with_daemon else "")
    process = subprocess.run(["unshare", "-m", "sh", "-c", NAMESPACE, "sh", str(binary), *args],
                             capture_output=True, text=True, timeout=60, env=env)
    assert process.returncode != 97, process.stderr
    status = process.returncode - 256 if process.returncode >= 128 else process.returncode
    return status, process.stdout, process.stderr


@pytest.mark.parametrize("args", [["info"], ["list", "-r"], ["totp", "--list-slots"], ["list", "--serials"]],
                         ids=["info", "list", "totp", "list-serials"])
def test_pcscd_unreachable(run, args):
    result = run(*args, env={"PCSCLITE_CSOCK_NAME": "/nonexistent/pcscd.comm"})
    assert result == (-5, NO_SERVICE_LISTING, IO_FAILED + START_SERVICE + HINT)


@pytest.mark.parametrize("args", [["info"], ["piv", "--info"]], ids=["info", "piv"])
def test_pcscd_not_running(binary, tmp_path, args):
    assert run_in_namespace(binary, tmp_path, *args, with_daemon=False) == (
        -5, NO_SERVICE_LISTING, IO_FAILED + START_SERVICE + HINT
    )


@pytest.mark.parametrize("args, message", [
    (["info"], "Could not connect to any Quenlix Key\n"),
    (["hotp", "--gen-hotp"], "Could not connect to any Quenlix Key\n"),
    (["list"], "No smartcard readers found\n"),
    (["info", "--serial", "1"], "Could not find a Quenlix Key with the serial number 1\n"),
], ids=["info", "hotp", "list", "serial"])
def test_no_reader(binary, tmp_path, args, message):
    assert run_in_namespace(binary, tmp_path, *args, with_daemon=True) == (-1, "", message + PLUG_KEY_IN + HINT)


def test_key_held_exclusively_by_another_process(insert, hold_reader, run):
    key = insert(make_key(), reader=0)
    hold_reader(READER0)

    named = run("info", "-r", READER0)
    assert (named.status, set(named.stdout.splitlines())) == (-14, {HELD_PROBE.strip()})
    assert named.stderr == "The device is already in exclusive use by another application\n" + CLOSE_HOLDER + HINT
    assert key.commands() == []

    searched = run("info")
    assert searched == (-1, HELD_PROBE + EMPTY_READER, "Could not connect to any Quenlix Key\n" + CLOSE_HOLDER + HINT)


def test_no_hint_for_other_failures(no_key, run):
    # Empty readers are neither a missing service nor a held key.
    assert run("info") == (-1, EMPTY_READER * 2, "Could not connect to any Quenlix Key\n" + HINT)
