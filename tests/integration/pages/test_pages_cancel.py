"""A job cancelled while its output is stuck in a full pipe: the row being
written is finished before the cancel's 600 zero bytes, so the printer never
sees a cut transfer."""

import os
import re
import signal
import subprocess
import threading
import time
import unittest

from cupsd import build_dir, ppd_path, program
from filterrun import make_raster


def units_before_zeros(stream):
    """Walks the raster transfers from the start of raster graphics; returns
    (offset where the walk stopped, transfers walked)."""
    at = stream.index(b"\x1b*r1A") + 5
    count = 0
    command = re.compile(rb"\x1b\*b(\d+)([MYWV])")
    while True:
        m = command.match(stream, at)
        if not m:
            return at, count
        at = m.end()
        if m.group(2) in b"WV":
            at += int(m.group(1))
            count += 1


class CancelMidRow(unittest.TestCase):
    def test_cancel_waits_for_the_row_in_flight(self):
        # Wide rows of random bits: a few rows fill the pipe.
        ras = make_raster(pages=1, width=40000, height=400, pattern="random")
        env = dict(os.environ, PPD=ppd_path("vm200"),
                   CUPS_SERVER=os.path.join(build_dir(), "no-cupsd.sock"))
        proc = subprocess.Popen(["q", "1", "alice", "t", "1", ""],
                                executable=program("filters/raster/velfilter_pcl"),
                                stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                stderr=subprocess.DEVNULL, env=env)

        def feed():
            try:
                proc.stdin.write(ras)
                proc.stdin.close()
            except BrokenPipeError:
                pass

        feeder = threading.Thread(target=feed)
        feeder.start()
        time.sleep(1.5)  # nobody reads: the filter is blocked inside a row's write
        proc.send_signal(signal.SIGTERM)
        stream = proc.stdout.read()
        proc.wait(timeout=30)
        feeder.join()
        proc.stdout.close()

        self.assertEqual(proc.returncode, 0)
        stop, rows = units_before_zeros(stream)
        self.assertGreater(rows, 0)
        self.assertLess(rows, 400, "the job was cancelled before its last row")
        self.assertEqual(stream[stop:stop + 600], b"\0" * 600,
                         "the cancel bytes do not follow a whole transfer")
        self.assertEqual(stream[stop + 600:], b"\x1b*rC\x0c\x1bE")


if __name__ == "__main__":
    unittest.main()
