"""The settings file the client library reads, fixed at the first connect.

The client library reads ``General/Network`` when it is loaded and
``NT/NbSession`` at the first session, once for the process. So the package
loads it at the first :func:`vantora.connect`, after pointing ``MV400_INI`` at
the settings chosen then: the file given (else the one the C tools would read),
with the network given and enough client sessions for several ``Session``
objects put in front (the first occurrence of a key wins).
"""

import atexit
import os
import re
import tempfile
import threading
from pathlib import Path

from .errors import InterfaceError

DEFAULT_SESSIONS = 16
_lock = threading.Lock()
_chosen = None  # (settings, network) of the first connect
_native = None


def default_file():
    """The settings file the C tools read (docs/settings.md)."""
    named = os.environ.get("MV400_INI")
    if named:
        return Path(named)
    config = os.environ.get("XDG_CONFIG_HOME") or str(Path.home() / ".config")
    user = Path(config) / "vantora" / "MV400.INI"
    return user if user.exists() else Path("/etc/vantora/MV400.INI")


def _has_key(text, section, key):
    current = None
    for line in text.splitlines():
        line = line.strip()
        if line.startswith("["):
            current = line.strip("[]").strip().lower()
        elif current == section.lower() and re.match(rf"{key}\s*=", line, re.IGNORECASE):
            return True
    return False


def native(settings=None, network=None):
    """The native module, loaded with the settings of the first call."""
    global _chosen, _native
    with _lock:
        wanted = (str(settings) if settings is not None else None, network)
        if _native is not None:
            if wanted != (None, None) and wanted != _chosen:
                raise InterfaceError(
                    "the settings file and the network are chosen once per process, at the "
                    f"first connect (settings={_chosen[0]!r}, network={_chosen[1]!r}); "
                    "connect without them, or in another process")
            return _native
        if network is not None and not re.fullmatch(r"[A-Za-z0-9]{1,4}", network):
            raise ValueError(f"network {network!r}: 1 to 4 letters or digits, like 'ehn' or 'tcp'")
        source = Path(settings) if settings is not None else default_file()
        if settings is not None and not source.is_file():
            raise ValueError(f"settings file {source} does not exist")
        text = source.read_text(encoding="latin-1") if source.is_file() else ""
        front = ""
        if network is not None:
            front += f"[General]\nNetwork={network}\n"
        if not _has_key(text, "NT", "NbSession"):
            front += f"[NT]\nNbSession={DEFAULT_SESSIONS}\n"
        if front:
            handle, path = tempfile.mkstemp(prefix="vantora-", suffix=".ini")
            with os.fdopen(handle, "w", encoding="latin-1") as out:
                out.write(front + text)
            atexit.register(os.unlink, path)
            os.environ["MV400_INI"] = path
        elif settings is not None:
            os.environ["MV400_INI"] = str(source)
        from . import _native as module
        _native, _chosen = module, wanted
        return _native
