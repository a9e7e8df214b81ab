"""Stored procedures by name, typed from the working library's catalogue."""

import datetime
from decimal import Decimal

import pytest

import vantora

DEMO_PROCEDURES = ["ADDNUMS", "ANSWER", "NEWORDER", "PROBE", "SHOUT", "TAXCALC"]


@pytest.fixture
def demo(session):
    """A session whose working library is DEMO."""
    session.command("CHGCURLIB DEMO")
    return session


# Fields of a procedure that sends its inputs to DEMO/ORDERQ and, being a data
# queue's, answers them as sent: every host type there and back.
# name, host type, bytes, decimals or format word, digits
ECHO_FIELDS = [
    ("Text", 0, 6, 0, 6), ("Small", 1, 2, 0, 4), ("Cents", 1, 2, 2, 4), ("Big", 2, 4, 0, 9),
    ("Packed", 3, 4, 2, 7), ("Zoned", 4, 5, 1, 5), ("Iso", 5, 10, 0x0000, 10),
    ("Usa", 5, 10, 0x0100, 10), ("Dmy", 5, 8, 0x1800, 8), ("Slashed", 5, 10, 0x072F, 10),
    ("Hms", 6, 8, 0x0700, 8), ("Dotted", 6, 8, 0x0000, 8), ("Stamp", 9, 26, 0, 26),
    ("Single", 7, 4, 0, 0), ("Double", 8, 8, 0, 0),
]


@pytest.fixture
def echo(demo):
    """DEMO's catalogue with the procedure PYECHO for as long as the test runs."""
    with demo.open("YPROCHDR", "rw") as headers, demo.open("YPROCPARMS", "rw") as parms:
        headers.write({"PROCNAME": "PYECHO", "PGMLIB": "DEMO", "PGMNAME": "ORDERQ",
                       "PARMCOUNT": len(ECHO_FIELDS), "FIELDCOUNT": len(ECHO_FIELDS),
                       "DESCR": "Every host type through a data queue", "TARGET": "Q",
                       "RESV": ""})
        parms.write_many([{"PROCNAME": "PYECHO", "ROWSEQ": n, "PARMNO": n + 1, "DIRECTION": 3,
                           "PCTYPE": 0, "PCLEN": length, "PCDEC": 0, "ASTYPE": host_type,
                           "ASLEN": length, "ASDEC": word, "ASDIGITS": digits, "FLDNAME": name}
                          for n, (name, host_type, length, word, digits)
                          in enumerate(ECHO_FIELDS)])
    demo.data_queue("DEMO/ORDERQ").clear()
    try:
        yield demo
    finally:
        with demo.open("YPROCHDR", "rw") as headers, demo.open("YPROCPARMS", "rw") as parms:
            if headers.read_key("PYECHO", lock=True):
                headers.delete()
            while parms.read_key("PYECHO", lock=True):
                parms.delete()
        demo.data_queue("DEMO/ORDERQ").clear()


def test_procedures_are_those_of_the_working_library(session):
    assert session.procedures() == []  # VANTORA's catalogue is empty
    with pytest.raises(vantora.NotFound):
        session.procedure("TAXCALC")
    session.command("CHGCURLIB DEMO")
    assert session.procedures() == DEMO_PROCEDURES


def test_declaration(demo):
    taxcalc = demo.procedure("taxcalc")
    assert (taxcalc.name, taxcalc.target, taxcalc.kind) == ("TAXCALC", "DEMO/ADDTAX", "program")
    assert taxcalc.description == "Adds a tax rate in percent to an amount"
    assert taxcalc.inputs == ["Code", "Amount", "Rate"]
    assert taxcalc.outputs == ["Result", "Message"]
    assert taxcalc.fields[1] == vantora.ProcedureField("Amount", 2, "in", "PACK", 4, 7, 2, 0)
    assert repr(taxcalc) == ("<vantora.Procedure TAXCALC(Code, Amount, Rate) -> "
                             "(Result, Message): program DEMO/ADDTAX>")
    neworder = demo.procedure("NEWORDER")
    assert (neworder.kind, neworder.target) == ("data queue", "DEMO/ORDERQ")
    assert [f.parameter for f in neworder.fields] == [1, 1, 1]  # one data structure


def test_call_by_position_and_by_name(demo):
    taxcalc = demo.procedure("TAXCALC")
    result = taxcalc("ABC", Decimal("100.00"), Decimal("19.6"))
    assert result == (Decimal("119.60"), "TAX ADDED FOR ABC")
    assert (result.Result, result["Message"], result.result) == (
        Decimal("119.60"), "TAX ADDED FOR ABC", Decimal("119.60"))
    assert taxcalc("T", rate=5.5, AMOUNT=10).as_dict() == {"Result": Decimal("10.55"),
                                                           "Message": "TAX ADDED FOR T"}


@pytest.mark.parametrize("name, args, expected", [
    ("SHOUT", ["hello, world"], ("HELLO, WORLD",)),
    ("ADDNUMS", [2_000_000_000, -7], (1_999_999_993,)),
    ("PROBE", ["PING", "abc"], (Decimal("12345.67"), "<ABC>")),
    ("PROBE", ["NEG", "hello"], (Decimal("-0.05"), "<HELLO>")),
    ("ANSWER", [], (42, "THE ANSWER")),
])
def test_demo_procedures(demo, name, args, expected):
    assert demo.procedure(name)(*args) == expected


def test_a_data_queue_procedure_sends_its_inputs_as_one_entry(demo):
    queue = demo.data_queue("DEMO/ORDERQ")
    queue.clear()
    assert demo.procedure("NEWORDER")("A0000001", "WIDGET", 12) == ()
    assert queue.receive() == b"A0000001WIDGET    \xf0\xf0\xf0\xf1\xf2"


def test_every_host_type_there_and_back(echo):
    procedure = echo.procedure("PYECHO")
    values = ["Zoé", -2, Decimal("-1.25"), 2_000_000_000, Decimal("-12345.67"), Decimal("-12.3"),
              datetime.date(2024, 2, 29), datetime.date(1999, 12, 31), datetime.date(1945, 5, 8),
              datetime.datetime(2024, 3, 1, 12, 0), datetime.time(13, 5, 9),
              datetime.time(0, 0, 1), datetime.datetime(2024, 1, 2, 3, 4, 5, 6), 1.5, 2.25]
    result = procedure(*values)
    expected = list(values)
    expected[9] = datetime.date(2024, 3, 1)
    assert list(result) == expected
    entry = echo.data_queue("DEMO/ORDERQ").receive()
    assert entry == (b"Zo\xe9   \xff\xfe\xff\x83\x77\x35\x94\x00\x12\x34\x56\x7d"
                     b"\xf0\xf0\xf1\xf2\xd3" b"2024-02-2912/31/199908/05/452024/03/01"
                     b"13:05:0900.00.012024-01-02-03.04.05.000006"
                     b"\x3f\xc0\x00\x00" b"\x40\x02\x00\x00\x00\x00\x00\x00")
    texts = procedure(*["", 0, 0, 0, 0, 0, "2024-02-29", " ", "", "", "13:05:09", "", "", 0, 0])
    assert (texts.Iso, texts.Usa, texts.Hms, texts.Stamp) == (
        datetime.date(2024, 2, 29), None, datetime.time(13, 5, 9), None)


@pytest.mark.parametrize("index, value, error", [
    (0, 5, TypeError),
    (0, "toolong", ValueError),
    (1, 40000, ValueError),
    (1, 1.5, TypeError),
    (2, "1", TypeError),
    (4, Decimal("123456.7"), ValueError),
    (6, datetime.time(1, 2), TypeError),
    (8, datetime.date(2040, 1, 1), ValueError),
    (10, datetime.date(2024, 1, 1), TypeError),
    (12, datetime.date(2024, 1, 1), TypeError),
    (13, "1.5", TypeError),
])
def test_wrong_values_are_refused_before_anything_is_sent(echo, index, value, error):
    procedure = echo.procedure("PYECHO")
    values = ["", 0, 0, 0, 0, 0, "", "", "", "", "", "", "", 0, 0]
    values[index] = value
    with pytest.raises(error) as caught:
        procedure(*values)
    assert str(caught.value).startswith(f"PYECHO {ECHO_FIELDS[index][0]}: ")
    assert echo.data_queue("DEMO/ORDERQ").attributes()["entries"] == 0


def test_an_output_that_is_no_date_of_its_format(echo):
    procedure = echo.procedure("PYECHO")
    values = ["", 0, 0, 0, 0, 0, "", "2024-01-01", "", "", "", "", "", 0, 0]
    with pytest.raises(vantora.DataError):
        procedure(*values)


@pytest.mark.parametrize("call, message", [
    (lambda p: p(), "TAXCALC needs a value for Code, Amount, Rate"),
    (lambda p: p("A", 1), "TAXCALC needs a value for Rate"),
    (lambda p: p("A", 1, 2, 3), "TAXCALC takes 3 inputs (Code, Amount, Rate), not 4"),
    (lambda p: p("A", 1, 2, code="B"), "TAXCALC got two values for Code"),
    (lambda p: p("A", 1, 2, Result=3), "TAXCALC has no input 'Result'"),
])
def test_wrong_arguments(demo, call, message):
    with pytest.raises(TypeError) as caught:
        call(demo.procedure("TAXCALC"))
    assert str(caught.value).startswith(message)


@pytest.mark.parametrize("name, error", [
    ("", ValueError), ("ELEVENCHARS", ValueError), ("DEMO/TAXCALC", ValueError),
    ("TAX CALC", ValueError), (None, TypeError), (7, TypeError),
])
def test_wrong_names(demo, name, error):
    with pytest.raises(error):
        demo.procedure(name)


def test_unknown_procedure_is_not_found(demo):
    with pytest.raises(vantora.NotFound) as caught:
        demo.procedure("NOSUCH")
    assert "NOSUCH" in str(caught.value)


def test_a_failing_program_is_a_host_error(demo):
    with pytest.raises(vantora.HostError) as caught:
        demo.procedure("PROBE")("BAD", "x")
    assert caught.value.message_id == "CPF3C4B"


def test_closed_session(settings):
    with vantora.connect(settings=settings) as session:
        session.command("CHGCURLIB DEMO")
        shout = session.procedure("SHOUT")
    with pytest.raises(vantora.InterfaceError):
        shout("x")
    with pytest.raises(vantora.InterfaceError):
        session.procedure("SHOUT")
    with pytest.raises(vantora.InterfaceError):
        session.procedures()
