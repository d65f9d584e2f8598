"""velfilter_pdf behind a private cupsd, and under Orvex with a local HTTPS
server and a private system bus."""

import os
import shutil
import subprocess
import tempfile
import unittest

from cupsd import PrivateCupsd, ppd_path, program, write_user_options
from dbus_bus import NoticeReceiver, PrivateSystemBus
from orvex_server import OrvexServer
from pdfmaker import make_pdf

ENTER = b"@PJL ENTER LANGUAGE=PDF\n"
TRAILER = b"\x1b%-12345X@PJL\n@PJL EOJ\n\x1b%-12345X"
STOPPED = "WARNING: ORV settings have stopped printing\n"


def split_stream(out):
    start = out.index(ENTER) + len(ENTER)
    end = out.rindex(TRAILER)
    return out[:start], out[start:end], out[end + len(TRAILER):]


class PdfQueue(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="velpdfq-")
        self.addCleanup(shutil.rmtree, self.tmp, True)

    def test_lp_job_arrives_with_its_header_and_the_pdf_unchanged(self):
        pdf = os.path.join(self.tmp, "doc.pdf")
        with open(pdf, "wb") as f:
            f.write(make_pdf(pages=3))
        os.chmod(self.tmp, 0o755)
        with PrivateCupsd() as cups:
            cups.add_queue("pdfq", ppd_path("vp900"))
            cups.write_user_options("alice", "pdfq", "VCCollate1=Custom1\n")
            job = cups.print_file("pdfq", pdf, user="alice", title="quarterly report",
                                  options={"number-up": "4", "Duplex": "DuplexNoTumble",
                                           "ColorModel": "Gray", "Stpl": "Front"},
                                  raw_options=["Coll=False"])
            self.assertEqual(cups.wait_job(job), "completed", "\n".join(cups.job_log(job)))
            out = cups.output("pdfq")
        header, body, after = split_stream(out)
        header = header.decode()
        for line in ('@PJL JOB NAME="quarterly report ', '@PJL SET USERNAME="alice"\n',
                     "@PJL SET COPIES=1\n", "@PJL SET KCOLORMODE=MONO\n", "@PJL SET PAPER=A4\n",
                     "@PJL SET BINDING=LONGEDGE\n", "@PJL SET HOLDTYPE=PRIVATE\n",
                     "@PJL SET STAPLEOPTION=ONEOPPOSED\n", "@PJL SET LPARM:PDF KMULTIPAGE=FOUR\n"):
            self.assertIn(line, header)
        self.assertEqual(after, b"")
        extracted = os.path.join(self.tmp, "body.pdf")
        with open(extracted, "wb") as f:
            f.write(body)
        subprocess.run(["cmp", pdf, extracted], check=True)
        subprocess.run(["qpdf", "--check", extracted], check=True, stdout=subprocess.DEVNULL)


class PdfUnderOrvex(unittest.TestCase):
    """The filter run as CUPS runs it, with Orvex switched on for alice."""

    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="velpdforv-")
        self.addCleanup(shutil.rmtree, self.tmp, True)
        self.data = os.path.join(self.tmp, "data")
        self.server = OrvexServer().start()
        self.addCleanup(self.server.stop)
        self.bus = PrivateSystemBus()
        self.bus.start()
        self.addCleanup(self.bus.stop)
        self.rx = NoticeReceiver(self.bus)
        self.rx.start()
        self.addCleanup(self.rx.stop)

    def run_job(self, options, orvex=None, port=None):
        settings = {"ORV_enabled": "ON", "ORV_server": "127.0.0.1",
                    "ORV_port": str(port or self.server.port), "ORV_username": "alice.o"}
        settings.update(orvex or {})
        write_user_options(self.data, "alice", "pdfq", settings)
        env = self.bus.env(dict(os.environ, VELMORA_DATA_DIR=self.data,
                                PPD=ppd_path("vp900"),
                                CUPS_SERVER=os.path.join(self.tmp, "no-cupsd.sock")))
        return subprocess.run(["pdfq", "5", "alice", "report", "1", options],
                              executable=program("filters/pdf/velfilter_pdf"),
                              input=make_pdf(), env=env, capture_output=True, timeout=120)

    def test_allowed_job_carries_the_login_and_reports_the_final_settings(self):
        self.server.answer_policy({"JE.FullColorPrint": "ON", "DR.DuplexRestriction": "ON",
                                   "DriverAccess.Username": "drv-alice",
                                   "DriverAccess.PasswordToken": "tok123"})
        r = self.run_job("ColorModel=CMYK Duplex=None")
        self.assertEqual(r.returncode, 0, r.stderr.decode())
        header, _, after = split_stream(r.stdout)
        header = header.decode()
        # Colour forced to black and white, one-sided forced to long edge.
        self.assertIn("@PJL SET KCOLORMODE=MONO\n", header)
        self.assertIn("@PJL SET DUPLEX=ON\n@PJL SET BINDING=LONGEDGE\n", header)
        self.assertIn('@PJL SET KLOGINID="drv-alice"\n@PJL SET KLOGINPWD="tok123"\n', header)
        self.assertEqual(after.decode(), "\n%!R! CMNT Vorx=127.0.0.1; EXIT;\n"
                                         "%!R! CMNT Colormode=BLACK_AND_WHITE; EXIT;\n"
                                         "%!R! CMNT Duplex=DUPLEX; EXIT;\n")
        self.assertEqual(len(self.server.requests), 1)
        self.assertIn(b"userID=alice.o", self.server.requests[0]["body"])
        self.assertNotIn("tok123", r.stderr.decode(), "the token stays out of the log")
        self.assertEqual(self.rx.messages(), [])

    def test_refused_jobs_print_nothing_and_tell_the_user(self):
        cases = [
            ("colour with notice", {"JE.FullColorPrint": "ON"}, {"ORV_notify": "OFF"},
             "ColorModel=CMYK", "\nColor Mode alice"),
            ("credit", {"Credit_accounting": "ON", "Credit_remaining": "5",
                        "Credit_minimum": "5"}, {}, "", "Credit alice"),
            ("printer", {"JE.MonoPrint": "ON"}, {}, "", "Printer alice"),
            ("bad reply", None, {}, "", "Login alice"),
        ]
        for name, policy, orvex, options, notice in cases:
            with self.subTest(name):
                if policy is None:
                    self.server.answer_raw(b"no policy here")
                else:
                    self.server.answer_policy(policy)
                before = len(self.rx.messages())
                r = self.run_job(options, orvex)
                self.assertEqual(r.returncode, 1)
                self.assertEqual(r.stdout, b"")
                self.assertIn(STOPPED, r.stderr.decode())
                self.assertEqual(self.rx.wait_for(before + 1)[before:], [notice])

    def test_unreachable_server_stops_the_job(self):
        import socket
        s = socket.socket()
        s.bind(("127.0.0.1", 0))
        port = s.getsockname()[1]
        s.close()  # nothing listens there now
        r = self.run_job("", port=port)
        self.assertEqual(r.returncode, 1)
        self.assertEqual(r.stdout, b"")
        self.assertEqual(self.rx.wait_for(1), ["Connection alice"])


if __name__ == "__main__":
    unittest.main()
