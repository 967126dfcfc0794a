#!/usr/bin/python3
"""PC/SC daemon checks for shell scripts.

  pcscd_ctl.py answers        exit 0 when a pcscd accepts contexts, else 1
  pcscd_ctl.py wait-readers   wait (15 s at most) until both vpcd readers are listed
"""

import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from virtualkey import READER0, READER1, pcsc  # noqa: E402


def wait_readers(timeout=15.0) -> bool:
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        try:
            with pcsc.Context() as context:
                if {READER0, READER1} <= set(context.readers()):
                    return True
        except pcsc.PcscError:
            pass
        time.sleep(0.1)
    return False


def main():
    action = sys.argv[1] if len(sys.argv) == 2 else ""
    if action == "answers":
        return 0 if pcsc.pcscd_answers() else 1
    if action == "wait-readers":
        return 0 if wait_readers() else 1
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main())
