"""A PDF printed with lp through a private cupsd: the printer stream decodes to
the very raster CUPS rendered for our filter (kept by a pass-through filter)."""

import os
import subprocess
import tempfile
import unittest

import cupsd
from cupsd import PrivateCupsd, build_dir, ppd_path
from filterrun import make_raster

HERE = os.path.dirname(os.path.abspath(__file__))


def sample_pdf(path):
    """One page of text, gray steps and colour boxes."""
    ps = ["/Helvetica findfont 14 scalefont setfont"]
    for i in range(30):
        ps.append("72 %d moveto (Line %d of a page that Velmora prints) show" % (720 - 18 * i, i))
    for i in range(8):
        ps.append("%.3f setgray %d 100 50 50 rectfill" % (i / 7, 72 + 56 * i))
    ps.append("1 0 0 setrgbcolor 400 600 80 80 rectfill 0 0.5 1 setrgbcolor 400 480 80 80 rectfill")
    ps.append("showpage")
    subprocess.run(["gs", "-q", "-dSAFER", "-sDEVICE=pdfwrite", "-o", path, "-"],
                   input="\n".join(ps).encode(), check=True)
    return path


class PagesThroughCups(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        os.chmod(cls.tmp.name, 0o755)
        cls.pdf = sample_pdf(os.path.join(cls.tmp.name, "sample.pdf"))
        filters = dict(cupsd.FILTERS)
        filters[os.path.join(HERE, "tee_filter.py")] = ["veltee_G"]
        cls.cups = PrivateCupsd(filters=filters)
        cls.cups.start()
        cls.capture_dir = os.path.join(cls.cups.root, "capture")
        os.mkdir(cls.capture_dir)
        os.chmod(cls.capture_dir, 0o1777)  # the filters run as lp under a root cupsd
        for queue, model in (("mono", "vm200"), ("colour", "vc500")):
            with open(ppd_path(model)) as f:
                text = f.read().replace("velfilter_ras_G", "veltee_G")
            ppd = os.path.join(cls.tmp.name, queue + ".ppd")
            with open(ppd, "w") as f:
                f.write(text)
            cls.cups.add_queue(queue, ppd)

    @classmethod
    def tearDownClass(cls):
        cls.cups.stop()
        cls.tmp.cleanup()

    def print_and_compare(self, queue, options, expect, document=None):
        job = self.cups.print_file(queue, document or self.pdf, user="alice", options=options)
        self.assertEqual(self.cups.wait_job(job), "completed", "\n".join(self.cups.job_log(job)))
        capture = os.path.join(self.capture_dir, "capture-%d.ras" % job)
        stream = os.path.join(self.tmp.name, "out-%d.prn" % job)
        data = self.cups.output(queue)
        with open(stream, "wb") as f:
            f.write(data)
        self.assertIn(b"\x1b*b2M", data, "the queue's PPD asks for PackBits rows")
        tool = os.path.join(build_dir(), "tests/integration/pages/pclcompare")
        r = subprocess.run([tool, capture, stream], capture_output=True, text=True)
        self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
        self.assertIn(expect, r.stdout)
        return r.stdout

    def test_monochrome_1_bit_and_2_bit_rasters_are_exact(self):
        # Our PPDs render 8-bit pages; 1- and 2-bit pages reach the filter as raster documents.
        for bits in (1, 2):
            path = os.path.join(self.tmp.name, "page%d.ras" % bits)
            with open(path, "wb") as f:
                f.write(make_raster(pages=2, bits=bits, width=1203, height=700, pattern="random",
                                    compression=2))
            os.chmod(path, 0o644)
            self.print_and_compare("mono", {"document-format": "application/vnd.cups-raster"},
                                   "%d-bit exact" % bits, document=path)

    def test_monochrome_8_bit_page_is_diffused_to_its_ink(self):
        self.print_and_compare("mono", {}, "8-bit ink")

    def test_colour_page_is_exact(self):
        self.print_and_compare("colour", {"ColorModel": "RGB", "print-color-mode": "color"},
                               "RGB exact")


if __name__ == "__main__":
    unittest.main()
