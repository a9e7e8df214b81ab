from dataclasses import dataclass
from typing import Any, Sequence

@dataclass(frozen=True)
class Field:
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

@dataclass(frozen=True)
class Key:
    name: str
    descending: bool

def encode_field(field: Field, value: Any, encoding: str) -> bytes: ...
def encode_record(fields: Sequence[Field], values: Sequence[Any], encoding: str,
                  null_map: bool = ...) -> bytes: ...
def zero_image(field: Field) -> bytes: ...
