"""Usage telemetry from real jobs through a private cupsd: the events a
consenting user's job sends to a local HTTPS collector, that without consent
no connection is made at all, and that telemetry never changes a job's
output or its end."""

import os
import tempfile
import unittest

from cupsd import PrivateCupsd, ppd_path
from filterrun import make_raster
from usage_collector import UsageCollector

TID = os.environ.get("VELMORA_TELEMETRY_PROPERTY_ID")
USER = "alice"

CONSENT = "Telemetry=True\n"
# Settings that must not count as consent.
NO_CONSENT = [
    ("no settings file", None),
    ("explicit refusal", "Telemetry=False\n"),
    ("value in lower case", "Telemetry=true\n"),
    ("last line without its line feed", "Telemetry=True"),
    ("consent withdrawn on a later line", "Telemetry=True\nTelemetry=False\n"),
]


def preferences(*labels):
    return [("Preferences", label) for label in labels]


class CupsWithCollector:
    """A private cupsd whose filters post to a collector of the given mode."""

    def __init__(self, mode="answer"):
        self.collector = UsageCollector(tid=TID, mode=mode)
        try:
            self.cups = PrivateCupsd(filter_env=self.collector.env())
            self.cups.start()
        except Exception:
            self.collector.stop()
            raise

    def stop(self):
        self.cups.stop()
        self.collector.stop()

    def set_consent(self, text):
        path = os.path.join(self.cups.data_dir, USER, "Settings")
        if text is None:
            if os.path.exists(path):
                os.remove(path)
        else:
            self.cups.write_settings(USER, text)

    def print_job(self, queue, path, options, settings, user_options=None):
        """Prints path with the given Settings text; returns (output, events,
        connections, job id) of that job alone. The job must complete."""
        self.set_consent(settings)
        self.cups.write_user_options(USER, queue, user_options or {})
        before = self.collector.connections
        seen = len(self.collector.events())
        job = self.cups.print_file(queue, path, user=USER, title="usage", options=options)
        state = self.cups.wait_job(job)
        if state != "completed":
            raise AssertionError("job %d %s:\n%s" % (job, state,
                                                      "\n".join(self.cups.job_log(job))))
        with self.collector.lock:
            connections = self.collector.connections - before
        return self.cups.output(queue), self.collector.events()[seen:], connections, job


class RasterJobs(unittest.TestCase):
    MODEL = "Velmora VC-500"
    # No date in the job name, so that outputs of different jobs compare.
    LONG_EDGE_COLOUR = {"Duplex": "DuplexNoTumble", "ColorModel": "RGB", "Ecop": "Off",
                        "Stpl": "None", "Pnch": "None", "JobDate": "false"}

    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        os.chmod(cls.tmp.name, 0o755)
        cls.raster = os.path.join(cls.tmp.name, "page.ras")
        with open(cls.raster, "wb") as f:
            f.write(make_raster(pages=2, space="rgb", bits=8, width=96, height=64,
                                pattern="ramp"))
        os.chmod(cls.raster, 0o644)
        cls.env = CupsWithCollector()
        cls.env.cups.add_queue("colour", ppd_path("vc500"))
        # Without consent: the reference output of every job below.
        cls.reference, events, connections, _ = cls.env.print_job(
            "colour", cls.raster, cls.LONG_EDGE_COLOUR, None)
        if events or connections or not cls.reference:
            raise AssertionError("reference job: %d connections, %d output bytes"
                                 % (connections, len(cls.reference)))

    @classmethod
    def tearDownClass(cls):
        cls.env.stop()
        cls.tmp.cleanup()

    def test_consenting_jobs_send_their_ten_events(self):
        cases = [
            ("long edge, colour, no finishing, accounting or login",
             self.LONG_EDGE_COLOUR, {},
             preferences("Duplex:TWOSIDEDLONGEDGE", "ColorMode:COLOR", "EcoPrint:OFF",
                         "PDL:PJL", "Staple:OFF", "Punch:OFF", "JobAccounting:OFF",
                         "UserLogin:OFF")),
            ("short edge, grey, finishing, accounting and login from the per-user file",
             {"Duplex": "DuplexTumble", "ColorModel": "Gray", "Ecop": "On", "Stpl": "Front",
              "Pnch": "2Hole"},
             {"CustomAccountID": "4711", "UserLoginName": "00ff"},
             preferences("Duplex:TWOSIDEDSHORTEDGE", "ColorMode:MONOCHROME", "EcoPrint:ON",
                         "PDL:PJL", "Staple:ON", "Punch:ON", "JobAccounting:ON",
                         "UserLogin:ON")),
        ]
        for name, options, user_options, labels in cases:
            with self.subTest(name):
                _, events, connections, _ = self.env.print_job(
                    "colour", self.raster, options, CONSENT, user_options)
                self.assertEqual(self.env.collector.errors, [])
                self.assertEqual(connections, 1)
                self.assertEqual(events, [("Driver", self.MODEL), ("OS", "Linux - Unknown")]
                                 + labels)

    def test_telemetry_leaves_the_output_alone(self):
        output, events, _, _ = self.env.print_job("colour", self.raster,
                                                  self.LONG_EDGE_COLOUR, CONSENT)
        self.assertEqual(len(events), 10)
        self.assertEqual(output, self.reference)

    def test_without_consent_no_connection_is_made(self):
        for name, settings in NO_CONSENT:
            with self.subTest(name):
                output, events, connections, _ = self.env.print_job(
                    "colour", self.raster, self.LONG_EDGE_COLOUR, settings)
                self.assertEqual(connections, 0)
                self.assertEqual(events, [])
                self.assertEqual(output, self.reference)


class StalledCollector(unittest.TestCase):
    """A collector that takes the request and never replies delays a
    consenting user's job by the step's bound, and the job prints as usual."""

    def test_job_prints_unchanged(self):
        tmp = tempfile.TemporaryDirectory()
        self.addCleanup(tmp.cleanup)
        os.chmod(tmp.name, 0o755)
        raster = os.path.join(tmp.name, "page.ras")
        with open(raster, "wb") as f:
            f.write(make_raster(pages=1, space="rgb", bits=8))
        os.chmod(raster, 0o644)
        env = CupsWithCollector(mode="mute")
        self.addCleanup(env.stop)
        env.cups.add_queue("colour", ppd_path("vc500"))
        options = RasterJobs.LONG_EDGE_COLOUR
        reference, _, _, _ = env.print_job("colour", raster, options, None)
        output, _, connections, job = env.print_job("colour", raster, options, CONSENT)
        self.assertEqual(connections, 1)
        self.assertEqual(output, reference)
        self.assertIn("curl_easy_perform() failed: Timeout was reached",
                      env.cups.job_log(job))


if __name__ == "__main__":
    unittest.main()
