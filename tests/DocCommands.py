#!/usr/bin/env python3
"""Runs the shell blocks of the documentation and checks what their `# →` lines quote.

Usage: DocCommands.py --bin BUILD_DIR [--python-path DIR] --examples DIR FILE.md...

Each Markdown file runs in a scratch folder of its own holding a copy of the examples, its blocks in
order. Each command of a block must end with status 0, or with the status its `# →` line names; every
number on a `# →` line below a command must appear in that command's output at the quoted digits.
"""

import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile

SKIP = re.compile(r"<!--\s*doc-test:\s*skip\b")
FENCE = re.compile(r"^(\s*)```(\w*)\s*$")
EXPECT = re.compile(r"^#\s*→\s?(.*)$")
EXIT_STATUS = re.compile(r"\bexit status (\d+)\b")
# A figure: digits, with an optional sign and decimals, not glued to a word ("early-40", "H2O", "v1.2").
NUMBER = re.compile(r"(?<![\w.\-@/])-?\d+(?:\.\d+)?(?![\w.]*\w)")
OUTPUT_NUMBER = re.compile(r"-?\d+(?:\.\d+)?(?:[eE][-+]?\d+)?")
BLOCK_SECONDS = 120


class Block:
    def __init__(self, path, line, text):
        self.path, self.line, self.text = path, line, text


def blocks_of(path):
    """The runnable blocks of a Markdown file: ```sh and ```bash fences not marked to be skipped."""
    lines = open(path, encoding="utf-8").read().split("\n")
    found, i = [], 0
    while i < len(lines):
        m = FENCE.match(lines[i])
        if not m or not m.group(2):
            i += 1
            continue
        indent, language, start = len(m.group(1)), m.group(2), i
        body = []
        i += 1
        while i < len(lines) and not FENCE.match(lines[i]):
            body.append(lines[i][indent:] if lines[i][:indent].strip() == "" else lines[i])
            i += 1
        i += 1
        previous = next((lines[k] for k in range(start - 1, -1, -1) if lines[k].strip()), "")
        if language in ("sh", "bash") and not SKIP.search(previous):
            found.append(Block(path, start + 1, "\n".join(body)))
    return found


def is_complete(command):
    return subprocess.run(["bash", "-n", "-c", command], capture_output=True).returncode == 0


class Command:
    def __init__(self, text, line):
        self.text, self.line, self.expects = text, line, []

    def status(self):
        for expect in self.expects:
            m = EXIT_STATUS.search(expect)
            if m:
                return int(m.group(1))
        return 0


def commands_of(block):
    """The block's commands, each with the `# →` lines below it."""
    commands, pending, first = [], [], 0
    for number, line in enumerate(block.text.split("\n"), start=block.line + 1):
        stripped = line.strip()
        if not pending:
            m = EXPECT.match(stripped)
            if m:
                if not commands:
                    raise SystemExit(f"{block.path}:{number}: a `# →` line above any command")
                commands[-1].expects.append(m.group(1))
                continue
            if not stripped or stripped.startswith("#"):
                continue
            first = number
        pending.append(line)
        if line.endswith("\\"):
            continue
        text = "\n".join(pending)
        if is_complete(text):
            commands.append(Command(text, first))
            pending = []
    if pending:
        raise SystemExit(f"{block.path}:{first}: a command that does not end")
    return commands


def decimals(figure):
    return len(figure.split(".")[1]) if "." in figure else 0


def has_figure(figure, output_numbers):
    digits = decimals(figure)
    wanted = float(figure)
    for text in output_numbers:
        try:
            value = float(text)
        except ValueError:
            continue
        if f"{value:.{digits}f}" == f"{wanted:.{digits}f}":
            return True
    return False


def missing_figures(expect, output):
    quoted = EXIT_STATUS.sub("", expect)
    numbers = OUTPUT_NUMBER.findall(output)
    return [f for f in NUMBER.findall(quoted) if not has_figure(f, numbers)]


def run_file(path, args, failures):
    blocks = blocks_of(path)
    if not blocks:
        return 0
    scratch = tempfile.mkdtemp(prefix="tulo-doc-")
    try:
        shutil.copytree(args.examples, os.path.join(scratch, "examples"), ignore=shutil.ignore_patterns("__pycache__"))
        env = dict(os.environ)
        env["PATH"] = args.bin + os.pathsep + env.get("PATH", "")
        env["TULO_HOME"] = os.path.join(scratch, ".tulo")
        env.pop("TULO_SIMLAB", None)
        if args.python_path:
            env["PYTHONPATH"] = args.python_path + os.pathsep + env.get("PYTHONPATH", "")
        if args.python:
            # The blocks' python3 is the interpreter the package is built for, whatever the PATH holds.
            shims = os.path.join(scratch, ".bin")
            os.makedirs(shims)
            os.symlink(args.python, os.path.join(shims, "python3"))
            env["PATH"] = shims + os.pathsep + env["PATH"]
        count = 0
        for block in blocks:
            if not args.python_path and "import tulo" in block.text:
                print(f"{path}:{block.line}: not run, the Python package is not built")
                continue
            commands = commands_of(block)
            count += len(commands)
            outputs = os.path.join(scratch, ".doc-test")
            os.makedirs(outputs, exist_ok=True)
            script = ["cd " + shlex_quote(scratch)]
            for k, command in enumerate(commands):
                out = shlex_quote(os.path.join(outputs, f"{k}.out"))
                status = shlex_quote(os.path.join(outputs, f"{k}.status"))
                script.append(f"{{\n{command.text}\n}} >{out} 2>&1 </dev/null; echo $? >{status}")
            try:
                subprocess.run(["bash", "-c", "\n".join(script)], env=env, timeout=BLOCK_SECONDS)
            except subprocess.TimeoutExpired:
                failures.append(f"{path}:{block.line}: the block ran longer than {BLOCK_SECONDS} s")
                continue
            for k, command in enumerate(commands):
                where = f"{path}:{command.line}: {command.text.splitlines()[0]}"
                try:
                    output = open(os.path.join(outputs, f"{k}.out"), encoding="utf-8", errors="replace").read()
                    status = int(open(os.path.join(outputs, f"{k}.status")).read())
                except (OSError, ValueError):
                    failures.append(f"{where}\n    did not run (an earlier command of its block ended the shell)")
                    break
                if status != command.status():
                    failures.append(f"{where}\n    exit status {status}, not {command.status()}:\n"
                                    + indent_output(output))
                for expect in command.expects:
                    missing = missing_figures(expect, output)
                    if missing:
                        failures.append(f"{where}\n    `# → {expect}`: {', '.join(missing)} not in the output:\n"
                                        + indent_output(output))
            shutil.rmtree(outputs)
        return count
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


def shlex_quote(text):
    return "'" + text.replace("'", "'\"'\"'") + "'"


def indent_output(output, lines=40):
    kept = output.rstrip("\n").split("\n")[-lines:]
    return "\n".join("      | " + line for line in kept)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--bin", required=True, help="folder of the built tulo-cli and tuloSimLab")
    parser.add_argument("--python-path", default="", help="folder of the built Python package")
    parser.add_argument("--python", default="", help="the interpreter the blocks' python3 runs")
    parser.add_argument("--examples", required=True, help="the examples folder to copy")
    parser.add_argument("--at-least", type=int, default=1, help="fewest commands the files must hold")
    parser.add_argument("files", nargs="+")
    args = parser.parse_args()
    args.bin = os.path.abspath(args.bin)
    failures, count = [], 0
    for path in args.files:
        count += run_file(path, args, failures)
    if count < args.at_least:
        failures.append(f"only {count} commands found in the documentation's shell blocks, "
                        f"fewer than {args.at_least}: is the block syntax still ```sh?")
    for failure in failures:
        print(failure)
    print(f"{count} commands of {len(args.files)} files run, {len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
