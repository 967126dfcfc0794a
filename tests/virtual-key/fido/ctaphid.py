"""CTAPHID framing: 64-byte reports, initialisation and continuation packets,
reassembly of requests and fragmentation of responses."""

from dataclasses import dataclass

REPORT_SIZE = 64
INIT_DATA_SIZE = REPORT_SIZE - 7
CONT_DATA_SIZE = REPORT_SIZE - 5
MAX_PAYLOAD = INIT_DATA_SIZE + 128 * CONT_DATA_SIZE
BROADCAST_CID = 0xFFFFFFFF

CMD_PING = 0x01
CMD_MSG = 0x03
CMD_INIT = 0x06
CMD_WINK = 0x08
CMD_CBOR = 0x10
CMD_CANCEL = 0x11
CMD_KEEPALIVE = 0x3B
CMD_ERROR = 0x3F

ERR_INVALID_CMD = 0x01
ERR_INVALID_LEN = 0x03
ERR_INVALID_SEQ = 0x04
ERR_CHANNEL_BUSY = 0x06
ERR_INVALID_CHANNEL = 0x0B

KEEPALIVE_UPNEEDED = 0x02

CAPABILITY_WINK = 0x01
CAPABILITY_CBOR = 0x04
CAPABILITY_NMSG = 0x08

PROTOCOL_VERSION = 2


@dataclass
class Message:
    cid: int
    cmd: int
    payload: bytes


@dataclass
class Failure:
    """A framing error to report on the given channel."""

    cid: int
    code: int


def fragment(cid: int, cmd: int, payload: bytes) -> list:
    """Split one response into reports."""
    prefix = cid.to_bytes(4, "big")
    head = prefix + bytes([0x80 | cmd]) + len(payload).to_bytes(2, "big")
    reports = [_pad(head + payload[:INIT_DATA_SIZE])]
    rest = payload[INIT_DATA_SIZE:]
    sequence = 0
    while rest:
        reports.append(_pad(prefix + bytes([sequence]) + rest[:CONT_DATA_SIZE]))
        rest = rest[CONT_DATA_SIZE:]
        sequence += 1
    return reports


def error_reports(cid: int, code: int) -> list:
    return fragment(cid, CMD_ERROR, bytes([code]))


def _pad(report: bytes) -> bytes:
    return report + bytes(REPORT_SIZE - len(report))


class Assembler:
    """Collects the packets of one request at a time."""

    def __init__(self):
        self._pending = None  # [cid, cmd, expected length, data, next sequence]

    def feed(self, report: bytes):
        """Returns a Message when a request is complete, a Failure, or None."""
        report = _pad(report[:REPORT_SIZE])
        cid = int.from_bytes(report[:4], "big")
        if report[4] & 0x80:
            return self._initialisation(cid, report[4] & 0x7F, report)
        return self._continuation(cid, report[4], report[5:])

    def _initialisation(self, cid: int, cmd: int, report: bytes):
        if self._pending is not None:
            if self._pending[0] != cid:
                return Failure(cid, ERR_CHANNEL_BUSY)
            self._pending = None
            if cmd != CMD_INIT:
                return Failure(cid, ERR_INVALID_SEQ)
        length = int.from_bytes(report[5:7], "big")
        if length > MAX_PAYLOAD:
            return Failure(cid, ERR_INVALID_LEN)
        data = report[7 : 7 + min(length, INIT_DATA_SIZE)]
        if length <= INIT_DATA_SIZE:
            return Message(cid, cmd, data)
        self._pending = [cid, cmd, length, data, 0]
        return None

    def _continuation(self, cid: int, sequence: int, data: bytes):
        pending = self._pending
        if pending is None or pending[0] != cid:
            return None  # stray continuation packets are ignored
        if sequence != pending[4]:
            self._pending = None
            return Failure(cid, ERR_INVALID_SEQ)
        pending[3] += data[: pending[2] - len(pending[3])]
        pending[4] += 1
        if len(pending[3]) < pending[2]:
            return None
        self._pending = None
        return Message(cid, pending[1], pending[3])
