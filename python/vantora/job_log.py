"""The job's messages: the log the host keeps for a session's job.

The host logs, for each CL command the job runs, a request message (``*RQS``,
the command's text) and the escape message (``*ESCAPE``) a failed command
answered with. It keeps the newest 1000. The list API ``QMHLJOBL`` writes
them into a user space of the job's QTEMP, and the package reads that list
through its format file ``YLJBL0100``.
"""

import datetime
from typing import NamedTuple

# The job's own user space for the list; replaced at every read.
_SPACE = "QTEMP/VTJOBLOG"


class JobMessage(NamedTuple):
    """One message of the job's log."""

    id: str                     # "CPF2110"; "" for a request
    type: str                   # "*RQS" or "*ESCAPE"
    severity: int               # 0 for a request, 40 for an escape
    sent: datetime.datetime     # the host's local time
    text: str                   # a request's command, an escape's message text


def _sent(date, time, micro):
    # CYYMMDD: C is the century from 1900.
    year = 1900 + 100 * int(date[0]) + int(date[1:3])
    return datetime.datetime(year, int(date[3:5]), int(date[5:7]), int(time[0:2]),
                             int(time[2:4]), int(time[4:6]), int(micro))


def read_job_log(session, count=None):
    """The messages of ``session``'s job, newest last (``count``: only the newest ``count``)."""
    if count is not None:
        if isinstance(count, bool) or not isinstance(count, int):
            raise TypeError(f"count must be an int, not {type(count).__name__}")
        if count < 1:
            raise ValueError("count must be 1 or more")
    session._check()
    native = session._native
    native.api_call(["QUSCRTUS", _SPACE, "", "1024", " ", "*ALL", "Job log", "*YES"])
    native.api_call(["QMHLJOBL", _SPACE, "LJBL0100", "*", "*ALL" if count is None else str(count)])
    messages = []
    with session.open("YLJBL0100", strip=False) as entries:
        entries._native.map_list(_SPACE)
        for e in entries:
            messages.append(JobMessage(e.MSGID.rstrip(), e.MSGTYPE.rstrip(), e.MSGSEV,
                                       _sent(e.DATSNT, e.TIMSNT, e.MICSNT), e.MSG[:e.MSGLEN]))
    return messages
