#!/usr/bin/env python3
"""Plants includes in the libraries and builds them as the build would.

Each library sees only its own folder and the libraries below it (its
include view, cmake/VantoraHelpers.cmake). For each case below a file
holding one include is compiled with the flags of a real source file of the
library (from the build's compile_commands.json): an include across a layer
must fail to build, one the library may make must build, so that a failure
is the view's doing and not a broken command.

    scripts/check-include-views.py BUILD_DIR

Exit status 0 when every case turns out as expected, 1 otherwise, 2 for a
wrong command line.
"""
import json
import os
import shlex
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# (a source file of the library, the header planted in it, whether it builds)
CASES = [
    ("driver/frame/names.cpp", "protocol/blank_padded.h", True),
    ("driver/frame/names.cpp", "mv432ida.h", True),
    ("driver/frame/names.cpp", "client/transport.h", False),
    ("driver/frame/names.cpp", "engine/objects.h", False),
    ("driver/frame/names.cpp", "host/server/embedded_host.h", False),
    ("engine/cursors.cpp", "idapi_app.h", True),
    ("engine/cursors.cpp", "driver/frame/names.h", False),
    ("engine/cursors.cpp", "client/sessions.h", False),
    ("client/sessions.cpp", "conversion/decimal.h", True),
    ("client/sessions.cpp", "host/server/embedded_host.h", False),
    ("client/sessions.cpp", "driver/frame/names.h", False),
    ("selection/list_loader.cpp", "mv432ida.h", True),
    ("selection/list_loader.cpp", "driver/frame/names.h", False),
    ("selection/list_loader.cpp", "client/transport.h", False),
    ("odbc/catalog.cpp", "idapi_app.h", True),
    ("odbc/catalog.cpp", "engine/objects.h", False),
    ("odbc/catalog.cpp", "driver/frame/names.h", False),
    ("transport/embedded/embedded_transport.cpp", "host/server/embedded_host.h", True),
    ("transport/embedded/embedded_transport.cpp", "host/server/session/host.h", False),
    ("transport/embedded/embedded_transport.cpp", "host/storage/catalogue.h", False),
    ("host/storage/catalogue.cpp", "protocol/blank_padded.h", True),
    ("host/storage/catalogue.cpp", "host/server/objects/programs.h", False),
    ("host/storage/catalogue.cpp", "client/transport.h", False),
    ("host/server/objects/programs.cpp", "host/storage/catalogue.h", True),
    ("host/server/objects/programs.cpp", "host/server/session/host.h", False),
    ("host/server/objects/programs.cpp", "host/server/sql/sql_cursor.h", False),
    ("host/server/sql/sql_cursor.cpp", "host/server/files/record_codec.h", True),
    ("host/server/sql/sql_cursor.cpp", "host/server/services/object_lists.h", False),
    ("host/server/sql/sql_cursor.cpp", "host/server/embedded_host.h", False),
]


def command_of(commands, source):
    path = os.path.join(ROOT, source)
    for entry in commands:
        if os.path.normpath(os.path.join(entry["directory"], entry["file"])) == path:
            args = entry.get("arguments") or shlex.split(entry["command"])
            return entry["directory"], args
    return None, None


def builds(directory, args, source, planted):
    """Compiles `planted` with the command that compiles `source`."""
    out = []
    skip = False
    for a in args:
        if skip:
            skip = False
            continue
        if a == "-o":
            skip = True
            continue
        if a in ("-MD", "-MMD") or a.startswith(("-MF", "-MT")):
            if a in ("-MF", "-MT"):
                skip = True
            continue
        if os.path.normpath(os.path.join(directory, a)) == os.path.join(ROOT, source):
            a = planted
        out.append(a)
    out += ["-fsyntax-only"]
    done = subprocess.run(out, cwd=directory, capture_output=True, text=True)
    return done.returncode == 0, done.stderr


def main():
    if len(sys.argv) != 2 or sys.argv[1] in ("-h", "--help"):
        print(__doc__.strip(), file=sys.stderr if len(sys.argv) != 2 else sys.stdout)
        return 0 if len(sys.argv) == 2 else 2
    database = os.path.join(sys.argv[1], "compile_commands.json")
    try:
        with open(database) as f:
            commands = json.load(f)
    except OSError as e:
        print(f"check-include-views: cannot read {database}: {e.strerror}", file=sys.stderr)
        return 2
    failed = 0
    with tempfile.TemporaryDirectory() as work:
        for n, (source, header, expected) in enumerate(CASES):
            if not os.path.exists(os.path.join(ROOT, header)) and "/" in header:
                print(f"check-include-views: {header} is no file of the repository: "
                      "the case would fail for the wrong reason", file=sys.stderr)
                failed += 1
                continue
            directory, args = command_of(commands, source)
            if args is None:
                print(f"check-include-views: no compile command for {source}", file=sys.stderr)
                failed += 1
                continue
            planted = os.path.join(work, f"planted{n}.cpp")
            with open(planted, "w") as f:
                f.write(f'#include "{header}"\n')
            ok, errors = builds(directory, args, source, planted)
            if ok != expected:
                failed += 1
                what = "builds but must not" if ok else "does not build but must"
                print(f"check-include-views: {header} in {source} {what}", file=sys.stderr)
                if errors:
                    print("  " + errors.strip().splitlines()[0], file=sys.stderr)
            elif not ok and "No such file" not in errors:
                failed += 1
                print(f"check-include-views: {header} in {source} fails for another reason:\n  "
                      + errors.strip().splitlines()[0], file=sys.stderr)
    print(f"check-include-views: {len(CASES) - failed} of {len(CASES)} cases as expected")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
