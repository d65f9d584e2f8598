"""A PDF printed with lp through a private cupsd: cups-filters makes the raster,
velfilter_pcl (as velfilter_ras_G) makes the printer stream."""

import os
import subprocess
import tempfile
import unittest

from cupsd import PrivateCupsd, ppd_path


def sample_pdf(path, pages=2):
    """A small PDF of a few text pages, made with Ghostscript."""
    ps = "".join("/Helvetica findfont 24 scalefont setfont 72 720 moveto (Page %d) show showpage\n"
                 % (i + 1) for i in range(pages))
    subprocess.run(["gs", "-q", "-dSAFER", "-sDEVICE=pdfwrite", "-o", path, "-"],
                   input=ps.encode(), check=True)
    return path


class PrintThroughCups(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.pdf = sample_pdf(os.path.join(cls.tmp.name, "sample.pdf"))
        os.chmod(cls.tmp.name, 0o755)
        cls.cups = PrivateCupsd()
        cls.cups.start()
        cls.cups.add_queue("mono", ppd_path("vm200"))
        cls.cups.add_queue("colour", ppd_path("vc510"))

    @classmethod
    def tearDownClass(cls):
        cls.cups.stop()
        cls.tmp.cleanup()

    def test_pdf_job_completes_with_the_filter_status_lines(self):
        job = self.cups.print_file("mono", self.pdf, user="alice", title="report",
                                   options={"JobDate": "false"})
        self.assertEqual(self.cups.wait_job(job), "completed", "\n".join(self.cups.job_log(job)))
        self.assertLogged(job, "Starting velfilter_pcl", "arg3 alice", "PAGE: 1 1",
                          "Ready to print.", "PPD device flags: SFP 0, mono 1")
        stream = self.cups.output("mono")
        self.assertTrue(stream.startswith(b"!R!SEM6;EXIT;\x1b%-12345X@PJL COMMENT Version 1.0\r\n"
                                          b"@PJL JOB NAME=\"report\"\n"), stream[:200])
        self.assertIn(b"@PJL SET USERNAME=\"alice\"\n", stream)
        self.assertNotIn(b"KCOLORMODE", stream)  # a monochrome model
        self.assertTrue(stream.endswith(b"@PJL EOJ NAME=\"report\"\r\n"
                                        b"@PJL RDYMSG DISPLAY=\"\"\r\n\x1b%-12345X"))

    def test_per_user_option_file_reaches_the_filter(self):
        self.cups.write_user_options("carol", "colour", {"CustomJobName": "Q1 budget",
                                                          "VmManagment": "1234;Default"})
        job = self.cups.print_file("colour", self.pdf, user="carol", title="ignored",
                                   options={"Duplex": "DuplexTumble", "JobDate": "false"})
        self.assertEqual(self.cups.wait_job(job), "completed", "\n".join(self.cups.job_log(job)))
        stream = self.cups.output("colour")
        for line in (b'@PJL JOB NAME="Q1 budget"\n', b"@PJL SET KJOBMANAGERCODE=1234\r\n",
                     b"@PJL SET DUPLEX=ON\r\n@PJL SET BINDING=SHORTEDGE\r\n",
                     b"@PJL SET KCOLORMODE=COLOR\r\n"):
            self.assertIn(line, stream)

    def test_device_flags_come_from_the_queue_ppd(self):
        job = self.cups.print_file("colour", self.pdf, user="alice")
        self.assertEqual(self.cups.wait_job(job), "completed", "\n".join(self.cups.job_log(job)))
        self.assertLogged(job, "PPD device flags: SFP 1, mono 0")

    def test_job_options_cannot_pose_as_status_lines(self):
        # cupsd reads the filter's standard error in 2 KiB pieces: an echoed
        # argument line longer than that was split, and its rest, chosen by
        # whoever submitted the job, was read as a "PPD:" line that rewrote the
        # queue's defaults.
        ppd = os.path.join(self.cups.root, "conf", "ppd", "mono.ppd")
        with open(ppd) as f:
            self.assertIn("*DefaultDuplex: None\n", f.read())
        for pad in (2038, 2039):
            job = self.cups.print_file("mono", self.pdf, user="alice", raw_options=[
                "AAA=" + "x" * pad + "PPD:DefaultDuplex=DuplexTumble"])
            self.assertEqual(self.cups.wait_job(job), "completed")
            self.assertEqual([l for l in self.cups.job_log(job) if l.startswith("PPD:")], [])
        with open(ppd) as f:
            self.assertIn("*DefaultDuplex: None\n", f.read())

    def assertLogged(self, job, *lines):
        """The lines are in the job's log (cupsd drops the DEBUG:/INFO: prefixes)."""
        log = self.cups.job_log(job)
        for line in lines:
            self.assertTrue(line in log, "%r not in the job log:\n%s" % (line, "\n".join(
                l for l in log if "complete..." not in l and not l.startswith("env"))))


if __name__ == "__main__":
    unittest.main()
