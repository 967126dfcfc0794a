"""A small PC/SC client over libpcsclite, for the harness and for tests that talk to a reader."""

import ctypes
import time
from ctypes import POINTER, byref, c_char_p, c_long, c_ubyte, c_ulong, c_void_p

SCARD_S_SUCCESS = 0
SCARD_E_TIMEOUT = 0x8010000A
SCARD_E_SHARING_VIOLATION = 0x8010000B
SCARD_E_NO_SMARTCARD = 0x8010000C
SCARD_E_NO_SERVICE = 0x8010001D
SCARD_E_NO_READERS_AVAILABLE = 0x8010002E
SCARD_E_UNKNOWN_READER = 0x80100009

SCARD_SCOPE_USER = 0
SCARD_SHARE_EXCLUSIVE = 1
SCARD_SHARE_SHARED = 2
SCARD_PROTOCOL_T0 = 1
SCARD_PROTOCOL_T1 = 2
SCARD_LEAVE_CARD = 0
SCARD_RESET_CARD = 1
SCARD_UNPOWER_CARD = 2

SCARD_STATE_UNAWARE = 0x0000
SCARD_STATE_EMPTY = 0x0010
SCARD_STATE_PRESENT = 0x0020
SCARD_STATE_EXCLUSIVE = 0x0080
SCARD_STATE_INUSE = 0x0100

MAX_ATR_SIZE = 33
MAX_RESPONSE = 65538

_NAMES = {
    SCARD_E_TIMEOUT: "SCARD_E_TIMEOUT",
    SCARD_E_SHARING_VIOLATION: "SCARD_E_SHARING_VIOLATION",
    SCARD_E_NO_SMARTCARD: "SCARD_E_NO_SMARTCARD",
    SCARD_E_NO_SERVICE: "SCARD_E_NO_SERVICE",
    SCARD_E_NO_READERS_AVAILABLE: "SCARD_E_NO_READERS_AVAILABLE",
    SCARD_E_UNKNOWN_READER: "SCARD_E_UNKNOWN_READER",
}


class ReaderState(ctypes.Structure):
    _fields_ = [
        ("szReader", c_char_p),
        ("pvUserData", c_void_p),
        ("dwCurrentState", c_ulong),
        ("dwEventState", c_ulong),
        ("cbAtr", c_ulong),
        ("rgbAtr", c_ubyte * MAX_ATR_SIZE),
    ]


class IoRequest(ctypes.Structure):
    _fields_ = [("dwProtocol", c_ulong), ("cbPciLength", c_ulong)]


_lib = ctypes.CDLL("libpcsclite.so.1")
for _name in (
    "SCardEstablishContext",
    "SCardReleaseContext",
    "SCardListReaders",
    "SCardGetStatusChange",
    "SCardConnect",
    "SCardDisconnect",
    "SCardStatus",
    "SCardTransmit",
    "SCardBeginTransaction",
    "SCardEndTransaction",
):
    getattr(_lib, _name).restype = c_long
_lib.SCardGetStatusChange.argtypes = [c_long, c_ulong, POINTER(ReaderState), c_ulong]
_PCI = {
    SCARD_PROTOCOL_T0: IoRequest.in_dll(_lib, "g_rgSCardT0Pci"),
    SCARD_PROTOCOL_T1: IoRequest.in_dll(_lib, "g_rgSCardT1Pci"),
}


class PcscError(Exception):
    def __init__(self, call: str, code: int):
        self.call = call
        self.code = code & 0xFFFFFFFF
        super().__init__(f"{call}: {_NAMES.get(self.code, hex(self.code))}")


def _check(call: str, result: int):
    if result != SCARD_S_SUCCESS:
        raise PcscError(call, result)


class Context:
    """A PC/SC context; use it in a with statement."""

    def __init__(self):
        self._handle = c_long()
        _check(
            "SCardEstablishContext",
            _lib.SCardEstablishContext(SCARD_SCOPE_USER, None, None, byref(self._handle)),
        )

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def close(self):
        if self._handle is not None:
            _lib.SCardReleaseContext(self._handle)
            self._handle = None

    def readers(self) -> list[str]:
        length = c_ulong()
        result = _lib.SCardListReaders(self._handle, None, None, byref(length))
        if result & 0xFFFFFFFF == SCARD_E_NO_READERS_AVAILABLE:
            return []
        _check("SCardListReaders", result)
        buffer = ctypes.create_string_buffer(length.value)
        result = _lib.SCardListReaders(self._handle, None, buffer, byref(length))
        if result & 0xFFFFFFFF == SCARD_E_NO_READERS_AVAILABLE:
            return []
        _check("SCardListReaders", result)
        return [name.decode() for name in buffer.raw[: length.value].split(b"\0") if name]

    def reader_state(self, reader: str, known_state=SCARD_STATE_UNAWARE, timeout_ms=0):
        """(event state flags, ATR) of the reader; waits up to timeout_ms for a change from known_state."""
        state = ReaderState()
        state.szReader = reader.encode()
        state.dwCurrentState = known_state
        result = _lib.SCardGetStatusChange(self._handle, timeout_ms, byref(state), 1)
        if result & 0xFFFFFFFF == SCARD_E_TIMEOUT:
            return known_state, None
        _check("SCardGetStatusChange", result)
        return state.dwEventState, bytes(state.rgbAtr[: state.cbAtr])

    def wait_for(self, reader: str, condition, timeout: float) -> bool:
        """Wait until condition(state flags, ATR) holds for the reader, at most timeout seconds."""
        deadline = time.monotonic() + timeout
        known = SCARD_STATE_UNAWARE
        while True:
            remaining_ms = int((deadline - time.monotonic()) * 1000)
            state, atr = self.reader_state(reader, known, max(remaining_ms, 0) if known else 0)
            if atr is not None:
                if condition(state, atr):
                    return True
                known = state & ~0x0002  # without SCARD_STATE_CHANGED
            if remaining_ms <= 0:
                return False

    def connect(self, reader: str, share=SCARD_SHARE_EXCLUSIVE, protocols=SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1):
        handle = c_long()
        protocol = c_ulong()
        _check(
            "SCardConnect",
            _lib.SCardConnect(self._handle, reader.encode(), share, protocols, byref(handle), byref(protocol)),
        )
        return Card(handle, protocol.value)


class Card:
    """A connection to the card in a reader."""

    def __init__(self, handle, protocol: int):
        self._handle = handle
        self.protocol = protocol

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.disconnect()

    def disconnect(self, disposition=SCARD_LEAVE_CARD):
        if self._handle is not None:
            _lib.SCardDisconnect(self._handle, disposition)
            self._handle = None

    def atr(self) -> bytes:
        atr = (c_ubyte * MAX_ATR_SIZE)()
        atr_length = c_ulong(MAX_ATR_SIZE)
        state = c_ulong()
        protocol = c_ulong()
        _check(
            "SCardStatus",
            _lib.SCardStatus(self._handle, None, None, byref(state), byref(protocol), atr, byref(atr_length)),
        )
        return bytes(atr[: atr_length.value])

    def transmit(self, command: bytes) -> bytes:
        """One exchange; returns the response with its status word."""
        response = (c_ubyte * MAX_RESPONSE)()
        response_length = c_ulong(MAX_RESPONSE)
        command = bytes(command)
        _check(
            "SCardTransmit",
            _lib.SCardTransmit(
                self._handle,
                byref(_PCI[self.protocol]),
                command,
                c_ulong(len(command)),
                None,
                response,
                byref(response_length),
            ),
        )
        return bytes(response[: response_length.value])

    def begin_transaction(self):
        _check("SCardBeginTransaction", _lib.SCardBeginTransaction(self._handle))

    def end_transaction(self):
        _check("SCardEndTransaction", _lib.SCardEndTransaction(self._handle, SCARD_LEAVE_CARD))


def pcscd_answers() -> bool:
    """True when a PC/SC daemon accepts contexts."""
    try:
        Context().close()
        return True
    except PcscError:
        return False


def wait_card(reader: str, atr: bytes | None = None, timeout: float = 10.0) -> bool:
    """Wait until the reader holds a card (with this ATR, when given)."""

    def present(state, current_atr):
        return bool(state & SCARD_STATE_PRESENT) and (atr is None or current_atr == atr)

    with Context() as context:
        return context.wait_for(reader, present, timeout)


def wait_empty(reader: str, timeout: float = 10.0) -> bool:
    with Context() as context:
        return context.wait_for(reader, lambda state, atr: bool(state & SCARD_STATE_EMPTY), timeout)
