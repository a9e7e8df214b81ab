"""Sessions: connecting, closing, the exception classes, wrong arguments."""

import threading

import pytest

import vantora


def test_connect_gives_a_session_that_closes(settings):
    s = vantora.connect(settings=settings)
    assert not s.closed
    s.close()
    assert s.closed
    s.close()  # closing again does nothing
    with pytest.raises(vantora.InterfaceError, match="closed"):
        s.open("DEMO/CUSTOMER")
    with pytest.raises(vantora.InterfaceError):
        s.command("CRTLIB PYCLOSED")


def test_context_manager_closes(settings):
    with vantora.connect(settings=settings) as s:
        f = s.open("DEMO/CUSTOMER")
    assert s.closed
    with pytest.raises(vantora.InterfaceError):
        f.first()


def test_other_settings_after_the_first_connect_are_refused(session, root):
    with pytest.raises(vantora.InterfaceError, match="once per process"):
        vantora.connect(settings=root / "ehn" / "MV400.INI", network="tcp")


@pytest.mark.parametrize("kwargs, error", [
    ({"system": 12}, TypeError),
    ({"system": "x" * 18}, ValueError),
    ({"user": "U", "password": 5}, TypeError),
    ({"user": "A" * 11}, ValueError),
    ({"password": "secret"}, ValueError),
    ({"system": "a\0b"}, ValueError),
])
def test_wrong_connect_arguments(settings, kwargs, error):
    with pytest.raises(error):
        vantora.connect(settings=settings, **kwargs)


def test_wrong_password_is_a_connection_error(settings, session):
    with pytest.raises(vantora.ConnectionError) as caught:
        vantora.connect(user="NOSUCHUSER", password="X")
    assert caught.value.message_id in ("CPF2204", "CPF22E2")
    assert "NOSUCHUSER" in str(caught.value)


@pytest.mark.parametrize("call, cls, message_id", [
    (lambda s: s.open("DEMO/NOSUCH"), vantora.NotFound, "CPF4101"),
    (lambda s: s.open("NOLIB/CUSTOMER"), vantora.NotFound, "CPF4101"),
    (lambda s: s.command("CRTLIB DEMO"), vantora.HostError, "CPF2111"),
    (lambda s: s.command("NOSUCHCMD X"), vantora.HostError, None),
    (lambda s: s.call("DEMO/NOPGM", []), vantora.NotFound, "CPF9811"),
    (lambda s: s.data_queue("DEMO/NOQ"), vantora.NotFound, "CPF9801"),
])
def test_host_errors_are_the_right_class(session, call, cls, message_id):
    with pytest.raises(cls) as caught:
        call(session)
    error = caught.value
    assert isinstance(error, vantora.HostError)
    assert error.result == -1
    if message_id:
        assert error.message_id == message_id
        assert message_id in str(error)
    assert str(error) == error.text and error.text


def test_command_failure_carries_message_id_and_text(session):
    session.command("CRTLIB PYCMD")
    with pytest.raises(vantora.HostError) as caught:
        session.command("CRTLIB PYCMD")
    assert caught.value.message_id == "CPF2111"
    assert "exists" in caught.value.text


@pytest.mark.parametrize("member", ["*FIRST", "customer", "CUSTOMER "])
def test_the_only_member_of_a_file(session, member):
    with session.open("DEMO/CUSTOMER", member=member) as customers:
        assert customers.first().CUSTNO == 1001


@pytest.mark.parametrize("call, error", [
    (lambda s: s.open(5), TypeError),
    (lambda s: s.open(""), ValueError),
    (lambda s: s.open("DEMO/CUSTOMER", mode="x"), ValueError),
    (lambda s: s.open("DEMO/TOOLONGNAME1"), ValueError),
    (lambda s: s.open("DEMO/CUSTOMER", block=0), ValueError),
    (lambda s: s.open("DEMO/CUSTOMER", block="5"), ValueError),
    (lambda s: s.open("DEMO/CUSTOMER", wait=-1), ValueError),
    (lambda s: s.open("DEMO/CUSTOMER", member="M2"), vantora.NotSupportedError),
    (lambda s: s.open("DEMO/CUSTOMER", member=2), TypeError),
    (lambda s: s.command(None), TypeError),
    (lambda s: s.command("  "), ValueError),
    (lambda s: s.call("DEMO/ADDTAX", ["ABC"]), TypeError),
    (lambda s: s.call(3, []), TypeError),
    (lambda s: s.data_queue(b"DEMO/ORDERQ"), TypeError),
])
def test_wrong_arguments_raise_and_never_crash(session, call, error):
    with pytest.raises(error):
        call(session)
    # The session goes on.
    assert session.open("DEMO/CUSTOMER").first() is not None


def test_native_objects_refuse_wrong_types(session):
    f = session.open("DEMO/CUSTOMER")
    native = f._native
    with pytest.raises(TypeError):
        native.read("x")
    with pytest.raises(ValueError):
        native.write(b"short", 1)
    with pytest.raises(ValueError):
        native.update(b"short")
    with pytest.raises(TypeError):
        session._native.open(None, 1, -1, True, "cp1252")


def test_threads_use_their_own_sessions_at_once(settings):
    """Eight threads, each with a session, read the whole file at the same time."""
    results, failures = {}, []

    def work(n):
        try:
            with vantora.connect() as s, s.open("DEMO/BENCH100", block=64) as f:
                results[n] = [r.ID for r in f]
        except Exception as e:  # noqa: BLE001 - reported below
            failures.append(e)

    vantora.connect(settings=settings).close()
    threads = [threading.Thread(target=work, args=(n,)) for n in range(6)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert not failures
    first = results[0]
    assert len(first) == 3000
    assert all(results[n] == first for n in results)


def test_threads_share_one_session(session):
    f = session.open("DEMO/CUSTOMER")
    counts, failures = [], []

    def work():
        try:
            with session.open("DEMO/CUSTOMER") as mine:
                counts.append(sum(1 for _ in mine))
        except Exception as e:  # noqa: BLE001
            failures.append(e)

    threads = [threading.Thread(target=work) for _ in range(4)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert not failures
    assert counts == [len(f)] * 4


def test_sessions_dropped_without_close_give_their_client_session_back(settings):
    """NT/NbSession is 8 here: twenty sessions one after another need the slots back."""
    import gc
    for n in range(20):
        s = vantora.connect(settings=settings)
        assert s.open("DEMO/CUSTOMER").first() is not None
        del s
        gc.collect()


def test_more_sessions_than_the_settings_allow_is_a_connection_error(settings):
    held = []
    try:
        with pytest.raises(vantora.ConnectionError, match="NbSession"):
            for _ in range(9):
                held.append(vantora.connect(settings=settings))
    finally:
        for s in held:
            s.close()
    with vantora.connect(settings=settings) as s:  # the slots are free again
        assert not s.closed
