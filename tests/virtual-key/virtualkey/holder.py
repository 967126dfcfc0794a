"""A second process that holds a reader exclusively, so that others meet a sharing violation."""

import os
import subprocess
import sys

HOLD_SCRIPT = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "hold_reader.py")


class ReaderHolder:
    def __init__(self, reader: str, transaction=False, timeout=10.0):
        args = [sys.executable, HOLD_SCRIPT, reader] + (["--transaction"] if transaction else [])
        self._process = subprocess.Popen(
            args, stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True
        )
        line = self._process.stdout.readline()
        if line.strip() != "held":
            self.release()
            raise RuntimeError(f"could not hold {reader}: {line}{self._process.stderr.read()}")

    def release(self):
        if self._process is None:
            return
        process, self._process = self._process, None
        try:
            process.stdin.close()
            process.wait(timeout=5)
        except (OSError, subprocess.TimeoutExpired):
            process.kill()
            process.wait()
        process.stdout.close()
        process.stderr.close()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.release()
