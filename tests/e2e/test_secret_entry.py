"""Secrets given as "-": read from standard input through a pipe, or typed at a prompt on a
real pseudo-terminal without echo. Either way the key ends as with the value typed on the
command line, and the same checks apply."""

import base64
import os
import pty
import select
import signal
import termios
import time
from typing import NamedTuple, Optional

import pytest
from applets import hotp, piv, totp
from test_fido_simulator import change_pin as fido2_token_change_pin
from virtualkey import READER0, make_key

HINT = "Run with --help for more information.\n"
MGMT = piv.DEFAULT_MANAGEMENT_KEY.hex()
NEW_MGMT = bytes(range(1, 25)).hex()
OTP_KEY = base64.b32encode(bytes(range(0x40, 0x54))).decode()


class Row(NamedTuple):
    name: str
    args: tuple  # one of them "-"
    secret: str  # the line piped in, or typed in place of the "-"
    totp_pin: Optional[str] = None  # the TOTP applet's PIN before the run
    fido_pin: Optional[str] = None  # the FIDO authenticator's PIN before the run


ROWS = [
    Row("piv --pin", ("piv", "--change-pin", "654321", "-p", "-"), "123456"),
    Row("piv --change-pin", ("piv", "--change-pin", "-", "-p", "123456"), "654321"),
    Row("piv --puk", ("piv", "--change-puk", "87654321", "--puk", "-"), "12345678"),
    Row("piv --change-puk", ("piv", "--change-puk", "-", "--puk", "12345678"), "87654321"),
    Row("piv --unblock-pin", ("piv", "--unblock-pin", "-", "--puk", "12345678"), "654321"),
    Row("piv --management-key", ("piv", "--set-management-key", NEW_MGMT, "-k", "-"), MGMT),
    Row("piv --set-management-key", ("piv", "--set-management-key", "-", "-k", MGMT), NEW_MGMT),
    Row("totp --set-pin", ("totp", "--set-pin", "-"), "1234"),
    Row("totp --pin", ("totp", "--change-pin", "5678", "-p", "-"), "1234", totp_pin="1234"),
    Row("totp --change-pin", ("totp", "--change-pin", "-", "-p", "1234"), "5678", totp_pin="1234"),
    Row("totp --key", ("totp", "--conf-slot", "--account", "mail", "--key", "-"), OTP_KEY),
    Row("hotp --pin", ("hotp", "--change-pin", "654321", "-p", "-"), "123456"),
    Row("hotp --change-pin", ("hotp", "--change-pin", "-", "-p", "123456"), "654321"),
    Row("hotp --key", ("hotp", "--configure", "-p", "123456", "--key", "-", "--counter", "5"), OTP_KEY),
    Row("fido --set-pin", ("fido", "--set-pin", "-"), "1234"),
    Row("fido --pin", ("fido", "--change-pin", "5678", "-p", "-"), "1234", fido_pin="1234"),
    Row("fido --change-pin", ("fido", "--change-pin", "-", "-p", "1234"), "5678", fido_pin="1234"),
]


def snapshot(value):
    """A comparable copy of an applet's lasting state (what survives the session)."""
    if isinstance(value, dict):
        return {key: snapshot(item) for key, item in value.items()}
    if isinstance(value, (list, tuple)):
        return [snapshot(item) for item in value]
    if hasattr(value, "__dict__"):
        return {key: snapshot(item) for key, item in vars(value).items()
                if not key.startswith("_") and "verified" not in key and not callable(item)}
    return value


def card_state(card):
    return {applet.__class__.__name__: snapshot(applet) for applet in card.applets}


@pytest.fixture
def run_fresh(insert, run, fido_devices):
    """run_fresh(row, args, input) -> (result, state): the run on a fresh key (and a fresh
    authenticator for fido) in the row's starting state, and the state it leaves."""

    def run_fresh(row, args, input=""):
        if args[0] == "fido":
            for earlier in fido_devices.devices:
                earlier.unplug()
            device = fido_devices.add(pin=row.fido_pin)
            result = run(*args, env=fido_devices.env(), input=input)
            state = device.state()
            return result, (state.pin, state.retries), device
        card = insert(make_key())
        if row.totp_pin is not None:
            card.find_applet(totp.TOTP_AID).pin = totp.make(pin=row.totp_pin).pin
        card.clear_log()
        result = run(*args, "-r", READER0, input=input)
        return result, card_state(card), card

    return run_fresh


@pytest.mark.parametrize("row", ROWS, ids=[row.name for row in ROWS])
def test_a_piped_secret_leaves_the_key_as_the_typed_one(run_fresh, fido_devices, row):
    typed = tuple(row.secret if arg == "-" else arg for arg in row.args)
    typed_result, typed_state, _ = run_fresh(row, typed)
    piped_result, piped_state, device = run_fresh(row, row.args, row.secret + "\n")
    assert typed_result.status == 0, typed_result.stderr
    assert piped_result == typed_result
    assert piped_state == typed_state
    if row.name == "fido --change-pin":  # the new PIN works for software no one here wrote
        assert fido2_token_change_pin(fido_devices, device, row.secret, "abcd").returncode == 0


def test_two_dashes_read_their_lines_in_the_order_of_the_help(key, run):
    # --pin comes before --change-pin in the help, whatever the order on the line.
    result = run("piv", "--change-pin", "-", "--pin", "-", "-r", READER0, input="123456\n654321\n")
    assert (result.status, result.stdout) == (0, "Successfully changed PIN\n")
    assert key.find_applet(piv.PIV_AID).pin.value == b"654321"


def test_a_missing_line_names_the_option_before_the_key_is_touched(key, run):
    key.clear_log()
    result = run("piv", "--info", "-p", "-", "-r", READER0, input="")
    assert result == (105, "", "--pin: no value on standard input\n" + HINT)
    assert key.commands() == []


@pytest.mark.parametrize(
    "args, line, typed",
    [
        (("piv", "--info", "-p", "-"), "12345", ("piv", "--info", "-p", "12345")),
        (("piv", "--change-puk", "-", "--puk", "12345678"), "1234567", ("piv", "--change-puk", "1234567", "--puk", "12345678")),
        (("piv", "--info", "-k", "-"), "0" * 47, ("piv", "--info", "-k", "0" * 47)),
        (("hotp", "--pin-format", "hex", "--change-pin", "-", "-p", "123456"), "3132",
         ("hotp", "--pin-format", "hex", "--change-pin", "3132", "-p", "123456")),
        (("hotp", "--pin-format", "hex", "--change-pin", "-", "-p", "123456"), "313233343536",
         ("hotp", "--pin-format", "hex", "--change-pin", "313233343536", "-p", "123456")),
        (("totp", "--conf-slot", "--account", "a", "--key", "-"), "JBSW", ("totp", "--conf-slot", "--account", "a", "--key", "JBSW")),
    ],
    ids=["short-pin", "short-puk", "odd-key", "short-hex-pin", "hex-pin", "short-otp-key"],
)
def test_a_piped_secret_is_checked_as_the_typed_one(insert, run, args, line, typed):
    card = insert(make_key())
    piped = run(*args, "-r", READER0, input=line + "\n")
    piped_state = card_state(card)
    card = insert(make_key())
    assert piped == run(*typed, "-r", READER0)
    assert piped_state == card_state(card)


def test_standard_input_cannot_give_both_secrets_and_the_input_file(key, run, tmp_path):
    key.clear_log()
    result = run("piv", "-k", "-", "--import-key", "9A", "--input", "/dev/stdin", "-r", READER0, input=MGMT + "\n")
    assert result == (105, "", "--management-key: standard input cannot give both this secret and --input\n" + HINT)
    assert key.commands() == []


# --- on a terminal ------------------------------------------------------------------------------


class Prompted:
    """The program on a pseudo-terminal as its standard input and standard error (where the
    prompts go); standard output is a pipe."""

    def __init__(self, binary, *args):
        out_read, out_write = os.pipe()
        self.pid, self.terminal = pty.fork()
        if self.pid == 0:
            os.close(out_read)
            os.dup2(out_write, 1)
            os.execv(str(binary), [str(binary), *map(str, args)])
        os.close(out_write)
        self.stdout = out_read
        self.screen = b""

    def wait_for(self, text, timeout=20):
        deadline = time.monotonic() + timeout
        while text.encode() not in self.screen:
            ready, _, _ = select.select([self.terminal], [], [], max(0, deadline - time.monotonic()))
            if not ready:
                pytest.fail(f"no {text!r} on the terminal; it shows {self.screen!r}")
            try:
                self.screen += os.read(self.terminal, 4096)
            except OSError:
                pytest.fail(f"the program ended before {text!r}; the terminal showed {self.screen!r}")

    def type(self, text):
        os.write(self.terminal, text.encode())

    def cmdline(self):
        with open(f"/proc/{self.pid}/cmdline", "rb") as file:
            return file.read()

    def echo_is_on(self):
        return bool(termios.tcgetattr(self.terminal)[3] & termios.ECHO)

    def finish(self):
        """(exit status or -signal, standard output, everything the terminal showed)."""
        _, status = os.waitpid(self.pid, 0)
        while True:
            ready, _, _ = select.select([self.terminal], [], [], 0.2)
            try:
                chunk = os.read(self.terminal, 4096) if ready else b""
            except OSError:
                chunk = b""
            if not chunk:
                break
            self.screen += chunk
        output = b""
        while chunk := os.read(self.stdout, 4096):
            output += chunk
        os.close(self.stdout)
        code = os.waitstatus_to_exitcode(status)
        return (code - 256 if code >= 128 else code), output.decode(), self.screen.decode()

    def close(self):
        os.close(self.terminal)


@pytest.fixture
def prompted(binary, pcscd):
    started = []

    def start(*args):
        started.append(Prompted(binary, *args))
        return started[-1]

    yield start
    for program in started:
        program.close()


def test_prompts_show_and_typed_secrets_do_not(key, prompted):
    program = prompted("piv", "--change-pin", "-", "--pin", "-", "-r", READER0)
    program.wait_for("PIN: ")
    program.type("123456\n")
    program.wait_for("New PIN: ")
    assert b"123456" not in program.cmdline()
    program.type("654321\n")
    program.wait_for("Repeat new PIN: ")
    program.type("654321\n")
    status, stdout, screen = program.finish()
    assert (status, stdout) == (0, "Successfully changed PIN\n")
    assert "123456" not in screen and "654321" not in screen
    assert key.find_applet(piv.PIV_AID).pin.value == b"654321"


def test_a_mismatched_repeat_ends_before_the_key_is_touched(key, prompted):
    key.clear_log()
    program = prompted("piv", "--change-pin", "-", "--pin", "123456", "-r", READER0)
    program.wait_for("New PIN: ")
    program.type("654321\n")
    program.wait_for("Repeat new PIN: ")
    program.type("654322\n")
    status, stdout, screen = program.finish()
    assert (status, stdout) == (105, "")
    assert "--change-pin: the two entries differ" in screen
    assert key.commands() == []


def test_ctrl_c_at_a_prompt_leaves_the_echo_on(key, prompted):
    program = prompted("hotp", "--change-pin", "654321", "--pin", "-", "-r", READER0)
    program.wait_for("PIN: ")
    assert not program.echo_is_on()
    program.type("\x03")
    status, _, _ = program.finish()
    assert status == -signal.SIGINT
    assert program.echo_is_on()
