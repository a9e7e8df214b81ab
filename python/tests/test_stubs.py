"""The type stubs name what the modules offer, so that editors complete it."""

import ast
import importlib
import inspect
from pathlib import Path

import pytest

PACKAGE = Path(__file__).resolve().parents[1] / "vantora"
MODULES = ["session", "record", "fields", "program", "procedure", "data_queue", "errors", "dbapi",
           "job_log"]


def stub_names(path):
    tree = ast.parse(path.read_text())
    names = set()
    for node in ast.walk(tree):
        if isinstance(node, (ast.FunctionDef, ast.ClassDef)):
            names.add(node.name)
        elif isinstance(node, ast.AnnAssign) and isinstance(node.target, ast.Name):
            names.add(node.target.id)
        elif isinstance(node, ast.Assign):
            names.update(t.id for t in node.targets if isinstance(t, ast.Name))
        elif isinstance(node, ast.ImportFrom):
            names.update(a.asname or a.name for a in node.names)
    return names


@pytest.mark.parametrize("name", MODULES)
def test_stub_names_every_public_class_function_and_method(name):
    module = importlib.import_module(f"vantora.{name}")
    names = stub_names(PACKAGE / f"{name}.pyi")
    for attr, value in vars(module).items():
        if attr.startswith("_") or getattr(value, "__module__", None) != module.__name__:
            continue
        if inspect.isclass(value) or inspect.isfunction(value):
            assert attr in names, f"{name}.pyi lacks {attr}"
        if inspect.isclass(value):
            for method, member in vars(value).items():
                if inspect.isfunction(member) and not method.startswith("_"):
                    assert method in names, f"{name}.pyi lacks {attr}.{method}"


def test_package_stub_exports_everything():
    import vantora
    names = stub_names(PACKAGE / "__init__.pyi")
    assert set(vantora.__all__) <= names
