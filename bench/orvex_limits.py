#!/usr/bin/env python3
"""What a misbehaving Orvex server costs one raster job.

    cmake --build build -j2 --target velfilter_pcl makeraster velmora_notice_receiver
    python3 bench/orvex_limits.py [build-dir]

Runs velfilter_pcl with Orvex switched on against a local HTTPS server that
answers a policy, sends a 64 MiB reply, never answers, or is not there, and
prints per case the wall time, the filter's peak resident memory and its exit
status with the notice that orvui received.
"""

import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
BUILD = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "..", "build"))
os.environ.setdefault("VELMORA_BUILD_DIR", BUILD)
os.environ.setdefault("VELMORA_SOURCE_DIR", os.path.join(HERE, ".."))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "fixtures"))
from cupsd import ppd_path, program, write_user_options  # noqa: E402
from dbus_bus import NoticeReceiver, PrivateSystemBus  # noqa: E402
from filterrun import make_raster  # noqa: E402
from orvex_server import OrvexServer  # noqa: E402

STORED_SECRET = "c223f0524b5a517cb9e6e128020fe99f"  # "s3cret"


def run(raster, data, port, bus):
    write_user_options(data, "alice", "queue", {
        "ORV_enabled": "ON", "ORV_server": "127.0.0.1", "ORV_port": str(port),
        "ORV_username": "alice", "ORV_password": STORED_SECRET})
    env = bus.env()
    env.update({"no_proxy": "*", "VELMORA_DATA_DIR": data, "PPD": ppd_path("vc500"),
                "CUPS_SERVER": os.path.join(data, "no-cupsd.sock")})
    start = time.monotonic()
    proc = subprocess.Popen(["queue", "1", "alice", "t", "1", ""],
                            executable=program("filters/raster/velfilter_pcl"),
                            stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, env=env)
    proc.stdin.write(raster)
    proc.stdin.close()
    proc.stdout.read()
    proc.stderr.read()
    # wait4 gives this child's own peak memory.
    _, status, usage = os.wait4(proc.pid, 0)
    wall = time.monotonic() - start
    proc.returncode = os.waitstatus_to_exitcode(status)
    proc.stdout.close()
    proc.stderr.close()
    return wall, usage.ru_maxrss, proc.returncode


def main():
    raster = make_raster(pages=1, height=64)
    data = tempfile.mkdtemp(prefix="velorvexbench")
    rows = []
    try:
        with PrivateSystemBus() as bus, NoticeReceiver(bus) as rx:
            for name, setup in (("policy answered", lambda s: s.answer_policy({})),
                                ("64 MiB reply", lambda s: s.answer_huge(64 << 20)),
                                ("never answers", lambda s: s.never_answer())):
                with OrvexServer() as srv:
                    setup(srv)
                    rows.append((name,) + run(raster, data, srv.port, bus))
            s = socket.socket()
            s.bind(("127.0.0.1", 0))
            rows.append(("nothing listening",) + run(raster, data, s.getsockname()[1], bus))
            s.close()
            notices = rx.wait_for(3)
    finally:
        shutil.rmtree(data, ignore_errors=True)
    print("%-20s %9s %14s %6s" % ("server", "wall s", "peak RSS KiB", "exit"))
    for name, wall, peak, rc in rows:
        print("%-20s %9.2f %14d %6d" % (name, wall, peak, rc))
    print("notices:", [n.replace("\n", "\\n") for n in notices])


if __name__ == "__main__":
    main()
