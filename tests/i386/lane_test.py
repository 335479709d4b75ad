#!/usr/bin/python3
"""The i386 lane's own logic, without a guest: the job script the guest's
init runs, the reasons given when the guest stops without an exit status,
the mount check before the work folder is wiped, and the case verdicts."""
import contextlib
import io
import os
import subprocess
import sys
import tempfile
import time
import unittest

from tests.i386.case_result import verdict
from tools.lab import guest


class JobScript(unittest.TestCase):
    def test_words_and_values_reach_the_command_unchanged(self):
        tricky = ["two words", "it's", "$HOME", "$(false)", "back\\slash", "line\nbreak", ""]
        show = "import os, sys; print(repr((sys.argv[1:], os.environ['ODD'], os.environ['EMPTY'])))"
        script = guest.job_script([("ODD", "a 'b' $c"), ("EMPTY", "")], [sys.executable, "-c", show] + tricky)
        out = subprocess.run(["sh", "-c", script], capture_output=True, text=True, check=True).stdout
        self.assertEqual(out.strip(), repr((tricky, "a 'b' $c", "")))

    def test_the_command_s_exit_status_is_the_script_s(self):
        script = guest.job_script([], ["sh", "-c", "exit 7"])
        self.assertEqual(subprocess.run(["sh", "-c", script]).returncode, 7)


class Environment(unittest.TestCase):
    def test_the_value_keeps_its_equals_signs(self):
        self.assertEqual(guest.parse_environment(["A=b=c", "EMPTY="]), [("A", "b=c"), ("EMPTY", "")])

    def test_a_pair_without_a_name_is_refused(self):
        for pair in ("SCALE", "=3", "1X=3", "A B=3"):
            with self.assertRaises(guest.Failure, msg=pair):
                guest.parse_environment([pair])


class WhyNoStatus(unittest.TestCase):
    def test_the_first_kernel_failure_is_the_reason(self):
        console = "\n".join([
            "lab: init started", "lab: command started", "PASS window_identity (80.1 s)",
            "[  312.5] general protection fault, probably for non-canonical address 0xdead: 0000 [#1]",
            "[  312.6] Kernel panic - not syncing: Fatal exception"])
        self.assertEqual(guest.why_no_status(console), "the guest's kernel failed: "
                         "[  312.5] general protection fault, probably for non-canonical address 0xdead: 0000 [#1]")

    def test_a_panic_before_init(self):
        console = "[    2.0] Kernel panic - not syncing: VFS: Unable to mount root fs on unknown-block(0,0)"
        self.assertIn("Unable to mount root fs", guest.why_no_status(console))

    def test_the_last_stage_init_reported(self):
        console = "lab: init started\nlab: command started\nPASS window_identity (80.1 s)\n"
        self.assertEqual(guest.why_no_status(console),
                         "the guest stopped without an exit status after 'lab: command started'")

    def test_no_init_at_all(self):
        self.assertEqual(guest.why_no_status("[    0.0] Linux version 6.1.0\n"), "the guest never reached its init")

    def test_status_file(self):
        with tempfile.TemporaryDirectory() as folder:
            path = os.path.join(folder, "status")
            self.assertIsNone(guest.read_status(path))
            for text, status in (("0\n", 0), ("125", 125), ("", None), ("oops", None)):
                with open(path, "w") as f:
                    f.write(text)
                self.assertEqual(guest.read_status(path), status, text)


class Steps(unittest.TestCase):
    def test_a_failing_step_says_its_last_line(self):
        with tempfile.TemporaryDirectory() as folder:
            log = os.path.join(folder, "step.log")
            with self.assertRaises(guest.Failure) as raised:
                guest.run_logged("debootstrap", ["sh", "-c", "echo I: fetching; echo 'E: no libc6' >&2; echo; exit 4"],
                                 log, 30)
            self.assertEqual(str(raised.exception),
                             "debootstrap failed with exit code 4: E: no libc6 (see %s)" % log)

    def test_a_step_past_its_time_is_stopped(self):
        with tempfile.TemporaryDirectory() as folder:
            started = time.time()
            with self.assertRaises(guest.Failure) as raised:
                guest.run_logged("mkfs.ext4", ["sleep", "30"], os.path.join(folder, "step.log"), 1)
            self.assertLess(time.time() - started, 10)
            self.assertIn("mkfs.ext4 did not finish within 1 s", str(raised.exception))


class GuestSystem(unittest.TestCase):
    def system(self, folder, *names):
        for name in names:
            path = os.path.join(folder, name)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            open(path, "w").close()
        return folder

    def test_the_one_kernel_and_initrd(self):
        with tempfile.TemporaryDirectory() as folder:
            self.system(folder, "usr/lib/wine/wine", "boot/vmlinuz-6.1.0-50-amd64", "boot/initrd.img-6.1.0-50-amd64",
                        "boot/config-6.1.0-50-amd64")
            self.assertEqual(guest.check_system(folder), (os.path.join(folder, "boot/vmlinuz-6.1.0-50-amd64"),
                                                          os.path.join(folder, "boot/initrd.img-6.1.0-50-amd64")))

    def test_two_kernels_are_refused(self):
        with tempfile.TemporaryDirectory() as folder:
            self.system(folder, "usr/lib/wine/wine", "boot/vmlinuz-6.1.0-49-amd64", "boot/vmlinuz-6.1.0-50-amd64",
                        "boot/initrd.img-6.1.0-50-amd64")
            with self.assertRaisesRegex(guest.Failure, "not one vmlinuz-"):
                guest.check_system(folder)

    def test_wine64_is_refused(self):
        with tempfile.TemporaryDirectory() as folder:
            self.system(folder, "usr/lib/wine/wine", "usr/lib/wine/wine64", "boot/vmlinuz-6.1.0-50-amd64",
                        "boot/initrd.img-6.1.0-50-amd64")
            with self.assertRaisesRegex(guest.Failure, "wine64"):
                guest.check_system(folder)


class ConsoleCopy(unittest.TestCase):
    def test_lines_reach_the_log_without_carriage_returns_and_stages_are_noted(self):
        with tempfile.TemporaryDirectory() as folder:
            log = os.path.join(folder, "console.log")
            stream = io.BytesIO(b"[    1.0] Linux\r\nlab: init started\r\nlab: command started\r\n"
                                b"caf\xc3\xa9 \xff\r\nlab: command ended with exit status 0\r\n")
            with contextlib.redirect_stdout(io.StringIO()):
                console = guest.Console(stream, log)
                console.thread.join(10)
            with open(log) as f:
                self.assertEqual(f.read().splitlines()[3], "caf\u00e9 \ufffd")
            self.assertEqual(sorted(console.seen),
                             ["command ended with exit status 0", "command started", "init started"])


class MountsInside(unittest.TestCase):
    MOUNTINFO = "\n".join([
        "22 1 254:0 / / rw,relatime - ext4 /dev/vda rw",
        "90 22 0:5 / /work/main/build/i386/system/proc rw - proc proc rw",
        "91 22 0:6 / /work/main/build/i386x/proc rw - proc proc rw",
        "92 22 0:7 / /work/main/build/i386 rw - tmpfs tmpfs rw"])

    def test_only_mounts_below_the_folder_count(self):
        self.assertEqual(guest.mounts_inside("/work/main/build/i386", self.MOUNTINFO),
                         ["/work/main/build/i386/system/proc"])
        self.assertEqual(guest.mounts_inside("/work/main/build/i386/", self.MOUNTINFO),
                         ["/work/main/build/i386/system/proc"])

    def test_wipe_keeps_only_the_names_asked(self):
        with tempfile.TemporaryDirectory() as work:
            for name in ("disk.img", "console.log"):
                open(os.path.join(work, name), "w").close()
            os.makedirs(os.path.join(work, "out", "results"))
            os.symlink("/", os.path.join(work, "link"))
            guest.wipe(work, keep=("disk.img", "vmlinuz"))
            self.assertEqual(os.listdir(work), ["disk.img"])


class Verdict(unittest.TestCase):
    def result(self, out, case, text):
        os.makedirs(os.path.join(out, "results"), exist_ok=True)
        with open(os.path.join(out, "results", case), "w") as f:
            f.write(text)

    def test_verdicts(self):
        with tempfile.TemporaryDirectory() as out:
            self.result(out, "hover", "PASS hover (35.8 s)\n")
            self.result(out, "cancel", "FAIL cancel: the launcher did not end\n")
            self.result(out, "fresh_layout", "PASS fresh_layout_wide (3.0 s)\n")
            self.result(out, "no_disc", "")
            self.result(out, "unc_root", "SKIP unc_root: this Wine cannot\n")
            self.assertEqual(verdict(out, "hover"), (True, "PASS hover (35.8 s)"))
            self.assertEqual(verdict(out, "cancel"), (False, "FAIL cancel: the launcher did not end"))
            self.assertFalse(verdict(out, "fresh_layout")[0])
            self.assertFalse(verdict(out, "no_disc")[0])
            self.assertEqual(verdict(out, "unc_root"), (None, "SKIP unc_root: this Wine cannot"))
            passed, line = verdict(out, "keyboard_escape")
            self.assertFalse(passed)
            self.assertIn("results/keyboard_escape is missing", line)


if __name__ == "__main__":
    unittest.main()
