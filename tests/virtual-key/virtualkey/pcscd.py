"""Starting the PC/SC daemon when nobody runs one, and stopping only the one we started."""

import subprocess
import time

from . import pcsc
from .vpcd import reader_name_of

PCSCD = "/usr/sbin/pcscd"


class PcscDaemon:
    def __init__(self, log_path: str):
        self.log_path = log_path
        self._process = None
        self._log = None

    @property
    def started_here(self) -> bool:
        return self._process is not None

    def ensure_running(self, timeout=15.0):
        if not pcsc.pcscd_answers():
            self._log = open(self.log_path, "w")
            self._process = subprocess.Popen(
                [PCSCD, "-f", "-a"], stdout=self._log, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL
            )
        self._wait_for_readers(timeout)

    def stop(self):
        if self._process is None:
            return
        self._process.terminate()
        try:
            self._process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self._process.kill()
            self._process.wait()
        self._process = None
        self._log.close()

    def _wait_for_readers(self, timeout):
        wanted = {reader_name_of(0), reader_name_of(1)}
        deadline = time.monotonic() + timeout
        while True:
            if self._process is not None and self._process.poll() is not None:
                raise RuntimeError(f"pcscd ended at once (exit {self._process.returncode}), see {self.log_path}")
            try:
                with pcsc.Context() as context:
                    if wanted <= set(context.readers()):
                        return
            except pcsc.PcscError:
                pass
            if time.monotonic() > deadline:
                raise RuntimeError(f"pcscd shows no readers {sorted(wanted)}; see {self.log_path}")
            time.sleep(0.1)
