"""Run a program that reads secrets from /dev/tty (fido2-token's PIN prompts)."""

import os
import pty
import select
import signal
import subprocess
import time
from dataclasses import dataclass


@dataclass
class TtyResult:
    returncode: int
    stdout: str
    stderr: str
    prompts: list


def run_with_tty(argv, answers=(), env=None, timeout=30.0) -> TtyResult:
    """Answer each prompt written to the terminal with the next of `answers`."""
    stdout_read, stdout_write = os.pipe()
    stderr_read, stderr_write = os.pipe()
    pid, terminal = pty.fork()
    if pid == 0:
        os.dup2(stdout_write, 1)
        os.dup2(stderr_write, 2)
        try:
            os.execvpe(argv[0], list(argv), env if env is not None else os.environ)
        finally:
            os._exit(127)
    os.close(stdout_write)
    os.close(stderr_write)
    streams = {terminal: b"", stdout_read: b"", stderr_read: b""}
    pending = list(answers)
    prompts = []
    deadline = time.monotonic() + timeout
    open_streams = set(streams)
    while open_streams:
        remaining = deadline - time.monotonic()
        if remaining <= 0:
            os.kill(pid, signal.SIGKILL)
            break
        ready, _, _ = select.select(list(open_streams), [], [], remaining)
        for fd in ready:
            try:
                chunk = os.read(fd, 4096)
            except OSError:  # the terminal reports EIO once the child is gone
                chunk = b""
            if not chunk:
                open_streams.discard(fd)
                continue
            streams[fd] += chunk
            if fd == terminal and streams[fd].rstrip().endswith(b":"):
                prompts.append(streams[fd].decode(errors="replace").strip())
                streams[fd] = b""
                if pending:
                    os.write(terminal, pending.pop(0).encode() + b"\n")
    _, status = os.waitpid(pid, 0)
    for fd in streams:
        os.close(fd)
    return TtyResult(
        returncode=os.waitstatus_to_exitcode(status),
        stdout=streams[stdout_read].decode(errors="replace"),
        stderr=streams[stderr_read].decode(errors="replace"),
        prompts=prompts,
    )


def run(argv, env) -> subprocess.CompletedProcess:
    return subprocess.run(argv, env=env, capture_output=True, text=True, timeout=30)
