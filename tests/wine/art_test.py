#!/usr/bin/python3
"""The numbers the art generator, the product check and the bench take from
the launcher's header are the ones its compiler sees there, and a define
they could not read the same way stops them instead of being guessed at;
scripts/make-art writes where it is told, from where it runs, and leaves
the tree alone."""
import os
import re
import subprocess
import tempfile
import unittest

from tools import ROOT, resource_ids

MAKE_ART = os.path.join(ROOT, "scripts", "make-art")


class Header(unittest.TestCase):
    def test_the_tools_read_the_numbers_the_compiler_sees(self):
        defines = lambda path: set(subprocess.run(["i686-w64-mingw32-cpp", "-dM", path], capture_output=True,
                                                  text=True, check=True).stdout.splitlines())
        own = defines(resource_ids.HEADER) - defines(os.devnull)  # less what the compiler defines itself
        seen = {words[1]: int(words[2], 0) for words in map(str.split, own) if len(words) == 3}
        self.assertEqual(resource_ids.read(), seen)

    def test_a_define_of_anything_but_a_number_is_refused_with_its_line(self):
        with tempfile.NamedTemporaryFile("w", suffix=".h") as header:
            header.write("#define BUTTON_WIDTH 114 // pixels\n#define BUTTON_ROW_TOP (300 + 43)\n")
            header.flush()
            with self.assertRaisesRegex(ValueError, re.escape(header.name) + ":2: #define BUTTON_ROW_TOP"):
                resource_ids.read(header.name)


def written_in_the_tree():
    """{path: modification time} of what make-art writes without --out."""
    paths = ["src/resources/captions.rc", "src/resources/palette.pal", "disc/backgrnd.bmp", "disc/kelvando.ico"]
    paths += ["src/resources/buttons/" + name for name in os.listdir(os.path.join(ROOT, "src", "resources", "buttons"))]
    return {path: os.stat(os.path.join(ROOT, path)).st_mtime_ns for path in paths}


class MakeArt(unittest.TestCase):
    def test_out_is_taken_from_where_the_command_runs_and_the_tree_is_left_alone(self):
        before = written_in_the_tree()
        with tempfile.TemporaryDirectory() as work:
            run = subprocess.run([MAKE_ART, "--out", "art", "--no-background"], cwd=work, capture_output=True,
                                 text=True)
            self.assertEqual(run.returncode, 0, run.stderr)
            made = os.path.join(work, "art", "resources")
            self.assertEqual(len(os.listdir(os.path.join(made, "buttons"))), 15)
            self.assertTrue(os.path.exists(os.path.join(made, "captions.rc")))
        self.assertEqual(written_in_the_tree(), before)

    def test_an_unknown_option_gets_the_usage_line(self):
        run = subprocess.run([MAKE_ART, "--output", "art"], capture_output=True, text=True)
        self.assertEqual((run.returncode, run.stderr), (2, "usage: scripts/make-art [--out DIR] [--no-background]\n"))


if __name__ == "__main__":
    unittest.main()
