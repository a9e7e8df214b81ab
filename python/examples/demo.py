"""The main job's Python example: a few customers by key, a program call and
a data queue between two sessions, on the demo library."""

import threading
from decimal import Decimal

import vantora
from vantora import Char, Packed

with vantora.connect() as session, vantora.connect() as other:
    with session.open("DEMO/CUSTOMER") as customers:
        for number in (1001, 1002, 1003):
            c = customers.read_key(number)
            print(f"  customer {c.CUSTNO}: {c.NAME:<12} {c.CITY:<8} balance {c.BALANCE:>9} "
                  f"since {c.OPENED}")
    total, message = session.call("DEMO/ADDTAX", [
        Char(10, "DEMO"), Packed(7, 2, Decimal("250.00")), Packed(3, 1, Decimal("20.0")),
        Packed(9, 2, direction="out"), Char(30, direction="out")])[3:]
    print(f"  DEMO/ADDTAX: 250.00 with 20.0 % is {total} ({message})")
    sender, receiver = session.data_queue("DEMO/ORDERQ"), other.data_queue("DEMO/ORDERQ")
    receiver.clear()
    got = []
    waiting = threading.Thread(target=lambda: got.append(receiver.receive(timeout=10, text=True)))
    waiting.start()
    sender.send("ORDER 1001 3 x ITEM-A")
    waiting.join()
    print(f"  DEMO/ORDERQ: the other session received {got[0]!r}")
