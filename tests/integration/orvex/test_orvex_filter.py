"""Orvex through the real velfilter_pcl: login at a local HTTPS server, the
policy applied to the job, notices to a receiver on a private system bus."""

import os
import shutil
import socket
import subprocess
import tempfile
import threading
import unittest

from cupsd import PrivateCupsd, ppd_path, write_user_options
from dbus_bus import NoticeReceiver, PrivateSystemBus
from filterrun import make_raster, run_raster_filter
from orvex_server import LOGIN_PATH, OrvexServer

STOPPED = "WARNING: ORV settings have stopped printing"
# Stored-credential texts (AES-256-CBC, hex) of two passwords.
STORED = {"s3cret": "c223f0524b5a517cb9e6e128020fe99f",
          "p&ss=w+rd%": "6e7a2786f769a5868b81b5b8434a6d87"}


def closed_port():
    """A loopback port that refuses connections (bound, never listening)."""
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    return s, s.getsockname()[1]


class OrvexJobs(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.bus = PrivateSystemBus().start()
        cls.rx = NoticeReceiver(cls.bus).start()
        cls.server = OrvexServer().start()
        cls.raster = make_raster(pages=1, height=64)

    @classmethod
    def tearDownClass(cls):
        cls.server.stop()
        cls.rx.stop()
        cls.bus.stop()

    def setUp(self):
        self.data = tempfile.mkdtemp(prefix="velorvexdata")
        self.addCleanup(shutil.rmtree, self.data, True)
        self.seen = len(self.rx.messages())
        del self.server.requests[:]
        self.server.answer_policy({})

    def settings(self, port=None, password="s3cret", **extra):
        opts = {"ORV_enabled": "ON", "ORV_server": "127.0.0.1",
                "ORV_port": str(port or self.server.port), "ORV_username": "alice.orv",
                "ORV_password": STORED[password]}
        opts.update(extra)
        write_user_options(self.data, "alice", "queue", opts)

    def run_job(self, options="", env=None):
        e = self.bus.env({})
        e["no_proxy"] = "*"  # loopback only, whatever the machine's proxy settings
        e.update(env or {})
        return run_raster_filter(self.raster, options=options, ppd="vc500", user="alice",
                                 data_dir=self.data, env=e)

    def new_notices(self, count):
        return self.rx.wait_for(self.seen + count, timeout=5)[self.seen:]

    def assertRefused(self, r, notice):
        self.assertEqual(r.returncode, 1, r.stderr)
        self.assertEqual(r.stdout, b"")
        self.assertEqual(r.status_lines()[-1], STOPPED)
        self.assertEqual(self.new_notices(1 if notice else 0), [notice] if notice else [])

    def test_policy_table(self):
        cases = [
            ("colour refused", {"JE.FullColorPrint": "ON"}, {}, "ColorModel=RGB",
             "\nColor Mode alice"),
            ("colour and duplex notice", {"JE.FullColorPrint": "ON", "DR.DuplexRestriction": "ON"},
             {"ORV_notify": "OFF"}, "ColorModel=RGB Duplex=None", "\nColor Mode\nDuplex alice"),
            ("simplex blocked without a notice", {"DR.DuplexRestriction": "ON"},
             {"ORV_blocking": "ON"}, "Duplex=None", None),
            ("credit", {"Credit_accounting": "ON", "Credit_remaining": "5",
                        "Credit_minimum": "5"}, {}, "", "Credit alice"),
            ("quota", {"Quota_accounting": "ON", "Disable_Operation_TotalPages": "print"}, {},
             "ColorModel=Gray", "Quota alice"),
            ("printer", {"JE.MonoPrint": "ON"}, {}, "", "Printer alice"),
            ("the later reason wins", {"JE.FullColorPrint": "ON", "Credit_accounting": "ON",
                                       "Credit_remaining": "0", "Credit_minimum": "1",
                                       "JE.MonoPrint": "PV.On"}, {}, "ColorModel=RGB",
             "Printer alice"),
        ]
        for name, policy, extra, options, notice in cases:
            with self.subTest(name):
                self.seen = len(self.rx.messages())
                self.server.answer_policy(policy)
                self.settings(**extra)
                self.assertRefused(self.run_job(options), notice)

    def test_allowed_job_carries_the_driver_login_and_comments(self):
        self.server.answer_policy({"DR.DuplexRestriction": "ON",
                                   "DriverAccess.PasswordToken": "tok-42",
                                   "Quota_accounting": "ON", "Disable_Operation_Color": "color"})
        self.settings()
        r = self.run_job("ColorModel=Gray Duplex=None PageSize=Letter")
        self.assertEqual(r.returncode, 0, r.stderr)
        out = r.stdout
        self.assertIn(b"@PJL SET DUPLEX=ON\r\n@PJL SET BINDING=LONGEDGE\r\n", out)
        self.assertIn(b'@PJL COMMENT Version 1.0\r\n@PJL SET KLOGINID="alice.orv"\n'
                      b'@PJL SET KLOGINPWD="tok-42"\n@PJL JOB NAME=', out)
        self.assertIn(b"\x1bE!R! CMNT Vorx=127.0.0.1; EXIT;!R! CMNT Colormode=BLACK_AND_WHITE;"
                      b" EXIT;!R! CMNT Binding=LEFT_RIGHT; EXIT;", out)
        self.assertIn(b"!R! CMNT Paper=LETTER; EXIT;!R! CMNT MediaType=PLAIN; EXIT;", out)
        self.assertEqual(self.new_notices(0), [])
        req = self.server.requests[0]
        self.assertEqual(req["path"], LOGIN_PATH)
        self.assertEqual(req["body"], b"userID=alice.orv&userPWD=s3cret")

    def test_comment_commands_follow_the_job_options(self):
        self.settings()
        cases = [
            ("Booklet=Left Staple=Rear Punch=2HoleEUR ColorModel=RGB Duplex=DuplexTumble",
             b"Colormode=FULL_COLOR; EXIT;!R! CMNT Binding=TOP; EXIT;!R! CMNT Booklet=LEFT_EDGE;"
             b" EXIT;!R! CMNT Staple=UPPER_RIGHT; EXIT;!R! CMNT Punch=TWO; EXIT;"),
            ("Booklet=Right Staple=BookletStitch Punch=4Hole",
             b"Booklet=RIGHT_EDGE; EXIT;!R! CMNT Staple=BOOKLET; EXIT;!R! CMNT Punch=FOUR; EXIT;"),
            # Values outside a table leave their command out; a client's value
            # cannot close the command early.
            ("Booklet=Top Staple=Twice Punch=5Hole PageSize=a4;EXIT;!R!x MediaType=bond",
             b"!R! CMNT Paper=A4?EXIT?!R!X; EXIT;!R! CMNT MediaType=BOND; EXIT;"),
        ]
        for options, expected in cases:
            with self.subTest(options):
                r = self.run_job(options)
                self.assertEqual(r.returncode, 0, r.stderr)
                self.assertIn(expected, r.stdout)
        for key in (b"Booklet", b"Staple", b"Punch"):
            self.assertNotIn(b"CMNT " + key, r.stdout)

    def test_password_with_form_separators_reaches_the_server_whole(self):
        self.settings(password="p&ss=w+rd%")
        self.assertEqual(self.run_job().returncode, 0)
        body = self.server.requests[0]["body"]
        self.assertEqual(body, b"userID=alice.orv&userPWD=p%26ss%3Dw%2Brd%25")
        from urllib.parse import parse_qs
        self.assertEqual(parse_qs(body.decode())["userPWD"], ["p&ss=w+rd%"])

    def test_orvex_off_prints_without_asking(self):
        write_user_options(self.data, "alice", "queue", {"ORV_enabled": "OFF",
                                                         "ORV_server": "127.0.0.1"})
        r = self.run_job("ColorModel=RGB")
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertNotIn(b"KLOGINID", r.stdout)
        self.assertNotIn(b"CMNT", r.stdout)
        self.assertEqual(self.server.requests, [])

    def test_failed_checks(self):
        sock, port = closed_port()
        self.addCleanup(sock.close)
        cases = [
            ("unreachable server", lambda: None, port, "Connection alice"),
            ("reply without a policy", lambda: self.server.answer_raw("<html>busy</html>"), None,
             "Login alice"),
            ("no body", self.server.answer_nothing, None, "Login alice"),
            ("huge body", lambda: self.server.answer_huge(64 << 20), None, "Login alice"),
        ]
        for name, answer, use_port, notice in cases:
            with self.subTest(name):
                self.seen = len(self.rx.messages())
                answer()
                self.settings(port=use_port)
                self.assertRefused(self.run_job(), notice)

    def test_silent_server_times_out_as_a_connection_failure(self):
        self.server.never_answer()
        self.settings()
        r = self.run_job()
        self.assertRefused(r, "Connection alice")
        self.assertTrue(any(l.startswith("curl_easy_perform() failed: ")
                            for l in r.status_lines()), r.stderr)

    def test_no_bus_stops_the_job(self):
        self.server.answer_policy({"JE.MonoPrint": "ON"})
        self.settings()
        r = self.run_job(env={"DBUS_SYSTEM_BUS_ADDRESS": "unix:path=/nonexistent/bus"})
        self.assertEqual(r.returncode, 1)
        self.assertEqual(r.stdout, b"")
        self.assertTrue(any(l.startswith("Connection Error (") for l in r.status_lines()))

    def test_concurrent_refused_jobs_all_notify(self):
        # A filter process that still holds its bus name must not make the
        # others fail: every job's notice arrives and each ends as refused.
        holder = NoticeReceiver(self.bus, hold=["com.velmora.filter"])
        # The holder owns com.velmora.orvui too; give it its own bus name slot.
        self.rx.stop()
        holder.start()
        self.addCleanup(self._restore_receiver, holder)
        self.server.answer_policy({"JE.MonoPrint": "ON"})
        results = {}
        users = ["alice", "bob", "carol"]
        for user in users:
            write_user_options(self.data, user, "queue", {
                "ORV_enabled": "ON", "ORV_server": "127.0.0.1", "ORV_port": str(self.server.port),
                "ORV_username": user, "ORV_password": STORED["s3cret"]})

        def job(user):
            env = self.bus.env({})
            env["no_proxy"] = "*"
            results[user] = run_raster_filter(self.raster, ppd="vc500", user=user,
                                              data_dir=self.data, env=env)
        threads = [threading.Thread(target=job, args=(u,)) for u in users]
        for t in threads:
            t.start()
        for t in threads:
            t.join()
        for user in users:
            self.assertEqual(results[user].returncode, 1, results[user].stderr)
            self.assertEqual(results[user].status_lines()[-1], STOPPED)
        self.assertEqual(sorted(holder.wait_for(3)), sorted("Printer " + u for u in users))

    def _restore_receiver(self, holder):
        holder.stop()
        type(self).rx = NoticeReceiver(self.bus).start()


class OrvexThroughCups(unittest.TestCase):
    """A refused job under a private cupsd: the filter runs as lp, its notice
    reaches the bus, the job is aborted and the device gets nothing."""

    def test_refused_job_is_aborted_with_a_notice(self):
        with PrivateSystemBus() as bus, NoticeReceiver(bus) as rx, OrvexServer() as srv:
            srv.answer_policy({"JE.FullColorPrint": "ON"})
            env = {"DBUS_SYSTEM_BUS_ADDRESS": bus.address, "no_proxy": "*"}
            with PrivateCupsd(filter_env=env) as cups:
                cups.add_queue("colour", ppd_path("vc500"))
                write_user_options(cups.data_dir, "alice", "colour", {
                    "ORV_enabled": "ON", "ORV_server": "127.0.0.1", "ORV_port": str(srv.port),
                    "ORV_username": "alice.orv", "ORV_password": STORED["s3cret"]})
                ras = os.path.join(cups.root, "job.ras")
                with open(ras, "wb") as f:
                    f.write(make_raster(pages=1, height=64))
                os.chmod(ras, 0o644)
                job = cups.print_file("colour", ras, user="alice", options={
                    "ColorModel": "RGB", "document-format": "application/vnd.cups-raster"})
                state = cups.wait_job(job)
                log = cups.job_log(job)
                # cupsd stops a job whose filter fails; the log drops "WARNING: ".
                self.assertIn(state, ("aborted", "stopped"), "\n".join(log))
                self.assertIn("ORV settings have stopped printing", log)
                out = cups.output_path("colour")
                self.assertFalse(os.path.exists(out) and os.path.getsize(out) > 0)
            self.assertEqual(rx.wait_for(1), ["\nColor Mode alice"])
            self.assertEqual(srv.requests[0]["body"], b"userID=alice.orv&userPWD=s3cret")


if __name__ == "__main__":
    unittest.main()
