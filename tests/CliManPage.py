#!/usr/bin/env python3
"""Checks that the manual page of tulo-cli names every command and option its --help lists.

Usage: CliManPage.py --cli TULO_CLI --page tulo-cli.1

Each command's section must list each of its options, or name the shared group's section that lists it;
the page must also format without a warning from groff, when groff is installed.
"""

import argparse
import re
import shutil
import subprocess
import sys


def help_of(cli, words):
    result = subprocess.run([cli, *words, "--help"], capture_output=True, text=True)
    if result.returncode != 0:
        raise SystemExit(f"tulo-cli {' '.join(words)} --help ended with status {result.returncode}")
    return result.stdout


def subcommands(text):
    """The command names under "Subcommands:" of a --help text."""
    names, inside = [], False
    for line in text.split("\n"):
        if line.startswith("Subcommands:"):
            inside = True
        elif inside and re.match(r"^  \S", line):
            names.append(line.split()[0])
        elif inside and line.strip() and not line.startswith("  "):
            inside = False
    return names


def options_by_group(text):
    """{group title: [option names]} of a --help text; positionals under "Positionals"."""
    groups, group = {}, None
    for line in text.split("\n"):
        m = re.match(r"^(\S[^:]*):\s*$", line)
        if m:
            group = m.group(1)
            continue
        if group and group != "Subcommands" and re.match(r"^  \S", line):
            first = line.split()[0]
            for name in first.split(","):
                if name not in ("-h", "--help"):
                    groups.setdefault(group, []).append(name)
    return groups


def plain(roff):
    text = roff.replace("\\-", "-").replace("\\e", "\\").replace("\\&", "")
    return re.sub(r"\\f[BIRP]", "", text)


def sections(page):
    """{title: body} of every .SH and .SS heading, as plain text."""
    found, title, body = {}, None, []
    for line in page.split("\n"):
        m = re.match(r'^\.S[HS]\s+"?(.*?)"?\s*$', line)
        if m:
            if title is not None:
                found[title] = "\n".join(body)
            title, body = plain(m.group(1)), []
        else:
            body.append(plain(line))
    if title is not None:
        found[title] = "\n".join(body)
    return found


def commands_of(cli):
    """Every command, nested ones as "crop export", with its --help."""
    found, queue = [], [[name] for name in subcommands(help_of(cli, []))]
    while queue:
        words = queue.pop(0)
        text = help_of(cli, words)
        children = subcommands(text)
        if children:
            queue[0:0] = [words + [child] for child in children]
        else:
            found.append((" ".join(words), text))
    return found


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cli", required=True)
    parser.add_argument("--page", required=True)
    args = parser.parse_args()
    page = open(args.page, encoding="utf-8").read()
    parts = sections(page)
    problems, checked = [], 0
    commands = commands_of(args.cli)
    synopsis = parts.get("SYNOPSIS", "")
    for command, text in commands:
        title = "tulo-cli " + command
        if title not in synopsis:
            problems.append(f"the synopsis does not name {title}")
        body = parts.get(title)
        if body is None:
            problems.append(f"no section for {title}")
            continue
        for group, names in options_by_group(text).items():
            if group in ("Options", "Positionals"):
                where, place = body, f"the section of {title}"
            else:
                if group.upper() not in body:
                    problems.append(f"{title} does not name the section {group.upper()} of its options")
                where, place = parts.get(group.upper(), ""), f"the section {group.upper()}"
            for name in names:
                checked += 1
                shown = name.upper() if group == "Positionals" else name
                if not re.search(r"(?<![\w-])" + re.escape(shown) + r"(?![\w-])", where):
                    problems.append(f"{place} does not list {shown} of {title}")
    if len(commands) < 10 or checked < 50:
        problems.append(f"only {len(commands)} commands and {checked} options found: is --help still parsed?")
    if shutil.which("groff"):
        lint = subprocess.run(["groff", "-man", "-Tutf8", "-ww", "-z", args.page], capture_output=True, text=True)
        if lint.stderr.strip():
            problems.append("groff warns:\n" + lint.stderr)
    for problem in problems:
        print(problem)
    print(f"{len(commands)} commands and {checked} options checked, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
