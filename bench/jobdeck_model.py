#!/usr/bin/env python3
"""What selecting a printer costs jobdeck: PPD open, model build and one mark of all defaults.

    cmake --build build -j2 --target jobdeck_model_bench
    python3 bench/jobdeck_model.py [build-dir] [ppd]

Runs on the largest PPD of ppd/ (or the one given), on synthetic PPDs 2, 5 and 10 times its size
(every option and constraint repeated under new keywords), and on PPDs where one choice has 500 to
5000 partners (the case that turns quadratic if partner lists are searched linearly). Prints
medians per file and the build time per option and per constraint pair, which stay flat when the
build grows linearly.
"""

import glob
import os
import re
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.join(HERE, "..")
BUILD = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build")
BENCH = os.path.join(BUILD, "tests", "unit", "jobdeck_model", "jobdeck_model_bench")


def find_ppds():
    found = glob.glob(os.path.join(BUILD, "ppd", "**", "*.ppd"), recursive=True)
    found += glob.glob(os.path.join(ROOT, "ppd", "**", "*.ppd"), recursive=True)
    found += glob.glob(os.path.join(ROOT, "tests", "unit", "jobdeck_model", "fixtures", "*.ppd"))
    return found


def scaled(text, copies):
    """The PPD with its options and constraints repeated `copies` times in all."""
    blocks = re.findall(r"^\*OpenUI \*.*?^\*CloseUI: \*\S+\n", text, re.S | re.M)
    keywords = [re.match(r"\*OpenUI \*([^/:\s]+)", b).group(1) for b in blocks]
    consts = re.findall(r"^\*(?:UIConstraints|cupsUIConstraints)[^\n]*\n", text, re.M)
    extra = []
    for n in range(1, copies):
        def rename(s):
            for k in sorted(keywords, key=len, reverse=True):
                s = re.sub(r"(\*(?:Default)?)%s\b" % re.escape(k), r"\g<1>%sX%d" % (k, n), s)
                s = re.sub(r"^\*OpenUI \*%sX%d" % (re.escape(k), n), "*OpenUI *%sX%d" % (k, n), s,
                           flags=re.M)
            return s
        extra.append("*OpenGroup: Copy%d/Copy %d\n" % (n, n))
        extra += [rename(b) for b in blocks]
        extra.append("*CloseGroup: Copy%d\n" % n)
        extra += [re.sub(r"^(\*cupsUIConstraints) (\S+):", r"\1 \2x%d:" % n, rename(c))
                  for c in consts]
    return text + "".join(extra)


def dense(text, partners):
    """The PPD plus one option whose every choice is constrained against the same choice."""
    lines = ["*OpenGroup: Dense/Dense\n", "*OpenUI *Dense/Dense: PickOne\n",
             "*DefaultDense: C0\n"]
    lines += ["*Dense C%d/Choice %d: \"\"\n" % (i, i) for i in range(partners)]
    lines += ["*CloseUI: *Dense\n", "*CloseGroup: Dense\n"]
    lines += ["*UIConstraints: *Dense C%d *Duplex DuplexTumble\n" % i for i in range(partners)]
    return text + "".join(lines)


def main():
    if not os.access(BENCH, os.X_OK):
        sys.exit("build the jobdeck_model_bench target first: " + BENCH)
    ppds = [sys.argv[2]] if len(sys.argv) > 2 else find_ppds()
    if not ppds:
        sys.exit("no PPD found")
    largest = max(ppds, key=os.path.getsize)
    with open(largest, encoding="latin-1") as f:
        text = f.read()
    with tempfile.TemporaryDirectory() as tmp:
        files = [largest]
        for copies in (2, 5, 10):
            path = os.path.join(tmp, "%s-x%d.ppd" % (os.path.basename(largest)[:-4], copies))
            with open(path, "w", encoding="latin-1") as f:
                f.write(scaled(text, copies))
            files.append(path)
        for partners in (500, 1000, 2000, 5000):
            path = os.path.join(tmp, "dense-%d.ppd" % partners)
            with open(path, "w", encoding="latin-1") as f:
                f.write(dense(text, partners))
            files.append(path)
        out = subprocess.run([BENCH, "-n", "15", *files], capture_output=True, text=True,
                             check=True).stdout
    print(out, end="")
    print("\nbuild+mark microseconds %-22s %10s %10s" % ("", "per option", "per pair"))
    for line in out.splitlines()[1:]:
        cols = line.split()
        options, pairs, build = int(cols[1]), int(cols[2]), float(cols[4])
        print("  %-40s %10.2f %10.2f" % (cols[0], 1000.0 * build / max(options, 1),
                                         1000.0 * build / max(pairs, 1)))
    print("targets: largest PPD under 20 ms, ten times larger under 200 ms")


if __name__ == "__main__":
    main()
