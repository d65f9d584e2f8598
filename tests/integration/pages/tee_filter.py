#!/usr/bin/env python3
"""A filter for tests: keeps a copy of the raster CUPS rendered (capture-<job>.ras
in the capture/ folder beside the private cupsd's spool) and hands it to
velfilter_pcl, installed beside it."""
import os
import sys

root = os.path.dirname(os.environ["CUPS_REQUESTROOT"])
capture = os.path.join(root, "capture", "capture-%s.ras" % sys.argv[1])
with open(capture, "wb") as out:
    src = open(sys.argv[6], "rb") if len(sys.argv) > 6 else sys.stdin.buffer
    while True:
        chunk = src.read(1 << 20)
        if not chunk:
            break
        out.write(chunk)
ours = os.path.join(os.path.dirname(os.path.abspath(__file__)), "velfilter_ras_G")
os.execv(ours, sys.argv[:6] + [capture])
