#!/usr/bin/env python3
"""velfilter_pdf against cat on the same PDF: time and peak memory.

    cmake --build build -j2 --target velfilter_pdf ppds
    python3 bench/pdf_passthrough.py [build-dir] [size-MB]

Writes a PDF of the given size (default 100 MB) and runs `cat` and the filter
on it alternately, best of five each, once with the output going to
/dev/null and once through a pipe that a reader drains. Prints the wall
times, their ratio, and the peak resident memory of the filter for PDFs of
10 MB and of the full size: equal figures mean memory does not grow with the
PDF.
"""

import os
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
FIXTURES = os.path.join(HERE, "..", "tests", "fixtures")

BUILD = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "..", "build")
SIZE_MB = int(sys.argv[2]) if len(sys.argv) > 2 else 100
FILTER = os.path.join(BUILD, "filters", "pdf", "velfilter_pdf")
PPD = os.path.join(BUILD, "ppd", "vp900.ppd")
RUNS = 5


def run_once(argv, executable, env, sink):
    """Wall seconds of one run."""
    start = time.monotonic()
    if sink == "null":
        with open(os.devnull, "wb") as out:
            p = subprocess.Popen(argv, executable=executable, env=env, stdout=out,
                                 stderr=subprocess.DEVNULL)
        status = p.wait()
    else:
        # A reader process drains the pipe, as the backend does under CUPS.
        p = subprocess.Popen(argv, executable=executable, env=env, stdout=subprocess.PIPE,
                             stderr=subprocess.DEVNULL)
        reader = subprocess.Popen(["cat"], stdin=p.stdout, stdout=subprocess.DEVNULL)
        p.stdout.close()
        status = p.wait()
        reader.wait()
    elapsed = time.monotonic() - start
    if status != 0:
        sys.exit("%s failed with status %d" % (argv[0], status))
    return elapsed


def main():
    if not os.path.exists(FILTER):
        sys.exit("build velfilter_pdf first: " + FILTER)
    env = dict(os.environ, PPD=PPD, VELMORA_DATA_DIR=tempfile.gettempdir() + "/velbench-none",
               CUPS_SERVER="/nonexistent.sock")
    with tempfile.TemporaryDirectory(prefix="velbench-") as tmp:
        paths = {}
        for mb in sorted({10, SIZE_MB}):
            paths[mb] = os.path.join(tmp, "%d.pdf" % mb)
            subprocess.run([sys.executable, os.path.join(FIXTURES, "pdfmaker.py"), paths[mb],
                            str(mb << 20)], check=True)
        big = paths[SIZE_MB]
        filter_argv = ["bench", "1", "alice", "bench", "1", "", big]

        print("PDF of %d MB, best of %d runs" % (SIZE_MB, RUNS))
        print("%-10s %10s %10s %7s" % ("output", "cat", "filter", "ratio"))
        for sink in ("null", "pipe"):
            cat_t, filt_t = [], []
            for _ in range(RUNS):
                cat_t.append(run_once(["cat", big], "cat", env, sink))
                filt_t.append(run_once(filter_argv, FILTER, env, sink))
            c, f = min(cat_t), min(filt_t)
            print("%-10s %9.3fs %9.3fs %6.2fx" % (sink, c, f, f / c))

        # GNU time forks the filter from a small process, so the figure is
        # the filter's own and not inherited from this script.
        print("\npeak resident memory of the filter")
        for mb, path in sorted(paths.items()):
            r = subprocess.run(["/usr/bin/time", "-f", "%M", "-o", os.path.join(tmp, "rss"),
                                FILTER, "1", "alice", "bench", "1", "", path], env=env,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
            with open(os.path.join(tmp, "rss")) as f:
                print("%5d MB PDF: %6s KiB" % (mb, f.read().strip()))


if __name__ == "__main__":
    main()
