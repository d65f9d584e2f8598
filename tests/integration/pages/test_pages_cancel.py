"""A job cancelled while its output is stuck in a full pipe: the row being
written is finished before the cancel's 600 zero bytes, so the printer never
sees a cut transfer."""

import fcntl
import os
import re
import signal
import subprocess
import tempfile
import time
import unittest

from cupsd import build_dir, ppd_path, program
from filterrun import make_raster

F_SETPIPE_SZ = 1031


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
        # RGB rows of 90000 bytes into a pipe of one page that nobody reads:
        # the first row's write is left half done when the cancel comes.
        with tempfile.NamedTemporaryFile(suffix=".ras") as ras:
            ras.write(make_raster(pages=1, width=30000, height=40, space="rgb", bits=8,
                                  pattern="random"))
            ras.flush()
            env = dict(os.environ, PPD=ppd_path("vc500"),
                       CUPS_SERVER=os.path.join(build_dir(), "no-cupsd.sock"))
            r, w = os.pipe()
            fcntl.fcntl(w, F_SETPIPE_SZ, 4096)
            proc = subprocess.Popen(["q", "1", "alice", "t", "1", "", ras.name],
                                    executable=program("filters/raster/velfilter_pcl"),
                                    stdout=w, stderr=subprocess.DEVNULL, env=env)
            os.close(w)
            time.sleep(1.5)
            proc.send_signal(signal.SIGTERM)
            with os.fdopen(r, "rb") as out:
                stream = out.read()
            proc.wait(timeout=30)

        self.assertEqual(proc.returncode, 0)
        stop, rows = units_before_zeros(stream)
        self.assertGreater(rows, 0)
        self.assertLess(rows, 40, "the job was cancelled before its last row")
        self.assertEqual(stream[stop:stop + 600], b"\0" * 600,
                         "the cancel bytes do not follow a whole transfer")
        self.assertEqual(stream[stop + 600:], b"\x1b*rC\x0c\x1bE")


if __name__ == "__main__":
    unittest.main()
