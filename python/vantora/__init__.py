"""Vantora from Python: records, programs, commands, data queues and SQL of an
IBM i host, through the client library.

    import vantora
    with vantora.connect() as session:
        with session.open("DEMO/CUSTOMER") as customers:
            print(customers.read_key(1))

See docs/python.md.
"""

from .data_queue import DataQueue
from .errors import (ConnectionError, DatabaseError, DataError, DuplicateKey, Error, HostError,
                     IntegrityError, InterfaceError, InternalError, LockTimeout, NotFound,
                     NotSupportedError, ObjectInUse, OperationalError, ProgrammingError, Warning)
from .fields import Field, Key
from .job_log import JobMessage
from .procedure import Procedure, ProcedureField
from .program import Binary, Char, Float, Packed, Parameter, Zoned
from .record import Record
from .session import File, Session, connect

__version__ = "0.1.0"

__all__ = [
    "Binary", "Char", "ConnectionError", "DataError", "DataQueue", "DatabaseError",
    "DuplicateKey", "Error", "Field", "File", "Float", "HostError", "IntegrityError",
    "InterfaceError", "InternalError", "JobMessage", "Key", "LockTimeout", "NotFound",
    "NotSupportedError", "ObjectInUse", "OperationalError", "Packed", "Parameter", "Procedure", "ProcedureField",
    "ProgrammingError", "Record",
    "Session", "Warning", "Zoned", "connect",
]
