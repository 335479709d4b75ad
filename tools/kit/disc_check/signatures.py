#!/usr/bin/python3
"""The Authenticode signature of every program at a disc folder's root, read
with osslsigncode: one line for each, a note when the program is signed and
intact or unsigned, a fault when its signature no longer matches the file.

    python3 -m tools.kit.disc_check.signatures FOLDER    (run by scripts/disc-check)

Exit code 0 (whatever it found), 2 when osslsigncode cannot be run.
"""
import os
import re
import subprocess
import sys

from tools.kit.disc_check import run

SIGN = "scripts/sign FOLDER --pkcs12 FILE"


def verify(path):
    """(signer, intact, trusted), or None for a program without a signature."""
    run = subprocess.run(["osslsigncode", "verify", "-in", path], capture_output=True, text=True)
    current = re.search(r"^Current message digest\s*:\s*(\S+)", run.stdout, re.M)
    calculated = re.search(r"^Calculated message digest\s*:\s*(\S+)", run.stdout, re.M)
    if not current:
        return None
    signer = re.search(r"Signer #0:\s*\n\s*Subject:\s*(.+)", run.stdout)
    name = signer.group(1).strip() if signer else None
    if name:
        common = re.search(r"/CN=([^/]+)", name)
        name = common.group(1) if common else name
    intact = bool(calculated) and calculated.group(1) == current.group(1)
    trusted = "Signature verification: ok" in run.stdout
    return name, intact, trusted


def report(folder):
    lines = []
    for name in sorted(os.listdir(folder), key=str.lower):
        path = os.path.join(folder, name)
        if not os.path.isfile(path) or os.path.splitext(name)[1].lower() not in (".exe", ".dll"):
            continue
        with open(path, "rb") as f:
            if f.read(2) != b"MZ":
                continue
        found = verify(path)
        if found is None:
            lines.append("note: %s: unsigned: Windows 11 with Smart App Control on blocks an unsigned program, "
                         "SmartScreen warns when it comes from a downloaded image, and Windows names its publisher "
                         "as unknown; sign it (%s)" % (name, SIGN))
            continue
        signer, intact, trusted = found
        if not intact:
            lines.append("%s: changed after it was signed: its signature no longer matches the file, and Windows "
                         "takes it as unsigned or damaged; sign it again (%s)" % (name, SIGN))
        elif trusted:
            lines.append("note: %s: signed by %s, intact" % (name, signer))
        else:
            lines.append("note: %s: signed by %s, intact; its certificate does not lead to an authority this "
                         "machine trusts, and Windows trusts it only where its authority is installed"
                         % (name, signer))
    return lines


def main():
    return run("signatures", report)


if __name__ == "__main__":
    sys.exit(main())
