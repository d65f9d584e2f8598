"""postUsage against a local HTTPS collector: what arrives, and how failures
of the network stay out of the job's way."""

import os
import socket
import subprocess
import unittest

from usage_collector import UsageCollector, check_batch

BUILD = os.environ.get("VELMORA_BUILD_DIR", "../../../build")
POST = os.path.join(BUILD, "tests", "integration", "telemetry", "telemetry_post")
TID = os.environ.get("VELMORA_TELEMETRY_PROPERTY_ID")

ALL_FIELDS = ["duplex=1", "colour=0", "ecoPrint=0", "pdl=1", "staple=0", "punch=0",
              "jobAccounting=0", "userLogin=0"]
LABELS = ["Duplex:TWOSIDEDLONGEDGE", "ColorMode:COLOR", "EcoPrint:OFF", "PDL:PJL",
          "Staple:OFF", "Punch:OFF", "JobAccounting:OFF", "UserLogin:OFF"]


def post(env_extra, *args, timeout=60):
    env = {k: v for k, v in os.environ.items() if k != "LANGUAGE"}
    env.update(env_extra)
    return subprocess.run([POST, "alice", "Velmora P-4020 MFP", *args], env=env,
                          capture_output=True, text=True, timeout=timeout)


class PostUsage(unittest.TestCase):
    def test_ten_hits_in_one_batch(self):
        for language in (None, "fr_FR:en_GB:en"):
            with self.subTest(language=language), UsageCollector(
                    tid=TID, language=language) as c:
                env = c.env()
                if language:
                    env["LANGUAGE"] = language
                r = post(env, *ALL_FIELDS)
                self.assertEqual(r.returncode, 0)
                self.assertEqual(r.stderr, "")
                self.assertEqual(c.errors, [])
                self.assertEqual(c.connections, 1)
                self.assertEqual(len(c.batches), 1)
                self.assertEqual(c.events(),
                                 [("Driver", "Velmora P-4020 MFP"), ("OS", "Linux - Unknown")]
                                 + [("Preferences", l) for l in LABELS])
                self.assertIn(b"&el=Velmora%20P-4020%20MFP", c.batches[0])

    def test_certificate_of_another_ca_is_refused(self):
        with UsageCollector() as c:
            env = c.env()
            env["VELMORA_TELEMETRY_CA_BUNDLE"] = c.other_ca()
            r = post(env, *ALL_FIELDS)
            self.assertEqual(r.returncode, 0)
            self.assertRegex(r.stderr, r"^curl_easy_perform\(\) failed: .*certificate.*\n$")
            self.assertEqual(c.batches, [])

    def test_plain_http_endpoint_is_never_contacted(self):
        with socket.socket() as s:
            s.bind(("127.0.0.1", 0))
            s.listen(1)
            s.settimeout(0.5)
            port = s.getsockname()[1]
            r = post({"VELMORA_TELEMETRY_ENDPOINT": "http://127.0.0.1:%d/batch" % port})
            self.assertEqual(r.returncode, 0)
            self.assertRegex(r.stderr, r"^curl_easy_perform\(\) failed: .*\n$")
            with self.assertRaises(socket.timeout):
                s.accept()

    def test_unreachable_collector(self):
        # A bound port that does not listen refuses every connection.
        with socket.socket() as s:
            s.bind(("127.0.0.1", 0))
            port = s.getsockname()[1]
            r = post({"VELMORA_TELEMETRY_ENDPOINT": "https://127.0.0.1:%d/batch" % port})
            self.assertEqual(r.returncode, 0)
            self.assertEqual(r.stderr,
                             "curl_easy_perform() failed: Couldn't connect to server\n")

    def test_stalled_collector_does_not_stall_the_job(self):
        # One collector never completes the TLS handshake, the other takes the
        # request and never replies. Without a bound on the step the post
        # would wait forever; the subprocess guard only catches such a hang,
        # the delay itself is measured by bench/telemetry_stall.py.
        for mode in ("silent", "mute"):
            with self.subTest(mode), UsageCollector(mode=mode) as c:
                r = post(c.env(), *ALL_FIELDS, timeout=30)
                self.assertEqual(r.returncode, 0)
                self.assertEqual(r.stderr, "curl_easy_perform() failed: Timeout was reached\n")
                self.assertEqual(c.connections, 1)


class CollectorChecks(unittest.TestCase):
    """The collector must reject what the protocol rules forbid, or the
    end-to-end tests prove nothing."""

    GOOD = ("v=1&aip=1&t=event&tid=UA-1-1&cid=" + "a" * 64 +
            "&an=Velmora%20Linux%20Printer%20Driver&av=8.0.0&ec=Print&ea=OS&el=Linux")

    def test_rules(self):
        good = self.GOOD
        cases = [
            ("good hit", good, None, False),
            ("two hits", good + "\r\n" + good, None, False),
            ("trailing line end", good + "\r\n", None, True),
            ("aip missing", good.replace("&aip=1", ""), None, True),
            ("upper-case cid", good.replace("a" * 64, "A" * 64), None, True),
            ("short cid", good.replace("a" * 64, "a" * 63), None, True),
            ("raw blank", good.replace("Linux", "Lin ux"), None, True),
            ("lower-case escape", good.replace("Linux", "Lin%2cux"), None, True),
            ("ul without LANGUAGE", good.replace("&an=", "&ul=de&an="), None, True),
            ("LANGUAGE without ul", good, "de", True),
            ("ul present", good.replace("&an=", "&ul=de&an="), "de", False),
            ("wrong order", good.replace("&ec=Print&ea=OS", "&ea=OS&ec=Print"), None, True),
            ("label too long", good.replace("el=Linux", "el=" + "x" * 500), None, True),
            ("21 hits", "\r\n".join([good] * 21), None, True),
            ("wrong tracking id", good.replace("UA-1-1", "UA-2-2"), None, True),
        ]
        for name, body, language, bad in cases:
            with self.subTest(name):
                _, errors = check_batch(body.encode(), tid="UA-1-1", language=language)
                self.assertEqual(bool(errors), bad, errors)


if __name__ == "__main__":
    unittest.main()
