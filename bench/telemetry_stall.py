#!/usr/bin/env python3
"""How long the usage-telemetry step holds up a job, per collector behaviour.

    cmake --build build -j2 --target telemetry_post
    python3 bench/telemetry_stall.py [build-dir]

Prints the wall time of one post (ten hits, one batch) against a collector
that answers, one that never completes the TLS handshake, one that takes the
request and never replies, and a port that refuses connections.
"""

import os
import socket
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "fixtures"))
from usage_collector import UsageCollector  # noqa: E402

BUILD = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "..", "build")
POST = os.path.join(BUILD, "tests", "integration", "telemetry", "telemetry_post")
FIELDS = ["duplex=1", "colour=0", "ecoPrint=0", "pdl=1", "staple=0", "punch=0",
          "jobAccounting=0", "userLogin=0"]


def timed(env_extra):
    env = dict(os.environ)
    env.update(env_extra)
    start = time.monotonic()
    r = subprocess.run([POST, "alice", "Velmora P-4020 MFP", *FIELDS], env=env,
                       capture_output=True, text=True, timeout=120)
    return time.monotonic() - start, r.stderr.strip() or "ok"


def main():
    rows = []
    for mode in ("answer", "silent", "mute"):
        with UsageCollector(mode=mode) as c:
            rows.append((mode,) + timed(c.env()))
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        url = "https://127.0.0.1:%d/batch" % s.getsockname()[1]
        rows.append(("refused",) + timed({"VELMORA_TELEMETRY_ENDPOINT": url}))
    print("%-10s %9s  %s" % ("collector", "seconds", "result"))
    for mode, secs, result in rows:
        print("%-10s %9.3f  %s" % (mode, secs, result))


if __name__ == "__main__":
    main()
