"""Sessions and the files opened in them."""

from itertools import chain as _chain

from . import settings as _settings
from .errors import InterfaceError, NotSupportedError
from .fields import Field, Key, encode_field, encode_record
from .record import Record, record_class

_MODES = {"r": 0x01, "rw": 0x01 | 0x04, "a": 0x02}
_KEY_OPS = ("eq", "ge", "gt", "le", "lt")


def _text_arg(name, value, limit=None):
    if value is None:
        return ""
    if not isinstance(value, str):
        raise TypeError(f"{name} must be a str, not {type(value).__name__}")
    if "\0" in value:
        raise ValueError(f"{name} must not contain NUL characters")
    if limit is not None and len(value) > limit:
        raise ValueError(f"{name} {value!r} is longer than {limit} characters")
    return value


def _qualified(name, what):
    """(library, object) of 'LIB/NAME' or 'NAME' (library '' = the library list)."""
    _text_arg(what, name)
    if not name:
        raise ValueError(f"{what} must not be empty")
    library, _, obj = name.upper().rpartition("/")
    if not obj or len(obj) > 10 or len(library) > 10 or " " in obj:
        raise ValueError(f"{what} {name!r}: 'LIBRARY/NAME' or 'NAME', names of 1 to 10 characters")
    return library, obj


def connect(system=None, user=None, password=None, settings=None, network=None):
    """Opens a session with the host and answers a :class:`Session`.

    ``system`` is the host's name or address (for ``tcp``: ``address:port``);
    ``user`` and ``password`` sign on (else the settings' default user);
    ``settings`` a settings file (else the one the C tools read: ``$MV400_INI``,
    ``~/.config/vantora/MV400.INI``, ``/etc/vantora/MV400.INI``); ``network``
    the network type (``ehn`` the embedded host, ``tcp`` ``vantora-hostd``).
    ``settings`` and ``network`` are chosen once per process, at the first connect.
    Raises :class:`vantora.ConnectionError` with the reason in words.
    """
    return Session(system, user, password, settings, network)


class Session:
    """One client session with the host: its own job, files, locks and commitment cycle.

    A context manager; ``close()`` ends it (files, locks and uncommitted changes
    with it). Usable from several threads: requests of one session run one at a
    time, sessions run at once, and no request holds the GIL.
    """

    def __init__(self, system=None, user=None, password=None, settings=None, network=None,
                 *, encoding="cp1252"):
        system = _text_arg("system", system, 17)
        user = _text_arg("user", user, 10)
        password = _text_arg("password", password, 10)
        if password and not user:
            raise ValueError("a password needs a user")
        "x".encode(encoding)  # an unknown encoding raises LookupError here
        self.encoding = encoding
        native = _settings.native(settings, network)
        self._native = native.NativeSession(system, user, password)
        self._files = []

    # -- life ----------------------------------------------------------------
    def close(self):
        """Ends the session; its files are closed and uncommitted changes rolled back."""
        native = getattr(self, "_native", None)
        if native is not None:
            native.close()

    @property
    def closed(self):
        return self._native.closed

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def _check(self):
        if self._native.closed:
            raise InterfaceError("the session is closed")

    # -- record-level access -------------------------------------------------
    def open(self, name, mode="r", member=None, commit=False, *, wait=None, block=100,
             strip=True, arrival=False):
        """Opens the database file ``name`` (``LIB/FILE`` or ``FILE``) and answers a :class:`File`.

        ``mode``: ``"r"`` read, ``"rw"`` read, update, delete and add, ``"a"``
        add only. ``commit``: changes wait for :meth:`commit` or :meth:`rollback`
        and their records stay locked until then. ``wait``: seconds a read waits
        for a record another job has locked (None: the job's 60 seconds).
        ``block``: records per request when iterating. ``strip``: trailing
        blanks of text fields dropped (False keeps them). ``arrival``: read a
        keyed file in arrival order. ``member``: None, ``"*FIRST"`` or the file's
        name, its only member.
        """
        library, obj = _qualified(name, "file name")
        if mode not in _MODES:
            raise ValueError(f"mode {mode!r}: one of 'r', 'rw', 'a'")
        if member is not None:
            _text_arg("member", member)
            # The host keeps one member per database file, named after the file.
            if member.strip().upper() not in ("*FIRST", obj):
                raise NotSupportedError(f"member {member!r} of {name}: a database file has one "
                                        f"member, *FIRST or {obj}")
        if not isinstance(block, int) or isinstance(block, bool) or not 1 <= block <= 4095:
            raise ValueError("block must be an int from 1 to 4095")
        if wait is not None and (isinstance(wait, bool) or not isinstance(wait, (int, float))
                                 or wait < 0):
            raise ValueError("wait must be a number of seconds, 0 or more")
        self._check()
        bits = _MODES[mode] | (0x20 if commit else 0) | (0x08 if arrival else 0)
        wait_ms = -1 if wait is None else int(wait * 1000)
        path = f"{library}/{obj}" if library else obj
        native = self._native.open(path, bits, wait_ms, bool(strip), self.encoding)
        return File(self, path, native, block)

    def commit(self):
        """Makes the changes of files opened with ``commit=True`` final."""
        self._native.commit()

    def rollback(self):
        """Undoes the changes of files opened with ``commit=True``."""
        self._native.rollback()

    # -- commands, programs, data queues ----------------------------------------
    def command(self, text):
        """Runs a CL command; raises :class:`vantora.HostError` (message_id, text) on failure."""
        if not isinstance(text, str):
            raise TypeError(f"a command is a str, not {type(text).__name__}")
        text = _text_arg("command", text)
        if not text.strip():
            raise ValueError("the command is empty")
        self._native.command(text.encode(self.encoding))

    def job_log(self, count=None):
        """The job's messages, newest last, as :class:`vantora.JobMessage` objects
        (``id``, ``type``, ``severity``, ``sent``, ``text``): for each command the
        request (``*RQS``) and, when it failed, its escape message (``*ESCAPE``).
        ``count``: only the newest ``count``. The host keeps the newest 1000."""
        from .job_log import read_job_log
        return read_job_log(self, count)

    def call(self, program, parameters=()):
        """Calls ``LIB/PGM`` with typed parameters and answers the outputs.

        ``parameters``: :class:`vantora.Char`, :class:`vantora.Packed`,
        :class:`vantora.Zoned`, :class:`vantora.Binary`, :class:`vantora.Float`
        objects. Answers a list of the values of every parameter after the call
        (outputs as the program left them, inputs as sent).
        """
        from .program import call_program
        return call_program(self, program, parameters)

    def procedure(self, name):
        """The stored procedure ``name`` declared in the working library, as a callable
        :class:`vantora.Procedure`; raises :class:`vantora.NotFound` when none is."""
        from .procedure import load_procedure
        return load_procedure(self, name)

    def procedures(self):
        """The names of the stored procedures the working library declares, in order."""
        from .procedure import procedure_names
        return procedure_names(self)

    def data_queue(self, name):
        """The data queue ``LIB/QUEUE`` (it must exist) as a :class:`vantora.DataQueue`."""
        from .data_queue import DataQueue
        library, obj = _qualified(name, "data queue name")
        return DataQueue(self, library, obj)


class File:
    """A database file opened in a session (:meth:`Session.open`).

    Iterating reads every record from the first, ``block`` at a time. Single
    reads answer a :class:`Record`, or None when there is none (end of file,
    no record with the key). ``rrn`` is the relative record number of the
    record read last.
    """

    def __init__(self, session, name, native, block):
        self.session = session
        self.name = name
        self.block = block
        self._native = native
        self.fields = [Field._from_native(e) for e in native.fields()]
        self.keys = [Key(self.fields[i].name, bool(d)) for i, d in native.keys]
        self._key_fields = [self.fields[i] for i, _ in native.keys]
        self.Record = record_class(native.format_name, [f.name for f in self.fields])
        native.set_record_class(self.Record)
        self._current = None
        self.rrn = 0

    def __repr__(self):
        return f"<vantora.File {self.name} {'closed' if self.closed else 'open'}>"

    @property
    def closed(self):
        return self._native.closed

    @property
    def format_name(self):
        return self._native.format_name

    def close(self):
        self._native.close()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def __len__(self):
        return self._native.record_count()

    def record_count(self):
        """The number of records in the file."""
        return self._native.record_count()

    # -- reading -----------------------------------------------------------------
    def _single(self, options, key=None, number=0, lock=False):
        if not lock:
            options |= _n().READ_NO_LOCK
        records = self._native.read(options, key, number)
        numbers = self._native.last_numbers
        if not records:
            return None
        self._current = records[0]
        self.rrn = numbers[0] if numbers else 0
        return records[0]

    def __iter__(self):
        # chain steps through each block in C, not in a generator frame.
        return _chain.from_iterable(self.read_blocks())

    def read_blocks(self):
        """Iterates over the file's records as lists of up to ``block`` records.

        While a block is handed out the next one is already being read; a
        request on the file after an iteration left early puts the cursor
        back on the last record handed out."""
        native = _n()
        count = self.block
        records = self._native.read_block(native.READ_FIRST | native.BLOCK | count, True)
        while records:
            yield records
            if len(records) < count:
                return
            records = self._native.read_block(native.READ_NEXT | native.BLOCK | count, True)

    def first(self, lock=False):
        return self._single(_n().READ_FIRST, lock=lock)

    def last(self, lock=False):
        return self._single(_n().READ_LAST, lock=lock)

    def next(self, lock=False):
        return self._single(_n().READ_NEXT, lock=lock)

    def prior(self, lock=False):
        return self._single(_n().READ_PRIOR, lock=lock)

    def key_image(self, key):
        """The key image of ``key``: a value, or a tuple of the leading key fields' values."""
        if not self._key_fields:
            raise InterfaceError(f"{self.name} has no key: read it by position or number")
        values = key if isinstance(key, tuple) else (key,)
        if not values or len(values) > len(self._key_fields):
            raise ValueError(f"the key of {self.name} has {len(self._key_fields)} fields "
                             f"({', '.join(f.name for f in self._key_fields)}), "
                             f"not {len(values)}")
        return b"".join(encode_field(f, v, self.session.encoding)
                        for f, v in zip(self._key_fields, values))

    def read_key(self, key, op="eq", lock=False):
        """The first record whose key stands in ``op`` (eq, ge, gt, le, lt) to ``key``."""
        if op not in _KEY_OPS:
            raise ValueError(f"op {op!r}: one of {', '.join(_KEY_OPS)}")
        code = getattr(_n(), f"READ_KEY_{op.upper()}")
        return self._single(code, self.key_image(key), lock=lock)

    def read_rrn(self, number, lock=False):
        """The record with relative record number ``number`` (None when there is none)."""
        if isinstance(number, bool) or not isinstance(number, int):
            raise TypeError("a relative record number is an int")
        if not 1 <= number <= 0x7FFFFFFF:
            raise ValueError("a relative record number is 1 or more")
        return self._single(_n().READ_RRN, None, number, lock)

    def position(self, key=None, op="ge", *, where=None):
        """Moves without reading: to the first record at ``op`` ``key``, or
        ``where="start"`` before the first / ``"end"`` after the last record,
        so that :meth:`next` / :meth:`prior` read from there."""
        native = _n()
        if where == "start":
            self._native.read(native.READ_FIRST | native.READ_POSITION_ONLY | native.READ_NO_LOCK)
            self._native.read(native.READ_PRIOR | native.READ_POSITION_ONLY | native.READ_NO_LOCK)
            return
        if where == "end":
            self._native.read(native.READ_LAST | native.READ_POSITION_ONLY | native.READ_NO_LOCK)
            self._native.read(native.READ_NEXT | native.READ_POSITION_ONLY | native.READ_NO_LOCK)
            return
        if where is not None:
            raise ValueError("where: 'start' or 'end'")
        if op not in _KEY_OPS:
            raise ValueError(f"op {op!r}: one of {', '.join(_KEY_OPS)}")
        code = getattr(native, f"READ_KEY_{op.upper()}")
        self._native.read(code | native.READ_POSITION_ONLY | native.READ_NO_LOCK,
                          self.key_image(key))

    # -- changing ------------------------------------------------------------------
    def _values(self, record):
        if isinstance(record, Record):
            if len(record) != len(self.fields):
                raise ValueError("the record has another number of fields")
            return list(record)
        if isinstance(record, dict):
            index = self.Record._index
            unknown = [k for k in record if k not in index]
            if unknown:
                raise KeyError(f"no field {unknown[0]!r} in {self.name}")
            base = list(self._current) if self._current is not None else [None] * len(self.fields)
            for name, value in record.items():
                base[index[name]] = value
            return base
        if isinstance(record, (list, tuple)):
            if len(record) != len(self.fields):
                raise ValueError(f"{self.name} has {len(self.fields)} fields, "
                                 f"not {len(record)}")
            return list(record)
        raise TypeError("a record is a Record, a dict of field values or a sequence of values")

    def _image(self, values):
        return encode_record(self.fields, values, self.session.encoding)

    def write(self, record):
        """Adds a record (a Record, a dict of all fields or a sequence); answers its number."""
        if isinstance(record, dict):
            index = self.Record._index
            values = [None] * len(self.fields)
            given = set()
            for name, value in record.items():
                if name not in index:
                    raise KeyError(f"no field {name!r} in {self.name}")
                values[index[name]] = value
                given.add(index[name])
            missing = [f.name for i, f in enumerate(self.fields)
                       if i not in given and not f.nullable]
            if missing:
                raise ValueError(f"no value for {', '.join(missing)}")
        else:
            values = self._values(record)
        return self._native.write(self._image(values), 1)[0]

    def write_many(self, records):
        """Adds records, ``block`` per request; answers their numbers."""
        numbers, batch = [], []
        for record in records:
            batch.append(self._image(self._values(record) if not isinstance(record, dict)
                                     else [record.get(f.name) for f in self.fields]))
            if len(batch) == self.block:
                numbers += self._native.write(b"".join(batch), len(batch))
                batch = []
        if batch:
            numbers += self._native.write(b"".join(batch), len(batch))
        return numbers

    def update(self, record):
        """Replaces the record read last: a Record, a sequence, or a dict of the fields to change."""
        if self._current is None and not isinstance(record, (Record, list, tuple)):
            raise InterfaceError("update: read the record first")
        self._native.update(self._image(self._values(record)))

    def delete(self):
        """Deletes the record read last."""
        self._native.delete()
        self._current = None

    def release(self):
        """Releases the record lock the file holds."""
        self._native.release()


def _n():
    return _settings.native()
