"""vantora-db driven as its users drive it: on a pipe, from scripts and at a
terminal (a pseudo-terminal), against an embedded demo host made by
`vantora-host demo`. The programs are named by VANTORA_DB and VANTORA_HOST."""
import decimal
import json
import os
import pty
import select
import shutil
import signal
import subprocess
import time
import types

import pytest

VANTORA_DB = os.environ["VANTORA_DB"]
VANTORA_HOST = os.environ["VANTORA_HOST"]
VANTORA_HOSTD = os.environ["VANTORA_HOSTD"]


def make_demo(folder, records):
    subprocess.run([VANTORA_HOST, "demo", str(folder / "host"), "--records", str(records)],
                   check=True, stdout=subprocess.DEVNULL)
    ini = folder / "MV400.INI"
    ini.write_text(f"[General]\nNetwork=ehn\n[Host]\nDataDirectory={folder}/host\n")
    return ini


@pytest.fixture(scope="module")
def demo(tmp_path_factory):
    folder = tmp_path_factory.mktemp("demo")
    return make_demo(folder, 1000)


def run(ini, *args, stdin=None):
    env = dict(os.environ, MV400_INI=str(ini), HOME=str(ini.parent))
    r = subprocess.run([VANTORA_DB, *args], input=stdin.encode() if stdin else None, env=env,
                       capture_output=True, timeout=120)
    # bytes decoded as they are: CSV's line ends are CRLF
    return types.SimpleNamespace(returncode=r.returncode, stdout=r.stdout.decode(),
                                 stderr=r.stderr.decode())


@pytest.mark.parametrize("commands, expected", [
    # a statement over several lines, up to its ';'
    ("open DEMO\nSELECT COUNT(*) AS N\n  FROM CUSTOMER\n  WHERE CUSTNO <= 1010;\n",
     "N\r\n10\r\n"),
    # a ';' inside a string and a comment does not end it
    ("open DEMO\nSELECT 'a;b' AS T -- not; the end\n FROM CUSTOMER WHERE CUSTNO = 1001;",
     "T\r\na;b\r\n"),
    # the shell's commands beside SQL on one line, and the last statement without ';'
    ("open DEMO; count CUSTOMER; SELECT NAME FROM CUSTOMER WHERE CUSTNO = 1001",
     "table,records\r\nCUSTOMER,50\r\nNAME\r\n"),
    # INSERT INTO, UPDATE ... SET and DELETE FROM are SQL; the shell's forms stay
    ("open DEMO\nINSERT INTO CUSTOMER (CUSTNO, NAME) VALUES (9001, 'SQL');\n"
     "UPDATE CUSTOMER SET PHONE = '1' WHERE CUSTNO = 9001;\n"
     "update CUSTOMER 1002 CITY=NICE\n"
     "SELECT CUSTNO, CITY, PHONE FROM CUSTOMER WHERE CUSTNO IN (1002, 9001) ORDER BY CUSTNO;\n"
     "DELETE FROM CUSTOMER\n WHERE CUSTNO = 9001;\ncount CUSTOMER",
     "CUSTNO,CITY,PHONE\r\n1002,NICE,"),
    ("open DEMO\nSELECT PHONE FROM CUSTOMER WHERE CUSTNO = 9001;", "PHONE\r\n"),
    # psql's short names
    ("open DEMO\n\\dt\n", "table,type\r\nBENCH100,AS400\r\n"),
])
def test_sql_at_the_prompt(demo, commands, expected):
    r = run(demo, "--csv", stdin=commands)
    assert r.returncode == 0, r.stderr
    assert expected in r.stdout


@pytest.mark.parametrize("commands, error", [
    ("brwose CUSTOMER", "error: no command brwose; did you mean browse? (try help)\n"),
    ("SELEC 1", "error: no command SELEC; did you mean SELECT? (try help)\n"),
    ("tabels", "error: no command tabels; did you mean tables? (try help)\n"),
    ("frobnicate", "error: no command frobnicate (try help)\n"),
])
def test_an_unknown_line_suggests_the_nearest_command(demo, commands, error):
    r = run(demo, "-c", commands)
    assert r.returncode == 1
    assert r.stderr == error


@pytest.mark.parametrize("commands, error", [
    ("open DEMO; seek CUSTOMER 4711", "error: record not found (0x2206)\n"),
    ("open DEMO; SELECT * FROM NOSUCH",
     "error: SQL0204: NOSUCH not found (0x2E5D, native code -204)\n"),
    ("open DEMO; sql \"SELEC 1\"",
     "error: SQL0104: token SELEC was not valid (0x2E5D, native code -104)\n"),
    ("open DEMO; fields NOSUCH", "error: file DEMO/NOSUCH not found (CPF4101) (0x2728)\n"),
    ("open DEMO; begin", "error: the database has no commitment control (0x2811)\n"),
    ("close", "error: no database is open (use open)\n"),
    ("open NOSUCHLIB", "error: Library NOSUCHLIB not found on the AS/400: give the name of an "
     "existing library as the SERVER NAME (0x2702)\n"),
])
def test_failures_are_said_once_in_words_with_the_codes_beside(demo, commands, error):
    r = run(demo, "--csv", "-c", commands)
    assert r.returncode == 1
    assert r.stderr.replace("opened DEMO (language driver DBWINUS0, code page 1252)\n", "") == error


def test_json_is_one_document_with_exact_numbers_and_nulls(tmp_path):
    ini = make_demo(tmp_path, 10)
    setup = run(ini, "-c", "open DEMO; CREATE TABLE EXACT (ID INTEGER, AMOUNT DECIMAL(18,2), "
                "RATE DOUBLE, NOTE CHAR(10)); insert EXACT ID=1 AMOUNT=1234567890123456.78 "
                "RATE=0.25 NOTE=x; insert EXACT ID=2 AMOUNT=-0.50 RATE= NOTE=")
    assert setup.returncode == 0, setup.stderr
    r = run(ini, "--json", "-c", "open DEMO; browse EXACT; count EXACT; browse EXACT --limit 1")
    assert r.returncode == 0, r.stderr
    assert "opened DEMO" in r.stderr  # messages are not in the document
    document = json.loads(r.stdout, parse_float=decimal.Decimal)
    assert [result["columns"] for result in document] == [
        ["ID", "AMOUNT", "RATE", "NOTE"], ["table", "records"], ["ID", "AMOUNT", "RATE", "NOTE"]]
    rows = document[0]["rows"]
    assert rows[0] == {"ID": 1, "AMOUNT": decimal.Decimal("1234567890123456.78"),
                       "RATE": decimal.Decimal("0.25"), "NOTE": "x"}
    assert str(rows[1]["AMOUNT"]) == "-0.50"
    assert rows[1]["RATE"] is None and rows[1]["NOTE"] is None
    assert document[1]["rows"] == [{"table": "EXACT", "records": 2}]
    assert document[2]["more"] is True and "more" not in document[0]
    # the document is read by the tools people use
    subprocess.run(["/usr/bin/python3", "-m", "json.tool"], input=r.stdout, text=True,
                   check=True, capture_output=True)
    if shutil.which("jq"):
        # (jq keeps its numbers as doubles: the text is exact, jq's reading is not)
        jq = subprocess.run(["jq", "-c", ".[0].rows[1].RATE, .[1].rows[0].records"],
                            input=r.stdout, text=True, capture_output=True)
        assert jq.returncode == 0 and jq.stdout == "null\n2\n"
    empty = run(ini, "--json", "-c", "open DEMO")
    assert json.loads(empty.stdout) == []


def test_csv_writes_only_results_on_stdout(demo):
    r = run(demo, "--csv", "-c", "open DEMO; insert CUSTOMER CUSTNO=9100 NAME=X; "
            "seek CUSTOMER 9100; delete CUSTOMER 9100")
    assert r.returncode == 0, r.stderr
    assert r.stdout.startswith("CUSTNO,NAME,")
    assert r.stdout.count("\r\n") == 2
    assert "1 record inserted\n" in r.stderr and "1 record deleted\n" in r.stderr


@pytest.mark.parametrize("args, status, error", [
    (["--bogus"], 2, "--bogus"),
    (["-c"], 2, "--command"),
    (["no-such-script.vdb"], 2, "no-such-script.vdb"),
    (["--csv", "--json", "-c", "info"], 2, "excludes"),
    (["-c", "info"], 0, ""),
    (["-c", "open DEMO; seek CUSTOMER 4711; info"], 1, "record not found"),
    (["-k", "-c", "open DEMO; seek CUSTOMER 4711; info"], 1, "record not found"),
    (["--help"], 0, ""),
])
def test_exit_status(demo, args, status, error):
    r = run(demo, *args)
    assert r.returncode == status, r.stderr
    assert error in r.stderr


def test_a_scripts_failure_names_the_file_and_line(demo, tmp_path):
    script = tmp_path / "work.vdb"
    script.write_text("# counts\nopen DEMO\nSELECT COUNT(*)\n  FROM CUSTOMER;\n"
                      "seek CUSTOMER 4711\ncount CUSTOMER\n")
    r = run(demo, str(script))
    assert r.returncode == 1
    assert r.stderr == f"{script}:5: error: record not found (0x2206)\n"
    assert "CUSTOMER" not in r.stdout  # the script stopped at the failure
    assert "(1 row)" in r.stdout


class Terminal:
    """vantora-db at a pseudo-terminal, read up to what is expected."""

    def __init__(self, ini, **settings):
        env = dict(os.environ, MV400_INI=str(ini), HOME=str(ini.parent), TERM="dumb", **settings)
        self.pid, self.fd = pty.fork()
        if self.pid == 0:
            os.execve(VANTORA_DB, [VANTORA_DB], env)
        self.seen = b""

    def expect(self, text, timeout=60):
        end = time.time() + timeout
        while text.encode() not in self.seen:
            left = end - time.time()
            if left <= 0 and os.environ.get("VANTORA_DB_DEBUG"):
                subprocess.run(["gdb", "-batch", "-p", str(self.pid), "-ex", "thread apply all bt"])
            assert left > 0, f"waited for {text!r}, saw {self.seen[-400:]!r}"
            ready, _, _ = select.select([self.fd], [], [], left)
            if ready:
                try:
                    data = os.read(self.fd, 65536)
                except OSError:
                    data = b""
                assert data, f"the shell ended before {text!r}: {self.seen[-400:]!r}"
                self.seen += data
        at = self.seen.index(text.encode()) + len(text)
        before, self.seen = self.seen[:at], self.seen[at:]
        return before.decode(errors="replace")

    def send(self, text):
        os.write(self.fd, text.encode())

    def status(self):
        try:
            while os.read(self.fd, 65536):
                pass
        except OSError:
            pass
        _, status = os.waitpid(self.pid, 0)
        return status


def test_at_a_terminal(tmp_path):
    ini = make_demo(tmp_path, 200000)
    t = Terminal(ini)
    t.expect("vantora-db> ")
    t.send("open DEMO --transaction\n")
    t.expect("DEMO> ")
    # a statement goes on after a continuation prompt
    t.send("SELECT COUNT(*) AS N\n")
    t.expect("DEMO-> ")
    t.send("  FROM CUSTOMER;\n")
    assert "50\r\n(1 row)" in t.expect("DEMO> ")
    # the transaction in the prompt
    t.send("begin\n")
    t.expect("DEMO*> ")
    t.send("rollback\n")
    t.expect("DEMO> ")
    # Ctrl-C stops a long browse; the session goes on
    t.send("browse BENCH100 --all\n")
    t.expect("5000 rows")
    os.kill(t.pid, signal.SIGINT)
    assert "error: interrupted (Ctrl-C)" in t.expect("DEMO> ")
    t.send("count CUSTOMER\n")
    assert "CUSTOMER       50" in t.expect("DEMO> ")
    # Ctrl-C at the prompt drops the line and a statement begun
    t.send("SELECT\n")
    t.expect("DEMO-> ")
    t.send("brows\x03")
    t.expect("DEMO> ")
    t.send("count ORDERS\n")
    assert "ORDERS      200" in t.expect("DEMO> ")
    # Ctrl-D ends the shell on a line of its own
    # (the prompt shows before the line editor takes the terminal out of line
    # mode, and a Ctrl-D typed in line mode is no byte it could read: wait as
    # a person would)
    time.sleep(0.5)
    t.send("\x04")
    t.expect("\n")
    status = t.status()
    assert os.WIFEXITED(status)
    assert os.WEXITSTATUS(status) == 1  # the interrupted command failed


def start_hostd(folder, port):
    hostd = subprocess.Popen([VANTORA_HOSTD, "--port", str(port), "--data-dir", str(folder)],
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    line = hostd.stdout.readline()  # "vantora-hostd: listening on 127.0.0.1 port N"
    assert "listening" in line, line
    return hostd, int(line.split()[-1])


def test_a_lost_connection_is_said_in_words_and_open_connects_again(tmp_path):
    subprocess.run([VANTORA_HOST, "demo", str(tmp_path / "host"), "--records", "10"], check=True,
                   stdout=subprocess.DEVNULL)
    subprocess.run([VANTORA_HOST, "add-user", str(tmp_path / "host"), "ALICE"], check=True,
                   env=dict(os.environ, VANTORA_PASSWORD="SECRET"), capture_output=True)
    hostd, port = start_hostd(tmp_path / "host", 0)
    ini = tmp_path / "MV400.INI"
    ini.write_text(f"[General]\nNetwork=tcp\nLocation=127.0.0.1:{port}\n")
    t = Terminal(ini, VANTORA_USER="ALICE", VANTORA_PASSWORD="SECRET")
    try:
        t.expect("vantora-db> ")
        t.send("open DEMO\n")
        t.expect("DEMO> ")
        t.send("count CUSTOMER\n")
        assert "CUSTOMER       50" in t.expect("DEMO> ")
        hostd.terminate()
        hostd.wait()
        t.send("count CUSTOMER\n")
        said = t.expect("DEMO> ")
        # in words, naming the server (it said it was stopping, or the line broke)
        assert "error: " in said and f"127.0.0.1:{port}" in said and "(0x2C07)" in said, said
        hostd, _ = start_hostd(tmp_path / "host", port)
        t.send("open DEMO\n")
        t.expect("DEMO> ")
        t.send("count CUSTOMER\n")
        assert "CUSTOMER       50" in t.expect("DEMO> ")
        t.send("quit\n")
        assert os.WEXITSTATUS(t.status()) == 1  # a command failed
    finally:
        hostd.terminate()
        hostd.wait()
