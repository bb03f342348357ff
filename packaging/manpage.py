#!/usr/bin/env python3
"""Writes the man page of a command-line program from what the program itself says with --help
and --version, so that the page always describes the program it is installed with.

The help text is read in the shape the programs of this project print it:
  - "Usage: PROGRAM ARGS" first, each further synopsis on a line of its own starting with
    PROGRAM, a synopsis too long for a line carried on by indented lines, then a blank line;
  - paragraphs of plain text, separated by blank lines;
  - lists of "  TERM  TEXT" items (two spaces before the term, two or more after it), an
    item's text carried on by lines indented further; a list may have plain text before and
    after it in the same paragraph;
  - a paragraph starting "Exit status:" last, or anywhere.
The paragraphs before the first list of options (terms starting with "-") make the
DESCRIPTION; that list and everything after it make OPTIONS; the exit status paragraph makes
EXIT STATUS. Sections written by hand (FILES, SEE ALSO, ...) are appended from a file of roff.

  manpage.py --program PATH --summary TEXT --date YYYY-MM-DD [--section 1] [--tail FILE]
             --output PAGE
"""

import argparse
import re
import subprocess
import sys

OPTION = re.compile(r"(?<![\w-])(--?[A-Za-z0-9][\w-]*)")
ITEM = re.compile(r"^  (\S(?:.*?\S)?)(?: {2,}(\S.*))?$")


class HelpError(Exception):
    pass


def run(program, option):
    result = subprocess.run([program, option], capture_output=True, text=True, check=False)
    if result.returncode != 0:
        raise HelpError(f"{program} {option} exited with status {result.returncode}: "
                        f"{result.stderr.strip()}")
    return result.stdout


def escape(text):
    """Roff for plain text: backslashes kept, options' hyphens as minus signs (so that they can
    be searched for and pasted), no line taken for a request."""
    text = text.replace("\\", "\\e")
    text = OPTION.sub(lambda m: m.group(1).replace("-", "\\-"), text)
    return text


def line(text):
    text = escape(text)
    return "\\&" + text if text[:1] in (".", "'") else text


def bold_options(text):
    """Like line(), with every option in bold."""
    out = escape(text)
    out = re.sub(r"(?<![\w\\-])((?:\\-){1,2}[A-Za-z0-9](?:[\w]|\\-)*)", r"\\fB\1\\fR", out)
    return "\\&" + out if out[:1] in (".", "'") else out


def parse_usage(lines):
    """The synopses from the usage block at the top; returns (program, synopses, rest)."""
    match = re.match(r"^Usage:\s+(\S+)(.*)$", lines[0]) if lines else None
    if not match:
        raise HelpError("the help text does not start with 'Usage: PROGRAM'")
    program = match.group(1)
    synopses = [match.group(2).strip()]
    i = 1
    while i < len(lines) and lines[i].strip():
        text = lines[i].strip()
        if text == program or text.startswith(program + " "):
            synopses.append(text[len(program):].strip())
        elif lines[i].startswith(" "):
            synopses[-1] = (synopses[-1] + " " + text).strip()
        else:
            raise HelpError(f"unexpected line in the usage block: {lines[i]!r}")
        i += 1
    return program, synopses, lines[i:]


def paragraphs(lines):
    block = []
    for text in lines:
        if text.strip():
            block.append(text.rstrip())
        elif block:
            yield block
            block = []
    if block:
        yield block


def parse_paragraph(block):
    """A paragraph as a list of parts: ("text", [lines]) and ("item", term, [lines])."""
    parts = []
    for text in block:
        indent = len(text) - len(text.lstrip(" "))
        last = parts[-1] if parts else None
        if indent > 2 and last and last[0] == "item":
            last[2].append(text.strip())
            continue
        item = ITEM.match(text) if indent == 2 else None
        if item:
            parts.append(("item", item.group(1), [item.group(2)] if item.group(2) else []))
        elif indent == 0 and last and last[0] == "text":
            last[1].append(text)
        elif indent == 0:
            parts.append(("text", [text]))
        else:
            raise HelpError(f"cannot place the indented line {text!r}")
    return parts


def is_option_list(parts):
    return any(p[0] == "item" and p[1].startswith("-") for p in parts)


def render_parts(parts, out):
    for part in parts:
        if part[0] == "text":
            out.append(".PP")
            out.extend(line(t) for t in part[1])
        else:
            out.append(".TP")
            out.append(bold_options(part[1]) if part[1].startswith("-") else line(part[1]))
            out.extend(line(t) for t in part[2])


def quote(text):
    return '"' + text.replace('"', '""') + '"'


def manpage(help_text, version_text, summary, date, section, tail):
    program, synopses, rest = parse_usage(help_text.rstrip("\n").split("\n"))
    version = version_text.strip().split("\n")[0]
    if not version.startswith(program + " "):
        raise HelpError(f"--version says {version!r}, not '{program} VERSION'")

    name = escape(program).replace("-", "\\-")
    description, options, exit_status = [], [], []
    in_options = False
    for block in paragraphs(rest):
        if block[0].startswith("Exit status:"):
            block = [block[0][len("Exit status:"):].strip()] + block[1:]
            exit_status.append(parse_paragraph([b for b in block if b]))
            continue
        parts = parse_paragraph(block)
        in_options = in_options or is_option_list(parts)
        (options if in_options else description).append(parts)

    out = [
        f".\\\" Written by packaging/manpage.py from `{program} --help` and `--version`:"
        " edit the help text, not this page.",
        f".TH {program.upper()} {section} {quote(date)} {quote(version)} {quote('User Commands')}",
        ".nh",
        ".ad l",
        ".SH NAME",
        f"{name} \\- {escape(summary)}",
        ".SH SYNOPSIS",
    ]
    for n, synopsis in enumerate(synopses):
        if n:
            out.append(".br")
        out.append(f".B {name}")
        out.append(bold_options(synopsis))
    for title, groups in (("DESCRIPTION", description), ("OPTIONS", options),
                          ("EXIT STATUS", exit_status)):
        if groups:
            out.append(f".SH {quote(title) if ' ' in title else title}")
            for parts in groups:
                render_parts(parts, out)
    page = "\n".join(out) + "\n"
    return page + tail if tail else page


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--program", required=True)
    parser.add_argument("--summary", required=True)
    parser.add_argument("--date", required=True)
    parser.add_argument("--section", default="1")
    parser.add_argument("--tail")
    parser.add_argument("--output", required=True)
    args = parser.parse_args()
    try:
        tail = open(args.tail, encoding="utf-8").read() if args.tail else ""
        page = manpage(run(args.program, "--help"), run(args.program, "--version"),
                       args.summary, args.date, args.section, tail)
    except HelpError as error:
        print(f"manpage.py: {error}", file=sys.stderr)
        return 1
    with open(args.output, "w", encoding="utf-8") as f:
        f.write(page)
    return 0


if __name__ == "__main__":
    sys.exit(main())
