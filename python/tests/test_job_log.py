"""The job's messages: session.job_log() on the embedded host."""

import datetime

import pytest

import vantora


def test_commands_leave_requests_and_escape_messages(session):
    before = datetime.datetime.now() - datetime.timedelta(seconds=5)
    session.command("CRTLIB PYLOG")
    with pytest.raises(vantora.HostError):
        session.command("CRTLIB PYLOG")
    with pytest.raises(vantora.NotFound):
        session.command("ADDLIBLE NOLOGLIB")
    log = session.job_log()
    assert [(m.type, m.id, m.severity, m.text) for m in log[-5:]] == [
        ("*RQS", "", 0, "CRTLIB PYLOG"),
        ("*RQS", "", 0, "CRTLIB PYLOG"),
        ("*ESCAPE", "CPF2111", 40, "Library *N already exists."),
        ("*RQS", "", 0, "ADDLIBLE NOLOGLIB"),
        ("*ESCAPE", "CPF2110", 40, "Library *N not found."),
    ]
    assert all(isinstance(m, vantora.JobMessage) for m in log)
    after = datetime.datetime.now() + datetime.timedelta(seconds=5)
    assert all(before <= m.sent <= after for m in log[-5:])
    assert [m.sent for m in log] == sorted(m.sent for m in log)
    # Reading the log leaves it as it was.
    assert session.job_log() == log
    assert session.job_log(2) == log[-2:]


def test_each_session_has_its_own_log(session, other):
    session.command("CHGCURLIB DEMO")
    other.command("CHGCURLIB QGPL")
    assert session.job_log()[-1].text == "CHGCURLIB DEMO"
    assert "CHGCURLIB DEMO" not in [m.text for m in other.job_log()]


def test_a_new_job_has_an_empty_log(settings):
    with vantora.connect(settings=settings) as fresh:
        assert fresh.job_log() == []


def test_the_count_is_checked(session):
    with pytest.raises(ValueError):
        session.job_log(0)
    with pytest.raises(TypeError):
        session.job_log("3")


def test_a_closed_session_has_no_log(settings):
    s = vantora.connect(settings=settings)
    s.close()
    with pytest.raises(vantora.InterfaceError):
        s.job_log()
