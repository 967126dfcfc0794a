"""The link between a card and a vpcd reader: one TCP connection per inserted card.

vpcd listens on 127.0.0.1, port 35963 for reader "Virtual PCD 00 00" and 35964 for
"Virtual PCD 00 01". Each message is a 2-byte big-endian length and its payload. A 1-byte
message from the reader is a control code; anything longer is a command APDU. Closing the
connection is pulling the card out.
"""

import socket
import struct
import threading
import time

from .faults import PULL_CARD

HOST = "127.0.0.1"
BASE_PORT = 35963

CTRL_OFF = 0
CTRL_ON = 1
CTRL_RESET = 2
CTRL_ATR = 4


def port_of(index: int) -> int:
    return BASE_PORT + index


def reader_name_of(index: int) -> str:
    return f"Virtual PCD 00 {index:02d}"


READER0 = reader_name_of(0)
READER1 = reader_name_of(1)


class VpcdLink:
    """Serves one card on one vpcd port in a background thread until closed or pulled."""

    def __init__(self, card, port: int, host: str = HOST):
        self.card = card
        self.port = port
        self.host = host
        self._sock = None
        self._thread = None
        self._closing = False

    @property
    def connected(self) -> bool:
        return self._thread is not None and self._thread.is_alive()

    def connect(self, timeout: float = 10.0):
        """Connect, retrying while vpcd does not listen yet (pcscd still starting)."""
        deadline = time.monotonic() + timeout
        while True:
            try:
                self._sock = socket.create_connection((self.host, self.port), timeout=1.0)
                break
            except OSError:
                if time.monotonic() >= deadline:
                    raise
                time.sleep(0.1)
        self._sock.settimeout(None)
        self._sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        self._thread = threading.Thread(target=self._serve, name=f"vpcd-{self.port}", daemon=True)
        self._thread.start()

    def close(self):
        self._closing = True
        sock = self._sock
        if sock is not None:
            try:
                sock.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass
        if self._thread is not None:
            self._thread.join(timeout=5)
        self._close_socket()

    def wait_closed(self, timeout=None) -> bool:
        if self._thread is not None:
            self._thread.join(timeout)
        return not self.connected

    def _close_socket(self):
        sock, self._sock = self._sock, None
        if sock is not None:
            try:
                sock.close()
            except OSError:
                pass

    def _serve(self):
        try:
            while True:
                message = self._receive()
                if message is None:
                    return
                answer = self._answer(message)
                if answer is PULL_CARD:
                    return
                if answer is not None:
                    self._sock.sendall(struct.pack(">H", len(answer)) + answer)
        except OSError:
            return
        finally:
            if not self._closing:
                self._close_socket()

    def _answer(self, message: bytes):
        if len(message) != 1:
            return self.card.transmit(message)
        code = message[0]
        if code == CTRL_ATR:
            return self.card.atr
        if code == CTRL_ON:
            self.card.power_on()
        elif code == CTRL_OFF:
            self.card.power_off()
        elif code == CTRL_RESET:
            self.card.reset()
        return None

    def _receive(self):
        header = self._receive_exactly(2)
        if header is None:
            return None
        (length,) = struct.unpack(">H", header)
        return self._receive_exactly(length)

    def _receive_exactly(self, count: int):
        chunks = []
        while count > 0:
            chunk = self._sock.recv(count)
            if not chunk:
                return None
            # vpcd writes a message's length and body separately; acknowledging at once spares
            # each exchange the wait for a delayed acknowledgement (about 40 ms).
            self._sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_QUICKACK, 1)
            chunks.append(chunk)
            count -= len(chunk)
        return b"".join(chunks)
