"""Fault sweep: every card-talking action of every command, with a fault planted at each
APDU of its exchange in turn. The exchange is learnt from a clean run's APDU log; each fault
must end the run with a non-zero exit and a message, no success line and the card's stored
data either as before or as after the clean run. An action that recovers from a fault must
give exactly the clean run's result.

A new action is one line in ACTIONS: its arguments and the card it starts from."""

import base64
import copy
import time
from dataclasses import dataclass, field

import pytest
from applets import hotp, totp
from virtualkey import PULL_CARD, READER0, make_key

PIN = "123456"
KEY = base64.b32encode(bytes(range(0x40, 0x54))).decode()


def otp_key(totp_pin=PIN):
    """The default key, its TOTP applet with a PIN, a plain slot 0 and a protected slot 1."""
    slots = {
        0: {"key": bytes(20), "account": "mail"},
        1: {"key": bytes(range(20)), "account": "bank", "issuer": "Bank", "pin_protected": True},
    }
    return make_key(plugins=False, extra_applets=[hotp.make(), totp.make(pin=totp_pin, slots=slots)])


@dataclass
class Action:
    args: tuple
    card: object = otp_key
    reader_option: bool = True


ACTIONS = {
    "info": Action(("info",)),
    "list": Action(("list", "-r"), reader_option=False),
    "hotp-info": Action(("hotp", "--info")),
    "hotp-gen": Action(("hotp", "--gen-hotp")),
    "hotp-configure": Action(("hotp", "--configure", "-p", PIN, "--key", KEY, "--counter", "5", "--otp-length", "8")),
    "hotp-reset": Action(("hotp", "--reset", "-p", PIN, "--otp-length", "8")),
    "hotp-change-pin": Action(("hotp", "-p", PIN, "--change-pin", "654321")),
    "totp-info": Action(("totp", "--info")),
    "totp-pin-info": Action(("totp", "--pin-info")),
    "totp-list-slots": Action(("totp", "--list-slots")),
    "totp-reset": Action(("totp", "--reset")),
    "totp-reset-pin": Action(("totp", "--reset-pin")),
    "totp-set-pin": Action(("totp", "--set-pin", PIN), card=lambda: otp_key(totp_pin=None)),
    "totp-change-pin": Action(("totp", "-p", PIN, "--change-pin", "654321")),
    "totp-conf-slot": Action(("totp", "--conf-slot", "--account", "shop", "--key", KEY, "--pin-protected")),
    "totp-clear-slot": Action(("totp", "--clear-slot", "--slot-index", "0")),
    "totp-gen": Action(("totp", "--gen-totp", "--slot-index", "0")),
    "totp-gen-protected": Action(("totp", "--gen-totp", "--slot-index", "1", "-p", PIN)),
}

FAULTS = ("6F00", "no-status-word", "one-byte", "pull")


def stored(card):
    """What the card keeps across power cycles, in comparable form."""
    state = {}
    applet = card.find_applet(hotp.HOTP_AID)
    state["hotp"] = (applet.key, applet.counter, applet.otp_length, applet.pin.value, applet.pin.tries_left)
    applet = card.find_applet(totp.TOTP_AID)
    state["totp"] = (copy.deepcopy(applet.slots), applet.pin.value, applet.pin.tries_left)
    return state


def fault_answer(fault, response):
    """The planted answer, or None when the fault makes no sense for this response."""
    if fault == "6F00":
        return 0x6F00
    if fault == "no-status-word":
        return response[:-2] if len(response) > 2 else None
    if fault == "one-byte":
        return response[:1]
    return PULL_CARD


@dataclass
class Tally:
    runs: int = 0
    recovered: list = field(default_factory=list)
    seconds: float = 0.0


TALLY = Tally()


def run_action(run, action):
    args = action.args + (("-r", READER0) if action.reader_option else ())
    return run(*args)


def last_line(text):
    lines = text.strip("\n").split("\n")
    return lines[-1] if lines and lines[-1] else None


@pytest.mark.parametrize("fault", FAULTS)
@pytest.mark.parametrize("name", ACTIONS)
def test_fault_at_every_apdu_ends_in_a_clean_failure(name, fault, insert, run):
    action = ACTIONS[name]
    started = time.monotonic()
    card = insert(action.card())
    before = stored(card)
    clean = run_action(run, action)
    assert clean.status == 0, clean.stderr
    after = stored(card)
    exchange = list(card.log)
    success = last_line(clean.stdout)

    for position, (_, response) in enumerate(exchange):
        answer = fault_answer(fault, response)
        if answer is None:
            continue
        card = insert(action.card())
        planted = card.inject(lambda command: True, answer, skip=position)
        result = run_action(run, action)
        TALLY.runs += 1
        context = f"{name}: {fault} at APDU {position}\n{card.log_text()}\n{result}"
        assert planted.hits == 1, context
        assert stored(card) in (before, after), context
        if result.status == 0:
            # Recovered: only the clean run's exact result will do.
            assert (result.stdout, stored(card)) == (clean.stdout, after), context
            TALLY.recovered.append((name, fault, position))
            continue
        assert result.stderr.strip(), context
        assert success is None or success not in result.stdout.split("\n"), context
    TALLY.seconds += time.monotonic() - started


def teardown_module():
    print(f"\nfault sweep: {TALLY.runs} runs in {TALLY.seconds:.1f} s; recovered: {TALLY.recovered}")
