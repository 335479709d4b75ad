"""The launcher's resource ids and the button row's geometry, as the one
header that its code and resource script include defines them
(src/resources/resource_ids.h): the art generator, the product check and the
Wine lab read them here instead of writing the numbers again."""
import os
import re

from tools import ROOT

HEADER = os.path.join(ROOT, "src", "resources", "resource_ids.h")
DEFINE = re.compile(r"#\s*define\s+(\w+)(?:\s+(.+))?$")


def read(path=HEADER):
    """{NAME: number} of the header's "#define NAME number" lines. A define
    of anything but a plain number is refused, naming its line: the tools
    would not see what the compilers see. A define without a value (the
    include guard) is passed over."""
    ids = {}
    with open(path) as f:
        for number, line in enumerate(f, 1):
            match = DEFINE.match(line.split("//")[0].strip())
            if not match or match.group(2) is None:
                continue
            try:
                ids[match.group(1)] = int(match.group(2), 0)
            except ValueError:
                raise ValueError("%s:%d: %s: only plain numbers are read here" % (path, number, line.strip()))
    return ids
