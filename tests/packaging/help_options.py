"""Subcommands and options as the program's own --help lists them."""
import re
import subprocess

# "  -r,--reader TEXT   ..." or "  --info   ...": an option line of CLI11's help.
_OPTION_LINE = re.compile(r"^\s+(-[^\s]+)")
_SUBCOMMAND_LINE = re.compile(r"^\s+([a-z][a-z0-9-]*)\s")


def _help(binary, *args):
    return subprocess.run([str(binary), *args, "--help"], capture_output=True, text=True,
                          check=True).stdout


def _section(text, heading):
    lines, inside = [], False
    for line in text.splitlines():
        if not line.startswith(" "):
            inside = line.rstrip(":").strip().upper() == heading
            continue
        if inside:
            lines.append(line)
    return lines


def options_of(binary, *subcommand):
    """Every option name (short and long) the help of the root or a subcommand lists."""
    names = []
    for line in _section(_help(binary, *subcommand), "OPTIONS"):
        match = _OPTION_LINE.match(line)
        if match:
            names += [name for name in match.group(1).split(",") if name.startswith("-")]
    return names


def subcommands(binary):
    names = []
    for line in _section(_help(binary), "SUBCOMMANDS"):
        match = _SUBCOMMAND_LINE.match(line)
        if match:
            names.append(match.group(1))
    return names
