#!/usr/bin/env python3
"""The README demo: a private CUPS server with queues of our models, a sample
PDF printed with lp through a raster queue, and a summary of the printer
stream that the driver produced.

    python3 scripts/demo.py [--keep] [--queue NAME]

Nothing touches the machine's own CUPS: the server runs in a temporary
directory on a unix socket, its queues print into files. The printer streams
are copied to out/demo/ in the source tree. --keep leaves the temporary
server directory in place (its path is printed).
"""

import argparse
import os
import shutil
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(HERE)
sys.path.insert(0, os.path.join(SOURCE, "tests", "fixtures"))
os.environ.setdefault("VELMORA_SOURCE_DIR", SOURCE)
os.environ.setdefault("VELMORA_BUILD_DIR", os.path.join(SOURCE, os.environ.get("BUILD_DIR", "build")))

from cupsd import PrivateCupsd, ppd_path  # noqa: E402
from demo_pdf import demo_pdf_queue  # noqa: E402
from demo_orvex import demo_orvex  # noqa: E402
from demo_pages import demo_raster_queues  # noqa: E402

# Demo queues: queue name -> model (the PPD in <build>/ppd/).
DEMO_QUEUES = {
    "velmora-mono": "vm200",
    "velmora-colour": "vc500",
}

# The raster job of the demo: queue, user, title, options.
RASTER_JOB = {
    "queue": "velmora-mono",
    "user": "demo",
    "title": "Velmora demo",
    "options": {"Duplex": "DuplexNoTumble", "JobDate": "false"},
}


def make_sample_pdf(directory, pages=2):
    """Writes a small PDF with Ghostscript and returns its path."""
    path = os.path.join(directory, "sample.pdf")
    ps = []
    for n in range(1, pages + 1):
        ps.append("/Helvetica-Bold findfont 36 scalefont setfont 72 700 moveto "
                  "(Velmora demo page %d) show\n" % n)
        ps.append("0.5 setgray 72 400 moveto 450 0 rlineto 0 200 rlineto -450 0 rlineto "
                  "closepath fill showpage\n")
    subprocess.run(["gs", "-q", "-dSAFER", "-sDEVICE=pdfwrite", "-o", path, "-"],
                   input="".join(ps).encode(), check=True)
    os.chmod(path, 0o644)
    return path


def add_demo_queues(cups):
    """Adds every demo queue; returns {queue: model}."""
    for queue, model in DEMO_QUEUES.items():
        cups.add_queue(queue, ppd_path(model))
    return dict(DEMO_QUEUES)


def print_job(cups, path, queue, user, title, options):
    """Prints with lp, waits for the job; returns (job id, final state)."""
    job = cups.print_file(queue, path, user=user, title=title, options=options)
    return job, cups.wait_job(job)


def save_stream(cups, queue, out_dir):
    """Copies the queue's printer stream to out_dir; returns its path."""
    os.makedirs(out_dir, exist_ok=True)
    dst = os.path.join(out_dir, queue + ".prn")
    shutil.copy(cups.output_path(queue), dst)
    return dst


def visible(line):
    """A line of the stream with ESC and the line end made visible."""
    text = line.decode("utf-8", errors="replace").replace("\x1b", "<ESC>")
    return text.replace("\r", "\\r").replace("\n", "\\n")


def pjl_lines(stream):
    """The PJL lines of a printer stream (with their line ends)."""
    lines = []
    for piece in stream.split(b"\n"):
        at = piece.find(b"@PJL")
        if at >= 0:
            lines.append(piece[at:] + b"\n")
    return lines


def filter_status_lines(cups, job):
    """The raster filter's status lines for the job, as cupsd logged them."""
    keep = ("PAGE:", "Ready to print", "No pages found", "Unsupported raster page",
            "PPD device flags", "Starting velfilter")
    return [l for l in cups.job_log(job) if l.startswith(keep) or "velfilter" in l and "exited" in l]


def summarize(path, stream, status):
    print("Printer stream: %s (%d bytes)" % (path, len(stream)))
    print("PJL lines (line ends shown):")
    for line in pjl_lines(stream):
        print("  " + visible(line))
    print("Filter status lines (cupsd error_log):")
    for line in status:
        print("  " + line)


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--keep", action="store_true", help="keep the private server's directory")
    parser.add_argument("--queue", default=RASTER_JOB["queue"], help="raster queue to print on")
    args = parser.parse_args(argv)
    if args.keep:
        os.environ["VELMORA_KEEP_CUPSD"] = "1"

    out_dir = os.path.join(SOURCE, "out", "demo")
    with PrivateCupsd() as cups:
        print("Private CUPS server in %s (socket %s)" % (cups.root, cups.socket))
        for queue, model in add_demo_queues(cups).items():
            print("  queue %-16s model %s" % (queue, model))
        pdf = make_sample_pdf(cups.root)
        job, state = print_job(cups, pdf, args.queue, RASTER_JOB["user"], RASTER_JOB["title"],
                               RASTER_JOB["options"])
        print("Job %d on %s: %s" % (job, args.queue, state))
        path = save_stream(cups, args.queue, out_dir)
        with open(path, "rb") as f:
            summarize(path, f.read(), filter_status_lines(cups, job))
        raster_ok = demo_raster_queues(cups, pdf, DEMO_QUEUES)
        pdf_ok = demo_pdf_queue(cups, cups.root)
        orvex_ok = demo_orvex(pdf)
        return 0 if state == "completed" and raster_ok and pdf_ok and orvex_ok else 1


if __name__ == "__main__":
    sys.exit(main())
