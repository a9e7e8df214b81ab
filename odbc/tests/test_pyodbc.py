"""The driver through pyodbc (PEP 249), as a Python program uses it."""

import csv
import datetime
import io
import os
import subprocess
from decimal import Decimal

import pyodbc
import pytest

from conftest import BIN, RECORDS


def test_connect_by_dsn_and_by_string(odbc_settings, ehn_string):
    for how in ("DSN=demo", ehn_string):
        c = pyodbc.connect(how, autocommit=True)
        assert c.getinfo(pyodbc.SQL_DBMS_NAME) == "AS/400"
        assert c.getinfo(pyodbc.SQL_IDENTIFIER_QUOTE_CHAR) == '"'
        assert c.getinfo(pyodbc.SQL_CATALOG_NAME) is False
        assert c.getinfo(pyodbc.SQL_SCHEMA_TERM) == "library"
        assert c.cursor().execute("select count(*) from CUSTOMER").fetchval() == 50
        c.close()


def test_each_network(any_network):
    c = pyodbc.connect(any_network, autocommit=True)
    cur = c.cursor()
    row = cur.execute("select CUSTNO, NAME, BALANCE from CUSTOMER where CUSTNO = ?",
                      1010).fetchone()
    assert row.CUSTNO == Decimal("1010")
    assert row.NAME == "O'BRIEN 10".ljust(30)
    assert row.BALANCE == Decimal("591.90")
    with pytest.raises(pyodbc.ProgrammingError) as e:
        cur.execute("select * from NOSUCH")
    assert e.value.args[0] == "42S02"
    c.close()


def test_description_and_types(connection):
    cur = connection.cursor()
    cur.execute("select CUSTNO, NAME, BALANCE, CREDIT, OPENED, PHONE from CUSTOMER "
                "order by CUSTNO")
    d = {col[0]: col for col in cur.description}
    assert d["CUSTNO"][1] is Decimal and d["CUSTNO"][4:6] == (7, 0)
    assert d["NAME"][1] is str and d["NAME"][3] == 30
    assert d["BALANCE"][1] is Decimal and d["BALANCE"][4:6] == (11, 2)
    assert d["OPENED"][1] is datetime.date
    assert d["PHONE"][6] is True and d["NAME"][6] is False
    first = cur.fetchone()
    assert first.OPENED == datetime.date(2020, 1, 12)
    assert first.BALANCE == Decimal("-120.81")
    rows = cur.fetchall()
    assert len(rows) == 49
    assert sum(1 for r in rows if r.PHONE is None) > 0  # nulls of a nullable column


@pytest.mark.parametrize("sql,parameters,expected", [
    ("select count(*) from CUSTOMER where CITY = ?", ["PARIS"], 5),
    ("select count(*) from CUSTOMER where CUSTNO = ?", [1010], 1),
    ("select count(*) from CUSTOMER where BALANCE = ?", [Decimal("591.90")], 1),
    ("select count(*) from CUSTOMER where BALANCE > ?", [591.5], 41),
    ("select count(*) from CUSTOMER where OPENED = ?", [datetime.date(2020, 4, 27)], 1),
    ("select count(*) from CUSTOMER where OPENED < ? and CITY = ?",
     [datetime.date(2020, 3, 1), "LYON"], 1),
    # NULL is equal to nothing: only the IS NULL rows count.
    ("select count(*) from CUSTOMER where PHONE is null or PHONE = ?", [None], 12),
    ("select count(*) from CUSTOMER where CUSTNO = ?", [10**12], 0),
])
def test_parameters_of_every_type(connection, sql, parameters, expected):
    assert connection.cursor().execute(sql, *parameters).fetchval() == expected


def engine_rows():
    """DEMO/BENCH100 as the engine reads it through the client library, as CSV."""
    out = subprocess.run([str(BIN / "vantora-db"), "--csv", "-c",
                          "open DEMO; browse BENCH100 --all"],
                         capture_output=True, text=True, check=True, timeout=900,
                         env=dict(os.environ, LD_PRELOAD=""))
    rows = list(csv.reader(io.StringIO(out.stdout)))
    start = next(i for i, r in enumerate(rows) if r and r[0] == "ID")  # after open's own table
    return rows[start:]


def test_bench100_value_for_value(ehn_string, demo):
    # The embedded host is the process's own while a connection is open:
    # the engine reads first, in a process of its own.
    os.environ["MV400_INI"] = str(demo[1])
    expected = engine_rows()
    header, expected = expected[0], expected[1:]
    connection = pyodbc.connect(ehn_string, autocommit=True)
    cur = connection.cursor()
    cur.execute("select * from BENCH100 order by ID")
    got = cur.fetchmany(1000)
    got += cur.fetchall()
    assert [c[0] for c in cur.description] == header
    assert len(got) == len(expected) == RECORDS
    for mine, theirs in zip(got, expected):
        as_text = [v.isoformat() if isinstance(v, datetime.date) else
                   str(v).rstrip() if v is not None else "" for v in mine]
        assert as_text == [t.rstrip() for t in theirs]
    connection.close()


def create_anew(cur, table, columns):
    """Creates `table` with `columns`, dropping what an earlier run left."""
    try:
        cur.execute(f"drop table {table}")
    except pyodbc.Error:
        pass
    cur.execute(f"create table {table} ({columns})")


@pytest.fixture
def scratch(connection):
    cur = connection.cursor()
    create_anew(cur, "DEMO.ODBCT", "ID integer not null, NAME char(20), "
                "AMOUNT decimal(13, 2), DAY date, primary key (ID)")
    yield "DEMO.ODBCT"
    cur.execute("drop table DEMO.ODBCT")


def test_changes_and_rowcount(connection, scratch):
    cur = connection.cursor()
    cur.execute(f"insert into {scratch} values (?, ?, ?, ?)", 1, "ONE",
                Decimal("12345678901.23"), datetime.date(2024, 2, 29))
    assert cur.rowcount == 1
    cur.executemany(f"insert into {scratch} (ID, NAME) values (?, ?)",
                    [(2, "TWO"), (3, None), (4, "FOUR")])
    cur.execute(f"update {scratch} set NAME = ? where ID > ?", "MANY", 1)
    assert cur.rowcount == 3
    row = cur.execute(f"select AMOUNT, NAME, DAY from {scratch} where ID = 1").fetchone()
    assert row.AMOUNT == Decimal("12345678901.23")
    assert row.DAY == datetime.date(2024, 2, 29)
    assert cur.execute(f"select count(*) from {scratch} where AMOUNT is null").fetchval() == 3
    cur.execute(f"delete from {scratch} where ID in (3, 4)")
    assert cur.rowcount == 2
    cur.execute(f"delete from {scratch} where ID = 99")
    assert cur.rowcount == 0


def test_commit_and_rollback_seen_from_a_second_connection(ehn_string, scratch):
    writer = pyodbc.connect(ehn_string, autocommit=False)
    reader = pyodbc.connect(ehn_string, autocommit=True)
    count = f"select count(*) from {scratch}"
    w = writer.cursor()
    w.execute(f"insert into {scratch} (ID, NAME) values (10, 'ROLLED')")
    writer.rollback()
    assert reader.cursor().execute(count).fetchval() == 0
    w.execute(f"insert into {scratch} (ID, NAME) values (11, 'KEPT')")
    writer.commit()
    assert reader.cursor().execute(count).fetchval() == 1
    writer.close()
    reader.close()


def test_catalogue_functions(connection):
    cur = connection.cursor()
    tables = [t.table_name for t in cur.tables(schema="DEMO")]
    assert {"BENCH100", "CUSTOMER", "ORDERS"} <= set(tables)
    assert all(t.table_schem == "DEMO" and t.table_cat is None for t in cur.tables())
    columns = cur.columns(table="CUSTOMER").fetchall()
    assert [c.column_name for c in columns][:3] == ["CUSTNO", "NAME", "CITY"]
    balance = [c for c in columns if c.column_name == "BALANCE"][0]
    assert (balance.data_type, balance.column_size, balance.decimal_digits) == (3, 11, 2)
    assert [k.column_name for k in cur.primaryKeys("ORDERS")] == ["ORDNO"]
    stats = cur.statistics("ORDERS").fetchall()
    assert stats[0].type == 0  # SQL_TABLE_STAT
    assert {(s.index_name, s.column_name) for s in stats[1:]} >= {
        ("ORDERSBYC", "CUSTNO"), ("ORDERSBYC", "ORDDATE"), ("ORDERSBYD", "ORDDATE")}
    procedures = {p.procedure_name: p for p in cur.procedures()}
    assert procedures["ADDNUMS"].num_input_params == 2
    assert procedures["ADDNUMS"].num_output_params == 1
    parameters = cur.procedureColumns(procedure="ADDNUMS").fetchall()
    assert [(p.column_name, p.column_type) for p in parameters] == [
        ("A", 1), ("B", 1), ("SUM", 4)]


def test_catalogue_of_another_library(connection):
    cur = connection.cursor()
    create_anew(cur, "QGPL.ODBCOTHER", "ID integer not null, NOTE char(8), primary key (ID)")
    try:
        tables = cur.tables(schema="QGPL").fetchall()
        assert "ODBCOTHER" in [t.table_name for t in tables]
        assert {t.table_schem for t in tables} == {"QGPL"}
        assert "ODBCOTHER" not in [t.table_name for t in cur.tables(schema="DEMO")]
        columns = cur.columns(table="ODBCOTHER", schema="qgpl").fetchall()
        assert [(c.table_schem, c.column_name) for c in columns] == [
            ("QGPL", "ID"), ("QGPL", "NOTE")]
        assert [k.column_name for k in cur.primaryKeys("ODBCOTHER", schema="QGPL")] == ["ID"]
        stats = cur.statistics("ODBCOTHER", schema="QGPL").fetchall()
        assert (stats[0].table_schem, stats[0].type) == ("QGPL", 0)
        # A library the host does not have lists nothing; a pattern with %
        # matches the connection's library only.
        for schema in ("NOSUCHLIB", "Q%", "NOT A NAME"):
            assert cur.tables(schema=schema).fetchall() == [], schema
            assert cur.columns(table="ODBCOTHER", schema=schema).fetchall() == [], schema
        assert "CUSTOMER" in [t.table_name for t in cur.tables(schema="D%")]
        # The connection's own library is still the one unqualified names find.
        assert cur.execute("select count(*) from CUSTOMER").fetchval() > 0
    finally:
        cur.execute("drop table QGPL.ODBCOTHER")


def test_a_procedure_call(connection):
    cur = connection.cursor()
    cur.execute("{CALL ADDNUMS(?, ?, ?)}", 2, 3, 0)  # pyodbc binds inputs only
    with pytest.raises(pyodbc.Error) as e:
        cur.execute("{CALL NOSUCHPROC(?)}", 1)
    assert e.value.args[0] == "42000"


@pytest.mark.parametrize("sql,state,kind", [
    ("select * from NOSUCH", "42S02", pyodbc.ProgrammingError),
    ("selec * from CUSTOMER", "42000", pyodbc.ProgrammingError),
    ("select NOSUCHCOL from CUSTOMER", "42S22", pyodbc.ProgrammingError),
])
def test_error_classes(connection, sql, state, kind):
    with pytest.raises(kind) as e:
        connection.cursor().execute(sql)
    assert e.value.args[0] == state
    assert "[Vantora][ODBC]" in e.value.args[1]


def test_duplicate_key(connection, scratch):
    cur = connection.cursor()
    cur.execute(f"insert into {scratch} (ID) values (1)")
    with pytest.raises(pyodbc.IntegrityError) as e:
        cur.execute(f"insert into {scratch} (ID) values (1)")
    assert e.value.args[0] == "23000"


def test_cannot_connect(odbc_settings, demo):
    _, ini = demo
    with pytest.raises(pyodbc.Error) as e:
        pyodbc.connect(f"DRIVER={{Vantora}};System=127.0.0.1;Library=DEMO;Network=tcp;"
                       f"Port=1;SettingsFile={ini}", timeout=5)
    assert e.value.args[0] == "08001"
    with pytest.raises(pyodbc.Error) as e:
        pyodbc.connect("DRIVER={Vantora};SettingsFile=/nonexistent/MV400.INI;Library=DEMO")
    assert e.value.args[0] == "08001"
    with pytest.raises(pyodbc.Error) as e:
        pyodbc.connect("DRIVER={Vantora}")
    assert e.value.args[0] == "08001"
    with pytest.raises(pyodbc.Error) as e:
        pyodbc.connect(f"DRIVER={{Vantora}};Network=ehn;Library=NOSUCHLIB;SettingsFile={ini}")
    assert e.value.args[0] == "08001" and "Library NOSUCHLIB not found" in e.value.args[1]


def test_lost_server_is_an_error_not_a_crash(demo, odbc_settings, tmp_path):
    from conftest import PASSWORD, USER, Hostd, add_user, make_demo
    folder, ini = make_demo(tmp_path, "lost")
    add_user(folder / "host")
    server = Hostd(folder / "host", folder / "hostd.log")
    c = pyodbc.connect(f"DRIVER={{Vantora}};System=127.0.0.1;Library=DEMO;Network=tcp;"
                       f"Port={server.port};UID={USER};PWD={PASSWORD};SettingsFile={ini}",
                       autocommit=True)
    cur = c.cursor()
    assert cur.execute("select count(*) from CUSTOMER").fetchval() == 50
    server.stop()
    with pytest.raises(pyodbc.Error) as e:
        cur.execute("select count(*) from ORDERS").fetchval()
    assert e.value.args[0] in ("08S01", "HY000")
    c.close()


def test_sign_on_refused(servers, demo, odbc_settings):
    _, ini = demo
    with pytest.raises(pyodbc.Error) as e:
        pyodbc.connect(f"DRIVER={{Vantora}};System=127.0.0.1;Library=DEMO;Network=tcp;"
                       f"Port={servers['tcp'].port};UID=ODBCUSER;PWD=WRONG;SettingsFile={ini}")
    assert e.value.args[0] == "28000", e.value.args[1]


def test_closed_cursor_and_connection(ehn_string):
    c = pyodbc.connect(ehn_string, autocommit=True)
    cur = c.cursor()
    cur.execute("select * from CUSTOMER")
    cur.close()
    with pytest.raises(pyodbc.ProgrammingError):
        cur.fetchone()
    c.close()
    with pytest.raises(pyodbc.ProgrammingError):
        c.cursor()


def test_nulls(connection):
    rows = connection.cursor().execute(
        "select PHONE from CUSTOMER where CUSTNO in (1004, 1005) order by CUSTNO").fetchall()
    assert [r.PHONE for r in rows] == [None, "+33 1 40000005 "]


def test_nulls_of_computed_columns(connection):
    rows = connection.cursor().execute(
        "select CUSTNO, PHONE, NULLIF(CUSTNO, 1004) from CUSTOMER where CUSTNO in (1004, 1005)"
        " order by CUSTNO desc").fetchall()
    assert [tuple(r) for r in rows] == [(1005, "+33 1 40000005 ", 1005), (1004, None, None)]


def test_pandas_read_sql(connection):
    pandas = pytest.importorskip("pandas")
    frame = pandas.read_sql("select CUSTNO, NAME, BALANCE, OPENED from CUSTOMER order by CUSTNO",
                            connection)
    assert len(frame) == 50
    assert list(frame.columns) == ["CUSTNO", "NAME", "BALANCE", "OPENED"]
    assert frame["NAME"].dtype == object
    assert frame["BALANCE"].iloc[0] == -120.81  # pandas makes decimals floats
    assert frame["CUSTNO"].iloc[0] == 1001
    assert frame["OPENED"].iloc[0] == datetime.date(2020, 1, 12)


def test_threads_share_the_driver(ehn_string):
    import threading
    errors = []

    def work():
        try:
            c = pyodbc.connect(ehn_string, autocommit=True)
            for _ in range(5):
                assert c.cursor().execute("select count(*) from ORDERS").fetchval() == 200
            c.close()
        except Exception as e:  # noqa: BLE001 - reported below
            errors.append(e)

    threads = [threading.Thread(target=work) for _ in range(4)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert errors == []
