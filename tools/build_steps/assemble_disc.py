#!/usr/bin/python3
"""Lays out the sample disc in a folder: the files of disc/ in the repo, the
launcher, and the companion's setup.exe, the NSIS installer built from
samples/orvik_setup.nsi, which carries the companion and writes its
uninstaller. The bench can lay out the older sample setup instead: a
bootstrapper that starts the installer it brings in ORVIK/, with the
companion and its uninstaller.

    python3 -m tools.build_steps.assemble_disc --build BUILD_DIR FOLDER    (behind scripts/assemble-disc)
"""
import argparse
import os
import shutil
import sys

from tools import ROOT


# The author's files beside the disc's own, which make-launcher reads and
# the disc does not carry: the languages' description.
AUTHORS_ONLY = ("languages.ini",)


def assemble(win32, target, skip=(), bootstrapper=False):
    """Fills target (emptied first) with the sample disc of the Windows build
    win32; names in skip are left out (disc-relative, such as "setup.exe" or
    "kelvando.id")."""
    os.makedirs(target, exist_ok=True)
    for entry in os.listdir(target):
        path = os.path.join(target, entry)
        shutil.rmtree(path) if os.path.isdir(path) else os.remove(path)
    disc = os.path.join(ROOT, "disc")
    for name in os.listdir(disc):
        if name not in skip and name not in AUTHORS_ONLY:
            shutil.copy(os.path.join(disc, name), target)
    samples = os.path.join(win32, "samples")
    built = {"autorun.exe": os.path.join(win32, "autorun.exe"), "setup.exe": os.path.join(samples, "orvik_setup.exe")}
    if bootstrapper:
        built["setup.exe"] = os.path.join(samples, "setup.exe")
        for name in ("install.exe", "orvik.exe", "uninst.exe"):
            built["ORVIK/" + name] = os.path.join(samples, name)
    for name, source in built.items():
        if name not in skip:
            os.makedirs(os.path.dirname(os.path.join(target, name)), exist_ok=True)
            shutil.copy(source, os.path.join(target, name))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("folder")
    args = parser.parse_args()
    assemble(os.path.join(os.path.abspath(args.build), "win32"), args.folder)
    return 0


if __name__ == "__main__":
    sys.exit(main())
