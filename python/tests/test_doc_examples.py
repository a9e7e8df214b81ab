"""The Python examples of docs/python.md, run as written against a demo library."""

import re
from pathlib import Path

import pytest

from conftest import make_demo, run_python

DOC = Path(__file__).resolve().parents[2] / "docs" / "python.md"
EXAMPLES = re.findall(r"^```python\n(.*?)^```", DOC.read_text(), re.S | re.M)


def test_the_page_has_examples():
    assert len(EXAMPLES) >= 7


@pytest.mark.parametrize("number", range(len(EXAMPLES)))
def test_example_runs_as_written(root, number):
    ini = make_demo(root / f"doc-{number}")
    out = run_python(EXAMPLES[number], ini)
    # The results the comments announce are what the example prints.
    for line in EXAMPLES[number].splitlines():
        shown = re.search(r"print\(.*\)\s+# (\S.*)$", line)
        if shown and "..." not in shown.group(1):
            assert shown.group(1) in out, (shown.group(1), out)
