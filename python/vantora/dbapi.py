"""PEP 249 (DB-API 2.0) over the host's embedded SQL.

    from vantora import dbapi
    with dbapi.connect() as connection:
        cursor = connection.cursor()
        cursor.execute("SELECT CUSTNO, NAME FROM DEMO.CUSTOMER WHERE CUSTNO < ?", [1005])
        print(cursor.fetchall())

Queries (``SELECT``, ``VALUES``, ``WITH``) are declared on the host with their
``?`` markers bound to the values; other statements run at once, with the
values written into the statement as SQL literals. Values come back typed as
in record-level access (str, Decimal, int, float, date, time, datetime).
"""

import datetime
import decimal
import struct
import time as _time

from .errors import (DatabaseError, DataError, Error, IntegrityError, InterfaceError,
                     InternalError, NotSupportedError, OperationalError, ProgrammingError,
                     Warning)
from .fields import Field, _timestamp_text
from .session import Session

apilevel = "2.0"
threadsafety = 2  # threads may share connections: one request of a session at a time
paramstyle = "qmark"

__all__ = ["apilevel", "threadsafety", "paramstyle", "connect", "Connection", "Cursor",
           "Error", "Warning", "InterfaceError", "DatabaseError", "DataError",
           "OperationalError", "IntegrityError", "InternalError", "ProgrammingError",
           "NotSupportedError", "Date", "Time", "Timestamp", "DateFromTicks", "TimeFromTicks",
           "TimestampFromTicks", "Binary", "STRING", "BINARY", "NUMBER", "DATETIME", "ROWID"]

Date = datetime.date
Time = datetime.time
Timestamp = datetime.datetime
Binary = bytes


def DateFromTicks(ticks):
    return Date(*_time.localtime(ticks)[:3])


def TimeFromTicks(ticks):
    return Time(*_time.localtime(ticks)[3:6])


def TimestampFromTicks(ticks):
    return Timestamp(*_time.localtime(ticks)[:6])


class _TypeCode(frozenset):
    def __eq__(self, other):
        return other in self if isinstance(other, str) else frozenset.__eq__(self, other)

    __hash__ = frozenset.__hash__


STRING = _TypeCode({"CHAR", "VARCHAR"})
BINARY = _TypeCode({"BINARY"})
NUMBER = _TypeCode({"BIN2", "BIN4", "PACKED", "ZONED", "FLOAT", "DOUBLE"})
DATETIME = _TypeCode({"DATE", "TIME", "TIMESTAMP"})
ROWID = _TypeCode()


def connect(system=None, user=None, password=None, settings=None, network=None,
            autocommit=False):
    """A :class:`Connection`: a session of its own (see :func:`vantora.connect`).

    Without ``autocommit`` the session runs under commitment control
    (``STRCMTCTL LCKLVL(*CHG)``): changes wait for :meth:`Connection.commit`
    and are undone by :meth:`Connection.rollback` or by closing.
    """
    session = Session(system, user, password, settings, network)
    try:
        if not autocommit:
            session.command("STRCMTCTL LCKLVL(*CHG)")
    except BaseException:
        session.close()
        raise
    return Connection(session)


class Connection:
    """A PEP 249 connection over one :class:`vantora.Session`."""

    Error, Warning, InterfaceError, DatabaseError = Error, Warning, InterfaceError, DatabaseError
    DataError, OperationalError, IntegrityError = DataError, OperationalError, IntegrityError
    InternalError, ProgrammingError = InternalError, ProgrammingError
    NotSupportedError = NotSupportedError

    def __init__(self, session):
        self.session = session

    def _check(self):
        if self.session.closed:
            raise InterfaceError("the connection is closed")

    def close(self):
        self.session.close()

    def commit(self):
        self._check()
        self.session._native.sql_commit(0)

    def rollback(self):
        self._check()
        self.session._native.sql_commit(1)

    def cursor(self):
        self._check()
        return Cursor(self)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


_QUERY_WORDS = ("SELECT", "VALUES", "WITH")


def _split_markers(statement):
    """The statement's parts between its ``?`` markers (outside quotes)."""
    parts, current, quote = [], [], None
    for c in statement:
        if quote:
            current.append(c)
            if c == quote:
                quote = None
        elif c in ("'", '"'):
            quote = c
            current.append(c)
        elif c == "?":
            parts.append("".join(current))
            current = []
        else:
            current.append(c)
    parts.append("".join(current))
    return parts


def _literal(value):
    if value is None:
        return "NULL"
    if isinstance(value, bool):
        raise TypeError("a bool is not an SQL value: pass 0 or 1")
    if isinstance(value, (int, decimal.Decimal)):
        if isinstance(value, decimal.Decimal) and not value.is_finite():
            raise ValueError(f"{value} is not an SQL number")
        return f"{value:f}" if isinstance(value, decimal.Decimal) else str(value)
    if isinstance(value, float):
        return repr(value)
    if isinstance(value, str):
        if "\0" in value:
            raise ValueError("a text value must not contain NUL characters")
        return "'" + value.replace("'", "''") + "'"
    if isinstance(value, datetime.datetime):
        return "'" + _timestamp_text(value) + "'"
    if isinstance(value, datetime.date):
        return f"'{value.isoformat()}'"
    if isinstance(value, datetime.time):
        return f"'{value.hour:02}.{value.minute:02}.{value.second:02}'"
    raise NotSupportedError(f"a {type(value).__name__} is not a value this module can send")


def _bind_entry(value, encoding):
    """(PC type, AS/400 type, bytes) of one parameter value."""
    if isinstance(value, bool):
        raise TypeError("a bool is not an SQL value: pass 0 or 1")
    if isinstance(value, int) and -2**31 <= value < 2**31:
        return 2, 2, struct.pack("<i", value)
    if isinstance(value, (int, decimal.Decimal)):
        if isinstance(value, decimal.Decimal) and not value.is_finite():
            raise ValueError(f"{value} is not an SQL number")
        return 0, 3, (f"{value:f}" if isinstance(value, decimal.Decimal) else str(value)).encode()
    if isinstance(value, float):
        return 4, 8, struct.pack("<d", value)
    if isinstance(value, str):
        return 0, 0, value.encode(encoding)
    if isinstance(value, datetime.datetime):
        return 0, 9, (_timestamp_text(value)).encode()
    if isinstance(value, datetime.date):
        return 0, 5, value.isoformat().encode()
    if isinstance(value, datetime.time):
        return 0, 6, f"{value.hour:02}.{value.minute:02}.{value.second:02}".encode()
    if isinstance(value, (bytes, bytearray)):
        return 5, 0, bytes(value)
    if value is None:
        raise NotSupportedError("a NULL parameter of a query: write IS NULL in the statement")
    raise NotSupportedError(f"a {type(value).__name__} is not a value this module can send")


class Cursor:
    """A PEP 249 cursor."""

    def __init__(self, connection):
        self.connection = connection
        self.arraysize = 100
        self.description = None
        self.rowcount = -1
        self._result = None
        self._cursor = None
        self._rows = []
        self._done = True
        self._closed = False

    def _check(self):
        if self._closed:
            raise InterfaceError("the cursor is closed")
        self.connection._check()

    def close(self):
        self._close_result()
        self._closed = True

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def _close_result(self):
        if self._result is not None:
            result, self._result = self._result, None
            if not self.connection.session.closed:
                result.close()
        self._rows, self._done = [], True

    def setinputsizes(self, sizes):
        pass

    def setoutputsize(self, size, column=None):
        pass

    def execute(self, operation, parameters=()):
        self._check()
        if not isinstance(operation, str):
            raise TypeError(f"the statement is a str, not {type(operation).__name__}")
        if isinstance(parameters, (str, bytes)) or not hasattr(parameters, "__len__"):
            raise TypeError("parameters are a sequence of values (qmark style)")
        parameters = list(parameters)
        parts = _split_markers(operation)
        if len(parts) - 1 != len(parameters):
            raise ProgrammingError(f"the statement has {len(parts) - 1} markers, "
                                   f"but {len(parameters)} parameters were given")
        self._close_result()
        self.description = None
        self.rowcount = -1
        native = self.connection.session._native
        encoding = self.connection.session.encoding
        if operation.lstrip().upper().startswith(_QUERY_WORDS):
            cursor = native.sql_declare(operation.encode(encoding))
            if parameters:
                entries = [_bind_entry(v, encoding) for v in parameters]
                area = b"".join(struct.pack("<hhhhhh", pc, len(data), 0, as_type, len(data), 0)
                                for pc, as_type, data in entries)
                area += b"".join(data for _, _, data in entries)
                native.sql_bind(cursor, area, len(entries))
            self._result = native.sql_open(cursor, True, encoding)
            fields = [Field._from_native(e) for e in self._result.fields()]
            self.description = [
                (f.name, f.type, f.length, f.pc_length, f.digits or None,
                 f.decimals if f.type in NUMBER else None, f.nullable) for f in fields]
            from .record import record_class
            self._result.set_record_class(record_class("ROW", [f.name for f in fields]))
            self._done = False
        else:
            statement = parts[0] + "".join(_literal(v) + p for v, p in zip(parameters, parts[1:]))
            self.rowcount = native.sql_immediate(statement.encode(encoding))
        return self

    def executemany(self, operation, seq_of_parameters):
        total = 0
        for parameters in seq_of_parameters:
            self.execute(operation, parameters)
            if self.description is not None:
                raise ProgrammingError("executemany runs statements that change data, "
                                       "not queries")
            total += max(self.rowcount, 0)
        self.rowcount = total
        return self

    def _fill(self, count):
        if self._result is None:
            raise ProgrammingError("no result: execute a query first")
        while len(self._rows) < count and not self._done:
            want = max(count - len(self._rows), self.arraysize, 1)
            rows = self._result.fetch(min(want, 4095), 0)
            self._rows.extend(rows)
            if len(rows) < min(want, 4095):
                self._done = True

    def fetchone(self):
        self._check()
        self._fill(1)
        return self._rows.pop(0) if self._rows else None

    def fetchmany(self, size=None):
        self._check()
        size = self.arraysize if size is None else size
        self._fill(size)
        rows, self._rows = self._rows[:size], self._rows[size:]
        return rows

    def fetchall(self):
        self._check()
        if self._result is None:
            raise ProgrammingError("no result: execute a query first")
        rows = self._rows
        self._rows = []
        while not self._done:
            block = self._result.fetch(4095, 0)
            rows.extend(block)
            if len(block) < 4095:
                self._done = True
        return rows

    def __iter__(self):
        while True:
            row = self.fetchone()
            if row is None:
                return
            yield row
