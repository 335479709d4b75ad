#!/usr/bin/python3
"""The README is true on this machine: every command in its ```sh blocks
runs and succeeds (all but scripts/test, which is what runs this), and every
picture it shows exists."""
import os
import re
import subprocess
import sys

from tools import ROOT
from tools.lab.wine_platform import choose_lane, platform_missing


def main():
    text = open(os.path.join(ROOT, "README.md")).read()
    failed = 0
    for picture in re.findall(r"!\[[^\]]*\]\(([^)]+)\)", text):
        ok = os.path.exists(os.path.join(ROOT, picture))
        print(("ok   " if ok else "FAIL ") + "picture " + picture)
        failed += 0 if ok else 1
    # The commands run the launcher and the kit under Wine.
    lane, reason = choose_lane()
    if lane is None:
        code = platform_missing(reason, "the README's commands: Wine cannot run on this machine")
        return 1 if failed else code
    commands = []
    for block in re.findall(r"```sh\n(.*?)```", text, re.S):
        commands += [line for line in block.splitlines() if line.strip()]
    env = dict(os.environ)
    env.pop("DISPLAY", None)
    for command in commands:
        if command.strip() == "scripts/test":
            continue
        run = subprocess.run(["bash", "-c", command], cwd=ROOT, env=env, capture_output=True, text=True)
        ok = run.returncode == 0
        print(("ok   " if ok else "FAIL ") + command + ("" if ok else "\n" + run.stdout[-2000:] + run.stderr[-2000:]))
        failed += 0 if ok else 1
    for mentioned in ("scripts/demo", "scripts/test"):
        ok = mentioned in text.split("## What the user sees")[0]
        print(("ok   " if ok else "FAIL ") + mentioned + " named before anything else")
        failed += 0 if ok else 1
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
