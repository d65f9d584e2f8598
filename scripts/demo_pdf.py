#!/usr/bin/env python3
"""The PDF part of the demo: a PDF-direct queue, one job, and its summary.

scripts/demo.py calls demo_pdf_queue(cups, workdir) with its private cupsd;
run alone (after scripts/build.sh), this starts a private cupsd of its own.
"""

import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "fixtures"))
from cupsd import PrivateCupsd, ppd_path  # noqa: E402
from pdfmaker import make_pdf  # noqa: E402

ENTER = b"@PJL ENTER LANGUAGE=PDF\n"
TRAILER = b"\x1b%-12345X@PJL\n@PJL EOJ\n\x1b%-12345X"


def demo_pdf_queue(cups, workdir, user="alice"):
    """Prints a PDF on a VP-900 queue; shows the PJL header and checks the PDF came through."""
    queue = "velmora-vp900"
    pdf = os.path.join(workdir, "brochure.pdf")
    with open(pdf, "wb") as f:
        f.write(make_pdf(pages=4, text="Velmora PDF demo"))
    cups.add_queue(queue, ppd_path("vp900"))
    cups.write_user_options(user, queue, "CustomJobName=Spring brochure\n")
    job = cups.print_file(queue, pdf, user=user, title="brochure.pdf",
                          options={"number-up": "2", "Duplex": "DuplexNoTumble",
                                   "Stpl": "Front", "PageSize": "A4"})
    state = cups.wait_job(job)
    out = cups.output(queue)

    print("\n== PDF queue %s (VP-900, velfilter_pdf): job %d %s" % (queue, job, state))
    if ENTER not in out or TRAILER not in out:
        print("   no PJL-wrapped PDF in the printer stream (%d bytes)" % len(out))
        return False
    start = out.index(ENTER) + len(ENTER)
    end = out.rindex(TRAILER)
    print("   PJL header:")
    for line in out[:start].decode(errors="replace").splitlines():
        print("     " + line.replace("\x1b", "<ESC>"))
    body = os.path.join(workdir, "brochure-printed.pdf")
    with open(body, "wb") as f:
        f.write(out[start:end])
    same = subprocess.run(["cmp", "-s", pdf, body]).returncode == 0
    valid = subprocess.run(["qpdf", "--check", body], stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL).returncode == 0
    print("   PDF between header and trailer: %d bytes, %s the submitted file (cmp), %s"
          % (end - start, "byte-identical to" if same else "DIFFERENT from",
             "qpdf --check passes" if valid else "qpdf --check FAILS"))
    return state == "completed" and same and valid


if __name__ == "__main__":
    with tempfile.TemporaryDirectory(prefix="velpdfdemo-") as tmp, PrivateCupsd() as cups:
        os.chmod(tmp, 0o755)
        sys.exit(0 if demo_pdf_queue(cups, tmp) else 1)
