import datetime
from decimal import Decimal
from typing import Any, Literal, NamedTuple

from .record import Record

HOST_TYPES: dict[int, str]

Value = str | Decimal | int | float | datetime.date | datetime.time | datetime.datetime | None

class ProcedureField(NamedTuple):
    name: str
    parameter: int
    direction: Literal["in", "out", "inout"]
    host_type: str
    length: int
    digits: int
    decimals: int
    format_word: int

class Procedure:
    session: Any
    name: str
    description: str
    target: str
    kind: Literal["program", "data queue"]
    fields: list[ProcedureField]
    inputs: list[str]
    outputs: list[str]
    Result: type[Record]
    def __call__(self, *args: Value, **kwargs: Value) -> Record: ...

def load_procedure(session: Any, name: str) -> Procedure: ...
def procedure_names(session: Any) -> list[str]: ...
