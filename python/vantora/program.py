"""Typed parameters of program calls (:meth:`vantora.Session.call`).

A program takes a parameter record: every parameter at its running offset,
characters blank-padded in the PC code page, packed and zoned decimals as the
host's bytes, binary numbers and floating point big-endian.
"""

import decimal
import struct

from .errors import InterfaceError

_DIRECTIONS = {"in": 1, "out": 2, "inout": 3}


class Parameter:
    """A parameter: its host type, length, direction and value."""

    host_type = 0

    def __init__(self, value, direction):
        if direction not in _DIRECTIONS:
            raise ValueError(f"direction {direction!r}: one of 'in', 'out', 'inout'")
        self.direction = direction
        self.value = value

    @property
    def size(self):
        raise NotImplementedError

    def describe(self):
        return struct.pack("<hhhhh4x", _DIRECTIONS[self.direction], self.host_type,
                           self.digits, self.decimals, self.size)

    def __repr__(self):
        return f"{type(self).__name__}({self.digits}, {self.value!r}, {self.direction!r})"


def _number(value, what):
    if isinstance(value, bool) or not isinstance(value, (int, decimal.Decimal, float)):
        raise TypeError(f"{what} takes a number, not {type(value).__name__}")
    return decimal.Decimal(str(value)) if isinstance(value, float) else decimal.Decimal(value)


def _length(value, what, low, high):
    if isinstance(value, bool) or not isinstance(value, int):
        raise TypeError(f"{what} must be an int")
    if not low <= value <= high:
        raise ValueError(f"{what} must be from {low} to {high}")
    return value


class Char(Parameter):
    """``Char(length, value="", direction="in")``: text blank-padded to ``length``."""

    host_type = 0

    def __init__(self, length, value="", direction="in", *, encoding="cp1252"):
        self.digits = _length(length, "Char's length", 1, 32767)
        self.decimals = 0
        self.encoding = encoding
        if not isinstance(value, str):
            raise TypeError(f"Char takes a str, not {type(value).__name__}")
        if len(value.encode(encoding)) > length:
            raise ValueError(f"{value!r} is longer than Char({length})")
        super().__init__(value, direction)

    @property
    def size(self):
        return self.digits

    def encode(self):
        return self.value.encode(self.encoding).ljust(self.digits, b" ")

    def decode(self, data):
        return data.decode(self.encoding, "replace").rstrip(" ")


class _Decimal(Parameter):
    def __init__(self, digits, decimals, value, direction):
        self.digits = _length(digits, "digits", 1, 63)
        self.decimals = _length(decimals, "decimals", 0, digits)
        number = _number(value, type(self).__name__)
        number = number.quantize(decimal.Decimal(1).scaleb(-decimals),
                                 rounding=decimal.ROUND_HALF_UP)
        if len(number.as_tuple().digits) > digits and number != 0:
            raise ValueError(f"{value} does not fit {type(self).__name__}({digits}, {decimals})")
        super().__init__(number, direction)

    def __repr__(self):
        return (f"{type(self).__name__}({self.digits}, {self.decimals}, {self.value!r}, "
                f"{self.direction!r})")

    def _digit_text(self):
        units = int(abs(self.value).scaleb(self.decimals))
        return f"{units:0{self.digits}d}", self.value < 0


class Packed(_Decimal):
    """``Packed(digits, decimals, value=0, direction="in")``: packed decimal."""

    host_type = 3

    def __init__(self, digits, decimals=0, value=0, direction="in"):
        super().__init__(digits, decimals, value, direction)

    @property
    def size(self):
        return self.digits // 2 + 1

    def encode(self):
        text, negative = self._digit_text()
        nibbles = "0" * (self.size * 2 - 1 - len(text)) + text
        nibbles += "D" if negative else "F"
        return bytes.fromhex(nibbles)

    def decode(self, data):
        nibbles = data.hex().upper()
        negative = nibbles[-1] in "BD"
        digits = "".join(c for c in nibbles[:-1] if c.isdigit()) or "0"
        return (-1 if negative else 1) * decimal.Decimal(int(digits)).scaleb(-self.decimals)


class Zoned(_Decimal):
    """``Zoned(digits, decimals, value=0, direction="in")``: zoned decimal."""

    host_type = 4

    def __init__(self, digits, decimals=0, value=0, direction="in"):
        super().__init__(digits, decimals, value, direction)

    @property
    def size(self):
        return self.digits

    def encode(self):
        text, negative = self._digit_text()
        data = bytearray(0xF0 | int(c) for c in text)
        if negative:
            data[-1] = 0xD0 | (data[-1] & 0x0F)
        return bytes(data)

    def decode(self, data):
        negative = (data[-1] >> 4) in (0xB, 0xD)
        units = int("".join(str(b & 0x0F) for b in data) or "0")
        return (-1 if negative else 1) * decimal.Decimal(units).scaleb(-self.decimals)


class Binary(Parameter):
    """``Binary(size, value=0, direction="in")``: a 2- or 4-byte integer."""

    def __init__(self, size, value=0, direction="in"):
        if size not in (2, 4):
            raise ValueError("Binary's size is 2 or 4 bytes")
        if isinstance(value, bool) or not isinstance(value, int):
            raise TypeError(f"Binary takes an int, not {type(value).__name__}")
        limit = 1 << (size * 8 - 1)
        if not -limit <= value < limit:
            raise ValueError(f"{value} does not fit Binary({size})")
        self.host_type = 1 if size == 2 else 2
        self.digits = 4 if size == 2 else 9
        self.decimals = 0
        self._size = size
        super().__init__(value, direction)

    def __repr__(self):
        return f"Binary({self._size}, {self.value!r}, {self.direction!r})"

    @property
    def size(self):
        return self._size

    def encode(self):
        return struct.pack(">h" if self._size == 2 else ">i", self.value)

    def decode(self, data):
        return struct.unpack(">h" if self._size == 2 else ">i", data)[0]


class Float(Parameter):
    """``Float(size, value=0.0, direction="in")``: a 4- or 8-byte IEEE number."""

    def __init__(self, size, value=0.0, direction="in"):
        if size not in (4, 8):
            raise ValueError("Float's size is 4 or 8 bytes")
        if isinstance(value, bool) or not isinstance(value, (int, float, decimal.Decimal)):
            raise TypeError(f"Float takes a float, not {type(value).__name__}")
        self.host_type = 7 if size == 4 else 8
        self.digits = 0
        self.decimals = 0
        self._size = size
        super().__init__(float(value), direction)

    def __repr__(self):
        return f"Float({self._size}, {self.value!r}, {self.direction!r})"

    @property
    def size(self):
        return self._size

    def encode(self):
        return struct.pack(">f" if self._size == 4 else ">d", self.value)

    def decode(self, data):
        return struct.unpack(">f" if self._size == 4 else ">d", data)[0]


def call_program(session, program, parameters):
    from .session import _qualified
    library, name = _qualified(program, "program name")
    parameters = list(parameters)
    for p in parameters:
        if not isinstance(p, Parameter):
            raise TypeError("parameters are vantora.Char, Packed, Zoned, Binary or Float objects, "
                            f"not {type(p).__name__}")
    if session.closed:
        raise InterfaceError("the session is closed")
    descriptions = b"".join(p.describe() for p in parameters)
    data = b"".join(p.encode() for p in parameters if p.direction != "out")
    record = session._native.call_program(name, library, descriptions, len(parameters), data)
    values, offset = [], 0
    for p in parameters:
        values.append(p.decode(record[offset:offset + p.size]))
        offset += p.size
    return values
