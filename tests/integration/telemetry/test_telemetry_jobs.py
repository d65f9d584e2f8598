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


def write_input(directory, name, data):
    path = os.path.join(directory, name)
    with open(path, "wb") as f:
        f.write(data)
    os.chmod(path, 0o644)  # cupsd's filters run as lp
    return path


# A PDF that the PDF filter passes through; it never looks inside.
SMALL_PDF = (b"%PDF-1.4\n1 0 obj<</Type/Catalog/Pages 2 0 R>>endobj\n"
             b"2 0 obj<</Type/Pages/Kids[3 0 R]/Count 1>>endobj\n"
             b"3 0 obj<</Type/Page/Parent 2 0 R/MediaBox[0 0 595 842]>>endobj\n"
             b"trailer<</Root 1 0 R>>\n%%EOF\n")


class Raster:
    QUEUE, PPD, MODEL = "colour", "vc500", "Velmora VC-500"
    # No date in the job name, so that outputs of different jobs compare.
    OPTIONS = {"Duplex": "DuplexNoTumble", "ColorModel": "RGB", "Ecop": "Off",
               "Stpl": "None", "Pnch": "None", "JobDate": "false"}
    CASES = [
        ("long edge, colour, no finishing, accounting or login", OPTIONS, {},
         preferences("Duplex:TWOSIDEDLONGEDGE", "ColorMode:COLOR", "EcoPrint:OFF", "PDL:PJL",
                     "Staple:OFF", "Punch:OFF", "JobAccounting:OFF", "UserLogin:OFF")),
        ("short edge, grey, finishing, accounting and login from the per-user file",
         {"Duplex": "DuplexTumble", "ColorModel": "Gray", "Ecop": "On", "Stpl": "Front",
          "Pnch": "2Hole"},
         {"CustomAccountID": "4711", "UserLoginName": "00ff"},
         preferences("Duplex:TWOSIDEDSHORTEDGE", "ColorMode:MONOCHROME", "EcoPrint:ON",
                     "PDL:PJL", "Staple:ON", "Punch:ON", "JobAccounting:ON", "UserLogin:ON")),
    ]

    @staticmethod
    def make_input(directory):
        return write_input(directory, "page.ras", make_raster(
            pages=2, space="rgb", bits=8, width=96, height=64, pattern="ramp"))


class Pdf:
    QUEUE, PPD, MODEL = "direct", "vp900", "Velmora VP-900"
    OPTIONS = {"Duplex": "DuplexTumble", "ColorModel": "CMYK", "Stpl": "Front",
               "Pnch": "None", "JobDate": "False"}
    CASES = [
        # The job's duplex code 1 is short edge; the record counts long edge as 1.
        ("short edge, colour, stapled", OPTIONS, {},
         preferences("Duplex:TWOSIDEDSHORTEDGE", "ColorMode:COLOR", "EcoPrint:OFF", "PDL:PDF",
                     "Staple:ON", "Punch:OFF", "JobAccounting:OFF", "UserLogin:OFF")),
        ("long edge, grey, punched, accounting from the per-user file",
         {"Duplex": "DuplexNoTumble", "ColorModel": "Gray", "Stpl": "None",
          "Pnch": "2HolePDF"},
         {"CustomAccountID": "4711"},
         preferences("Duplex:TWOSIDEDLONGEDGE", "ColorMode:MONOCHROME", "EcoPrint:OFF",
                     "PDL:PDF", "Staple:OFF", "Punch:ON", "JobAccounting:ON",
                     "UserLogin:OFF")),
    ]

    @staticmethod
    def make_input(directory):
        return write_input(directory, "doc.pdf", SMALL_PDF)


FILTERS = [Raster, Pdf]


def setUpModule():
    global TMP, ENV
    TMP = tempfile.TemporaryDirectory()
    os.chmod(TMP.name, 0o755)
    ENV = CupsWithCollector()
    for f in FILTERS:
        ENV.cups.add_queue(f.QUEUE, ppd_path(f.PPD))
        f.input = f.make_input(TMP.name)
        # Without consent: the reference output of the filter's jobs below.
        f.reference, events, connections, _ = ENV.print_job(f.QUEUE, f.input, f.OPTIONS, None)
        if events or connections or not f.reference:
            raise AssertionError("%s reference job: %d connections, %d output bytes"
                                 % (f.__name__, connections, len(f.reference)))


def tearDownModule():
    ENV.stop()
    TMP.cleanup()


class FilterJobs(unittest.TestCase):
    def test_consenting_jobs_send_their_ten_events(self):
        for f in FILTERS:
            for name, options, user_options, labels in f.CASES:
                with self.subTest(f.__name__ + ": " + name):
                    _, events, connections, _ = ENV.print_job(
                        f.QUEUE, f.input, options, CONSENT, user_options)
                    self.assertEqual(ENV.collector.errors, [])
                    self.assertEqual(connections, 1)
                    self.assertEqual(events,
                                     [("Driver", f.MODEL), ("OS", "Linux - Unknown")] + labels)

    def test_telemetry_leaves_the_output_alone(self):
        for f in FILTERS:
            with self.subTest(f.__name__):
                output, events, _, _ = ENV.print_job(f.QUEUE, f.input, f.OPTIONS, CONSENT)
                self.assertEqual(len(events), 10)
                self.assertEqual(output, f.reference)

    def test_without_consent_no_connection_is_made(self):
        for f in FILTERS:
            for name, settings in NO_CONSENT:
                with self.subTest(f.__name__ + ": " + name):
                    output, events, connections, _ = ENV.print_job(
                        f.QUEUE, f.input, f.OPTIONS, settings)
                    self.assertEqual(connections, 0)
                    self.assertEqual(events, [])
                    self.assertEqual(output, f.reference)


class StalledCollector(unittest.TestCase):
    """A collector that takes the request and never replies delays a
    consenting user's job by the step's bound, and the job prints as usual."""

    def test_jobs_print_unchanged(self):
        env = CupsWithCollector(mode="mute")
        self.addCleanup(env.stop)
        for f in FILTERS:
            with self.subTest(f.__name__):
                env.cups.add_queue(f.QUEUE, ppd_path(f.PPD))
                output, _, connections, job = env.print_job(f.QUEUE, f.input, f.OPTIONS,
                                                            CONSENT)
                self.assertEqual(connections, 1)
                self.assertEqual(output, f.reference)
                self.assertIn("curl_easy_perform() failed: Timeout was reached",
                              env.cups.job_log(job))


if __name__ == "__main__":
    unittest.main()
