"""Stored procedures: host programs and data queues declared by name.

The declarations are those of the working library's catalogue, the first
``YPROCHDR`` and ``YPROCPARMS`` of the job's library list: a header per
procedure (its target and description) and a record per parameter field (its
direction and host type). A call sends the input fields in their host forms
one after another to the program file ``*PGM/NAME``, which the host resolves
through the same catalogue, and reads the outputs from the parameter record
it answers.
"""

import datetime
import decimal
from typing import NamedTuple

from . import settings as _settings
from .errors import DataError, InterfaceError, NotFound
from .program import Binary, Char, Float, Packed, Zoned
from .record import record_class

HOST_TYPES = {0: "CHAR", 1: "BIN2", 2: "BIN4", 3: "PACK", 4: "ZONED", 5: "DATE", 6: "TIME",
              7: "FLOAT", 8: "DOUBLE", 9: "TIMESTP"}
_DIRECTIONS = {1: "in", 2: "out", 3: "inout"}
# The catalogue's block reads are limited by the count field of a read request.
_MAX_FIELDS = 4095

# Format words of dates and times: the code in the high byte, the separator
# (when not 0 and below 0x80) in the low byte.
_DATE_FORMATS = {0x00: "%Y-%m-%d", 0x07: "%Y-%m-%d", 0xFF: "%Y-%m-%d", 0x01: "%m/%d/%Y",
                 0x05: "%d.%m.%Y", 0x17: "%m/%d/%y", 0x18: "%d/%m/%y", 0x19: "%y/%m/%d"}
_TIME_FORMATS = {0x01: "%I:%M %p", 0x00: "%H.%M.%S", 0x03: "%H.%M.%S", 0x05: "%H.%M.%S",
                 0x09: "%H.%M.%S", 0x07: "%H:%M:%S", 0x1B: "%H:%M:%S"}
_TIMESTAMP_FORMAT = "%Y-%m-%d-%H.%M.%S.%f"


class ProcedureField(NamedTuple):
    """One declared parameter field of a stored procedure."""

    name: str
    parameter: int      # fields with one number form a data structure
    direction: str      # "in", "out" or "inout"
    host_type: str      # CHAR, BIN2, BIN4, PACK, ZONED, DATE, TIME, FLOAT, DOUBLE, TIMESTP
    length: int         # bytes in the parameter record
    digits: int         # digits, or characters of text
    decimals: int
    format_word: int    # DATE, TIME, TIMESTP: the format of their text


def _procedure_name(name):
    if not isinstance(name, str):
        raise TypeError(f"a procedure name is a str, not {type(name).__name__}")
    upper = name.strip().upper()
    if not 1 <= len(upper) <= 10 or " " in upper or "/" in upper or "\0" in upper:
        raise ValueError(f"procedure name {name!r}: 1 to 10 characters, without blanks or '/'")
    return upper


def _field(row):
    host_type = HOST_TYPES.get(row.ASTYPE)
    direction = _DIRECTIONS.get(row.DIRECTION)
    if host_type is None or direction is None or row.ASLEN < 1:
        raise DataError(f"the procedure {row.PROCNAME}'s field {row.FLDNAME!r} has no valid "
                        f"host type ({row.ASTYPE}), direction ({row.DIRECTION}) or length "
                        f"({row.ASLEN})")
    dated = host_type in ("DATE", "TIME", "TIMESTP")
    return ProcedureField(row.FLDNAME or f"P{row.ROWSEQ}", row.PARMNO, direction, host_type,
                          row.ASLEN, row.ASDIGITS, 0 if dated else row.ASDEC,
                          (row.ASDEC & 0xFFFF) if dated else 0)


def load_procedure(session, name):
    """The declaration of ``name`` from the session's working library, as a :class:`Procedure`."""
    key = _procedure_name(name)
    if session.closed:
        raise InterfaceError("the session is closed")
    with session.open("YPROCHDR") as headers:
        header = headers.read_key(key)
    if header is None:
        raise NotFound(f"the procedure {key} is not declared in the working library's "
                       "catalogue (the first YPROCHDR of the library list)")
    count = header.FIELDCOUNT
    if not 0 <= count <= _MAX_FIELDS:
        raise DataError(f"the procedure {key}'s header counts {count} fields")
    rows = []
    if count:
        native = _settings.native()
        with session.open("YPROCPARMS") as parms:
            rows = parms._native.read(native.READ_KEY_EQ | native.BLOCK | native.READ_NO_LOCK
                                      | count, parms.key_image(key))
        if len(rows) != count:
            raise DataError(f"the procedure {key} has {len(rows)} field records where its "
                            f"header counts {count}")
    return Procedure(session, header, [_field(row) for row in rows])


def procedure_names(session):
    """The names of the procedures the working library declares, in order."""
    if session.closed:
        raise InterfaceError("the session is closed")
    with session.open("YPROCHDR") as headers:
        return [header.PROCNAME for header in headers]


def _pattern(field):
    """The strftime pattern of a DATE, TIME or TIMESTP field's text; None for an unknown format."""
    if field.host_type == "TIMESTP":
        return _TIMESTAMP_FORMAT
    formats = _DATE_FORMATS if field.host_type == "DATE" else _TIME_FORMATS
    pattern = formats.get(field.format_word >> 8)
    separator = chr(field.format_word & 0xFF)
    if pattern is not None and "\0" < separator < "\x80" and separator != "%":
        default = next(c for c in pattern if c not in "%YmdyHIMSp")
        pattern = pattern.replace(default, separator)
    return pattern


class _Temporal(Char):
    """A DATE, TIME or TIMESTP parameter: its text in the field's format.

    Takes a ``datetime`` value of its kind or the text itself; answers the
    value read back (the text in a format without a pattern here), or None
    for a blank text."""

    _KINDS = {"DATE": datetime.date, "TIME": datetime.time, "TIMESTP": datetime.datetime}

    def __init__(self, field, value, encoding):
        self.field = field
        self.pattern = _pattern(field)
        kind = self._KINDS[field.host_type]
        if isinstance(value, datetime.datetime) and kind is datetime.date:
            value = value.date()
        if isinstance(value, kind):
            value = self._text(value)
        elif not isinstance(value, str):
            raise TypeError(f"takes a {kind.__module__}.{kind.__name__} or a str, "
                            f"not {type(value).__name__}")
        super().__init__(field.length, value, field.direction, encoding=encoding)

    def _text(self, value):
        if self.pattern is None:
            raise ValueError(f"the format 0x{self.field.format_word:04X} is not known: "
                             "give the value as text")
        if "%y" in self.pattern and not 1940 <= value.year <= 2039:
            raise ValueError(f"a two-digit year stands for 1940 to 2039, not {value.year}")
        return value.strftime(self.pattern)

    def decode(self, data):
        text = super().decode(data).strip()
        if not text or self.pattern is None:
            return text or None
        try:
            value = datetime.datetime.strptime(text, self.pattern)
        except ValueError:
            raise DataError(f"{self.field.name}: {text!r} is no {self.field.host_type} of the "
                            f"format 0x{self.field.format_word:04X}") from None
        if "%y" in self.pattern and value.year >= 2040:
            value = value.replace(year=value.year - 100)
        if self.field.host_type == "DATE":
            return value.date()
        return value.time() if self.field.host_type == "TIME" else value


class _ScaledBinary(Binary):
    """A binary integer with decimals: the value times 10 ** decimals."""

    def __init__(self, size, decimals, value, direction):
        number = value
        if isinstance(number, bool) or not isinstance(number, (int, float, decimal.Decimal)):
            raise TypeError(f"Binary({size}) with decimals takes a number, "
                            f"not {type(number).__name__}")
        if isinstance(number, float):
            number = decimal.Decimal(str(number))
        scaled = decimal.Decimal(number).scaleb(decimals).to_integral_value(
            rounding=decimal.ROUND_HALF_UP)
        super().__init__(size, int(scaled), direction)
        self.decimals = decimals

    def decode(self, data):
        return decimal.Decimal(super().decode(data)).scaleb(-self.decimals)


def _parameter(field, value, encoding):
    """The typed parameter of ``field`` with ``value`` (None for an output's default)."""
    host_type, direction = field.host_type, field.direction
    if host_type == "CHAR":
        return Char(field.length, "" if value is None else value, direction, encoding=encoding)
    if host_type in ("DATE", "TIME", "TIMESTP"):
        return _Temporal(field, "" if value is None else value, encoding)
    if host_type == "PACK":
        digits = field.digits or field.length * 2 - 1
        made = Packed(digits, field.decimals, 0 if value is None else value, direction)
    elif host_type == "ZONED":
        made = Zoned(field.digits or field.length, field.decimals,
                     0 if value is None else value, direction)
    elif host_type in ("BIN2", "BIN4"):
        size = 2 if host_type == "BIN2" else 4
        if field.decimals:
            made = _ScaledBinary(size, field.decimals, 0 if value is None else value, direction)
        else:
            made = Binary(size, 0 if value is None else value, direction)
    else:
        made = Float(4 if host_type == "FLOAT" else 8, 0.0 if value is None else value, direction)
    if made.size != field.length:
        raise DataError(f"{field.name}: a {host_type} of {made.digits} digits takes "
                        f"{made.size} bytes, the declaration says {field.length}")
    return made


class Procedure:
    """A declared stored procedure (:meth:`vantora.Session.procedure`), callable.

    ``procedure(*inputs, **inputs)`` calls it with its input fields (``in``
    and ``inout``, in declaration order, or by field name in any case) and
    answers a :class:`vantora.Record` of its output fields (``out`` and
    ``inout``). Values are typed by the host type of their field, as in
    :meth:`vantora.Session.call`.
    """

    def __init__(self, session, header, fields):
        self.session = session
        self.name = header.PROCNAME
        self.description = header.DESCR
        library, target = header.PGMLIB, header.PGMNAME
        self.target = f"{library}/{target}" if library else target
        self.kind = "data queue" if header.TARGET == "Q" else "program"
        self.fields = fields
        self.inputs = [f.name for f in fields if f.direction != "out"]
        self.outputs = [f.name for f in fields if f.direction != "in"]
        self.Result = record_class(self.name, self.outputs)
        self._by_name = {}
        for i, f in enumerate(fields):
            if f.direction != "out":
                self._by_name.setdefault(f.name.upper(), i)

    def __repr__(self):
        return (f"<vantora.Procedure {self.name}({', '.join(self.inputs)}) -> "
                f"({', '.join(self.outputs)}): {self.kind} {self.target}>")

    def _values(self, args, kwargs):
        inputs = [i for i, f in enumerate(self.fields) if f.direction != "out"]
        if len(args) > len(inputs):
            raise TypeError(f"{self.name} takes {len(inputs)} inputs "
                            f"({', '.join(self.inputs)}), not {len(args)}")
        values = dict(zip(inputs, args))
        for name, value in kwargs.items():
            index = self._by_name.get(name.upper())
            if index is None:
                raise TypeError(f"{self.name} has no input {name!r}; its inputs are "
                                f"{', '.join(self.inputs) or 'none'}")
            if index in values:
                raise TypeError(f"{self.name} got two values for {self.fields[index].name}")
            values[index] = value
        missing = [self.fields[i].name for i in inputs if i not in values]
        if missing:
            raise TypeError(f"{self.name} needs a value for {', '.join(missing)}")
        return values

    def __call__(self, *args, **kwargs):
        values = self._values(args, kwargs)
        encoding = self.session.encoding
        parameters = []
        for i, f in enumerate(self.fields):
            try:
                parameters.append(_parameter(f, values.get(i), encoding))
            except (TypeError, ValueError) as error:
                raise type(error)(f"{self.name} {f.name}: {error}") from None
        data = b"".join(p.encode() for p in parameters if p.direction != "out")
        if self.session.closed:
            raise InterfaceError("the session is closed")
        length = sum(f.length for f in self.fields)
        record = self.session._native.call_procedure(self.name, data, length)
        outputs, offset = [], 0
        for p, f in zip(parameters, self.fields):
            if f.direction != "in":
                outputs.append(p.decode(record[offset:offset + f.length]))
            offset += f.length
        return self.Result._make(outputs)
