"""The real orvui program on a private bus standing in for the system bus,
checked with independent clients (gdbus, dbus-send, xwininfo under Xvfb).

orvui detaches itself with daemon(3); this test process becomes a child
subreaper, so the detached process is re-parented to it and its exit status
can be collected with waitpid."""

import ctypes
import os
import pwd
import shutil
import signal
import subprocess
import tempfile
import time
import unittest
import xml.etree.ElementTree as ET

from dbus_bus import SYSTEM_DEFAULTS, PrivateSystemBus

BUILD = os.environ.get("VELMORA_BUILD_DIR", os.path.join(os.path.dirname(__file__), "..", "..", "..", "build"))
SOURCE = os.environ.get("VELMORA_SOURCE_DIR", os.path.join(os.path.dirname(__file__), "..", "..", ".."))
POLICY = os.path.join(SOURCE, "packaging", "dbus", "com.velmora.orvui.conf")
ORVUI = os.path.join(BUILD, "orvui", "orvui")
NAME = "com.velmora.orvui"
PR_SET_CHILD_SUBREAPER = 36


def start_xvfb():
    """Xvfb on a display number of its own choosing; returns (process, display)."""
    r, w = os.pipe()
    proc = subprocess.Popen(["Xvfb", "-displayfd", str(w), "-nolisten", "tcp", "-screen", "0", "800x600x24"],
                            pass_fds=[w], stderr=subprocess.DEVNULL)
    os.close(w)
    with os.fdopen(r) as f:
        number = f.readline().strip()
    if not number:
        proc.kill()
        proc.wait()
        raise RuntimeError("Xvfb did not start")
    return proc, ":" + number


def orvui_children():
    """Pids of orvui processes whose parent is this process (zombies included)."""
    me = os.getpid()
    pids = set()
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % entry) as f:
                stat = f.read()
        except OSError:
            continue
        comm = stat[stat.index("(") + 1:stat.rindex(")")]
        ppid = int(stat[stat.rindex(")") + 2:].split()[1])
        if ppid == me and comm == "orvui":
            pids.add(int(entry))
    return pids


def exit_status(pid, timeout=30):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        got, status = os.waitpid(pid, os.WNOHANG)
        if got == pid:
            return os.waitstatus_to_exitcode(status)
        time.sleep(0.05)
    os.kill(pid, signal.SIGKILL)
    os.waitpid(pid, 0)
    raise AssertionError("orvui %d did not exit" % pid)


class OrvuiService(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        libc = ctypes.CDLL(None, use_errno=True)
        if libc.prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0) != 0:
            raise OSError(ctypes.get_errno(), "prctl(PR_SET_CHILD_SUBREAPER)")
        cls.bus = PrivateSystemBus().start()
        try:
            cls.xvfb, cls.display = start_xvfb()
        except Exception:
            cls.bus.stop()
            raise
        cls.tmp = tempfile.mkdtemp(prefix="orvuitest")

    @classmethod
    def tearDownClass(cls):
        cls.xvfb.terminate()
        cls.xvfb.wait(10)
        cls.bus.stop()
        shutil.rmtree(cls.tmp, ignore_errors=True)

    def setUp(self):
        self.running = []

    def tearDown(self):
        for pid in self.running:
            os.kill(pid, signal.SIGTERM)
            exit_status(pid)

    def orvui_env(self, lang="C", user="alice", bus_address=None):
        env = self.bus.env() if bus_address is None else dict(os.environ, DBUS_SYSTEM_BUS_ADDRESS=bus_address)
        env.update(USER=user, LC_ALL=lang, LANG=lang, DISPLAY=self.display, QT_QPA_PLATFORM="xcb",
                   XDG_RUNTIME_DIR=self.tmp)
        return env

    def launch(self, env, stderr, command=()):
        """Runs orvui; returns the detached process's pid once the caller has returned 0."""
        before = orvui_children()
        parent = subprocess.run([*command, ORVUI], env=env, stdout=subprocess.DEVNULL, stderr=stderr, timeout=30)
        self.assertEqual(parent.returncode, 0)
        new = orvui_children() - before
        self.assertEqual(len(new), 1, "one detached orvui")
        return new.pop()

    def start_orvui(self, command=(), env=None, bus=None, **kw):
        log = open(os.path.join(self.tmp, "orvui-%d.log" % len(self.running)), "w+")
        self.addCleanup(log.close)
        pid = self.launch(env or self.orvui_env(**kw), log, command)
        self.running.append(pid)
        self.wait_for_name(bus)
        return pid, log

    def wait_for_name(self, bus=None, timeout=20):
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            if self.bus_call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus.NameHasOwner",
                             "string:" + NAME, bus=bus).endswith("true"):
                return
            time.sleep(0.05)
        self.fail("orvui did not take its name")

    def bus_call(self, dest, path, method, *args, bus=None):
        out = subprocess.run(["dbus-send", "--system", "--print-reply", "--dest=" + dest, path, method, *args],
                             env=(bus or self.bus).env(), capture_output=True, text=True, timeout=30)
        self.assertEqual(out.returncode, 0, out.stderr)
        return out.stdout.strip()

    def notify(self, text, bus=None):
        """A call shaped like the filters' notice; returns the reply text."""
        reply = self.bus_call(NAME, "/", "local.orvd.orvdbus.showMessage", "string:" + text, bus=bus)
        return reply.split("\n", 1)[1].strip()

    def window_state(self):
        """Map state of the "Orvex" window, or None when there is none."""
        out = subprocess.run(["xwininfo", "-display", self.display, "-name", "Orvex"],
                             capture_output=True, text=True, timeout=30)
        if out.returncode != 0:
            return None
        for line in out.stdout.splitlines():
            if "Map State:" in line:
                return line.split(":", 1)[1].strip()
        return None

    def wait_window_state(self, want, timeout=10):
        end = time.monotonic() + timeout
        state = self.window_state()
        while state != want and time.monotonic() < end:
            time.sleep(0.05)
            state = self.window_state()
        return state

    def test_interface_as_an_independent_client_sees_it(self):
        self.start_orvui()
        xml = subprocess.run(["gdbus", "introspect", "--system", "--xml", "-d", NAME, "-o", "/"],
                             env=self.bus.env(), capture_output=True, text=True, timeout=30)
        self.assertEqual(xml.returncode, 0, xml.stderr)
        interfaces = {i.get("name"): i for i in ET.fromstring(xml.stdout).findall("interface")}
        self.assertIn("local.orvd.orvdbus", interfaces)
        methods = interfaces["local.orvd.orvdbus"].findall("method")
        self.assertEqual([m.get("name") for m in methods], ["showMessage"])
        args = [(a.get("direction"), a.get("type")) for a in methods[0].findall("arg")]
        self.assertEqual(sorted(args), [("in", "s"), ("out", "s")])
        self.assertEqual(self.notify("abc"), 'string "ping("abc") got called"')

    def test_window_opens_only_for_the_logged_in_users_notice(self):
        _, log = self.start_orvui(lang="de_DE.UTF-8")
        # Each call returns after the notice was handled, so the state can be read right away.
        for notice in ("Login bob", "Connection malice", "Quota alice2"):
            self.notify(notice)
            self.assertNotEqual(self.window_state(), "IsViewable", notice)
        log.seek(0)
        self.assertNotIn("display message", log.read())

        self.notify("Connection alice")
        self.assertEqual(self.wait_window_state("IsViewable"), "IsViewable")
        log.seek(0)
        self.assertIn("display message", log.read())

    def test_start_fails_with_status_1(self):
        cases = [
            ("name already owned", None, NAME),
            ("no bus", "unix:path=" + os.path.join(self.tmp, "no-such-socket"), "system bus"),
        ]
        for label, address, text in cases:
            with self.subTest(label):
                if address is None and not self.running:
                    self.start_orvui()
                err_path = os.path.join(self.tmp, "second.err")
                with open(err_path, "w+") as err:
                    pid = self.launch(self.orvui_env(bus_address=address), err)
                    self.assertEqual(exit_status(pid), 1)
                    err.seek(0)
                    lines = [l for l in err.read().splitlines() if "QStandardPaths" not in l]
                self.assertTrue(any(text in l for l in lines), lines)
        # The first process still serves.
        self.assertEqual(self.notify("x"), 'string "ping("x") got called"')

    @unittest.skipUnless(os.geteuid() == 0, "switching users needs root")
    def test_desktop_user_serves_notices_under_the_installed_policy(self):
        user = pwd.getpwnam("nobody")
        bus = PrivateSystemBus(policy=SYSTEM_DEFAULTS, extra="<include>%s</include>" % os.path.abspath(POLICY))
        bus.start()
        self.addCleanup(bus.stop)
        runtime = tempfile.mkdtemp(dir=self.tmp)
        os.chown(runtime, user.pw_uid, user.pw_gid)
        env = bus.env()
        env.update(USER=user.pw_name, HOME=runtime, XDG_RUNTIME_DIR=runtime, LC_ALL="C", QT_QPA_PLATFORM="offscreen")
        setpriv = ["setpriv", "--reuid=%d" % user.pw_uid, "--regid=%d" % user.pw_gid, "--clear-groups"]
        _, log = self.start_orvui(command=setpriv, env=env, bus=bus)

        # The filters run as root (or lp); this one is root.
        self.assertEqual(self.notify("Credit " + user.pw_name, bus=bus),
                         'string "ping("Credit %s") got called"' % user.pw_name)
        log.seek(0)
        self.assertIn("No Credit", log.read())


class Installation(unittest.TestCase):
    def test_autostart_entry_goes_where_sessions_read_it_whatever_the_prefix(self):
        with tempfile.TemporaryDirectory() as root:
            out = subprocess.run(["cmake", "-DCMAKE_INSTALL_PREFIX=/usr/local", "-P",
                                  os.path.join(BUILD, "orvui", "cmake_install.cmake")],
                                 env=dict(os.environ, DESTDIR=root), capture_output=True, text=True, timeout=60)
            self.assertEqual(out.returncode, 0, out.stderr)
            self.assertTrue(os.path.isfile(os.path.join(root, "etc/xdg/autostart/orvui.desktop")),
                            [os.path.join(d, f) for d, _, files in os.walk(root) for f in files])


if __name__ == "__main__":
    unittest.main()
