#!/usr/bin/env python3
"""What selecting a printer costs jobdeck: PPD open, model build and one mark of all defaults.

    cmake --build build -j2 --target jobdeck_model_bench
    python3 bench/jobdeck_model.py [build-dir] [ppd]

Runs on the largest PPD of ppd/ (or the one given) and on synthetic PPDs 2, 5 and 10 times its
size (every option and constraint repeated under new keywords), printing medians per file and the
build time per constraint pair, which stays flat when the build grows linearly.
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
        out = subprocess.run([BENCH, "-n", "15", *files], capture_output=True, text=True,
                             check=True).stdout
    print(out, end="")
    print("\nbuild+mark microseconds per constraint pair:")
    for line in out.splitlines()[1:]:
        cols = line.split()
        pairs, build = int(cols[2]), float(cols[4])
        print("  %-40s %8.2f" % (cols[0], 1000.0 * build / max(pairs, 1)))
    print("targets: largest PPD under 20 ms, ten times larger under 200 ms")


if __name__ == "__main__":
    main()
