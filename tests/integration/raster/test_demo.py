"""The README demo runs and reports the printer stream it made."""

import os
import subprocess
import sys
import unittest

from cupsd import source_dir


class Demo(unittest.TestCase):
    def test_demo_prints_and_summarizes_the_stream(self):
        r = subprocess.run([sys.executable, os.path.join(source_dir(), "scripts", "demo.py")],
                           capture_output=True, text=True, timeout=600)
        self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
        self.assertIn("Job 1 on velmora-mono: completed", r.stdout)
        self.assertIn('@PJL JOB NAME="Velmora demo"\\n', r.stdout)
        self.assertIn("PAGE: 1 1", r.stdout)
        self.assertRegex(r.stdout, r"velmora-mono +vm200 +job \d+ completed: 2 pages, \d+ bytes, "
                                   r"1-bit rows, PackBits")
        self.assertRegex(r.stdout, r"velmora-colour +vc500 +job \d+ completed: 2 pages, \d+ bytes, "
                                   r"24-bit RGB rows, PackBits")
        self.assertIn("byte-identical to the submitted file (cmp), qpdf --check passes", r.stdout)


if __name__ == "__main__":
    unittest.main()
