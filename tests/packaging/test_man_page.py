"""The man page and the bash completion cover every subcommand and option --help lists, so
neither can drift from the program. Subcommands the program does not offer yet are simply
not asked for."""
import gzip
import re
import subprocess

from help_options import options_of, subcommands


def _page_text(man_page):
    raw = man_page.read_bytes()
    text = gzip.decompress(raw).decode() if raw[:2] == b"\x1f\x8b" else raw.decode()
    return text.replace("\\-", "-")


def _page_sections(text):
    """Text of each ".SS name" subsection of the page."""
    sections = {}
    for part in re.split(r"^\.SS ", text, flags=re.M)[1:]:
        name, _, body = part.partition("\n")
        sections[name.strip()] = body
    return sections


def _mentions(text, option):
    return re.search(r"(?<![\w-])" + re.escape(option) + r"(?![\w-])", text) is not None


def _completion_options(completion, subcommand):
    script = 'source "$1"; _quenlix_key_options "$2"'
    return subprocess.run(["bash", "--norc", "--noprofile", "-c", script, "_", str(completion),
                           subcommand], capture_output=True, text=True, check=True).stdout.split()


def test_page_and_completion_cover_every_listed_option(binary, man_page, completion):
    text = _page_text(man_page)
    sections = _page_sections(text)
    missing = [f"(root) {option}" for option in options_of(binary) if not _mentions(text, option)]
    names = subcommands(binary)
    assert {"info", "list", "fido", "totp", "hotp"} <= set(names)
    for subcommand in names:
        offered = _completion_options(completion, subcommand)
        for option in options_of(binary, subcommand):
            # Help is described once, among the global options.
            if option not in ("-h", "--help") and not _mentions(sections.get(subcommand, ""),
                                                                   option):
                missing.append(f"man page, {subcommand}: {option}")
            if option not in offered:
                missing.append(f"completion, {subcommand}: {option}")
    assert not missing, "missing:\n" + "\n".join(missing)
