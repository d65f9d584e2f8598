"""velfilter_pcl run as CUPS runs it: arguments, input, pages, status lines, signals."""

import os
import signal
import subprocess
import tempfile
import threading
import time
import unittest

from filterrun import make_raster, run_raster_filter
from cupsd import build_dir, ppd_path, program, write_user_options

USAGE = "ERROR: rastertopcl job-id user title copies options [file]"


class Arguments(unittest.TestCase):
    def test_wrong_argument_counts_print_the_usage_line(self):
        for args in (["q", "1", "alice", "t"], ["q", "1", "alice", "t", "1", "", "f", "x"]):
            with self.subTest(count=len(args)):
                r = run_raster_filter(args=args)
                self.assertEqual(r.returncode, 1)
                self.assertEqual(r.stdout, b"")
                lines = r.status_lines()
                self.assertEqual(lines[0], "Starting velfilter_pcl")
                self.assertEqual(lines[-1], USAGE)
                # argument lines, at most seven of them
                self.assertEqual(lines[1:3], ["arg1 q", "arg2 1"])
                self.assertNotIn("arg8 x", lines)

    def test_echoed_arguments_stay_one_short_line_each(self):
        # Title and options come from the job's submitter; cupsd would take a
        # line of their text for a status line of the filter.
        r = run_raster_filter(make_raster(), title="t\nPAGE: 99 1\rSTATE: +paused",
                              options="a=" + "x" * 5000 + " b=\x1b")
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(r.status_lines("PAGE:"), ["PAGE: 1 1"])
        self.assertEqual(r.status_lines("STATE:"), [])
        self.assertIn("arg4 t?PAGE: 99 1?STATE: +paused", r.status_lines())
        arg6 = r.status_lines("arg6 ")
        self.assertEqual(arg6, ["arg6 a=" + "x" * 1021 + "..."])

    def test_unopenable_raster_file(self):
        r = run_raster_filter(file_arg="/nonexistent/job.ras")
        self.assertEqual(r.returncode, 1)
        self.assertEqual(r.stdout, b"")
        self.assertIn("ERROR: Unable to open raster file - : No such file or directory",
                      r.status_lines())

    def test_file_argument_and_standard_input_give_the_same_stream(self):
        ras = make_raster(pages=2, height=40)
        with tempfile.NamedTemporaryFile(suffix=".ras") as f:
            f.write(ras)
            f.flush()
            by_file = run_raster_filter(file_arg=f.name)
        by_stdin = run_raster_filter(ras)
        self.assertEqual(by_file.returncode, 0)
        self.assertEqual(by_file.stdout, by_stdin.stdout)
        self.assertIn("arg7 " + f.name, by_file.status_lines())


class PerUserFiles(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.addCleanup(self.tmp.cleanup)

    def job_name(self, r):
        for line in r.stdout.split(b"\n"):
            if line.startswith(b"@PJL JOB NAME="):
                return line[len(b"@PJL JOB NAME="):].decode()
        self.fail(r.stderr)

    def test_job_user_and_queue_name_the_option_file(self):
        write_user_options(self.tmp.name, "alice", "queue", {"CustomJobName": "from alice"})
        r = run_raster_filter(make_raster(), data_dir=self.tmp.name, options="JobDate=false")
        self.assertEqual(self.job_name(r), '"from alice"')
        self.assertIn("lpoptions file: %s/alice/queue.cfg" % self.tmp.name, r.status_lines())

    def test_hand_run_takes_user_and_queue_from_the_environment(self):
        # Started from the build directory as ./velfilter_pcl: USER's file for
        # the queue named after the PPD file.
        write_user_options(self.tmp.name, "bob", "vm200", {"CustomJobName": "from bob"})
        r = run_raster_filter(make_raster(), data_dir=self.tmp.name, options="JobDate=false",
                              printer="./velfilter_pcl", env={"USER": "bob"})
        self.assertEqual(self.job_name(r), '"from bob"')
        self.assertIn("PPD: " + ppd_path("vm200"), r.status_lines())

    def test_user_names_that_leave_the_directory_have_no_files(self):
        # Each of these files is what the hostile name would reach without the guard.
        base = os.path.join(self.tmp.name, "base")
        write_user_options(self.tmp.name, "base", "queue", {"CustomJobName": "via dot"})
        write_user_options(self.tmp.name, ".", "queue", {"CustomJobName": "via dotdot"})
        write_user_options(base, "alice", "queue", {"CustomJobName": "via slash"})
        os.makedirs(os.path.join(base, "y"))
        for user in ("..", ".", "y/../alice"):
            with self.subTest(user=user):
                r = run_raster_filter(make_raster(), data_dir=base, user=user, title="plain",
                                      options="JobDate=false")
                self.assertEqual(r.returncode, 0)
                self.assertEqual(self.job_name(r), '"plain"')


class Pages(unittest.TestCase):
    def test_three_pages_one_page_line_and_progress(self):
        r = run_raster_filter(make_raster(pages=3, height=300, copies=2))
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(r.status_lines("PAGE:"), ["PAGE: 1 2"])
        progress = [l for l in r.status_lines("INFO:") if "Printing page" in l]
        expected = ["INFO: Printing page %d, %d%% complete..." % (p, pct)
                    for p in (1, 2, 3) for pct in (0, 42, 85)]
        self.assertEqual(progress, expected)
        self.assertEqual(r.status_lines()[-1], "INFO: Ready to print.")

    def test_job_goes_on_without_ppd(self):
        for name, ppd in (("no PPD variable", None), ("PPD file missing", "/nonexistent.ppd")):
            with self.subTest(name):
                r = run_raster_filter(make_raster(), ppd=ppd, options="Duplex=DuplexTumble")
                self.assertEqual(r.returncode, 0, r.stderr)
                self.assertIn(b"@PJL SET DUPLEX=ON\r\n@PJL SET BINDING=SHORTEDGE\r\n", r.stdout)

    def test_empty_stream_has_no_pages(self):
        r = run_raster_filter(make_raster(pages=0))
        self.assertEqual(r.returncode, 1)
        self.assertEqual(r.stdout, b"\x1b%-12345X@PJL EOJ NAME=\"\"\r\n"
                                   b"@PJL RDYMSG DISPLAY=\"\"\r\n\x1b%-12345X")
        self.assertEqual(r.status_lines("PAGE:"), [])
        self.assertEqual(r.status_lines()[-1], "ERROR: No pages found!")

    def test_garbage_input_has_no_pages(self):
        r = run_raster_filter(b"this is not raster data\n" * 10)
        self.assertEqual(r.returncode, 1)
        self.assertEqual(r.status_lines()[-1], "ERROR: No pages found!")

    def test_short_read_ends_the_page_and_the_job_goes_on(self):
        r = run_raster_filter(make_raster(pages=1, height=300, short_rows=10))
        self.assertEqual(r.returncode, 0, r.stderr)
        progress = [l for l in r.status_lines("INFO:") if "Printing page" in l]
        self.assertEqual(progress, ["INFO: Printing page 1, 0% complete..."])

    def test_pages_the_row_paths_cannot_print(self):
        cases = [
            ("16-bit gray", dict(bits=16), "16-bit gray"),
            ("4-bit gray", dict(bits=4), "4-bit gray"),
            ("16-bit colour", dict(bits=16, space="rgb"), "16-bit colour"),
            # libcups' reader refuses an inconsistent header itself: no page at all
            ("bytes per line too small", dict(bits=8, bytes_per_line=10), None),
        ]
        for name, flags, reason in cases:
            with self.subTest(name):
                r = run_raster_filter(make_raster(pages=2, width=64, height=16, **flags))
                self.assertEqual(r.returncode, 1, r.stderr)
                self.assertEqual(r.status_lines("PAGE:"), [])
                if reason:
                    errors = r.status_lines("ERROR: Unsupported raster page 1:")
                    self.assertEqual(len(errors), 1, r.stderr)
                    self.assertIn(reason, errors[0])
                self.assertEqual(r.status_lines()[-1], "ERROR: No pages found!")

    def test_unprintable_later_page_keeps_the_printed_ones(self):
        ras = make_raster(pages=1, height=16) + make_raster(pages=1, height=16, bits=16)[4:]
        r = run_raster_filter(ras)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(len(r.status_lines("ERROR: Unsupported raster page 2:")), 1)
        self.assertEqual(r.status_lines()[-1], "INFO: Ready to print.")


class Signals(unittest.TestCase):
    def start(self, first_bytes):
        env = dict(os.environ, PPD=ppd_path("vm200"),
                   CUPS_SERVER=os.path.join(build_dir(), "no-cupsd.sock"))
        proc = subprocess.Popen(["q", "1", "alice", "t", "1", ""],
                                executable=program("filters/raster/velfilter_pcl"),
                                stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE, env=env)
        out, err = [], []
        readers = [threading.Thread(target=lambda: out.append(proc.stdout.read())),
                   threading.Thread(target=lambda: err.append(proc.stderr.read()))]
        for t in readers:
            t.start()
        proc.stdin.write(first_bytes)
        proc.stdin.flush()
        return proc, out, err, readers

    def finish(self, proc, readers):
        proc.wait(timeout=30)
        for t in readers:
            t.join()
        for f in (proc.stdin, proc.stdout, proc.stderr):
            f.close()

    def test_sigterm_during_a_page_ends_it_and_resets_the_printer(self):
        ras = make_raster(pages=1, width=64, height=2000, pattern="stripes")
        # The header and a few rows; the filter then waits for the rest.
        proc, out, err, readers = self.start(ras[:1800 + 8 * 20])
        time.sleep(1.0)
        proc.send_signal(signal.SIGTERM)
        self.finish(proc, readers)
        self.assertEqual(proc.returncode, 0, err[0])
        stream = out[0]
        self.assertEqual(stream[-2:], b"\x1bE")
        self.assertIn(b"\0" * 600, stream)
        self.assertNotIn(b"EOJ", stream[stream.rfind(b"\0" * 600):])
        self.assertNotIn(b"Ready to print", err[0])

    def test_sigterm_before_the_first_page_has_its_default_action(self):
        proc, out, err, readers = self.start(b"")
        time.sleep(1.0)
        proc.send_signal(signal.SIGTERM)
        self.finish(proc, readers)
        self.assertEqual(proc.returncode, -signal.SIGTERM)
        self.assertEqual(out[0], b"")


if __name__ == "__main__":
    unittest.main()
