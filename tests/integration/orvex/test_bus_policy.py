"""The installed system-bus policy: the filter's user (lp, or root) may own
"com.velmora.filter" and call orvui's showMessage; a desktop user may own
"com.velmora.orvui" but not send to it. Checked on a private dbus-daemon
with system-bus defaults, using gdbus as the client."""

import os
import pwd
import re
import shutil
import subprocess
import tempfile
import unittest

from dbus_bus import NoticeReceiver, PrivateSystemBus, SYSTEM_DEFAULTS

POLICY = os.path.join(os.environ.get("VELMORA_SOURCE_DIR", "../../.."),
                      "packaging", "dbus", "com.velmora.orvui.conf")


def gdbus(bus, user, *args):
    pw = pwd.getpwnam(user)
    cmd = ["setpriv", "--reuid=%d" % pw.pw_uid, "--regid=%d" % pw.pw_gid, "--clear-groups",
           "gdbus", "call", "--system", "--timeout", "5"] + list(args)
    return subprocess.run(cmd, env=bus.env(), capture_output=True, text=True, timeout=30)


def request_name(bus, user, name):
    return gdbus(bus, user, "--dest", "org.freedesktop.DBus", "--object-path",
                 "/org/freedesktop/DBus", "--method", "org.freedesktop.DBus.RequestName",
                 name, "0")


def show_message(bus, user, text):
    return gdbus(bus, user, "--dest", "com.velmora.orvui", "--object-path", "/",
                 "--method", "local.orvd.orvdbus.showMessage", text)


@unittest.skipUnless(os.geteuid() == 0, "switching users needs root")
class BusPolicy(unittest.TestCase):
    def setUp(self):
        self.bus = PrivateSystemBus(policy=SYSTEM_DEFAULTS,
                                    extra="<include>%s</include>" % os.path.abspath(POLICY))
        self.bus.start()
        self.addCleanup(self.bus.stop)
        self.rx = NoticeReceiver(self.bus, user="nobody").start()  # the desktop user's orvui
        self.addCleanup(self.rx.stop)

    def test_filter_users_own_their_name_and_reach_orvui(self):
        for user in ("lp", "root"):
            with self.subTest(user=user):
                r = request_name(self.bus, user, "com.velmora.filter")
                self.assertEqual(r.returncode, 0, r.stderr)
                self.assertIn("uint32 1", r.stdout)
                r = show_message(self.bus, user, "Credit " + user)
                self.assertEqual(r.returncode, 0, r.stderr)
                self.assertIn('ping("Credit %s") got called' % user, r.stdout)
        self.assertEqual(self.rx.wait_for(2), ["Credit lp", "Credit root"])

    def test_other_users_are_refused(self):
        r = request_name(self.bus, "nobody", "com.velmora.filter")
        self.assertNotEqual(r.returncode, 0)
        self.assertIn("AccessDenied", r.stderr)
        r = show_message(self.bus, "nobody", "Printer nobody")
        self.assertNotEqual(r.returncode, 0)
        self.assertIn("AccessDenied", r.stderr)
        r = request_name(self.bus, "lp", "com.velmora.orvui.other")
        self.assertIn("AccessDenied", r.stderr)
        self.assertEqual(self.rx.messages(), [])


SYSTEM_BUS_CONFIG = "/usr/share/dbus-1/system.conf"


@unittest.skipUnless(os.path.exists(SYSTEM_BUS_CONFIG), "no system bus configuration here")
class InstalledPolicy(unittest.TestCase):
    def test_installed_where_the_system_bus_reads_policies(self):
        # Whatever the install prefix, the bus only reads its own directories.
        with open(SYSTEM_BUS_CONFIG) as f:
            dirs = [os.path.join(os.path.dirname(SYSTEM_BUS_CONFIG), d)
                    for d in re.findall(r"<includedir>([^<]+)</includedir>", f.read())]
        dest = tempfile.mkdtemp(prefix="velinstall")
        self.addCleanup(shutil.rmtree, dest, True)
        build = os.environ.get("VELMORA_BUILD_DIR", "../../../build")
        r = subprocess.run(["cmake", "--install", build], env=dict(os.environ, DESTDIR=dest),
                           capture_output=True, text=True, timeout=300)
        self.assertEqual(r.returncode, 0, r.stderr)
        found = [d for d in dirs
                 if os.path.exists(dest + os.path.join(d, "com.velmora.orvui.conf"))]
        self.assertTrue(found, "policy not installed in any of %s" % dirs)


if __name__ == "__main__":
    unittest.main()
