#!/usr/bin/python3
"""Writes a disc folder's image as Windows will read it, and reads it back.

    python3 -m tools.kit.make_iso FOLDER IMAGE    (behind scripts/make-iso)

Before writing, every name the image would change is refused (and a disc
with faults: disc-check), one line for
each: Windows reads the Joliet tree, and xorriso cuts, replaces or renames
what that tree cannot hold without failing. xorriso's warnings fail the run.
After writing, the image is read back through its Joliet tree (not Rock
Ridge, which Windows does not read), compared with the folder name for name
and byte for byte, and checked with disc-check; any difference removes the
image. The same folder gives the same image byte for byte, whatever the
files' dates: every date is SOURCE_DATE_EPOCH's (by default the kit's own
fixed date), and the preparer is the kit's, not xorriso's version.

Exit code 0 with the image written, 1 when the folder or the image has
faults (nothing written), 2 when it could not run.
"""
import filecmp
import os
import re
import shutil
import stat
import subprocess
import sys
import tempfile
import time

from tools import ROOT

LABEL = "ZARNO_KELVANDO"
PREPARER = "ZARNO KELVANDO DISC KIT"
DEFAULT_EPOCH = 1767225600  # 2026-01-01 00:00:00 UTC
# Joliet as xorriso writes it with -joliet-long: 103 characters for a name
# (a file's last dot not counted; a longer name is cut). Joliet's own limit
# of 240 characters for a path, and ISO 9660's 8 levels of folders with the
# root: xorriso writes more of either, which not every
# Windows reads (Windows 95 on a real-mode CD-ROM driver reads only the ISO
# 9660 tree).
NAME_LIMIT = 103
PATH_LIMIT = 240
DEPTH_LIMIT = 8
JOLIET_CANNOT_HOLD = set('*/:;?\\')
XORRISO_PROBLEM = re.compile(r"^(?:xorriso|libisofs|libburn|libisoburn) *: *(WARNING|SORRY|FAILURE|FATAL|ABORT) *:")


def name_faults(folder):
    """One line for each name that the image's Joliet tree would not hold as
    it is."""
    faults = []
    for parent, folders, files in os.walk(folder):
        folders.sort()
        relative_parent = os.path.relpath(parent, folder)
        seen = {}
        for name in sorted(folders + files):
            path = name if relative_parent == "." else os.path.join(relative_parent, name)
            full = os.path.join(parent, name)
            is_folder = name in folders and not os.path.islink(full)
            bad = sorted({c for c in name
                          if c in JOLIET_CANNOT_HOLD or ord(c) < 32 or 0xD800 <= ord(c) <= 0xDFFF or ord(c) > 0xFFFF})
            length = len(name) - (1 if not is_folder and "." in name else 0)
            depth = 1 + path.count(os.sep) + (1 if is_folder else 0)  # the root is the first level
            if os.path.islink(full):
                faults.append("%s: a symbolic link, which the image's Joliet tree cannot hold: put the file or "
                              "folder itself there" % path)
            elif not (is_folder or stat.S_ISREG(os.stat(full).st_mode)):
                faults.append("%s: neither a file nor a folder: take it out of the disc folder" % path)
            if bad:
                faults.append("%s: holds %s, which Joliet cannot hold (the image would have _ instead): rename it"
                              % (path, " ".join(repr(c) for c in bad)))
            if length > NAME_LIMIT:
                faults.append("%s: its name is %d characters long: the image's Joliet tree holds %d at most and "
                              "would cut it; shorten it" % (path, length, NAME_LIMIT))
            if len(path) > PATH_LIMIT:
                faults.append("%s: its path is %d characters long: Joliet holds paths of %d at most, and not every "
                              "Windows reads a longer one; shorten it or move it up" % (path, len(path), PATH_LIMIT))
            if depth > DEPTH_LIMIT:
                faults.append("%s: lies %d levels deep with the root: ISO 9660 holds %d, and not every Windows reads "
                              "deeper; move it up" % (path, depth, DEPTH_LIMIT))
            other = seen.setdefault(name.lower(), path)
            if other != path:
                faults.append("%s: differs from %s only in case: Windows takes them for one name; rename one"
                              % (path, other))
    return faults


def write_image(folder, image, epoch):
    """Runs xorriso; returns its complaints (none when it wrote the image)."""
    stamp = time.strftime("%Y%m%d%H%M%S00", time.gmtime(epoch))
    env = dict(os.environ, SOURCE_DATE_EPOCH=str(epoch), TZ="UTC")
    run = subprocess.run(["xorriso", "-as", "mkisofs", "-J", "-joliet-long", "-r", "-V", LABEL, "-p", PREPARER,
                          "--set_all_file_dates", stamp, "-o", image, folder],
                         capture_output=True, text=True, env=env)
    problems = [line for line in run.stderr.splitlines() if XORRISO_PROBLEM.match(line)]
    if run.returncode != 0 and not problems:
        problems = ["xorriso failed (exit code %d): %s" % (run.returncode, run.stderr.strip()[-300:])]
    return problems


def tree(folder):
    """{relative path: is a folder} of everything under folder."""
    found = {}
    for parent, folders, files in os.walk(folder):
        for name in folders + files:
            path = os.path.relpath(os.path.join(parent, name), folder)
            found[path] = name in folders
    return found


def read_back(image, folder, into):
    """Extracts the image's Joliet tree into into; returns one line for each
    difference from folder."""
    info = subprocess.run(["isoinfo", "-d", "-i", image], capture_output=True, text=True).stdout
    if "Joliet" not in info:
        return ["%s: has no Joliet tree: Windows would see only 8.3 names" % image]
    run = subprocess.run(["xorriso", "-osirrox", "on", "-read_fs", "norock", "-indev", image, "-extract", "/",
                          into], capture_output=True, text=True)
    if run.returncode != 0:
        return ["%s: could not be read back: %s" % (image, run.stderr.strip()[-300:])]
    wanted, got = tree(folder), tree(into)
    differences = []
    for path in sorted(set(wanted) | set(got)):
        if path not in got:
            differences.append("%s: missing from the image" % path)
        elif path not in wanted:
            differences.append("%s: in the image, but not in the folder" % path)
        elif wanted[path] != got[path]:
            differences.append("%s: a %s in the image" % (path, "folder" if got[path] else "file"))
        elif not wanted[path] and not filecmp.cmp(os.path.join(folder, path), os.path.join(into, path),
                                                  shallow=False):
            differences.append("%s: its bytes in the image differ from the folder's" % path)
    return differences


def remove_tree(path):
    """The extracted tree is read-only, as the image is."""
    for parent, folders, _ in os.walk(path):
        for name in folders:
            os.chmod(os.path.join(parent, name), 0o755)
    os.chmod(path, 0o755)
    shutil.rmtree(path)


def disc_check(folder):
    return subprocess.run([os.path.join(ROOT, "scripts", "disc-check"), folder], capture_output=True, text=True)


def main():
    if len(sys.argv) != 3 or not os.path.isdir(sys.argv[1]):
        print("usage: make_iso.py FOLDER IMAGE", file=sys.stderr)
        return 2
    folder, image = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    try:
        epoch = int(os.environ.get("SOURCE_DATE_EPOCH", DEFAULT_EPOCH))
    except ValueError:
        print("make-iso: SOURCE_DATE_EPOCH is not a number of seconds", file=sys.stderr)
        return 2
    faults = name_faults(folder)
    if faults:
        print("\n".join(faults))
        print("make-iso: the image would change these names; no image made", file=sys.stderr)
        return 1
    check = disc_check(folder)
    if check.returncode != 0:
        sys.stdout.write(check.stdout)
        print("make-iso: %s %s; no image made" % (folder, "has faults" if check.returncode == 1 else
                                                   "could not be checked: " + check.stderr.strip()), file=sys.stderr)
        return 1 if check.returncode == 1 else 2
    sys.stdout.write(check.stdout)
    os.makedirs(os.path.dirname(image), exist_ok=True)
    if os.path.exists(image):
        os.remove(image)
    problems = write_image(folder, image, epoch)
    if problems:
        if os.path.exists(image):
            os.remove(image)
        print("\n".join(problems))
        print("make-iso: xorriso complained; no image made", file=sys.stderr)
        return 1
    work = tempfile.mkdtemp(prefix="make-iso-")
    try:
        read = os.path.join(work, "read")
        differences = read_back(image, folder, read)
        check = None
        if not differences:
            check = disc_check(read)
            if check.returncode != 0:
                differences = ["as read back: " + line for line in check.stdout.splitlines()
                               if not line.startswith("note: ")] or [
                    "as read back: disc-check could not run: " + check.stderr.strip()]
    finally:
        if os.path.exists(os.path.join(work, "read")):
            remove_tree(os.path.join(work, "read"))
        shutil.rmtree(work, ignore_errors=True)
    if differences:
        os.remove(image)
        print("\n".join(differences))
        print("make-iso: the image read back differs from %s; image removed" % folder, file=sys.stderr)
        return 2 if check is not None and check.returncode == 2 else 1
    print("image: %s (read back through its Joliet tree: the same %d files and folders, disc-check passes)"
          % (image, len(tree(folder))))
    return 0


if __name__ == "__main__":
    sys.exit(main())
