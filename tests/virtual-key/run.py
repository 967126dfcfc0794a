#!/usr/bin/python3
"""Insert a virtual key (or another card) into a vpcd reader and serve it until ended.

Prints "ready READER ATR" once pcscd reports the card. SIGUSR1 pulls the card out (and
prints "removed READER" once pcscd reports the reader empty), SIGUSR2 puts it back (its
applets keep their state, as a real key does); SIGTERM or SIGINT pull it and end the program
once pcscd reports the reader empty.
"""

import argparse
import os
import signal
import sys
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from virtualkey import ATR_B, atr_from_text, hexstr, make_key, make_plain_card, pcsc  # noqa: E402
from virtualkey.vpcd import VpcdLink, port_of, reader_name_of  # noqa: E402


def serial_from_text(text):
    if text.lower() == "none":
        return None
    if text.lower().startswith("hex:"):
        return bytes.fromhex(text[4:])
    return int(text, 0)


def parse_args():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--port", type=int, choices=(0, 1), default=0, help="0: Virtual PCD 00 00, 1: 00 01")
    parser.add_argument("--atr", help="a, b, plain, a-bad-tck or the ATR in hex (default: b, plain for --plain)")
    parser.add_argument("--plain", action="store_true", help="an ordinary card without the key's applets")
    parser.add_argument("--name", default=None, help="name the card manager reports")
    parser.add_argument("--version", default=None, help="version text the card manager reports (e.g. 1.0.3)")
    parser.add_argument("--date", default=None, help="production date the card manager reports")
    parser.add_argument("--serial", default=None, help="serial number: a number, hex:BYTES, or none")
    parser.add_argument("--no-key-info", action="store_true", help="leave out the key-information applet")
    parser.add_argument("--no-plugins", action="store_true", help="leave out the applets of applets/*.py")
    parser.add_argument("--chunk-size", type=int, default=256, help="most response data per answer")
    parser.add_argument("--log", action="store_true", help="print every command and answer on stderr")
    return parser.parse_args()


def build_card(args):
    atr = atr_from_text(args.atr) if args.atr else None
    if args.plain:
        return make_plain_card(atr)
    options = {}
    for field in ("name", "version", "date"):
        if getattr(args, field) is not None:
            options[field] = getattr(args, field)
    if args.serial is not None:
        options["serial"] = serial_from_text(args.serial)
    return make_key(
        atr or ATR_B,
        key_info=not args.no_key_info,
        plugins=not args.no_plugins,
        chunk_size=args.chunk_size,
        **options,
    )


class Slot:
    """Keeps the card in the reader while wanted, putting it back if pcscd drops the link."""

    def __init__(self, card, index):
        self.card = card
        self.index = index
        self.wanted = True
        self.running = True
        self.changed = threading.Event()
        self._link = None

    def request(self, wanted=None, running=None):
        if wanted is not None:
            self.wanted = wanted
        if running is not None:
            self.running = running
        self.changed.set()

    def serve(self):
        reader = reader_name_of(self.index)
        while self.running:
            if self.wanted and (self._link is None or not self._link.connected):
                self._insert(reader)
            elif not self.wanted and self._link is not None:
                self._remove(reader)
                print(f"removed {reader}", flush=True)
            self.changed.wait(0.2)
            self.changed.clear()
        if self._link is not None:
            self._remove(reader)

    def _remove(self, reader):
        self._link.close()
        self._link = None
        try:
            pcsc.wait_empty(reader, timeout=15.0)
        except pcsc.PcscError:
            pass  # no pcscd: nobody to tell

    def _insert(self, reader):
        self._link = VpcdLink(self.card, port_of(self.index))
        try:
            self._link.connect(timeout=1.0)
        except OSError:
            self._link = None
            return
        try:
            seen = pcsc.wait_card(reader, self.card.atr, timeout=15.0)
        except pcsc.PcscError:
            seen = False
        if seen:
            print(f"ready {reader} {hexstr(self.card.atr)}", flush=True)


def main():
    args = parse_args()
    card = build_card(args)
    if args.log:
        card.observer = lambda exchange: print(exchange, file=sys.stderr, flush=True)
    slot = Slot(card, args.port)
    signal.signal(signal.SIGUSR1, lambda *_: slot.request(wanted=False))
    signal.signal(signal.SIGUSR2, lambda *_: slot.request(wanted=True))
    signal.signal(signal.SIGTERM, lambda *_: slot.request(running=False))
    signal.signal(signal.SIGINT, lambda *_: slot.request(running=False))
    slot.serve()


if __name__ == "__main__":
    main()
