"""Record-level access: typed values, reads of every kind, changes, locks, commitment."""

import datetime
from decimal import Decimal

import pytest

import vantora
from conftest import make_demo, run_python

# Reads DEMO/CUSTOMER with the C client (Ropen, Rreadn) and prints each PC image in hex.
C_READER = r"""
import ctypes, os
lib = ctypes.CDLL(os.path.join(os.environ["VANTORA_BIN"], "..", "lib", "libMV432IDA.so"))
h = lib.Ropen(b"DEMO/CUSTOMER", b"rr nullmap=Y")
assert h >= 0, h
n = lib.Rlength(h)
buf = ctypes.create_string_buffer(n)
while lib.Rreadn(h, buf, n, 0) == 1:
    print(buf.raw.hex())
lib.Rclose(h)
lib.FreeSession()
"""


def expected_value(field, image, null):
    """The value an image holds, read by hand from the PC form."""
    if null:
        return None
    data = image[field.offset:field.offset + field.pc_length]
    if field.type == "VARCHAR":
        length = int.from_bytes(data[:2], "little")
        return data[2:2 + length].decode("cp1252").rstrip(" ")
    text = data.decode("cp1252")
    if field.type == "CHAR":
        return text.rstrip(" ")
    if field.type in ("PACKED", "ZONED"):
        return Decimal(text.strip())
    if field.type == "DATE":
        return datetime.date.fromisoformat(text)
    raise AssertionError(f"no expectation for {field.type}")


def test_values_equal_what_the_c_client_reads(session, root):
    # The embedded host keeps its data directory to one process: the C client
    # reads a demo library of its own, made the same way.
    out = run_python(C_READER, make_demo(root / "c-client"))
    images = [bytes.fromhex(line) for line in out.split()]
    with session.open("DEMO/CUSTOMER") as f:
        records = list(f)
        fields = f.fields
    assert len(images) == len(records) == 50
    for image, record in zip(images, records):
        nulls = image[sum(fl.pc_length for fl in fields):]
        expected = [expected_value(fl, image, nulls[i:i + 1] == b"1") for i, fl in enumerate(fields)]
        assert list(record) == expected


def test_fields_and_keys_describe_the_file(session):
    f = session.open("DEMO/CUSTOMER")
    by_name = {fl.name: fl for fl in f.fields}
    assert [fl.name for fl in f.fields] == ["CUSTNO", "NAME", "CITY", "BALANCE", "CREDIT",
                                            "OPENED", "PHONE"]
    assert (by_name["CUSTNO"].type, by_name["CUSTNO"].digits) == ("PACKED", 7)
    assert (by_name["BALANCE"].digits, by_name["BALANCE"].decimals) == (11, 2)
    assert by_name["CREDIT"].type == "ZONED"
    assert (by_name["CITY"].type, by_name["CITY"].length) == ("VARCHAR", 30)
    assert by_name["OPENED"].type == "DATE"
    assert by_name["PHONE"].nullable and not by_name["NAME"].nullable
    assert f.keys == [vantora.Key("CUSTNO", False)]
    assert f.format_name
    assert len(f) == 50


def test_record_reads_like_a_tuple_and_a_mapping(session):
    r = session.open("DEMO/CUSTOMER").read_key(1001)
    assert isinstance(r, tuple) and isinstance(r, vantora.Record)
    assert r[0] == r["CUSTNO"] == r.CUSTNO == r.custno == Decimal(1001)
    assert r.keys()[1] == "NAME" and r.as_dict()["NAME"] == r.NAME
    assert r.get("NOPE", 7) == 7
    with pytest.raises(KeyError):
        r["NOPE"]
    with pytest.raises(AttributeError):
        r.NOPE
    assert r.replace(NAME="X").NAME == "X"


def test_reads_of_every_kind(session):
    f = session.open("DEMO/CUSTOMER")
    first, last = f.first(), f.last()
    assert (first.CUSTNO, last.CUSTNO) == (1001, 1050)
    assert f.prior().CUSTNO == 1049
    assert f.next().CUSTNO == 1050
    assert f.next() is None  # the end of the file
    assert f.read_key(1010).CUSTNO == 1010
    assert f.rrn == 10
    assert f.read_key(1010, op="gt").CUSTNO == 1011
    assert f.read_key(1010, op="ge").CUSTNO == 1010
    assert f.read_key(1010, op="lt").CUSTNO == 1009
    assert f.read_key(1010, op="le").CUSTNO == 1010
    assert f.read_key(999) is None
    assert f.read_key(5000, op="le").CUSTNO == 1050
    assert f.read_rrn(3).CUSTNO == 1003
    assert f.read_rrn(99999) is None
    f.position(1020)
    assert f.next().CUSTNO == 1021
    f.position(where="start")
    assert f.next().CUSTNO == 1001
    f.position(where="end")
    assert f.prior().CUSTNO == 1050


@pytest.mark.parametrize("block", [1, 7, 50, 64, 4095])
def test_iteration_in_blocks_reads_every_record_once(session, block):
    f = session.open("DEMO/BENCH100", block=block)
    ids = [r.ID for r in f]
    assert ids == [Decimal(i) for i in range(1, 3001)]


@pytest.mark.parametrize("call, error", [
    (lambda f: f.read_key(1001, op="ne"), ValueError),
    (lambda f: f.read_key("1001"), TypeError),
    (lambda f: f.read_key((1001, 2)), ValueError),
    (lambda f: f.read_key(Decimal("1E10")), ValueError),
    (lambda f: f.read_rrn("1"), TypeError),
    (lambda f: f.read_rrn(0), ValueError),
    (lambda f: f.write({"NOPE": 1}), KeyError),
    (lambda f: f.write([1, 2]), ValueError),
    (lambda f: f.write(5), TypeError),
])
def test_wrong_record_arguments(session, call, error):
    f = session.open("DEMO/CUSTOMER", mode="rw")
    with pytest.raises(error):
        call(f)


ALL_TYPES = """CREATE TABLE PYTEST/ALLTYPES (ID INTEGER NOT NULL PRIMARY KEY,
  TXT CHAR(12), VTXT VARCHAR(20), PK DECIMAL(11, 3), ZN NUMERIC(9, 2), SI SMALLINT,
  BI INTEGER, RL REAL, DB DOUBLE, DT DATE, TM TIME, TS TIMESTAMP)"""

ROWS = [
    (1, "Zoë à l'été", "Ångström ÿ", Decimal("-12345678.901"), Decimal("0.05"), -32768,
     2147483647, 1.5, -2.25e-300, datetime.date(1, 1, 2), datetime.time(0, 0, 0),
     datetime.datetime(2024, 2, 29, 23, 59, 58, 123456)),
    (2, "  lead", "", Decimal("99999999.999"), Decimal("-9999999.99"), 32767, -2147483648,
     -0.0, 1e300, datetime.date(9999, 12, 31), datetime.time(23, 59, 59),
     datetime.datetime(1, 1, 1, 0, 0, 0, 0)),
    (3, None, None, None, None, None, None, None, None, None, None, None),
    (4, "", "x" * 20, Decimal("0.000"), Decimal("0.00"), 0, 0, 0.0, 0.0,
     datetime.date(2000, 2, 29), datetime.time(12, 0, 1), datetime.datetime(2000, 1, 1, 12)),
]


def scratch_library_connection(session):
    """A dbapi connection over `session`, with the library PYTEST there."""
    try:
        session.command("CRTLIB PYTEST")
    except vantora.HostError:
        pass  # an earlier fixture of the run made it
    from vantora import dbapi
    return dbapi.Connection(session)


@pytest.fixture(scope="module")
def all_types(settings):
    with vantora.connect(settings=settings) as s:
        c = scratch_library_connection(s)
        c.cursor().execute(ALL_TYPES)
        with s.open("PYTEST/ALLTYPES", mode="rw") as f:
            f.write_many(ROWS)
    return "PYTEST/ALLTYPES"


def test_every_type_round_trips_exactly(session, all_types):
    with session.open(all_types, strip=False) as f:
        read = {r.ID: r for r in f}
        types = {fl.name: fl.type for fl in f.fields}
    assert types == {"ID": "BIN4", "TXT": "CHAR", "VTXT": "VARCHAR", "PK": "PACKED",
                     "ZN": "ZONED", "SI": "BIN2", "BI": "BIN4", "RL": "FLOAT", "DB": "DOUBLE",
                     "DT": "DATE", "TM": "TIME", "TS": "TIMESTAMP"}
    for row in ROWS:
        got = read[row[0]]
        expected = list(row)
        if row[1] is not None:
            expected[1] = row[1].ljust(12)  # CHAR keeps its blank padding with strip=False
        assert list(got) == expected, row[0]
        if row[3] is not None:
            assert str(got.PK) == str(row[3])  # the scale too, not only the value


def test_trailing_blanks_stripped_by_default(session, all_types):
    r = session.open(all_types).read_key(2)
    assert r.TXT == "  lead"  # leading blanks stay
    assert r.VTXT == ""


def test_values_that_do_not_fit_are_refused(session, all_types):
    f = session.open(all_types, mode="rw")
    base = list(ROWS[3])
    for index, value, error in [(1, "x" * 13, ValueError), (3, Decimal("123456789"), ValueError),
                                (5, 40000, ValueError), (9, "2024-01-01", TypeError),
                                (0, None, ValueError), (4, "1.5", TypeError)]:
        row = list(base)
        row[0] = 100
        row[index] = value
        with pytest.raises(error):
            f.write(row)
    assert f.read_key(100) is None


def test_write_update_delete(session, all_types):
    f = session.open(all_types, mode="rw")
    number = f.write({"ID": 50, "TXT": "new", "PK": Decimal("1.5")})
    r = f.read_key(50, lock=True)
    assert f.rrn == number
    assert (r.TXT, r.PK, r.VTXT, r.DT) == ("new", Decimal("1.500"), None, None)
    f.update({"TXT": "changed", "ZN": Decimal("-1.25")})
    r = f.read_key(50)
    assert (r.TXT, r.ZN, r.PK) == ("changed", Decimal("-1.25"), Decimal("1.500"))
    f.read_key(50, lock=True)
    f.delete()
    assert f.read_key(50) is None
    with pytest.raises(vantora.DuplicateKey) as caught:
        f.write(ROWS[0])
    assert caught.value.message_id == "CPF5026"


def test_lock_seen_from_a_second_session(session, other, all_types):
    mine = session.open(all_types, mode="rw")
    theirs = other.open(all_types, mode="rw", wait=0.2)
    assert mine.read_key(4, lock=True) is not None
    with pytest.raises(vantora.LockTimeout) as caught:
        theirs.read_key(4, lock=True)
    assert caught.value.message_id == "CPF5027"
    assert theirs.read_key(4).ID == 4  # reading without a lock is allowed
    mine.release()
    assert theirs.read_key(4, lock=True).ID == 4
    theirs.release()


def test_commit_and_rollback(session, other, all_types):
    f = session.open(all_types, mode="rw", commit=True)
    seen = other.open(all_types)
    f.write({"ID": 60, "TXT": "kept"})
    f.write({"ID": 61, "TXT": "undone"})
    session.rollback()
    assert f.read_key(61) is None and f.read_key(60) is None
    f.write({"ID": 60, "TXT": "kept"})
    session.commit()
    assert seen.read_key(60).TXT == "kept"
    f.read_key(60, lock=True)
    f.delete()
    session.commit()
    assert seen.read_key(60) is None


def test_accented_text_in_keys(session, settings):
    from vantora import dbapi
    c = dbapi.Connection(session)
    c.cursor().execute("CREATE TABLE PYTEST/NAMES (NAME CHAR(10) NOT NULL PRIMARY KEY, "
                       "N INTEGER)")
    f = session.open("PYTEST/NAMES", mode="rw")
    f.write_many([("Éloïse", 1), ("Zoé", 2), ("Ana", 3)])
    assert f.read_key("Zoé").N == 2
    assert f.read_key("Éloïse").NAME == "Éloïse"


@pytest.mark.parametrize("then, expected", [
    (lambda f: f.next(), 21),
    (lambda f: f.prior(), 19),
    (lambda f: f.read_rrn(5), 5),
])
def test_an_iteration_left_early_leaves_the_cursor_on_the_last_record_handed_out(
        session, then, expected):
    """The next block was already being read ahead when the loop stopped."""
    f = session.open("DEMO/BENCH100", block=10)
    for record in f:
        if record.ID == 20:
            break
    assert then(f).ID == expected


def test_two_iterations_of_one_file_in_turn_and_a_close_while_reading_ahead(session):
    f = session.open("DEMO/BENCH100", block=100)
    first, second = iter(f), iter(f)
    assert next(first).ID == 1
    assert next(second).ID == 1  # starts again from the first record
    assert sum(1 for _ in second) == 2999
    g = session.open("DEMO/BENCH100", block=100)
    assert next(iter(g)).ID == 1
    g.close()  # a block is being read ahead
    with pytest.raises(vantora.InterfaceError):
        g.first()


# Images decoded as the host would send them, beside the values expected:
# (P0, P2, Z1) numeric texts and T, each padded to its field's length.
NUMERIC_TEXT = """CREATE TABLE PYTEST/NUMTEXT (P0 DECIMAL(18, 0), P2 DECIMAL(9, 2),
  Z1 NUMERIC(1, 0), T CHAR(4))"""

DECODED = [
    # (P0 text, P2 text, Z1 text, T text, null map, expected str forms / texts)
    ("0", "0.00", "0", "ab", "0000", ("0", "0.00", "0", "ab")),
    ("-0", "-0.00", "-0", "ab  ", "0000", ("-0", "-0.00", "-0", "ab")),
    ("999999999999999999", "9999999.99", "9", "abcd", "0000",
     ("999999999999999999", "9999999.99", "9", "abcd")),
    ("-999999999999999999", "-9999999.99", "-9", " a", "0000",
     ("-999999999999999999", "-9999999.99", "-9", " a")),
    ("000123", "000.05", "+7", "", "0000", ("123", "0.05", "7", "")),
    ("  42", ".5", "", "x", "0000", ("42", "0.5", "0", "x")),
    ("42\0\0", "1.", " 1", "x", "0000", ("42", "1", "1", "x")),
    ("1234567890123456789", "12", "0", "x", "0000", ("1234567890123456789", "12", "0", "x")),
    ("-000000000000000001", "1E+3", "0", "x", "0000",
     ("-1", "1E+3", "0", "x")),
    ("1", "2.00", "3", "abcd", "1010", (None, "2.00", None, "abcd")),
    ("1", "2.00", "3", "abcd", "0101", ("1", None, "3", None)),
]


@pytest.fixture(scope="module")
def numeric_text(settings):
    with vantora.connect(settings=settings) as s:
        scratch_library_connection(s).cursor().execute(NUMERIC_TEXT)
    return "PYTEST/NUMTEXT"


def image_of(fields, texts, nulls):
    image = b"".join(t.encode("ascii").ljust(fl.pc_length, b" ")
                     for fl, t in zip(fields, texts))
    return image + nulls.encode("ascii")


@pytest.mark.parametrize("p0, p2, z1, t, nulls, expected", DECODED)
def test_numeric_and_text_fields_decode_exactly(session, numeric_text, p0, p2, z1, t, nulls,
                                                expected):
    for strip in (True, False):
        f = session.open(numeric_text, strip=strip)
        assert [fl.pc_length for fl in f.fields] == [19, 11, 2, 4]
        record = f._native.decode(image_of(f.fields, (p0, p2, z1, t), nulls))
        numbers = [None if v is None else str(v) for v in record[:3]]
        assert numbers == list(expected[:3])
        for value, text in zip(record[:3], expected[:3]):
            if value is not None:
                assert type(value) is Decimal and value == Decimal(text)
        text = expected[3]
        if text is not None and not strip:
            text = text.ljust(4)
        assert record[3] == text
        f.close()


@pytest.mark.parametrize("text, error", [("abc", ArithmeticError), ("1-", ArithmeticError),
                                         ("1.2.3", ArithmeticError)])
def test_numeric_text_that_is_no_number_is_refused(session, numeric_text, text, error):
    with session.open(numeric_text) as f:
        with pytest.raises(error):
            f._native.decode(image_of(f.fields, (text, "0", "0", ""), "0000"))


def test_an_image_of_the_wrong_length_is_refused(session, numeric_text):
    with session.open(numeric_text) as f:
        with pytest.raises(ValueError):
            f._native.decode(b"0" * 10)


def test_numeric_text_stays_exact_under_a_narrow_context(session, numeric_text):
    import decimal
    with session.open(numeric_text) as f:
        image = image_of(f.fields, ("1234567890123456789", "-9999999.99", "-0", ""), "0000")
        with decimal.localcontext(decimal.Context(prec=2, traps=[decimal.Inexact,
                                                                 decimal.Rounded])):
            record = f._native.decode(image)
    assert [str(v) for v in record[:3]] == ["1234567890123456789", "-9999999.99", "-0"]
