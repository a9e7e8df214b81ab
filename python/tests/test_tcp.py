"""The package against vantora-hostd over TCP (network type tcp).

The network is chosen once per process, so these tests run their Python in a
child process of their own, with a settings file naming tcp.
"""

import json
import os
import subprocess

import pytest

from conftest import BIN, make_demo, run_python

USER, PASSWORD = "PYUSER", "SECRET1"

SCRIPT = r"""
import json, sys, threading
from decimal import Decimal
import vantora
from vantora import dbapi, Char, Packed
out = {}
try:
    vantora.connect(system="127.0.0.1", user="PYUSER", password="WRONG")
except vantora.ConnectionError as e:
    out["wrong_password"] = [type(e).__name__, e.message_id, str(e)]
with vantora.connect(system="127.0.0.1", user="PYUSER", password="SECRET1") as s:
    with s.open("DEMO/CUSTOMER") as f:
        out["customers"] = [[str(v) for v in r] for r in f][:5]
        out["key"] = str(f.read_key(1007).NAME)
    out["call"] = [str(v) for v in s.call("DEMO/ADDTAX", [Char(10, "T"), Packed(7, 2, Decimal("10")),
        Packed(3, 1, Decimal("5.5")), Packed(9, 2, 0, "out"), Char(30, direction="out")])]
    with vantora.connect(system="127.0.0.1", user="PYUSER", password="SECRET1") as t:
        q1, q2 = s.data_queue("DEMO/ORDERQ"), t.data_queue("DEMO/ORDERQ")
        got = []
        th = threading.Thread(target=lambda: got.append(q2.receive(timeout=30, text=True)))
        th.start()
        q1.send("over tcp")
        th.join(40)
        out["queue"] = got
    c = dbapi.Connection(s)
    cur = c.cursor()
    cur.execute("SELECT COUNT(*) FROM DEMO/BENCH100 WHERE ID > ?", [10])
    out["count"] = int(cur.fetchone()[0])
print(json.dumps(out))
"""


class Hostd:
    def __init__(self, data_dir, log):
        self.log = open(log, "w")
        self.process = subprocess.Popen(
            [str(BIN / "vantora-hostd"), "--port", "0", "--data-dir", str(data_dir)],
            stdout=subprocess.PIPE, stderr=self.log, text=True,
            env=dict(os.environ, LD_PRELOAD="", MV400_INI=""))
        line = self.process.stdout.readline()
        if " port " not in line:
            self.stop()
            raise RuntimeError(f"vantora-hostd did not start: {line!r}")
        self.port = int(line.split(" port ")[1].split()[0])

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(20)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.log.close()


@pytest.fixture(scope="module")
def hostd(root):
    folder = root / "tcp"
    make_demo(folder)
    subprocess.run([str(BIN / "vantora-hostd"), "--data-dir", str(folder / "host"),
                    "--add-user", USER], check=True, capture_output=True, timeout=120,
                   env=dict(os.environ, VANTORA_PASSWORD=PASSWORD, LD_PRELOAD="", MV400_INI=""))
    server = Hostd(folder / "host", folder / "hostd.log")
    yield folder, server
    server.stop()


def tcp_settings(folder, port):
    ini = folder / f"tcp-{port}.ini"
    ini.write_text(f"[General]\nNetwork=tcp\n[Tcp]\nPort={port}\nConnectTimeout=5\n")
    return ini


def test_records_programs_queues_and_sql_over_tcp(hostd, settings):
    folder, server = hostd
    out = json.loads(run_python(SCRIPT, tcp_settings(folder, server.port)))
    kind, message_id, text = out["wrong_password"]
    assert (kind, message_id) == ("ConnectionError", "CPF22E2")
    assert "PYUSER" in text
    assert out["customers"][0][:2] == ["1001", "BERNARD 1"]
    assert len(out["customers"]) == 5
    assert out["key"] == "SIMON 7" or out["key"].endswith(" 7")
    assert out["call"][3] == "10.55" and out["call"][4] == "TAX ADDED FOR T"
    assert out["queue"] == ["over tcp"]
    assert out["count"] == 2990


PROCEDURES = r"""
import json
from decimal import Decimal
import vantora
out = {}
with vantora.connect(system="127.0.0.1", user="PYUSER", password="SECRET1") as s:
    s.command("CHGCURLIB DEMO")
    out["names"] = s.procedures()
    out["taxcalc"] = [str(v) for v in s.procedure("TAXCALC")("T", Decimal("10"), rate=5.5)]
    out["probe"] = [str(v) for v in s.procedure("PROBE")("NEG", "over tcp")]
    queue = s.data_queue("DEMO/ORDERQ")
    queue.clear()
    s.procedure("NEWORDER")("B0000002", "GADGET", 3)
    out["entry"] = queue.receive().hex()
    try:
        s.procedure("NOSUCH")
    except vantora.NotFound as e:
        out["unknown"] = str(e)
print(json.dumps(out))
"""


def test_procedures_over_tcp(hostd):
    folder, server = hostd
    out = json.loads(run_python(PROCEDURES, tcp_settings(folder, server.port)))
    assert out["names"] == ["ADDNUMS", "ANSWER", "NEWORDER", "PROBE", "SHOUT", "TAXCALC"]
    assert out["taxcalc"] == ["10.55", "TAX ADDED FOR T"]
    assert out["probe"] == ["-0.05", "<OVER TCP>"]
    assert bytes.fromhex(out["entry"]) == b"B0000002GADGET    \xf0\xf0\xf0\xf0\xf3"
    assert "NOSUCH" in out["unknown"]


JOB_LOG = r"""
import json
import vantora
with vantora.connect(system="127.0.0.1", user="PYUSER", password="SECRET1") as s:
    try:
        s.command("ADDLIBLE NOTCPLIB")
    except vantora.NotFound:
        pass
    print(json.dumps([[m.type, m.id, m.text, m.sent.year] for m in s.job_log()]))
"""


def test_job_log_over_tcp(hostd):
    folder, server = hostd
    out = json.loads(run_python(JOB_LOG, tcp_settings(folder, server.port)))
    assert [m[:3] for m in out[-2:]] == [["*RQS", "", "ADDLIBLE NOTCPLIB"],
                                         ["*ESCAPE", "CPF2110", "Library *N not found."]]
    assert out[-1][3] >= 2024


def test_values_over_tcp_equal_the_embedded_host(hostd, session):
    folder, server = hostd
    code = ("import json, vantora\n"
            "s = vantora.connect(system='127.0.0.1', user='PYUSER', password='SECRET1')\n"
            "print(json.dumps([[str(v) for v in r] for r in s.open('DEMO/BENCH100', block=333)]))\n")
    over_tcp = json.loads(run_python(code, tcp_settings(folder, server.port)))
    embedded = [[str(v) for v in r] for r in session.open("DEMO/BENCH100")]
    assert over_tcp == embedded


def test_no_server_is_a_connection_error_in_words(root):
    folder = root / "tcp-none"
    folder.mkdir()
    code = ("import vantora\n"
            "try:\n"
            "    vantora.connect(system='127.0.0.1', user='X', password='Y')\n"
            "except vantora.ConnectionError as e:\n"
            "    print(e.result, e)\n")
    out = run_python(code, tcp_settings(folder, 1))
    assert out.startswith("-20 ")
    assert "connect" in out and "127.0.0.1" in out
