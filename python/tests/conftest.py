"""Fixtures of the package's tests.

The tests of one pytest process share one embedded host (network ``ehn``) on
a demo library in a temporary folder: the settings file and the network are
chosen once per process, at the first connect. Tests against
``vantora-hostd`` over TCP run their Python in a child process of their own.

Environment (set by CMake): VANTORA_BIN, the folder of the programs;
PYTHONPATH, the build tree's package.
"""

import os
import shutil
import subprocess
import tempfile
from pathlib import Path

import pytest

BIN = Path(os.environ.get("VANTORA_BIN", "build/debug/bin"))
RECORDS = 3000


def make_demo(folder, extra=""):
    """A demo library in ``folder``/host and its settings file."""
    folder.mkdir(parents=True, exist_ok=True)
    ini = folder / "MV400.INI"
    ini.write_text(f"[General]\nNetwork=ehn\n[Host]\nDataDirectory={folder / 'host'}\n"
                   f"[NT]\nNbSession=8\n{extra}")
    subprocess.run([str(BIN / "vantora-host"), "demo", str(folder / "host"), "--records",
                    str(RECORDS)], check=True, capture_output=True, timeout=600,
                   env=dict(os.environ, MV400_INI=str(ini), LD_PRELOAD=""))
    return ini


@pytest.fixture(scope="session")
def root():
    folder = Path(tempfile.mkdtemp(prefix="vantora-python-"))
    yield folder
    shutil.rmtree(folder, ignore_errors=True)


@pytest.fixture(scope="session")
def settings(root):
    """The settings file of the embedded host every in-process test uses."""
    return make_demo(root / "ehn")


@pytest.fixture
def session(settings):
    import vantora
    with vantora.connect(settings=settings) as s:
        yield s


@pytest.fixture
def other(settings):
    """A second session: another job of the same host."""
    import vantora
    with vantora.connect(settings=settings) as s:
        yield s


def run_python(code, ini, timeout=300):
    """Runs ``code`` with /usr/bin/python3 in a child process with settings ``ini``;
    answers its standard output."""
    env = dict(os.environ, MV400_INI=str(ini))
    done = subprocess.run(["/usr/bin/python3", "-c", code], capture_output=True, text=True,
                          timeout=timeout, env=env)
    assert done.returncode == 0, done.stderr[-3000:]
    return done.stdout
