#!/usr/bin/env python3
"""Times velfilter_pcl against its peers on the same CUPS rasters.

    python3 bench/raster_bench.py [--pages N] [--runs N] [--build DIR]

Makes multi-page 600 dpi Letter rasters once (1-bit, 8-bit gray and 8-bit RGB,
PackBits requested in the header) from a generated text-and-graphics document
with Ghostscript's cups device, then runs whole processes side by side, each
several times, and prints the median wall time, CPU time, peak memory and
output size:

- velfilter_pcl (ours) with our mono or colour PPD,
- CUPS's rastertohp (1-bit input) with the sample LaserJet PPD made by ppdc,
- cups-filters' rastertopclx (8-bit gray and RGB input) with its DesignJet
  750c PPD made by ppdc,
- a bare libcups read of the raster (the floor).

The machine's other load shows in the wall times, CPU time less so.

Peak memory of ours is also measured on a 2-page raster of the same kind: it
must not grow with the number of pages. Nothing here talks to a CUPS server:
CUPS_SERVER points at a socket that does not exist.
"""

import argparse
import mmap
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(HERE)
CUPS_FILTERS = "/usr/lib/cups/filter"


def document(pages):
    """A PostScript document: a page of text lines, gray boxes and colour bars."""
    out = ["%!PS-Adobe-3.0", "<< /PageSize [612 792] >> setpagedevice"]
    words = ("the quick brown fox jumps over a lazy dog while velmora prints "
             "pages of raster rows ").split()
    for p in range(pages):
        out.append("/Courier findfont 9 scalefont setfont 0 setgray")
        y = 740
        for line in range(70):
            text = " ".join(words[(line * 7 + p + i) % len(words)] for i in range(14))
            out.append(f"40 {y} moveto ({text}) show")
            y -= 10
        for i in range(6):
            gray = i / 6
            out.append(f"{gray:.2f} setgray {60 + 80 * i} 20 60 15 rectfill")
        out.append("1 0 0 setrgbcolor 500 600 60 60 rectfill")
        out.append("0 0.6 1 setrgbcolor 500 500 60 60 rectfill")
        out.append("showpage")
    return "\n".join(out) + "\n"


def make_raster(ps, path, space, bits):
    subprocess.run(["gs", "-q", "-dNOPAUSE", "-dBATCH", "-dSAFER", "-sDEVICE=cups", "-r600",
                    f"-dcupsColorSpace={space}", f"-dcupsBitsPerColor={bits}",
                    "-dcupsCompression=2", f"-sOutputFile={path}", ps], check=True,
                   stderr=subprocess.DEVNULL)


def make_ppd(drv, name, outdir):
    subprocess.run(["ppdc", "-d", outdir, drv], check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)
    path = os.path.join(outdir, name)
    if not os.path.exists(path):
        sys.exit(f"ppdc made no {name} from {drv}")
    return path


def run_once(argv, env, out_path):
    """Wall and CPU seconds (microsecond resolution) and peak resident KB of one
    run. GNU time reports the peak: its own small image does not inflate it."""
    stats = out_path + ".time"
    with open(out_path, "wb") as out:
        start = time.perf_counter()
        proc = subprocess.Popen(["/usr/bin/time", "-o", stats, "-f", "%M"] + argv,
                                stdout=out, stderr=subprocess.DEVNULL, env=env)
        _, status, usage = os.wait4(proc.pid, 0)
        wall = time.perf_counter() - start
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f"{argv[0]} failed with status {os.waitstatus_to_exitcode(status)}")
    rss = int(open(stats).read().split()[-1])
    return wall, usage.ru_utime + usage.ru_stime, rss, os.path.getsize(out_path)


def measure(argv, env, runs, out_path):
    results = [run_once(argv, env, out_path) for _ in range(runs)]
    return {
        "wall": statistics.median(r[0] for r in results),
        "cpu": statistics.median(r[1] for r in results),
        "rss": max(r[2] for r in results),
        "bytes": results[-1][3],
    }


def compression_of(path):
    """The raster compression modes ("\\e*b#M") a printer stream uses."""
    with open(path, "rb") as f:
        data = mmap.mmap(f.fileno(), 0, access=mmap.ACCESS_READ)
    modes = set()
    i = data.find(b"\x1b*b")
    while i >= 0:
        j = i + 3
        while j < len(data) and data[j:j + 1].isdigit():
            j += 1
        if j < len(data) and data[j:j + 1] == b"M" and j > i + 3:
            modes.add(int(data[i + 3:j]))
        i = data.find(b"\x1b*b", i + 3)
    data.close()
    names = {0: "none", 1: "run-length", 2: "PackBits", 3: "delta-row", 5: "adaptive",
             9: "replacement-delta"}
    return ",".join(names.get(m, str(m)) for m in sorted(modes)) or "none"


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--pages", type=int, default=10)
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--build", default=os.environ.get("VELMORA_BUILD_DIR",
                                                      os.path.join(SOURCE, "build")))
    args = ap.parse_args()

    ours = os.path.join(args.build, "filters/raster/velfilter_pcl")
    if not os.path.exists(ours):
        sys.exit(f"build velfilter_pcl first ({ours} is missing)")

    work = tempfile.mkdtemp(prefix="velbench")
    try:
        env = dict(os.environ, CUPS_SERVER=os.path.join(work, "no-server.sock"),
                   VELMORA_DATA_DIR=os.path.join(work, "data"), LC_ALL="C")
        reader = os.path.join(work, "rasterread")
        subprocess.run(["cc", "-O2", "-o", reader, os.path.join(HERE, "rasterread.c"), "-lcups"],
                       check=True)
        ps = os.path.join(work, "doc.ps")
        with open(ps, "w") as f:
            f.write(document(args.pages))
        ps2 = os.path.join(work, "doc2.ps")
        with open(ps2, "w") as f:
            f.write(document(2))

        laserjet = make_ppd("/usr/share/cups/drv/sample.drv", "laserjet.ppd", work)
        designjet = make_ppd("/usr/share/cups/drv/cupsfilters.drv", "dsgnjt750cpcl.ppd", work)
        mono_ppd = os.path.join(args.build, "ppd/vm200.ppd")
        colour_ppd = os.path.join(args.build, "ppd/vc500.ppd")
        for p in (mono_ppd, colour_ppd):
            if not os.path.exists(p):
                sys.exit(f"build the PPDs first ({p} is missing)")

        kinds = [  # name, colour space, bits, peer, peer PPD, our PPD
            ("1-bit", 3, 1, "rastertohp", laserjet, mono_ppd),
            ("8-bit gray", 3, 8, "rastertopclx", designjet, mono_ppd),
            ("8-bit RGB", 1, 8, "rastertopclx", designjet, colour_ppd),
        ]
        print(f"{args.pages} pages of Letter at 600 dpi, median of {args.runs} runs\n")
        print(f"{'input':<11} {'program':<14} {'wall s':>7} {'cpu s':>7} {'peak MB':>8} "
              f"{'out KB':>8}  compression")
        summary = []
        for name, space, bits, peer, peer_ppd, our_ppd in kinds:
            ras = os.path.join(work, f"{bits}-{space}.ras")
            make_raster(ps, ras, space, bits)
            ras2 = os.path.join(work, f"{bits}-{space}-2.ras")
            make_raster(ps2, ras2, space, bits)
            out = os.path.join(work, "out.prn")
            rows = [
                ("velfilter_pcl", [ours, "1", "bench", "bench", "1", "", ras],
                 dict(env, PPD=our_ppd)),
                (peer, [os.path.join(CUPS_FILTERS, peer), "1", "bench", "bench", "1", "", ras],
                 dict(env, PPD=peer_ppd)),
                ("libcups read", [reader, ras], env),
            ]
            figures = {}
            for label, argv, e in rows:
                m = measure(argv, e, args.runs, out)
                figures[label] = m
                comp = compression_of(out) if label != "libcups read" else "-"
                print(f"{name:<11} {label:<14} {m['wall']:7.3f} {m['cpu']:7.3f} "
                      f"{m['rss'] / 1024:8.1f} {m['bytes'] / 1024:8.0f}  {comp}")
            two = measure([ours, "1", "bench", "bench", "1", "", ras2], dict(env, PPD=our_ppd),
                          1, out)
            summary.append((name, figures, peer, two))
        print()
        for name, f, peer, two in summary:
            ours, floor = f["velfilter_pcl"], f["libcups read"]
            print(f"{name}: ours/{peer} {ours['wall'] / f[peer]['wall']:.2f}x wall, "
                  f"{ours['cpu'] / f[peer]['cpu']:.2f}x cpu; ours/libcups read "
                  f"{ours['wall'] / floor['wall']:.2f}x wall, {ours['cpu'] / floor['cpu']:.2f}x cpu; "
                  f"peak memory {two['rss'] / 1024:.1f} MB at 2 pages vs "
                  f"{f['velfilter_pcl']['rss'] / 1024:.1f} MB at {args.pages}")
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
