"""The virtual key: a smart card that dispatches commands to its applets by AID."""

import threading
import traceback
from typing import NamedTuple

from applets.base import (
    SW_APPLET_SELECT_FAILED,
    SW_CONDITIONS_NOT_SATISFIED,
    SW_FILE_NOT_FOUND,
    SW_INCORRECT_P1P2,
    SW_LOGICAL_CHANNEL_NOT_SUPPORTED,
    SW_OK,
    SW_SECURE_MESSAGING_NOT_SUPPORTED,
    SW_UNKNOWN,
    SW_WRONG_LENGTH,
    sw_bytes,
)
from applets.card_manager import AID as CARD_MANAGER_AID
from applets.key_info import AID as KEY_INFO_AID

from .apdu import MalformedApdu, hexstr, is_interindustry, parse_command
from .atr import ATR_B
from .faults import PULL_CARD, Fault, FaultList

INS_SELECT = 0xA4
INS_GET_RESPONSE = 0xC0
CHAINING_BIT = 0x10


class Exchange(NamedTuple):
    """One command as the card received it and the answer it gave (status word included)."""

    command: bytes
    response: bytes

    def __str__(self):
        return f"{hexstr(self.command)} -> {hexstr(self.response)}"


class _Chain:
    def __init__(self, header):
        self.header = header
        self.data = bytearray()


class VirtualKey:
    """A card built from a list of applets.

    chunk_size: most response data handed out per answer; longer data is announced with
    61xx and collected with GET RESPONSE. announce_all: announce every answer that carries
    data with 61xx, as T=0 cards do. max_chain: most data one command chain may carry.
    """

    def __init__(
        self,
        atr=ATR_B,
        applets=(),
        chunk_size=256,
        announce_all=False,
        max_chain=16384,
        default_aid=CARD_MANAGER_AID,
    ):
        self.atr = bytes(atr)
        self.applets = list(applets)
        self.chunk_size = chunk_size
        self.announce_all = announce_all
        self.max_chain = max_chain
        self.default_aid = default_aid
        self.log: list[Exchange] = []
        self.events: list[str] = []
        self.errors: list[str] = []
        self.observer = None  # called with each Exchange, e.g. to print it
        self._faults = FaultList()
        self._lock = threading.RLock()
        self._selected = None
        self._chain = None
        self._pending = None
        self._reset_volatile()

    # --- what tests use -------------------------------------------------------------

    def find_applet(self, aid: bytes):
        for applet in self.applets:
            if applet.aid == bytes(aid):
                return applet
        return None

    @property
    def card_manager(self):
        return self.find_applet(CARD_MANAGER_AID)

    @property
    def key_info(self):
        return self.find_applet(KEY_INFO_AID)

    def inject(self, match, answer, times=1, skip=0, process=False) -> Fault:
        """Plant a fault; see Fault for the arguments."""
        return self._faults.add(Fault(match, answer, times, skip, process))

    def clear_faults(self):
        self._faults.clear()

    def commands(self) -> list[bytes]:
        with self._lock:
            return [exchange.command for exchange in self.log]

    def clear_log(self):
        with self._lock:
            self.log.clear()

    def log_text(self) -> str:
        with self._lock:
            return "\n".join(str(exchange) for exchange in self.log)

    # --- what the reader calls ------------------------------------------------------

    def power_on(self):
        self._power_event("on")

    def power_off(self):
        self._power_event("off")

    def reset(self):
        self._power_event("reset")

    def transmit(self, command: bytes):
        """Answer one command APDU; returns the response bytes or PULL_CARD."""
        command = bytes(command)
        with self._lock:
            fault = self._faults.take(command)
            if fault is not None and fault.process:
                self._process_safely(command)
            response = fault.answer if fault is not None else self._process_safely(command)
            exchange = Exchange(command, b"" if response is PULL_CARD else response)
            self.log.append(exchange)
        if self.observer is not None:
            self.observer(exchange)
        return response

    # --- inner working --------------------------------------------------------------

    def _power_event(self, name):
        with self._lock:
            self.events.append(name)
            self._reset_volatile()
            for applet in self.applets:
                applet.power_cycle()

    def _reset_volatile(self):
        self._chain = None
        self._pending = None
        self._selected = self.find_applet(self.default_aid) if self.default_aid else None

    def _process_safely(self, command):
        try:
            return self._process(command)
        except Exception:  # an applet's fault must not take the reader link down
            self.errors.append(traceback.format_exc())
            self._chain = None
            self._pending = None
            return sw_bytes(SW_UNKNOWN)

    def _process(self, raw):
        try:
            command = parse_command(raw)
        except MalformedApdu:
            self._chain = None
            self._pending = None
            return sw_bytes(SW_WRONG_LENGTH)

        cla = command.cla
        if is_interindustry(cla):
            if cla & 0x03:
                return sw_bytes(SW_LOGICAL_CHANNEL_NOT_SUPPORTED)
            if cla & 0x0C:
                return sw_bytes(SW_SECURE_MESSAGING_NOT_SUPPORTED)
            if command.ins == INS_GET_RESPONSE and cla == 0x00:
                return self._get_response(command)
        self._pending = None

        chained = is_interindustry(cla) and bool(cla & CHAINING_BIT)
        if chained:
            cla &= ~CHAINING_BIT
        header = (cla, command.ins, command.p1, command.p2)
        if self._chain is not None and self._chain.header != header:
            self._chain = None  # an abandoned chain is dropped, as cards do
        if chained:
            return self._extend_chain(header, command.data)

        data = command.data
        if self._chain is not None:
            data = bytes(self._chain.data) + data
            self._chain = None
        response, sw = self._dispatch(cla, command.ins, command.p1, command.p2, data)
        return self._answer(bytes(response), sw, command.le)

    def _extend_chain(self, header, data):
        if self._chain is None:
            self._chain = _Chain(header)
        self._chain.data += data
        if len(self._chain.data) > self.max_chain:
            self._chain = None
            return sw_bytes(SW_WRONG_LENGTH)
        return sw_bytes(SW_OK)

    def _dispatch(self, cla, ins, p1, p2, data):
        if cla == 0x00 and ins == INS_SELECT:
            return self._select(p1, p2, data)
        if self._selected is None:
            return b"", SW_APPLET_SELECT_FAILED
        return self._selected.process(self, cla, ins, p1, p2, data)

    def _select(self, p1, p2, aid):
        if p1 != 0x04 or p2 not in (0x00, 0x0C):
            return b"", SW_INCORRECT_P1P2
        applet = self.find_applet(aid) if aid else self.find_applet(self.default_aid)
        if applet is None:
            applet = self._find_by_prefix(aid)
        if applet is None:
            return b"", SW_FILE_NOT_FOUND  # the selected applet stays selected
        response, sw = applet.on_select(self)
        self._selected = applet if sw == SW_OK else None
        return (b"" if p2 == 0x0C else response), sw

    def _find_by_prefix(self, aid):
        """Selection by a truncated AID, for the applets that allow it (first match)."""
        for applet in self.applets:
            if applet.partial_select and len(aid) >= 5 and applet.aid.startswith(bytes(aid)):
                return applet
        return None

    def _answer(self, data, sw, le):
        limit = self._limit(le)
        if self.announce_all and data:
            limit = 0
        if len(data) <= limit:
            return data + sw_bytes(sw)
        self._pending = (data[limit:], sw)
        return data[:limit] + self._announce()

    def _get_response(self, command):
        if command.p1 != 0x00 or command.p2 != 0x00:
            return sw_bytes(SW_INCORRECT_P1P2)
        if self._pending is None:
            return sw_bytes(SW_CONDITIONS_NOT_SATISFIED)
        data, sw = self._pending
        limit = max(self._limit(command.le), 1)
        if len(data) <= limit:
            self._pending = None
            return data + sw_bytes(sw)
        self._pending = (data[limit:], sw)
        return data[:limit] + self._announce()

    def _limit(self, le):
        expected = 256 if le == 0 else le
        return self.chunk_size if expected is None else min(self.chunk_size, expected)

    def _announce(self):
        remaining = len(self._pending[0])
        return bytes([0x61, remaining if remaining < 256 else 0x00])
