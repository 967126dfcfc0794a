#!/usr/bin/python3
"""Hold a reader's card exclusively until standard input closes or a signal ends this process.

Prints "held" on standard output once the card is held.
Usage: hold_reader.py "Virtual PCD 00 00" [--transaction] [--timeout SECONDS]
"""

import argparse
import os
import signal
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from virtualkey import pcsc  # noqa: E402


def connect(context, reader, timeout):
    deadline = time.monotonic() + timeout
    while True:
        try:
            return context.connect(reader, pcsc.SCARD_SHARE_EXCLUSIVE)
        except pcsc.PcscError:
            if time.monotonic() > deadline:
                raise
            time.sleep(0.1)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("reader")
    parser.add_argument("--transaction", action="store_true", help="also begin a transaction")
    parser.add_argument("--timeout", type=float, default=10.0, help="how long to try to connect")
    args = parser.parse_args()
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))

    with pcsc.Context() as context:
        card = connect(context, args.reader, args.timeout)
        try:
            if args.transaction:
                card.begin_transaction()
            print("held", flush=True)
            sys.stdin.read()
        finally:
            card.disconnect()


if __name__ == "__main__":
    try:
        main()
    except pcsc.PcscError as error:
        print(f"error: {error}", file=sys.stderr)
        sys.exit(1)
