"""The exceptions of vantora: one hierarchy for the whole package.

The classes follow PEP 249 (``Error``, ``InterfaceError``, ``DatabaseError``
and its subclasses), so that :mod:`vantora.dbapi` raises the same classes as
the rest of the package. Every exception raised for a failed request carries
the client library's codes as attributes and the failure in words
(``VNXErrorText``) as its message:

``result``      the error class: -1 host, -10 host signal, -20 communication,
                -30 internal, or a transport's own result
``status``      the host's status word (``retstat``), 0 when none
``message_id``  the host's message identifier (``CPF5027``, ``SQL0204``), or ""
``internal``    the client library's internal error code
``sqlcode``, ``sqlstate``  for SQL requests, from the communication area
"""


class Error(Exception):
    """Every error of vantora."""

    def __init__(self, text="", *, result=0, status=0, message_id="", internal=0,
                 primary=0, secondary=0, sqlcode=0, sqlstate=""):
        super().__init__(text)
        self.text = text
        self.result = result
        self.status = status
        self.message_id = message_id
        self.internal = internal
        self.primary = primary
        self.secondary = secondary
        self.sqlcode = sqlcode
        self.sqlstate = sqlstate


class Warning(Exception):  # noqa: A001 - the PEP 249 name
    """PEP 249's warning class; vantora raises none."""


class InterfaceError(Error):
    """A wrong use of the package: a closed session, file or cursor."""


class DatabaseError(Error):
    """An error the host or the way to it reported."""


class OperationalError(DatabaseError):
    """The connection or the host's resources failed."""


class ConnectionError(OperationalError):  # noqa: A001 - the package's own name
    """No session: the host could not be reached, or refused the sign-on."""


class InternalError(DatabaseError):
    """The client library failed internally (``internal`` says how)."""


class HostError(DatabaseError):
    """The host refused a request: ``message_id`` and the text say why."""


class NotFound(HostError):
    """A file, library, program, data queue or object the request named does not exist."""


class ObjectInUse(HostError, OperationalError):
    """Another job holds the file or object."""


class LockTimeout(HostError, OperationalError):
    """Another job held the record beyond the file's record wait."""


class IntegrityError(HostError):
    """PEP 249: a change would break the data's integrity."""


class DuplicateKey(IntegrityError):
    """A write or update would duplicate a key of a unique access path."""


class DataError(HostError):
    """A value does not fit its field (CPF5029), or a field holds no valid value."""


class ProgrammingError(HostError):
    """PEP 249: a statement the host refused (SQL syntax, unknown names, ...)."""


class NotSupportedError(DatabaseError):
    """A request the host or this package does not support."""


_NOT_FOUND = {"CPF4101", "CPF9801", "CPF9810", "CPF9811", "CPF2105", "CPF2110", "CPF2204",
              "SQL0204", "SQL0206"}
_IN_USE = {"CPF4128", "CPF3202"}
_STATUS = {3004: NotFound, 3029: LockTimeout, 3033: DuplicateKey, 3041: ObjectInUse,
           3042: ObjectInUse}
_MESSAGE = {"CPF5027": LockTimeout, "CPF5026": DuplicateKey, "CPF5034": DuplicateKey,
            "CPF5029": DataError, "MCH1210": DataError, "MCH1212": DataError,
            "CPF5006": NotFound, "SQL0803": DuplicateKey, "SQL0913": LockTimeout}


def _class_of(result, status, message_id, local):
    if local:
        return InterfaceError
    if result == -30:
        return InternalError
    if result not in (-1, -10):
        return ConnectionError
    if status == 3009:
        return ConnectionError
    if message_id in _MESSAGE:
        return _MESSAGE[message_id]
    if message_id in _NOT_FOUND:
        return NotFound
    if message_id in _IN_USE:
        return ObjectInUse
    if status in _STATUS:
        return _STATUS[status]
    if message_id.startswith("SQL"):
        return ProgrammingError
    return HostError


def _from_failure(text, result, status, message_id, internal, primary, secondary, sqlcode,
                  sqlstate, local):
    """The exception for a failure the native part captured (called by it)."""
    cls = _class_of(result, status, message_id, local)
    return cls(text, result=result, status=status, message_id=message_id, internal=internal,
               primary=primary, secondary=secondary, sqlcode=sqlcode, sqlstate=sqlstate)
