import os
import pathlib
import re
import subprocess

import pytest

SOURCE = pathlib.Path(__file__).resolve().parents[2]
EXAMPLES = SOURCE / "examples"


def python_words(lines):
    """The command line's messages as the package words them: an option --agb-sheet is agb_sheet."""
    return [re.sub(r"(?<![\w./-])--([a-z][a-z0-9-]*)", lambda m: m.group(1).replace("-", "_"), line)
            for line in lines if line]


@pytest.fixture(scope="session")
def cli():
    """Runs tulo-cli (the build's, named by TULO_CLI) and returns the completed process."""
    program = os.environ.get("TULO_CLI", str(SOURCE / "build" / "tulo-cli"))

    def run(*args, check=True):
        done = subprocess.run([program, *map(str, args)], capture_output=True, text=True)
        if check and done.returncode != 0:
            raise AssertionError(f"tulo-cli {' '.join(map(str, args))} failed: {done.stderr}")
        return done

    return run


@pytest.fixture(scope="session")
def demo():
    import tulo

    return tulo.Season.from_file(EXAMPLES / "demo.sim")
