"""Field and key descriptions, and the PC images of values.

A file's records travel in the PC form its field descriptions announce
(docs/host-protocol.md, "Record forms"): text blank-padded in the PC code page,
packed and zoned numbers as numeric text, binary numbers as little-endian
integers, dates and times as texts in the job's formats. Reading is done by the
native part; this module builds the images that writes, updates and keys send.
"""

import datetime
import decimal
import struct
from dataclasses import dataclass

# AS/400 type codes of the descriptions and the names this package gives them.
AS_TYPES = {0: "CHAR", 1: "BIN2", 2: "BIN4", 3: "PACKED", 4: "ZONED", 5: "DATE", 6: "TIME",
            7: "FLOAT", 8: "DOUBLE", 9: "TIMESTAMP"}
_PC_CHAR, _PC_INT, _PC_LONG, _PC_FLOAT, _PC_DOUBLE = 0, 1, 2, 3, 4


@dataclass(frozen=True)
class Field:
    """One field of a record format.

    ``type`` is the AS/400 type (``CHAR``, ``VARCHAR``, ``BIN2``, ``BIN4``,
    ``PACKED``, ``ZONED``, ``FLOAT``, ``DOUBLE``, ``DATE``, ``TIME``,
    ``TIMESTAMP``); ``length`` its characters (text) or bytes; ``digits`` and
    ``decimals`` for numbers; ``nullable`` whether it can hold a null.
    """

    name: str
    type: str
    length: int
    digits: int
    decimals: int
    nullable: bool
    pc_type: int
    pc_length: int
    pc_decimals: int
    as_type: int
    format_word: int
    offset: int

    @classmethod
    def _from_native(cls, entry):
        name, pc_type, pc_length, pc_decimals, as_type, as_length, as_decimals, flags, offset = entry
        kind = AS_TYPES.get(as_type, f"TYPE{as_type}")
        length = as_length
        if kind == "CHAR" and flags & 2:
            kind, length = "VARCHAR", pc_length - 2
        elif kind == "CHAR":
            length = pc_length
        digits = (flags >> 8) & 0xFF
        decimals = pc_decimals if kind in ("PACKED", "ZONED", "BIN2", "BIN4") else 0
        return cls(name, kind, length, digits, decimals, bool(flags & 1), pc_type, pc_length,
                   pc_decimals, as_type, as_decimals if kind in ("DATE", "TIME") else 0, offset)


@dataclass(frozen=True)
class Key:
    """One key field of the file's access path."""

    name: str
    descending: bool


def _timestamp_text(value):
    return (f"{value.year:04}-{value.month:02}-{value.day:02}-{value.hour:02}.{value.minute:02}."
            f"{value.second:02}.{value.microsecond:06}")


def _date_text(value, word):
    code, sep = (word >> 8) & 0xFF, chr(word & 0xFF) if word & 0xFF else "/"
    if not isinstance(value, datetime.date) or isinstance(value, datetime.datetime):
        if isinstance(value, datetime.datetime):
            value = value.date()
        else:
            raise TypeError(f"a date field takes a datetime.date, not {type(value).__name__}")
    y, m, d = value.year, value.month, value.day
    if code == 0x01:
        return f"{m:02}/{d:02}/{y:04}"
    if code == 0x05:
        return f"{d:02}.{m:02}.{y:04}"
    if code in (0x17, 0x18, 0x19):
        if not 1940 <= y <= 2039:
            raise ValueError(f"{value} has no two-digit-year form (1940-2039)")
        parts = {0x17: (m, d, y % 100), 0x18: (d, m, y % 100), 0x19: (y % 100, m, d)}[code]
        return sep.join(f"{p:02}" for p in parts)
    return f"{y:04}-{m:02}-{d:02}"


def _time_text(value, word):
    if not isinstance(value, datetime.time):
        raise TypeError(f"a time field takes a datetime.time, not {type(value).__name__}")
    code, sep = (word >> 8) & 0xFF, chr(word & 0xFF) if word & 0xFF else ":"
    h, m, s = value.hour, value.minute, value.second
    if code == 0x01:
        return f"{(h % 12) or 12:02}:{m:02} {'PM' if h >= 12 else 'AM'}"
    if code == 0x07:
        return f"{h:02}:{m:02}:{s:02}"
    if code == 0x1B:
        return f"{h:02}{sep}{m:02}{sep}{s:02}"
    return f"{h:02}.{m:02}.{s:02}"


def _number_text(field, value):
    if isinstance(value, bool) or not isinstance(value, (int, decimal.Decimal, float)):
        raise TypeError(f"field {field.name} takes a number (int or Decimal), "
                        f"not {type(value).__name__}")
    number = decimal.Decimal(str(value)) if isinstance(value, float) else decimal.Decimal(value)
    if not number.is_finite():
        raise ValueError(f"field {field.name} takes a finite number, not {value}")
    exponent = decimal.Decimal(1).scaleb(-field.pc_decimals)
    number = number.quantize(exponent, rounding=decimal.ROUND_HALF_UP)
    text = f"{number:f}"
    whole = text.lstrip("-").split(".")[0].lstrip("0")
    if field.digits and len(whole) > field.digits - field.pc_decimals:
        raise ValueError(f"{value} does not fit field {field.name} "
                         f"({field.digits} digits, {field.pc_decimals} decimals)")
    if text.startswith("-") and number == 0:
        text = text[1:]
    return text


def _text(field, value, encoding, width):
    if not isinstance(value, str):
        raise TypeError(f"field {field.name} takes a str, not {type(value).__name__}")
    data = value.encode(encoding)
    if len(data) > width:
        raise ValueError(f"{value!r} is longer than field {field.name} ({width} characters)")
    return data


def encode_field(field, value, encoding):
    """The PC image of ``value`` in ``field`` (``pc_length`` bytes)."""
    width = field.pc_length
    if field.pc_type == _PC_CHAR:
        if field.type == "VARCHAR":
            data = _text(field, value, encoding, width - 2)
            return struct.pack("<h", len(data)) + data.ljust(width - 2, b" ")
        if field.type == "CHAR":
            return _text(field, value, encoding, width).ljust(width, b" ")
        if field.type in ("PACKED", "ZONED", "BIN2", "BIN4"):
            text = _number_text(field, value)
        elif field.type in ("FLOAT", "DOUBLE"):
            if isinstance(value, bool) or not isinstance(value, (int, float, decimal.Decimal)):
                raise TypeError(f"field {field.name} takes a float, not {type(value).__name__}")
            text = repr(float(value))
        elif field.type == "DATE":
            text = _date_text(value, field.format_word)
        elif field.type == "TIME":
            text = _time_text(value, field.format_word)
        elif field.type == "TIMESTAMP":
            if not isinstance(value, datetime.datetime):
                raise TypeError(f"field {field.name} takes a datetime.datetime, "
                                f"not {type(value).__name__}")
            text = _timestamp_text(value)
        else:
            raise NotImplementedError(f"field {field.name} of type {field.type}")
        data = text.encode("ascii")
        if len(data) > width:
            raise ValueError(f"{value!r} does not fit field {field.name}")
        return data.ljust(width, b" ")
    if field.pc_type in (_PC_INT, _PC_LONG):
        if isinstance(value, bool) or not isinstance(value, (int, decimal.Decimal)):
            raise TypeError(f"field {field.name} takes an int, not {type(value).__name__}")
        scaled = decimal.Decimal(value).scaleb(field.pc_decimals)
        if scaled != scaled.to_integral_value():
            raise ValueError(f"{value} has more decimals than field {field.name}")
        fmt = "<h" if field.pc_type == _PC_INT else "<i"
        try:
            return struct.pack(fmt, int(scaled))
        except struct.error:
            raise ValueError(f"{value} does not fit field {field.name}") from None
    if field.pc_type in (_PC_FLOAT, _PC_DOUBLE):
        if isinstance(value, bool) or not isinstance(value, (int, float, decimal.Decimal)):
            raise TypeError(f"field {field.name} takes a float, not {type(value).__name__}")
        return struct.pack("<f" if field.pc_type == _PC_FLOAT else "<d", float(value))
    raise NotImplementedError(f"field {field.name}: PC type {field.pc_type}")


def zero_image(field):
    """The image of a null field: its zero value."""
    if field.pc_type != _PC_CHAR:
        return bytes(field.pc_length)
    if field.type == "VARCHAR":
        return bytes(2) + b" " * (field.pc_length - 2)
    if field.type in ("PACKED", "ZONED", "BIN2", "BIN4", "FLOAT", "DOUBLE"):
        return b"0".ljust(field.pc_length, b" ")
    if field.type == "DATE":
        return _date_text(datetime.date(1, 1, 1), field.format_word).encode().ljust(
            field.pc_length) if (field.format_word >> 8) not in (0x17, 0x18, 0x19) else \
            _date_text(datetime.date(1940, 1, 1), field.format_word).encode()
    if field.type == "TIME":
        return _time_text(datetime.time(0), field.format_word).encode().ljust(field.pc_length)
    if field.type == "TIMESTAMP":
        return b"0001-01-01-00.00.00.000000"
    return b" " * field.pc_length


def encode_record(fields, values, encoding, null_map=True):
    """The image of one record: ``values`` in field order (None: null)."""
    parts, nulls = [], bytearray(b"0" * len(fields))
    for i, (field, value) in enumerate(zip(fields, values)):
        if value is None:
            if not field.nullable:
                raise ValueError(f"field {field.name} cannot be null")
            parts.append(zero_image(field))
            nulls[i] = 0x31  # '1': null
        else:
            parts.append(encode_field(field, value, encoding))
    if null_map:
        parts.append(bytes(nulls))
    return b"".join(parts)
