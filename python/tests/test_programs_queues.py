"""Program calls with typed parameters, and data queues between sessions."""

import threading
import time
from decimal import Decimal

import pytest

import vantora
from vantora import Binary, Char, Float, Packed, Zoned


def test_call_with_in_and_out_parameters(session):
    values = session.call("DEMO/ADDTAX", [
        Char(10, "ABC"), Packed(7, 2, Decimal("100.00")), Packed(3, 1, Decimal("19.6")),
        Packed(9, 2, 0, "out"), Char(30, direction="out")])
    assert values == ["ABC", Decimal("100.00"), Decimal("19.6"), Decimal("119.60"),
                      "TAX ADDED FOR ABC"]


@pytest.mark.parametrize("code, amount, label", [("PING", Decimal("12345.67"), "<ABC>"),
                                                 ("NEG", Decimal("-0.05"), "<XYZ>")])
def test_call_with_inout_parameter(session, code, amount, label):
    values = session.call("VANTORA/PROBE", [Char(5, code), Packed(7, 2, direction="out"),
                                            Char(10, label.strip("<>").lower(), "inout")])
    assert values[1] == amount
    assert values[2] == label


def test_call_with_binary_parameters(session):
    assert session.call("DEMO/SUMBIN", [Binary(4, 2_000_000_000), Binary(4, -7),
                                        Binary(4, direction="out")])[2] == 1_999_999_993


def test_program_failure_is_a_host_error(session):
    with pytest.raises(vantora.HostError) as caught:
        session.call("VANTORA/PROBE", [Char(5, "BAD"), Packed(7, 2, direction="out"),
                                       Char(10, "x", "inout")])
    assert caught.value.message_id == "CPF3C4B"


@pytest.mark.parametrize("parameter, encoded", [
    (Packed(7, 2, Decimal("-3.25")), bytes.fromhex("0000325D")),
    (Packed(4, 0, 1234), bytes.fromhex("01234F")),
    (Zoned(5, 2, Decimal("-1.5")), bytes.fromhex("F0F0F1F5D0")),
    (Zoned(3, 0, 42), bytes.fromhex("F0F4F2")),
    (Binary(2, -2), bytes.fromhex("FFFE")),
    (Binary(4, 258), bytes.fromhex("00000102")),
    (Float(8, 1.0), bytes.fromhex("3FF0000000000000")),
    (Float(4, -2.0), bytes.fromhex("C0000000")),
    (Char(4, "é"), b"\xe9   "),
])
def test_parameters_encode_and_decode_the_host_bytes(parameter, encoded):
    assert parameter.encode() == encoded
    assert parameter.decode(encoded) == parameter.value or parameter.decode(encoded) == \
        parameter.value.rstrip()


@pytest.mark.parametrize("make, error", [
    (lambda: Char(3, "ABCD"), ValueError),
    (lambda: Char(0), ValueError),
    (lambda: Char(3, 5), TypeError),
    (lambda: Packed(3, 1, Decimal("100")), ValueError),
    (lambda: Packed(3, 4), ValueError),
    (lambda: Packed(3, 0, "1"), TypeError),
    (lambda: Zoned(2, 0, 100), ValueError),
    (lambda: Binary(3), ValueError),
    (lambda: Binary(2, 40000), ValueError),
    (lambda: Binary(4, 1.5), TypeError),
    (lambda: Float(2), ValueError),
    (lambda: Char(3, "A", "both"), ValueError),
])
def test_wrong_parameters(make, error):
    with pytest.raises(error):
        make()


def test_data_queue_between_two_sessions_with_a_waiting_receive(session, other):
    sender = session.data_queue("DEMO/ORDERQ")
    receiver = other.data_queue("DEMO/ORDERQ")
    receiver.clear()
    got = []
    t = threading.Thread(target=lambda: got.append(receiver.receive(timeout=30, text=True)))
    started = time.monotonic()
    t.start()
    time.sleep(0.5)
    assert not got  # still waiting
    sender.send("ORDER 1 Zoé")
    t.join(30)
    assert got == ["ORDER 1 Zoé"]
    assert time.monotonic() - started < 20
    assert receiver.receive(0) is None


def test_data_queue_order_attributes_and_clear(session):
    q = session.data_queue("DEMO/ORDERQ")
    q.clear()
    for n in range(3):
        q.send(f"E{n}".encode())
    a = q.attributes()
    assert (a["max_length"], a["key_length"], a["entries"]) == (200, 0, 3)
    assert q.receive() == b"E0"
    assert q.clear() == 2
    assert q.attributes()["entries"] == 0
    with pytest.raises(vantora.NotSupportedError):
        q.peek()


def test_keyed_data_queue(session):
    q = session.data_queue("DEMO/PRICEQ")
    q.clear()
    q.send("price of B", key="ITEM-B")
    q.send("price of A", key="ITEM-A")
    assert q.attributes()["key_length"] == 10
    assert q.receive(key="ITEM-A", text=True) == "price of A"
    assert q.receive(key="ITEM-A", op="gt", text=True) == "price of B"
    with pytest.raises(vantora.HostError):
        q.send("no key")


@pytest.mark.parametrize("call, error", [
    (lambda q: q.send(5), TypeError),
    (lambda q: q.send(b""), ValueError),
    (lambda q: q.receive(timeout=-1), ValueError),
    (lambda q: q.receive(timeout="1"), ValueError),
    (lambda q: q.receive(op="xx"), ValueError),
    (lambda q: q.send("x" * 201), vantora.HostError),
])
def test_wrong_data_queue_arguments(session, call, error):
    with pytest.raises(error):
        call(session.data_queue("DEMO/ORDERQ"))


def test_closed_data_queue(session):
    q = session.data_queue("DEMO/ORDERQ")
    q.close()
    with pytest.raises(vantora.InterfaceError):
        q.send("x")
