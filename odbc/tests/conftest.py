"""Fixtures of the driver's tests with the real clients.

Each test session gets its own folder: an emulated host's demo library
(vantora-host demo), the driver manager's settings (ODBCSYSINI, ODBCINI) naming
the driver just built, and data source names for the embedded host (ehn),
for vantora-hostd over TCP and over TLS. The machine's own ODBC settings are
never read.

Environment (set by CMake): VANTORA_BIN, the folder of the programs;
VANTORA_ODBC_DRIVER, the driver's shared library.
"""

import os
import shutil
import subprocess
import tempfile
import time
from pathlib import Path

import pytest

BIN = Path(os.environ.get("VANTORA_BIN", "build/debug/bin"))
DRIVER = Path(os.environ.get("VANTORA_ODBC_DRIVER", "build/debug/lib/libvantoraodbc.so"))
RECORDS = int(os.environ.get("VANTORA_ODBC_RECORDS", "100000"))


def write_settings(path, data_dir, extra=""):
    path.write_text(f"[General]\nNetwork=ehn\n[Host]\nDataDirectory={data_dir}\n{extra}")


def make_demo(root, name):
    folder = root / name
    folder.mkdir()
    ini = folder / "MV400.INI"
    write_settings(ini, folder / "host")
    env = dict(os.environ, MV400_INI=str(ini))
    subprocess.run([str(BIN / "vantora-host"), "demo", str(folder / "host"), "--records",
                    str(RECORDS)], check=True, env=env, capture_output=True, timeout=600)
    return folder, ini


def make_certificates(folder):
    """A certificate authority and a server certificate for 127.0.0.1."""
    def openssl(*args):
        subprocess.run(["openssl", *args], check=True, capture_output=True, cwd=folder,
                       timeout=60)
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "ca.key", "-out",
            "ca.pem", "-days", "2", "-subj", "/CN=Vantora test CA")
    openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", "server.key", "-out",
            "server.csr", "-subj", "/CN=127.0.0.1")
    (folder / "san.cnf").write_text("subjectAltName=IP:127.0.0.1,DNS:localhost\n")
    openssl("x509", "-req", "-in", "server.csr", "-CA", "ca.pem", "-CAkey", "ca.key",
            "-CAcreateserial", "-out", "server.pem", "-days", "2", "-extfile", "san.cnf")
    return folder / "ca.pem", folder / "server.pem", folder / "server.key"


USER, PASSWORD = "ODBCUSER", "SECRET1"


def add_user(data_dir):
    """The user profile the TCP tests sign on with."""
    subprocess.run([str(BIN / "vantora-hostd"), "--data-dir", str(data_dir), "--add-user", USER],
                   check=True, capture_output=True, timeout=120,
                   env=dict(os.environ, VANTORA_PASSWORD=PASSWORD, LD_PRELOAD="", MV400_INI=""))


class Hostd:
    """vantora-hostd on a free loopback port, stopped at the end."""

    def __init__(self, data_dir, log, extra=()):
        self.log = open(log, "w")
        self.process = subprocess.Popen(
            [str(BIN / "vantora-hostd"), "--port", "0", "--data-dir", str(data_dir), *extra],
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


@pytest.fixture(scope="session")
def odbc_root():
    root = Path(tempfile.mkdtemp(prefix="vantora-odbc-"))
    yield root
    shutil.rmtree(root, ignore_errors=True)


@pytest.fixture(scope="session")
def demo(odbc_root):
    """The embedded host's demo library: (folder, settings file)."""
    return make_demo(odbc_root, "ehn")


@pytest.fixture(scope="session")
def servers(odbc_root):
    """vantora-hostd over plain TCP and over TLS, each on a demo library of its own."""
    tcp_folder, _ = make_demo(odbc_root, "tcp")
    tls_folder, _ = make_demo(odbc_root, "tls")
    add_user(tcp_folder / "host")
    add_user(tls_folder / "host")
    ca, cert, key = make_certificates(tls_folder)
    plain = Hostd(tcp_folder / "host", tcp_folder / "hostd.log")
    secure = Hostd(tls_folder / "host", tls_folder / "hostd.log",
                   ["--tls-cert", str(cert), "--tls-key", str(key)])
    yield {"tcp": plain, "tls": secure, "ca": ca}
    plain.stop()
    secure.stop()


@pytest.fixture(scope="session")
def odbc_settings(odbc_root, demo):
    """The driver manager's folders: the driver and the data source 'demo'."""
    folder = odbc_root / "odbc"
    folder.mkdir()
    (folder / "odbcinst.ini").write_text(
        "[Vantora]\nDescription=Vantora ODBC driver\n"
        f"Driver={DRIVER.resolve()}\nThreading=0\n")
    _, ini = demo
    (folder / "odbc.ini").write_text(
        f"[demo]\nDriver=Vantora\nLibrary=DEMO\nSettingsFile={ini}\n"
        f"[demo-system]\nDriver=Vantora\nLibrary=DEMO\nSettingsFile={ini}\nNaming=system\n")
    os.environ["ODBCSYSINI"] = str(folder)
    os.environ["ODBCINI"] = str(folder / "odbc.ini")
    return folder


@pytest.fixture(scope="session")
def ehn_string(demo, odbc_settings):
    _, ini = demo
    return f"DRIVER={{Vantora}};Library=DEMO;SettingsFile={ini}"


@pytest.fixture(params=["ehn", "tcp", "tls"])
def any_network(request, demo, odbc_settings):
    """A connection string for each way to the host."""
    _, ini = demo
    if request.param == "ehn":
        return f"DRIVER={{Vantora}};Library=DEMO;SettingsFile={ini}"
    servers = request.getfixturevalue("servers")
    if request.param == "tcp":
        return (f"DRIVER={{Vantora}};System=127.0.0.1;Library=DEMO;Network=tcp;"
                f"Port={servers['tcp'].port};UID={USER};PWD={PASSWORD};SettingsFile={ini}")
    return (f"DRIVER={{Vantora}};System=127.0.0.1;Library=DEMO;Network=tcp;"
            f"Port={servers['tls'].port};Tls=1;TlsCaFile={servers['ca']};UID={USER};"
            f"PWD={PASSWORD};SettingsFile={ini}")


@pytest.fixture
def connection(ehn_string):
    import pyodbc
    c = pyodbc.connect(ehn_string, autocommit=True)
    yield c
    c.close()


def wait_until(predicate, seconds=10):
    end = time.time() + seconds
    while time.time() < end:
        if predicate():
            return True
        time.sleep(0.05)
    return False
