"""vantora.dbapi: PEP 249 over the host's SQL."""

import datetime
from decimal import Decimal

import pytest

import vantora
from vantora import dbapi


@pytest.fixture
def connection(settings):
    c = dbapi.connect(settings=settings)
    yield c
    c.close()


def test_module_globals():
    assert (dbapi.apilevel, dbapi.threadsafety, dbapi.paramstyle) == ("2.0", 2, "qmark")
    assert issubclass(dbapi.IntegrityError, dbapi.DatabaseError)
    assert issubclass(dbapi.ProgrammingError, dbapi.Error)
    assert dbapi.NUMBER == "PACKED" and dbapi.STRING == "CHAR"


def test_query_with_parameters_and_description(connection):
    cur = connection.cursor()
    cur.execute("SELECT CUSTNO, NAME, BALANCE, OPENED FROM DEMO/CUSTOMER "
                "WHERE CUSTNO BETWEEN ? AND ? ORDER BY CUSTNO", [1001, Decimal("1003")])
    assert [d[0] for d in cur.description] == ["CUSTNO", "NAME", "BALANCE", "OPENED"]
    assert cur.description[2][1] == dbapi.NUMBER and cur.description[3][1] == dbapi.DATETIME
    rows = cur.fetchall()
    assert [r.CUSTNO for r in rows] == [1001, 1002, 1003]
    assert isinstance(rows[0].BALANCE, Decimal) and isinstance(rows[0].OPENED, datetime.date)


def test_rows_equal_record_level_reads(connection, session):
    cur = connection.cursor()
    cur.execute("SELECT * FROM DEMO/BENCH100 ORDER BY ID")
    rows = cur.fetchall()
    records = list(session.open("DEMO/BENCH100"))
    assert [tuple(r) for r in rows] == [tuple(r) for r in records]


def test_fetchone_fetchmany_and_iteration(connection):
    cur = connection.cursor()
    cur.arraysize = 7
    cur.execute("SELECT ID FROM DEMO/BENCH100 WHERE ID <= ? ORDER BY ID", [20])
    assert cur.fetchone()[0] == 1
    assert [r[0] for r in cur.fetchmany()] == list(range(2, 9))
    assert [r[0] for r in cur.fetchmany(3)] == [9, 10, 11]
    assert [r[0] for r in cur] == list(range(12, 21))
    assert cur.fetchone() is None


def test_changes_rowcount_commit_and_rollback(connection, settings):
    try:
        connection.session.command("CRTLIB PYTEST")
    except vantora.HostError:
        pass  # made by another test
    cur = connection.cursor()
    cur.execute("CREATE TABLE PYTEST/DBT (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(20), "
                "AMOUNT DECIMAL(9, 2), DAY DATE)")
    connection.commit()
    cur.executemany("INSERT INTO PYTEST/DBT VALUES (?, ?, ?, ?)",
                    [(1, "Zoé l'été", Decimal("1.50"), datetime.date(2024, 2, 29)),
                     (2, None, Decimal("-2.25"), None)])
    assert cur.rowcount == 2
    connection.rollback()
    cur.execute("SELECT COUNT(*) FROM PYTEST/DBT")
    assert cur.fetchone()[0] == 0
    cur.executemany("INSERT INTO PYTEST/DBT VALUES (?, ?, ?, ?)",
                    [(1, "Zoé l'été", Decimal("1.50"), datetime.date(2024, 2, 29))])
    connection.commit()
    cur.execute("UPDATE PYTEST/DBT SET AMOUNT = AMOUNT + ? WHERE ID = ?", [Decimal("1"), 1])
    assert cur.rowcount == 1
    connection.commit()
    cur.execute("SELECT NAME, AMOUNT, DAY FROM PYTEST/DBT WHERE NAME = ?", ["Zoé l'été"])
    assert tuple(cur.fetchone()) == ("Zoé l'été", Decimal("2.50"), datetime.date(2024, 2, 29))
    cur.execute("INSERT INTO PYTEST/DBT VALUES (?, ?, ?, ?)", (2, None, Decimal("-2.25"), None))
    connection.commit()
    cur.execute("SELECT ID, NAME, AMOUNT, DAY, NULLIF(ID, 2) FROM PYTEST/DBT ORDER BY ID")
    assert [tuple(r) for r in cur.fetchall()] == [
        (1, "Zoé l'été", Decimal("2.50"), datetime.date(2024, 2, 29), 1),
        (2, None, Decimal("-2.25"), None, None)]


def test_sql_errors_carry_sqlcode_and_sqlstate(connection):
    cur = connection.cursor()
    with pytest.raises(dbapi.ProgrammingError) as caught:
        cur.execute("SELEC X FROM Y")
    assert (caught.value.sqlcode, caught.value.sqlstate) == (-104, "42601")
    assert "SELEC" in str(caught.value)
    with pytest.raises(dbapi.DatabaseError) as caught:
        cur.execute("SELECT * FROM DEMO/NOSUCH")
    assert caught.value.sqlcode == -204 and caught.value.message_id == "SQL0204"


@pytest.mark.parametrize("call, error", [
    (lambda c: c.execute(5), TypeError),
    (lambda c: c.execute("SELECT * FROM DEMO/CUSTOMER WHERE CUSTNO = ?"), dbapi.ProgrammingError),
    (lambda c: c.execute("SELECT * FROM DEMO/CUSTOMER", [1]), dbapi.ProgrammingError),
    (lambda c: c.execute("SELECT * FROM DEMO/CUSTOMER", "x"), TypeError),
    (lambda c: c.execute("SELECT * FROM DEMO/CUSTOMER WHERE CUSTNO = ?", [object()]),
     dbapi.NotSupportedError),
    (lambda c: c.fetchone(), dbapi.ProgrammingError),
])
def test_wrong_cursor_arguments(connection, call, error):
    with pytest.raises(error):
        call(connection.cursor())


def test_closed_cursor_and_connection(settings):
    c = dbapi.connect(settings=settings)
    cur = c.cursor()
    cur.close()
    with pytest.raises(dbapi.InterfaceError):
        cur.execute("SELECT 1 FROM DEMO/CUSTOMER")
    c.close()
    with pytest.raises(dbapi.InterfaceError):
        c.cursor()
