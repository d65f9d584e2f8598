"""velfilter_pdf run the way CUPS runs it: argument 0 the queue, the PDF from
standard input (6 arguments) or a file (7 arguments), the PPD in "PPD"."""

import os
import shutil
import subprocess
import tempfile
import unittest

from pdfmaker import make_pdf

BUILD = os.environ.get("VELMORA_BUILD_DIR", "../../../build")
SOURCE = os.environ.get("VELMORA_SOURCE_DIR", "../../..")
FILTER = os.path.join(BUILD, "filters/pdf/velfilter_pdf")
PPD = os.path.join(BUILD, "ppd/vp900.ppd")

ENTER = b"@PJL ENTER LANGUAGE=PDF\n"
TRAILER = b"\x1b%-12345X@PJL\n@PJL EOJ\n\x1b%-12345X"
USAGE = "velfilter_pdf job-id user title copies options [file]\n"


def split_stream(out):
    """(header, pdf bytes, what follows the trailer) of a printer stream."""
    start = out.index(ENTER) + len(ENTER)
    end = out.rindex(TRAILER)
    return out[:start], out[start:end], out[end + len(TRAILER):]


class FilterRun(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="velpdf-")
        self.addCleanup(shutil.rmtree, self.tmp, True)
        self.data = os.path.join(self.tmp, "data")
        os.makedirs(self.data)

    def run_filter(self, args, stdin=b"", ppd=PPD, argv0="queue", stdout=subprocess.PIPE):
        env = dict(os.environ, VELMORA_DATA_DIR=self.data,
                   CUPS_SERVER=os.path.join(self.tmp, "no-cupsd.sock"))
        env.pop("PPD", None)
        if ppd:
            env["PPD"] = ppd
        return subprocess.run([argv0] + args, executable=FILTER, input=stdin, env=env,
                              stdout=stdout, stderr=subprocess.PIPE, timeout=120)

    def user_file(self, user, queue, text):
        os.makedirs(os.path.join(self.data, user), exist_ok=True)
        with open(os.path.join(self.data, user, queue + ".cfg"), "w") as f:
            f.write(text)

    def test_wrong_argument_count_prints_nothing(self):
        for args in (["1", "alice", "t", "1"], ["1", "alice", "t", "1", "", "f", "extra"]):
            r = self.run_filter(args)
            self.assertEqual(r.returncode, 1, args)
            self.assertEqual(r.stdout, b"", args)
            self.assertEqual(r.stderr.decode(), USAGE, args)

    def test_pdf_passes_through_byte_identical(self):
        cases = {"empty": b"", "small": make_pdf(pages=3), "large": make_pdf(pages=2, size=24 << 20)}
        for name, pdf in cases.items():
            path = os.path.join(self.tmp, name + ".pdf")
            with open(path, "wb") as f:
                f.write(pdf)
            for how in ("file", "stdin"):
                with self.subTest(pdf=name, input=how):
                    args = ["7", "alice", "report", "1", ""]
                    r = (self.run_filter(args + [path]) if how == "file"
                         else self.run_filter(args, stdin=pdf))
                    self.assertEqual(r.returncode, 0, r.stderr[-500:])
                    header, body, after = split_stream(r.stdout)
                    self.assertTrue(header.startswith(b"\x1b%-12345X@PJL\n@PJL JOB\n"))
                    self.assertEqual(after, b"", "nothing follows the trailer without Orvex")
                    extracted = os.path.join(self.tmp, name + "-" + how + ".out")
                    with open(extracted, "wb") as f:
                        f.write(body)
                    subprocess.run(["cmp", path, extracted], check=True)
                    if pdf:
                        subprocess.run(["qpdf", "--check", extracted], check=True,
                                       stdout=subprocess.DEVNULL)
                    # The header goes to standard error too, followed by a line feed.
                    self.assertIn(header.decode() + "\n", r.stderr.decode())

    def test_settings_from_ppd_options_and_user_file(self):
        self.user_file("alice", "queue", "CustomJobName=From jobdeck\nEMailNotification=off\n")
        r = self.run_filter(["8", "alice", "report", "2",
                             "Coll=False ColorModel=Gray number-up=2 PageSize=Letter JobDate=False "
                             "InputSlot=MF1 Stpl=Front Pnch=2HolePDF"], stdin=make_pdf())
        self.assertEqual(r.returncode, 0, r.stderr)
        header = split_stream(r.stdout)[0].decode()
        for line in ('@PJL JOB NAME="From jobdeck"', "@PJL SET COPIES=2",
                     "@PJL SET KCOLORMODE=MONO", "@PJL SET PAPER=LETTER",
                     "@PJL SET KINTRAYSELECT=INTRAY1", "@PJL SET LPARM:PDF KMULTIPAGE=TWO",
                     "@PJL SET KPUNCHOPTION=SUB1", "@PJL SET STAPLEOPTION=ONEOPPOSED"):
            self.assertIn(line + "\n", header)
        self.assertNotIn("KJOBFINISHNOTICE", header)

        # The model's own defaults: a colour job on A4, no tray line, collated.
        header = split_stream(self.run_filter(["9", "alice", "r", "1", ""]).stdout)[0].decode()
        for line in ("@PJL SET KCOLORMODE=COLOR", "@PJL SET PAPER=A4", "@PJL SET QTY=1"):
            self.assertIn(line + "\n", header)
        self.assertNotIn("KINTRAYSELECT", header)

        # No PPD at all: printed without its defaults.
        r = self.run_filter(["9", "alice", "r", "1", ""], ppd=os.path.join(self.tmp, "none.ppd"))
        self.assertEqual(r.returncode, 0)
        self.assertIn(b"@PJL SET KCOLORMODE=MONO\n", r.stdout)

    def test_unopenable_file_is_an_error_without_output(self):
        for path in (os.path.join(self.tmp, "missing.pdf"), self.tmp):
            r = self.run_filter(["10", "alice", "t", "1", "", path])
            self.assertEqual(r.returncode, 1, path)
            self.assertEqual(r.stdout, b"", path)
            self.assertIn('ERROR: Unable to open print file "%s"' % path, r.stderr.decode())

    def test_printer_stream_that_cannot_be_written_fails_the_job(self):
        with open("/dev/full", "wb") as full:
            r = self.run_filter(["12", "alice", "t", "1", ""], stdin=make_pdf(size=1 << 20),
                                stdout=full)
        self.assertEqual(r.returncode, 1)
        self.assertIn("ERROR: Unable to send print data: No space left on device",
                      r.stderr.decode())

    def test_started_by_hand_reads_the_user_file_of_the_ppd_name(self):
        ppd_dir = os.path.join(self.tmp, "etc/cups/ppd")
        os.makedirs(ppd_dir)
        office = os.path.join(ppd_dir, "Office.ppd")
        shutil.copy(PPD, office)
        self.user_file("alice", "Office", "CustomJobName=Office job\n")
        r = self.run_filter(["11", "alice", "t", "1", ""], ppd=office, argv0="./velfilter_pdf")
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertIn(b'@PJL JOB NAME="Office job ', r.stdout)
        # Once for the job settings, once for the Orvex settings.
        self.assertEqual(r.stderr.decode().count("PPD: %s\n" % office), 2)

    def test_leftover_temp_file_is_removed_only_inside_tmp(self):
        job = str(os.getpid())
        leftover = "/tmp/%s_report" % job
        with open(leftover, "w") as f:
            f.write("left over")
        self.addCleanup(lambda: os.path.exists(leftover) and os.remove(leftover))
        r = self.run_filter([job, "alice", "report", "1", ""])
        self.assertEqual(r.returncode, 0)
        self.assertFalse(os.path.exists(leftover))
        r = self.run_filter([job, "alice", "report", "1", ""])
        self.assertEqual(r.returncode, 0, "a missing file is no error")
        self.assertFalse(os.path.exists(leftover), "the filter never creates it")

        # A title that climbs out of /tmp names a file elsewhere: it stays.
        os.makedirs("/tmp/%s_" % job, exist_ok=True)
        self.addCleanup(os.rmdir, "/tmp/%s_" % job)
        victim = os.path.join(self.tmp, "victim")
        with open(victim, "w") as f:
            f.write("keep me")
        title = "/../.." + victim
        self.assertTrue(os.path.exists("/tmp/" + job + "_" + title))
        r = self.run_filter([job, "alice", title, "1", ""])
        self.assertEqual(r.returncode, 0)
        self.assertTrue(os.path.exists(victim))


if __name__ == "__main__":
    unittest.main()
