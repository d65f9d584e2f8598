"""The option store against a private cupsd: the per-user option file and the
lpoptions defaults of queues made from our PPDs."""

import json
import os
import resource
import shlex
import signal
import subprocess
import tempfile
import threading
import time
import unittest

from cupsd import PrivateCupsd, build_dir, ppd_path

PROBE = os.path.join(build_dir(), "tests", "integration", "jobdeck_store", "optionstore_probe")


class OptionStoreTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.cups = PrivateCupsd()
        cls.cups.start()
        for queue in ("roundtrip", "defaults", "swap"):
            cls.cups.add_queue(queue, ppd_path("vc500"))

    @classmethod
    def tearDownClass(cls):
        cls.cups.stop()

    def probe(self, *args, user="alice", check=True, env_extra=None, preexec_fn=None):
        env = dict(self.cups.env, USER=user, VELMORA_DATA_DIR=self.cups.data_dir,
                   **(env_extra or {}))
        result = subprocess.run([PROBE] + list(args), env=env, capture_output=True, text=True,
                                timeout=60, preexec_fn=preexec_fn)
        if check and result.returncode != 0:
            self.fail("probe %s: %d %s" % (args, result.returncode, result.stderr))
        return result

    def get(self, queue, *keys, user="alice"):
        return json.loads(self.probe("get", queue, *keys, user=user).stdout)

    def option_file(self, queue, user="alice"):
        return os.path.join(self.cups.data_dir, user, queue + ".cfg")

    def lpoptions(self, queue):
        out = self.cups.run(["lpoptions", "-p", queue]).stdout
        return dict(word.split("=", 1) for word in shlex.split(out) if "=" in word)

    def test_values_round_trip_and_only_ppd_options_reach_lpoptions(self):
        pairs = [
            ("Duplex", "DuplexNoTumble"),
            ("InputSlot", "Side tray 2"),        # a blank must reach lpoptions whole
            ("MediaType", ""),                   # empty: file only
            ("Coll", "True"),
            ("CustomJobName", "a=b;c"),          # not a PPD option: kept verbatim
            ("ORV_server", "host;port=8443"),
            ("cJACLE", "x y = z"),
            ("Wlist", "one"),
            ("Wlist", "two;2"),
        ]
        self.probe("write", "roundtrip", *["%s=%s" % kv for kv in pairs])

        got = self.get("roundtrip", "Duplex", "InputSlot", "MediaType", "Coll", "CustomJobName",
                       "ORV_server", "cJACLE", "Wlist", "Missing")
        self.assertEqual(got["value"], {
            "Duplex": "DuplexNoTumble", "InputSlot": "Side tray 2", "MediaType": None,
            "Coll": "True", "CustomJobName": "a=b;c", "ORV_server": "host;port=8443",
            "cJACLE": "x y = z", "Wlist": "one", "Missing": None})
        self.assertEqual(got["values"]["Wlist"], ["one", "two;2"])
        self.assertEqual(got["values"]["Duplex"], ["DuplexNoTumble;None"])

        with open(self.option_file("roundtrip"), encoding="utf-8") as f:
            lines = f.read().splitlines()
        self.assertIn("MediaType=;Plain", lines)
        self.assertIn("Coll=True;False", lines)
        self.assertIn("CustomJobName=a=b;c", lines)
        self.assertEqual(len(lines), len(pairs))
        self.assertEqual(os.stat(self.option_file("roundtrip")).st_mode & 0o777, 0o664)
        leftovers = [n for n in os.listdir(os.path.dirname(self.option_file("roundtrip")))
                     if not n.endswith(".cfg")]
        self.assertEqual(leftovers, [], "no temporary file is left behind")

        server = self.lpoptions("roundtrip")
        self.assertEqual(server.get("Duplex"), "DuplexNoTumble")
        self.assertEqual(server.get("InputSlot"), "Side tray 2")
        self.assertEqual(server.get("Coll"), "True")
        for key in ("MediaType", "CustomJobName", "ORV_server", "cJACLE", "Wlist"):
            self.assertNotIn(key, server)

    def test_saved_default_yields_to_a_changed_ppd_default(self):
        self.probe("write", "defaults", "Duplex=DuplexNoTumble")
        self.assertEqual(self.get("defaults", "Duplex")["value"]["Duplex"], "DuplexNoTumble")

        # The administrator changes the queue's PPD default.
        self.cups.run(["lpadmin", "-p", "defaults", "-o", "Duplex=DuplexTumble"])
        cases = [
            ("saved under the old default", "DuplexNoTumble;None", "DuplexTumble"),
            ("saved under the current default", "DuplexNoTumble;DuplexTumble", "DuplexNoTumble"),
            ("no saved default", "DuplexNoTumble", "DuplexNoTumble"),
            ("empty value", ";DuplexTumble", None),
        ]
        for name, stored, expected in cases:
            with self.subTest(name):
                self.cups.write_user_options("alice", "defaults", "Duplex=%s\n" % stored)
                self.assertEqual(self.get("defaults", "Duplex")["value"]["Duplex"], expected)

    def test_readers_never_see_a_missing_or_partial_file(self):
        pairs = ["Duplex=DuplexTumble", "CustomJobName=" + "n" * 300, "ORV_port=8443"]
        self.probe("write", "swap", *pairs)
        path = self.option_file("swap")
        with open(path) as f:
            expected = f.read()

        seen = []
        done = threading.Event()

        def read_loop():
            while not done.is_set():
                try:
                    with open(path) as f:
                        seen.append(f.read())
                except FileNotFoundError:
                    seen.append(None)

        reader = threading.Thread(target=read_loop)
        reader.start()
        try:
            self.probe("rewrite", "swap", "200", *pairs)
        finally:
            done.set()
            reader.join()
        self.assertTrue(seen)
        bad = [s for s in seen if s != expected]
        self.assertEqual(bad[:1], [], "%d of %d reads saw no or a partial file" % (
            len(bad), len(seen)))

    def test_a_failed_write_keeps_the_old_file(self):
        self.probe("write", "swap", "Duplex=DuplexTumble", "ORV_port=8443")
        path = self.option_file("swap")
        with open(path) as f:
            before = f.read()

        def full_disk():
            # Files may not grow past 64 bytes: the write fails as on a full disk.
            signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
            resource.setrlimit(resource.RLIMIT_FSIZE, (64, 64))

        result = self.probe("rewrite", "swap", "1", "CustomJobName=" + "n" * 300,
                            check=False, preexec_fn=full_disk)
        self.assertEqual(result.returncode, 3, "the failure is reported")
        with open(path) as f:
            self.assertEqual(f.read(), before)
        leftovers = [n for n in os.listdir(os.path.dirname(path)) if not n.endswith(".cfg")]
        self.assertEqual(leftovers, [], "no temporary file is left behind")

    def test_option_file_exists_and_a_missing_queue_fails(self):
        self.assertEqual(self.probe("exists", "gone", user="bob").stdout.strip(), "false")
        # The option file is written before lpoptions, which has no queue to set.
        result = self.probe("write", "gone", "Duplex=None", user="bob", check=False)
        self.assertEqual(result.returncode, 4)
        self.assertEqual(self.probe("exists", "gone", user="bob").stdout.strip(), "true")
        for unsafe in ("..", "../gone"):
            self.assertEqual(self.probe("exists", unsafe, user="bob").stdout.strip(), "false")

    def test_lpoptions_runs_without_a_shell_and_is_waited_for_boundedly(self):
        # A stand-in lpoptions first on PATH records its arguments and pid.
        bin_dir = tempfile.mkdtemp(prefix="fakelp")
        self.addCleanup(lambda: subprocess.run(["rm", "-rf", bin_dir]))
        record = os.path.join(bin_dir, "args")
        fake = os.path.join(bin_dir, "lpoptions")
        env_extra = {"PATH": bin_dir + ":" + os.environ["PATH"],
                     "OPTIONSTORE_PROBE_TIMEOUT_MS": "500"}
        value = "x;$(touch %s/pwned) 'q'" % bin_dir
        cases = [
            ("succeeds", "exit 0", 0),
            ("fails", "exit 1", 4),
            ("hangs", "exec sleep 30", 4),
        ]
        for name, tail, rc in cases:
            with self.subTest(name):
                with open(fake, "w") as f:
                    f.write('#!/bin/sh\nprintf "%%s\\n" "$@" > %s\necho $$ > %s.pid\n%s\n'
                            % (record, record, tail))
                os.chmod(fake, 0o755)
                start = time.monotonic()
                result = self.probe("write", "swap", "CustomJobName=x", "Duplex=DuplexTumble",
                                    "InputSlot=" + value, env_extra=env_extra, check=False)
                self.assertEqual(result.returncode, rc)
                self.assertLess(time.monotonic() - start, 10)
                with open(record) as f:
                    args = f.read().split("\n")[:-1]
                # PPD order: Duplex before InputSlot; the value escaped for lpoptions' parser.
                self.assertEqual(args, ["-p", "swap", "-o", "Duplex=DuplexTumble", "-o",
                                        "InputSlot=x;$(touch\\ %s/pwned)\\ \\'q\\'" % bin_dir])
                self.assertFalse(os.path.exists(os.path.join(bin_dir, "pwned")))
                with open(record + ".pid") as f:
                    pid = int(f.read())
                self.assertFalse(os.path.exists("/proc/%d" % pid), "lpoptions left running")


if __name__ == "__main__":
    unittest.main()
