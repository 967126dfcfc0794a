"""A simulated FIDO HID device served on a SOCK_SEQPACKET Unix socket, one
64-byte report per packet. The device stays "plugged in" while programs open
and close it; its state lives as long as this object."""

import os
import socket
import threading
import time
from dataclasses import dataclass
from typing import Optional

from . import ctaphid
from .authenticator import Authenticator, AuthenticatorConfig, AuthenticatorState

KEEPALIVE_INTERVAL = 0.1
_TIMED_OUT = object()


@dataclass
class DeviceState(AuthenticatorState):
    opens: int = 0  # connections accepted so far
    keepalives: int = 0  # KEEPALIVE responses sent so far


class Vanish:
    """CBOR fault answer: the device disappears instead of answering."""

    def __repr__(self):
        return "VANISH"


VANISH = Vanish()


class SimulatedDevice:
    def __init__(self, socket_path: str, config: Optional[AuthenticatorConfig] = None,
                 pin: Optional[str] = None, retries: int = 8, credentials=()):
        if len(socket_path.encode()) > 107:
            raise ValueError(f"Unix socket path too long: {socket_path}")
        self.socket_path = socket_path
        self.config = config or AuthenticatorConfig()
        self.authenticator = Authenticator(self.config, pin, retries, credentials)
        self.lock = threading.RLock()
        self._channels = set()
        self._next_channel = 1
        self._opens = 0
        self._opens_left = None
        self._keepalives = 0
        self._listener = None
        self._accept_thread = None
        self._connections = set()
        self._cbor_fault = None  # (requests to let through, answer)
        self.cbor_requests = 0  # CTAPHID CBOR requests received so far
        self.cbor_answers = []  # what the authenticator answered them (status byte and body)

    # -- life cycle ----------------------------------------------------------

    def plug(self):
        """Start serving; plugging in again powers the authenticator up anew."""
        if self._listener is not None:
            return
        self.power_cycle()
        if os.path.exists(self.socket_path):
            os.unlink(self.socket_path)
        listener = socket.socket(socket.AF_UNIX, socket.SOCK_SEQPACKET)
        listener.bind(self.socket_path)
        listener.listen(8)
        self._listener = listener
        self._accept_thread = threading.Thread(
            target=self._accept_loop, args=(listener,), daemon=True)
        self._accept_thread.start()

    def unplug(self):
        """Stop serving and drop every open connection."""
        self._close_listener()
        if self._accept_thread is not None:
            self._accept_thread.join(timeout=5)
            self._accept_thread = None
        with self.lock:
            connections = list(self._connections)
        for connection in connections:
            connection.stop()
        for connection in connections:
            connection.join(timeout=5)

    def disappear_after(self, opens: int):
        """Vanish (refuse new opens) once this many more opens were accepted."""
        with self.lock:
            self._opens_left = opens
        if opens == 0:
            self._close_listener()

    def inject_cbor(self, answer, skip: int = 0):
        """Answer the CBOR request after `skip` more ones with `answer` instead of carrying it
        out: raw bytes (CTAP status byte and body) or VANISH."""
        with self.lock:
            self._cbor_fault = (skip, answer)

    def take_cbor_fault(self):
        """Counts one CBOR request; the planted answer when it is this one's turn, else None."""
        with self.lock:
            self.cbor_requests += 1
            if self._cbor_fault is None:
                return None
            skip, answer = self._cbor_fault
            if skip > 0:
                self._cbor_fault = (skip - 1, answer)
                return None
            self._cbor_fault = None
            return answer

    def vanish(self):
        """Gone from the bus: no new opens, and open connections are cut (from any thread)."""
        self._close_listener()
        with self.lock:
            connections = list(self._connections)
        for connection in connections:
            connection.stop()

    def plant(self, credential):
        """One more discoverable credential (a Credential or its tuple), after the others."""
        with self.lock:
            self.authenticator.plant(credential)

    def power_cycle(self):
        with self.lock:
            self.authenticator.power_cycle()
            self._channels.clear()

    def state(self) -> DeviceState:
        with self.lock:
            base = self.authenticator.state()
            return DeviceState(**vars(base), opens=self._opens, keepalives=self._keepalives)

    # -- used by connections -------------------------------------------------

    def allocate_channel(self) -> int:
        with self.lock:
            cid = self._next_channel
            self._next_channel = self._next_channel % 0xFFFFFFFE + 1
            self._channels.add(cid)
            return cid

    def is_channel(self, cid: int) -> bool:
        with self.lock:
            return cid in self._channels

    def count_keepalive(self):
        with self.lock:
            self._keepalives += 1

    def forget(self, connection):
        with self.lock:
            self._connections.discard(connection)

    def _close_listener(self):
        listener, self._listener = self._listener, None
        if listener is None:
            return
        try:
            listener.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass
        listener.close()
        if os.path.exists(self.socket_path):
            os.unlink(self.socket_path)

    def _accept_loop(self, listener):
        while True:
            try:
                sock, _ = listener.accept()
            except OSError:
                return
            with self.lock:
                self._opens += 1
                connection = Connection(self, sock)
                self._connections.add(connection)
                vanish = False
                if self._opens_left is not None:
                    self._opens_left -= 1
                    vanish = self._opens_left <= 0
            connection.start()
            if vanish:
                self._close_listener()
                return


class Connection(threading.Thread):
    """One program's open handle on the device."""

    def __init__(self, device: SimulatedDevice, sock: socket.socket):
        super().__init__(daemon=True)
        self.device = device
        self.sock = sock
        self.assembler = ctaphid.Assembler()

    def stop(self):
        try:
            self.sock.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass

    def run(self):
        try:
            while True:
                report = self._receive(None)
                if report is None:
                    return
                self._process(self.assembler.feed(report))
        finally:
            self.sock.close()
            self.device.forget(self)

    def _receive(self, timeout):
        self.sock.settimeout(timeout)
        try:
            data = self.sock.recv(1024)
        except socket.timeout:
            return _TIMED_OUT
        except OSError:
            return None
        return data or None

    def _send(self, reports):
        for report in reports:
            try:
                self.sock.send(report)
            except OSError:
                return

    def _fail(self, cid: int, code: int):
        self._send(ctaphid.error_reports(cid, code))

    def _process(self, event):
        if isinstance(event, ctaphid.Failure):
            self._fail(event.cid, event.code)
        elif isinstance(event, ctaphid.Message):
            with self.device.lock:
                self._dispatch(event)

    def _dispatch(self, message: ctaphid.Message):
        if message.cmd == ctaphid.CMD_INIT:
            self._init(message)
            return
        if not self.device.is_channel(message.cid):
            self._fail(message.cid, ctaphid.ERR_INVALID_CHANNEL)
            return
        config = self.device.config
        if message.cmd == ctaphid.CMD_CANCEL:
            return  # nothing is waiting
        if message.cmd in (ctaphid.CMD_PING, ctaphid.CMD_WINK):
            self._reply(message, message.payload if message.cmd == ctaphid.CMD_PING else b"")
        elif message.cmd == ctaphid.CMD_MSG:
            self._reply(message, self.device.authenticator.handle_u2f(message.payload))
        elif message.cmd == ctaphid.CMD_CBOR and config.fido2:
            def presence(outcome, delay):
                return self._wait_for_touch(message.cid, outcome, delay)

            fault = self.device.take_cbor_fault()
            if fault is VANISH:
                self.device.vanish()
                return
            if fault is None:
                fault = self.device.authenticator.handle_cbor(message.payload, presence)
                self.device.cbor_answers.append(fault)
            self._reply(message, fault)
        else:
            self._fail(message.cid, ctaphid.ERR_INVALID_CMD)

    def _reply(self, message: ctaphid.Message, payload: bytes):
        self._send(ctaphid.fragment(message.cid, message.cmd, payload))

    def _init(self, message: ctaphid.Message):
        if len(message.payload) != 8:
            self._fail(message.cid, ctaphid.ERR_INVALID_LEN)
            return
        if message.cid == ctaphid.BROADCAST_CID:
            cid = self.device.allocate_channel()
        elif self.device.is_channel(message.cid):
            cid = message.cid
        else:
            self._fail(message.cid, ctaphid.ERR_INVALID_CHANNEL)
            return
        config = self.device.config
        capabilities = ctaphid.CAPABILITY_WINK
        if config.fido2:
            capabilities |= ctaphid.CAPABILITY_CBOR
            if "U2F_V2" not in config.versions:
                capabilities |= ctaphid.CAPABILITY_NMSG
        body = message.payload + cid.to_bytes(4, "big")
        body += bytes([ctaphid.PROTOCOL_VERSION, *config.version, capabilities])
        self._reply(message, body)

    def _wait_for_touch(self, cid: int, outcome: str, delay: float) -> str:
        """Send KEEPALIVEs for the given time; a CANCEL on the channel ends it."""
        deadline = time.monotonic() + delay
        while True:
            self._send(ctaphid.fragment(cid, ctaphid.CMD_KEEPALIVE,
                                        bytes([ctaphid.KEEPALIVE_UPNEEDED])))
            self.device.count_keepalive()
            remaining = deadline - time.monotonic()
            if remaining <= 0:
                return outcome
            report = self._receive(min(KEEPALIVE_INTERVAL, remaining))
            if report is None:
                return "cancel"  # the program went away
            if report is _TIMED_OUT:
                continue
            event = self.assembler.feed(report)
            if isinstance(event, ctaphid.Failure):
                self._fail(event.cid, event.code)
            elif isinstance(event, ctaphid.Message):
                if event.cid == cid and event.cmd in (ctaphid.CMD_CANCEL, ctaphid.CMD_INIT):
                    if event.cmd == ctaphid.CMD_INIT:
                        self._init(event)
                    return "cancel"
                if event.cid == ctaphid.BROADCAST_CID and event.cmd == ctaphid.CMD_INIT:
                    self._init(event)
                else:
                    self._fail(event.cid, ctaphid.ERR_CHANNEL_BUSY)
