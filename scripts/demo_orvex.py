#!/usr/bin/env python3
"""The Orvex part of the demo: print management on a colour queue.

A local HTTPS Orvex server (throwaway certificate), a private system bus with a
stand-in for orvui, and a private cupsd whose filters reach both. Two jobs of
user "demo" with Orvex switched on: one the policy lets through (simplex turned
into long-edge duplex, the driver login in the PJL header), one it refuses
(colour not allowed: no output, the notice on the bus).

scripts/demo.py calls demo_orvex(workdir); run alone after scripts/build.sh.
"""

import os
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "fixtures"))
os.environ.setdefault("VELMORA_SOURCE_DIR", os.path.dirname(HERE))
os.environ.setdefault("VELMORA_BUILD_DIR", os.path.join(os.path.dirname(HERE), "build"))
from cupsd import PrivateCupsd, ppd_path  # noqa: E402
from dbus_bus import NoticeReceiver, PrivateSystemBus  # noqa: E402
from orvex_server import OrvexServer  # noqa: E402

QUEUE = "velmora-orvex"
STORED_PASSWORD = "c223f0524b5a517cb9e6e128020fe99f"  # stored-credential text of "s3cret"


def demo_orvex(pdf, user="demo"):
    """Prints pdf twice under Orvex; True when both jobs ended as the policy says."""
    print("\n== Orvex print management on %s (VC-500), user %s" % (QUEUE, user))
    with PrivateSystemBus() as bus, NoticeReceiver(bus) as rx, OrvexServer() as srv:
        env = {"DBUS_SYSTEM_BUS_ADDRESS": bus.address, "no_proxy": "*"}
        with PrivateCupsd(filter_env=env) as cups:
            cups.add_queue(QUEUE, ppd_path("vc500"))
            cups.write_user_options(user, QUEUE, {
                "ORV_enabled": "ON", "ORV_server": "127.0.0.1", "ORV_port": str(srv.port),
                "ORV_username": user, "ORV_password": STORED_PASSWORD})
            print("   Orvex server https://127.0.0.1:%d, private bus %s" % (srv.port, bus.address))

            srv.answer_policy({"DR.DuplexRestriction": "ON",
                               "DriverAccess.PasswordToken": "demo-token"})
            job = cups.print_file(QUEUE, pdf, user=user, title="allowed",
                                  options={"Duplex": "None", "ColorModel": "Gray"})
            state = cups.wait_job(job)
            out = cups.output(QUEUE)
            print("   policy: duplex only -> job %d %s, %d bytes" % (job, state, len(out)))
            for line in out.split(b"\n"):
                if b"KLOGIN" in line or b"DUPLEX" in line or b"BINDING" in line:
                    text = line[line.find(b"@PJL"):].decode(errors="replace")
                    print("     " + text.replace("\r", "\\r"))
            allowed = state == "completed" and b"BINDING=LONGEDGE" in out

            srv.answer_policy({"JE.FullColorPrint": "ON"})
            job = cups.print_file(QUEUE, pdf, user=user, title="refused",
                                  options={"ColorModel": "RGB"})
            state = cups.wait_job(job)
            # The file device starts each job's output afresh.
            after = cups.output(QUEUE) if os.path.exists(cups.output_path(QUEUE)) else b""
            printed = 0 if after == out else len(after)
            log = [l for l in cups.job_log(job) if l.startswith("ORV settings")]
            print("   policy: no colour -> job %d %s, %d bytes printed; %s"
                  % (job, state, printed, log[-1] if log else "no filter message"))
        notices = rx.wait_for(1)
        print("   notice on the bus for orvui: %r" % notices)
        refused = state != "completed" and printed == 0 and notices == ["\nColor Mode " + user]
    return allowed and refused


if __name__ == "__main__":
    from demo import make_sample_pdf
    with tempfile.TemporaryDirectory() as tmp:
        os.chmod(tmp, 0o755)
        sys.exit(0 if demo_orvex(make_sample_pdf(tmp)) else 1)
