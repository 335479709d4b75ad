#!/usr/bin/python3
"""Post-link step of the launcher: sets IMAGE_FILE_REMOVABLE_RUN_FROM_SWAP
(0x0400) in a PE file's characteristics, the flag Microsoft's linker sets with
/SWAPRUN:CD and GNU ld has no switch for. With it, Windows NT copies a program
started from removable media into the paging file first, so that the disc can
leave the drive while the program runs. The image checksum that ld wrote is
computed again for the changed header (left 0 when it was 0); nothing else
changes.

    python3 -m tools.build_steps.mark_run_from_swap FILE.exe
"""
import struct
import sys

RUN_FROM_SWAP = 0x0400


def pe_checksum(data, checksum_at):
    """The image checksum as imagehlp's CheckSumMappedFile computes it: the
    16-bit one's-complement sum of the file's words, the checksum field read
    as zero, plus the file's length."""
    total = 0
    padded = data + b"\0" * (len(data) % 2)
    for at in range(0, len(padded), 2):
        if checksum_at <= at < checksum_at + 4:
            continue
        total += padded[at] | padded[at + 1] << 8
        total = (total & 0xFFFF) + (total >> 16)
    total = (total & 0xFFFF) + (total >> 16)
    return (total + len(data)) & 0xFFFFFFFF


def header_offsets(data):
    """(offset of the characteristics word, offset of the checksum field)."""
    if data[:2] != b"MZ":
        raise ValueError("not an MZ executable")
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError("no PE signature")
    return pe + 4 + 18, pe + 24 + 64


def mark(data):
    characteristics_at, checksum_at = header_offsets(data)
    data = bytearray(data)
    characteristics = struct.unpack_from("<H", data, characteristics_at)[0]
    struct.pack_into("<H", data, characteristics_at, characteristics | RUN_FROM_SWAP)
    if struct.unpack_from("<I", data, checksum_at)[0] != 0:
        struct.pack_into("<I", data, checksum_at, pe_checksum(bytes(data), checksum_at))
    return bytes(data)


def main(path):
    with open(path, "rb") as f:
        data = f.read()
    try:
        marked = mark(data)
    except (ValueError, struct.error) as error:
        print("mark_run_from_swap: %s: %s" % (path, error), file=sys.stderr)
        return 1
    if marked != data:
        with open(path, "wb") as f:
            f.write(marked)
    return 0


if __name__ == "__main__":
    if len(sys.argv) != 2:
        print("usage: mark_run_from_swap.py FILE.exe", file=sys.stderr)
        sys.exit(2)
    sys.exit(main(sys.argv[1]))
