from .data_queue import DataQueue as DataQueue
from .errors import (ConnectionError as ConnectionError, DatabaseError as DatabaseError,
                     DataError as DataError, DuplicateKey as DuplicateKey, Error as Error,
                     HostError as HostError, IntegrityError as IntegrityError,
                     InterfaceError as InterfaceError, InternalError as InternalError,
                     LockTimeout as LockTimeout, NotFound as NotFound,
                     NotSupportedError as NotSupportedError, ObjectInUse as ObjectInUse,
                     OperationalError as OperationalError, ProgrammingError as ProgrammingError,
                     Warning as Warning)
from .fields import Field as Field, Key as Key
from .job_log import JobMessage as JobMessage
from .procedure import Procedure as Procedure, ProcedureField as ProcedureField
from .program import (Binary as Binary, Char as Char, Float as Float, Packed as Packed,
                      Parameter as Parameter, Zoned as Zoned)
from .record import Record as Record
from .session import File as File, Session as Session, connect as connect

__version__: str
