"""Faults a test plants on the card: chosen answers to chosen commands."""

import threading


class PullCard:
    """Answer of a fault that pulls the card out of the reader instead of answering."""

    def __repr__(self):
        return "PULL_CARD"


PULL_CARD = PullCard()


def _matcher(match):
    if callable(match):
        return match
    if isinstance(match, int):
        return lambda command: len(command) > 1 and command[1] == match
    prefix = _to_bytes(match)
    return lambda command: command.startswith(prefix)


def _to_bytes(value) -> bytes:
    if isinstance(value, str):
        return bytes.fromhex(value.replace(" ", "").replace(":", ""))
    return bytes(value)


def _answer(response):
    if response is PULL_CARD:
        return PULL_CARD
    if isinstance(response, int):
        return response.to_bytes(2, "big")
    return _to_bytes(response)


class Fault:
    """Replaces the card's answer to matching commands.

    match: a byte prefix of the raw command (bytes or hex text), an INS byte (int), or a
    predicate on the raw command bytes. answer: the raw response (bytes or hex text, status
    word included), a status word (int), or PULL_CARD. times: how many matches to answer,
    None for every one; skip: matches to let through first. process: let the card still carry
    out the command (its state changes) and only replace its answer.
    """

    def __init__(self, match, answer, times=1, skip=0, process=False):
        self._matches = _matcher(match)
        self.answer = _answer(answer)
        self.remaining = times
        self.skip = skip
        self.process = process
        self.hits = 0

    @property
    def exhausted(self) -> bool:
        return self.remaining is not None and self.remaining <= 0

    def take(self, command: bytes) -> bool:
        """True when this fault answers the command; counts the use."""
        if self.exhausted or not self._matches(command):
            return False
        if self.skip > 0:
            self.skip -= 1
            return False
        if self.remaining is not None:
            self.remaining -= 1
        self.hits += 1
        return True


class FaultList:
    def __init__(self):
        self._faults = []
        self._lock = threading.Lock()

    def add(self, fault: Fault) -> Fault:
        with self._lock:
            self._faults.append(fault)
        return fault

    def clear(self):
        with self._lock:
            self._faults.clear()

    def take(self, command: bytes):
        """The first planted fault that answers this command, or None."""
        with self._lock:
            for fault in self._faults:
                if fault.take(command):
                    return fault
        return None
