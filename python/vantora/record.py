"""Records: tuples whose values can also be read by field name."""


class Record(tuple):
    """One record: a tuple of the field values in field order that also reads
    like a mapping (``record["NAME"]``, ``keys()``, ``items()``, ``get()``) and,
    for names that are not tuple methods, like a named tuple (``record.NAME``,
    or in lower case ``record.name``).

    Each file makes its own subclass with its field names in ``_fields``.
    """

    __slots__ = ()
    _fields = ()
    _index = {}

    def __getitem__(self, key):
        if isinstance(key, str):
            try:
                key = self._index[key]
            except KeyError:
                raise KeyError(f"no field {key!r}; the fields are {', '.join(self._fields)}") \
                    from None
        return tuple.__getitem__(self, key)

    def __getattr__(self, name):
        index = type(self)._index.get(name)
        if index is None:
            raise AttributeError(f"no field {name!r}; the fields are {', '.join(self._fields)}")
        return tuple.__getitem__(self, index)

    def keys(self):
        return list(self._fields)

    def values(self):
        return list(self)

    def items(self):
        return list(zip(self._fields, self))

    def get(self, name, default=None):
        index = self._index.get(name)
        return default if index is None else tuple.__getitem__(self, index)

    def as_dict(self):
        return dict(zip(self._fields, self))

    def replace(self, **changes):
        """A copy with some fields changed (names in any case)."""
        values = list(self)
        for name, value in changes.items():
            if name not in self._index:
                raise KeyError(f"no field {name!r}")
            values[self._index[name]] = value
        return self._make(values)

    @classmethod
    def _make(cls, values):
        values = tuple(values)
        if len(values) != len(cls._fields):
            raise ValueError(f"a record has {len(cls._fields)} values, not {len(values)}")
        return tuple.__new__(cls, values)

    def __repr__(self):
        inner = ", ".join(f"{n}={v!r}" for n, v in zip(self._fields, self))
        return f"{type(self).__name__}({inner})"

    def __reduce__(self):
        return (tuple, (tuple(self),))


def record_class(format_name, names):
    """The Record subclass of a format with fields ``names``."""
    index = {}
    for i, name in enumerate(names):
        index[name] = i
        index.setdefault(name.lower(), i)
    cls_name = "".join(c for c in format_name.title() if c.isalnum()) or "Result"
    return type(f"{cls_name}Record", (Record,),
                {"__slots__": (), "_fields": tuple(names), "_index": index})
