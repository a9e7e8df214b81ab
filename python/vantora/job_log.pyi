import datetime
from typing import NamedTuple

from .session import Session

class JobMessage(NamedTuple):
    id: str
    type: str
    severity: int
    sent: datetime.datetime
    text: str

def read_job_log(session: Session, count: int | None = ...) -> list[JobMessage]: ...
