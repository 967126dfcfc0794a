"""Bash completion, run as bash-completion runs it, in a non-interactive bash."""
import os
import subprocess

import pytest

BASH_COMPLETION = "/usr/share/bash-completion/bash_completion"
READERS = ["Virtual PCD 00 00", "Virtual PCD 00 01"]
# What `list --serials` prints for them; a third key reports no serial number.
SERIALS = ["1111111", "2222222"]

# Completes COMP_LINE at its end with the function the file registered for quenlix-key and
# prints the candidates, one a line.
COMPLETE = r'''
source "$1" || exit 1
source "$2" || exit 1
COMP_LINE=$3
COMP_POINT=${#COMP_LINE}
read -ra COMP_WORDS <<<"$COMP_LINE"
[[ $COMP_LINE == *" " ]] && COMP_WORDS+=("")
COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
function=$(complete -p quenlix-key | sed -n 's/.*-F \([^ ]*\) .*/\1/p')
"$function" quenlix-key "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
printf '%s\n' "${COMPREPLY[@]}"
'''


@pytest.fixture
def scratch(tmp_path):
    """A folder with files to complete, and a stand-in program that lists two readers."""
    (tmp_path / "cert.pem").write_text("")
    (tmp_path / "cert.der").write_text("")
    (tmp_path / "other.txt").write_text("")
    bin_dir = tmp_path / "bin"
    bin_dir.mkdir()
    program = bin_dir / "quenlix-key"
    lines = "\\n".join(["Smartcard readers:"] + READERS)
    serials = "\\n".join(f"{reader}\\t{serial}" for reader, serial in zip(READERS + ["Virtual PCD 00 02"], SERIALS + [""]))
    program.write_text(
        f'#!/bin/sh\n[ "$1 $2" = "list -r" ] && printf "{lines}\\n"\n'
        f'[ "$1 $2" = "list --serials" ] && printf "{serials}\\n"\n'
    )
    program.chmod(0o755)
    return tmp_path


def complete(completion, scratch, line):
    env = dict(os.environ, PATH=f"{scratch / 'bin'}:{os.environ['PATH']}")
    result = subprocess.run(["bash", "--norc", "--noprofile", "-c", COMPLETE, "_",
                             BASH_COMPLETION, str(completion), line],
                            capture_output=True, text=True, cwd=scratch, env=env, check=True)
    return sorted(filter(None, result.stdout.split("\n")))


@pytest.mark.parametrize("line, expected", [
    ("quenlix-key to", ["totp"]),
    ("quenlix-key ", ["fido", "hotp", "info", "list", "piv", "totp"]),
    ("quenlix-key piv --change-p", ["--change-pin", "--change-puk"]),
    ("quenlix-key totp --hmac S", ["SHA1", "SHA256", "SHA512"]),
    ("quenlix-key piv --algorithm E", ["ECCP256", "ECCP384"]),
    ("quenlix-key hotp --pin-format ", ["ascii", "hex"]),
    ("quenlix-key totp --key-format b", ["base32"]),
    ("quenlix-key piv --read-certificate 9",
     ["90", "91", "92", "93", "94", "95", "9A", "9C", "9D", "9E"]),
    ("quenlix-key piv --delete-certificate 8", [f"8{digit}" for digit in "23456789ABCDEF"]),
    ("quenlix-key hotp -r ", READERS),
    ("quenlix-key totp --reader Virtual", READERS),
    ("quenlix-key piv --input cert", ["cert.der", "cert.pem"]),
    ("quenlix-key piv --output ", ["bin", "cert.der", "cert.pem", "other.txt"]),
    ("quenlix-key list -", ["--fido-path", "--help", "--reader", "--serials", "-f", "-h", "-r"]),
    ("quenlix-key info --serial ", SERIALS),
    ("quenlix-key piv --info --serial 2", ["2222222"]),
    ("quenlix-key totp --uri ", []),
    ("quenlix-key list -r --f", ["--fido-path"]),
    ("quenlix-key totp --pin ", ["-"]),
    ("quenlix-key piv --set-management-key ", ["-"]),
    ("quenlix-key hotp --counter ", []),
    ("quenlix-key --v", ["--version"]),
])
def test_completion(completion, scratch, line, expected):
    assert complete(completion, scratch, line) == expected
