"""End-to-end harness: the built program against the virtual key in vpcd reader "Virtual PCD 00 00".

The whole session holds /tmp/quenlix-e2e.lock, because pcscd and the vpcd ports are shared by
everyone on this machine. pcscd is started only when none answers, and stopped only if
started here. See tests/virtual-key/README.md for the fixtures.
"""

import fcntl
import os
import re
import subprocess
import sys
from pathlib import Path
from typing import NamedTuple

import pytest

REPO = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(REPO / "tests" / "virtual-key"))

from virtualkey import ReaderHolder, VirtualReader, make_key, pcsc  # noqa: E402
from virtualkey.pcscd import PcscDaemon  # noqa: E402

# Simulated FIDO devices: the fido_devices fixture and the --fido-shim option.
pytest_plugins = ["fido_fixtures"]

LOCK_PATH = "/tmp/quenlix-e2e.lock"
RUN_TIMEOUT = 60
SANITIZER_REPORT = re.compile(r"ERROR: (Address|Leak)Sanitizer|: runtime error: ")


# --- session: lock, daemon, readers ---------------------------------------------------------


def pytest_addoption(parser):
    parser.addoption(
        "--binary",
        default=None,
        help="the quenlix-key program to test (default: $QUENLIX_KEY_BINARY or <repo>/build/quenlix-key)",
    )
    parser.addoption(
        "--card-operations",
        default=None,
        metavar="PROGRAM",
        help="the program that lists the card answer fuzzer's operations (default: "
        "tests/fuzz/quenlix-card-operations in the build tree of --binary)",
    )
    parser.addoption(
        "--device-library",
        default=None,
        metavar="LIBRARY",
        help="the device library whose card-talking entry points the fault sweep and the fuzzer "
        "must cover (default: src/device/libquenlix-device.a in the build tree of --binary)",
    )
    parser.addoption(
        "--record-card-answers",
        default=None,
        metavar="DIR",
        help="the fault sweep writes the exchanges of its clean runs to DIR as card answer fuzz seeds",
    )


def pytest_configure(config):
    descriptor = os.open(LOCK_PATH, os.O_RDWR | os.O_CREAT, 0o666)
    try:
        fcntl.flock(descriptor, fcntl.LOCK_EX | fcntl.LOCK_NB)
    except BlockingIOError:
        print(f"waiting for {LOCK_PATH} (another e2e run or demo holds it)", file=sys.stderr, flush=True)
        fcntl.flock(descriptor, fcntl.LOCK_EX)
    config.quenlix_lock = descriptor


def pytest_unconfigure(config):
    descriptor = getattr(config, "quenlix_lock", None)
    if descriptor is not None:
        os.close(descriptor)


@pytest.fixture(scope="session")
def pcscd(tmp_path_factory):
    # A private folder (mode 0700) rather than a predictable path in /tmp.
    daemon = PcscDaemon(str(tmp_path_factory.mktemp("pcscd") / "pcscd.log"))
    daemon.ensure_running()
    yield daemon
    daemon.stop()


@pytest.fixture(scope="session")
def readers(pcscd):
    """The two vpcd readers, 0 ("Virtual PCD 00 00") and 1 ("Virtual PCD 00 01")."""
    pair = (VirtualReader(0), VirtualReader(1))
    yield pair
    for reader in pair:
        reader.remove(wait=False)


@pytest.fixture(scope="session")
def binary(request):
    path = request.config.getoption("--binary") or os.environ.get("QUENLIX_KEY_BINARY")
    return Path(path or REPO / "build" / "quenlix-key").resolve()


# --- per test: cards in the readers ---------------------------------------------------------


def _fail_on_applet_errors(card):
    if card.errors:
        pytest.fail("an applet of the virtual key raised:\n" + "\n".join(card.errors), pytrace=False)


@pytest.fixture
def reader0(readers):
    return readers[0]


@pytest.fixture
def reader1(readers):
    return readers[1]


@pytest.fixture
def insert(readers):
    """insert(card, reader=0) -> card: put a card of the test's making into reader 0 or 1 and
    wait until pcscd reports it. Readers the test puts no card into stay empty."""
    inserted = []

    def insert(card, reader=0):
        if not inserted:
            for other in readers:
                if other is not readers[reader]:
                    other.remove()
        readers[reader].put(card)
        inserted.append(card)
        return card

    yield insert
    for card in inserted:
        _fail_on_applet_errors(card)


@pytest.fixture
def key(insert):
    """A fresh default key (make_key()) in reader 0; reader 1 empty unless the test inserts
    a card there."""
    return insert(make_key())


@pytest.fixture
def piv_applet(key):
    """The PIV applet of the `key` fixture, for set-up and for checking its state."""
    from applets.piv import PIV_AID

    return key.find_applet(PIV_AID)


@pytest.fixture
def no_key(readers):
    """Both readers empty."""
    for reader in readers:
        reader.remove()


@pytest.fixture
def hold_reader(readers):
    """hold_reader(name=reader 0) -> holder: another process holds the reader's card exclusively
    until holder.release() or the end of the test."""
    holders = []

    def hold(name=readers[0].name, transaction=False):
        holder = ReaderHolder(name, transaction)
        holders.append(holder)
        return holder

    yield hold
    for holder in holders:
        holder.release()


@pytest.fixture
def pcsc_context(pcscd):
    with pcsc.Context() as context:
        yield context


# --- running the program --------------------------------------------------------------------


class RunResult(NamedTuple):
    """status: the exit code as the program meant it (0 to 127 as is, 128 to 255 as the negative
    code, so exit(-14) gives -14); stdout and stderr as text."""

    status: int
    stdout: str
    stderr: str


def _text(data) -> str:
    return (data or b"").decode("utf-8", "surrogateescape")


@pytest.fixture
def run_env():
    """Variables added to the environment of every run of the program in this test; fixtures
    that stand in for devices (e.g. an LD_PRELOAD shim) fill it."""
    return {}


@pytest.fixture
def run(binary, pcscd, run_env):
    """run(*args, timeout=60, env=None, input=None) -> RunResult(status, stdout, stderr).

    env adds variables to the inherited environment and run_env. A program killed by a
    signal, outliving the timeout, or reporting a sanitizer error fails the test."""

    def run(*args, timeout=RUN_TIMEOUT, env=None, input=None):
        if not binary.is_file():
            pytest.fail(f"no program at {binary}: build it, or pass --binary / set QUENLIX_KEY_BINARY")
        command = [str(binary), *map(str, args)]
        environment = {**os.environ, **run_env, **(env or {})}
        try:
            process = subprocess.run(
                command,
                capture_output=True,
                timeout=timeout,
                env=environment,
                input=input.encode() if isinstance(input, str) else input,
            )
        except subprocess.TimeoutExpired as expired:
            pytest.fail(
                f"{command} still ran after {timeout} s\n"
                f"stdout:\n{_text(expired.stdout)}\nstderr:\n{_text(expired.stderr)}"
            )
        stdout, stderr = _text(process.stdout), _text(process.stderr)
        if process.returncode < 0:
            pytest.fail(f"{command} was killed by signal {-process.returncode}\nstderr:\n{stderr}")
        if SANITIZER_REPORT.search(stderr):
            pytest.fail(f"{command}: sanitizer report\n{stderr}")
        status = process.returncode - 256 if process.returncode >= 128 else process.returncode
        return RunResult(status, stdout, stderr)

    return run
