"""Data queues (:meth:`vantora.Session.data_queue`)."""

from .errors import InterfaceError, NotSupportedError

_ORDERS = ("eq", "ge", "gt", "le", "lt", "ne")


class DataQueue:
    """A data queue of the host, linked in a session.

    Entries are ``bytes``; a ``str`` is sent in the session's encoding, and
    ``receive(text=True)`` answers one. Keys (keyed queues) are bytes or str,
    blank-padded to the queue's key length by the host.
    """

    def __init__(self, session, library, name):
        self.session = session
        self.name = f"{library}/{name}" if library else name
        self._library, self._queue = library, name
        self._link = session._native.queue_link(name, library)
        self._attributes = None

    def __repr__(self):
        return f"<vantora.DataQueue {self.name}>"

    def close(self):
        """Forgets the link (the queue and its entries stay)."""
        if self._link:
            link, self._link = self._link, 0
            self.session._native.queue_unlink(link)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def _bytes(self, value, what):
        if isinstance(value, str):
            return value.encode(self.session.encoding)
        if isinstance(value, (bytes, bytearray, memoryview)):
            return bytes(value)
        raise TypeError(f"{what} is bytes or str, not {type(value).__name__}")

    def _check(self):
        if not self._link:
            raise InterfaceError(f"the data queue {self.name} is closed")

    def send(self, data, key=None):
        """Adds an entry (bytes or str); a keyed queue needs ``key``."""
        self._check()
        entry = self._bytes(data, "an entry")
        if not entry:
            raise ValueError("an entry has at least one byte")
        self.session._native.queue_send(self._link, entry,
                                        None if key is None else self._bytes(key, "a key"))

    def receive(self, timeout=0, key=None, op="eq", *, text=False):
        """Takes the next entry: bytes (``text=True``: str), or None when none
        came within ``timeout`` seconds (0: no wait, None: wait without limit).
        On a keyed queue ``key`` and ``op`` (eq, ge, gt, le, lt, ne) choose it."""
        self._check()
        if timeout is None:
            wait = -1
        elif isinstance(timeout, bool) or not isinstance(timeout, (int, float)) or timeout < 0:
            raise ValueError("timeout is a number of seconds, 0 or more, or None")
        else:
            wait = int(timeout + 0.999)
        if op not in _ORDERS:
            raise ValueError(f"op {op!r}: one of {', '.join(_ORDERS)}")
        length = self._definition()["max_length"]
        entry = self.session._native.queue_receive(
            self._link, length, wait, op.upper() if key is not None else None,
            None if key is None else self._bytes(key, "a key"))
        if entry is None or not text:
            return entry
        return entry.decode(self.session.encoding, "replace")

    def peek(self, *args, **kwargs):
        """Not supported: the host's data queues have no request that reads an
        entry without taking it."""
        raise NotSupportedError("peek: the host has no request that reads a data queue entry "
                                "without taking it; receive it and send it again")

    def clear(self):
        """Takes every entry waiting; answers how many there were."""
        count = 0
        while self.receive(0) is not None:
            count += 1
        return count

    def _definition(self):
        if self._attributes is None:
            native = self.session._native.open(self._file_name(), 0x01, -1, False,
                                               self.session.encoding)
            try:
                fields = {f[0]: f[2] for f in native.fields()}
            finally:
                native.close()
            self._attributes = {"max_length": fields.get("DATA", 0),
                                "key_length": fields.get("KEY", 0)}
        return self._attributes

    def _file_name(self):
        return f"*DTAQ/{self._library}/{self._queue}" if self._library else f"*DTAQ/{self._queue}"

    def attributes(self):
        """``{"max_length", "key_length", "entries"}`` of the queue."""
        self._check()
        definition = self._definition()
        native = self.session._native.open(self._file_name(), 0x01, -1, False,
                                           self.session.encoding)
        try:
            entries = native.record_count()
        finally:
            native.close()
        return dict(definition, entries=entries)
