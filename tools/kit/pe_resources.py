"""Gives a PE32 or PE32+ program new resources: the resource section is
built afresh from {(type, id, language): bytes} and written where the old
one was, the file growing or shrinking with it. Only the resource section's
bytes change. The base relocations that the linker places after it
(.reloc) are carried along unchanged to the section's new end: nothing in a
program refers to their address but the header's base-relocation entry,
which is set to where they now are. Any other section after the resources
would hold code or data the program addresses, and is refused. The header's
image size, initialised-data size, resource entry and checksum (as
imagehlp's CheckSumMappedFile computes it, which Windows checks for drivers
and some loaders check for programs) are set for the new file; an
Authenticode signature, which no longer matches changed bytes, is dropped
(the security entry cleared and the certificate cut off).
"""
import struct

from tools.build_steps.mark_run_from_swap import header_offsets, pe_checksum
from tools.lab.pe import PE

RT_BITMAP, RT_STRING, RT_RCDATA = 2, 6, 10
RESOURCE_ENTRY, SECURITY_ENTRY, RELOCATION_ENTRY = 2, 4, 5
SUBDIRECTORY = 0x80000000


class ResourceError(Exception):
    pass


def align(value, alignment):
    return (value + alignment - 1) // alignment * alignment


def read(data):
    """{(type, id, language): bytes} of a program's resources, every one
    numbered (a resource named by a string is refused)."""
    resources = PE(data).resources()
    for key in resources:
        if any(field & SUBDIRECTORY for field in key):
            raise ResourceError("a resource is named by a string, which this kit does not keep: %r" % (key,))
    return resources


def tree(resources, section_rva):
    """The bytes of a resource section at section_rva holding resources: the
    directories (type, id, language, each level's entries by ascending id),
    then the data entries, then each resource's bytes on an 8-byte
    boundary."""
    types = {}
    for (kind, ident, language), data in sorted(resources.items()):
        types.setdefault(kind, {}).setdefault(ident, {})[language] = data
    directory = lambda count: 16 + 8 * count
    size = directory(len(types)) + sum(directory(len(ids)) + sum(directory(len(langs)) for langs in ids.values())
                                       for ids in types.values())
    entries_at = size
    data_at = align(entries_at + 16 * len(resources), 8)
    head, entries, blobs = bytearray(), bytearray(), bytearray()
    # Directories breadth-first: the root, every type's, then every id's.
    levels = [[(None, types)]]
    offset = directory(len(types))
    for depth in range(3):
        following = []
        for _, children in levels[depth]:
            head += struct.pack("<IIHHHH", 0, 0, 0, 0, 0, len(children))
            for ident, child in sorted(children.items()):
                if depth < 2:
                    head += struct.pack("<II", ident, SUBDIRECTORY | offset)
                    offset += directory(len(child))
                    following.append((ident, child))
                else:
                    head += struct.pack("<II", ident, entries_at + len(entries))
                    rva = section_rva + data_at + len(blobs)
                    entries += struct.pack("<IIII", rva, len(child), 0, 0)
                    blobs += child + b"\0" * (align(len(child), 8) - len(child))
        levels.append(following)
    assert len(head) == entries_at
    return bytes(head + entries + b"\0" * (data_at - entries_at - len(entries)) + blobs)


def replaced(data, resources):
    """(the program's bytes with these resources, whether a signature was
    dropped)."""
    _, checksum_at = header_offsets(data)
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    count, optional_size = struct.unpack_from("<H", data, pe + 6)[0], struct.unpack_from("<H", data, pe + 20)[0]
    optional = pe + 24
    wide = struct.unpack_from("<H", data, optional)[0] == 0x20B
    section_alignment, file_alignment = struct.unpack_from("<II", data, optional + 32)
    directories = optional + (112 if wide else 96)
    entry = lambda index: struct.unpack_from("<II", data, directories + 8 * index)
    table = optional + optional_size
    headers = [list(struct.unpack_from("<8sIIII", data, table + 40 * i)) for i in range(count)]
    names = [h[0].rstrip(b"\0").decode("ascii", "replace") for h in headers]
    resource_rva = entry(RESOURCE_ENTRY)[0]
    at = next((i for i, h in enumerate(headers) if h[2] == resource_rva), None)
    if not resource_rva or at is None:
        raise ResourceError("the program's resources are not a section of their own")
    stored = [h[4] for h in headers if h[3]]  # file offsets of the sections with bytes in the file
    if [h[2] for h in headers] != sorted(h[2] for h in headers) or stored != sorted(stored):
        raise ResourceError("the program's sections are not in address order in the file")
    relocations = entry(RELOCATION_ENTRY)[0]
    for i in range(at + 1, count):
        if headers[i][2] != relocations:
            raise ResourceError("the resources are followed by section %s, which holds what the program "
                                "addresses: link it with the resources last" % names[i])
    if struct.unpack_from("<I", data, pe + 12)[0]:
        raise ResourceError("the program carries a COFF symbol table after its sections: strip it first")
    end = headers[-1][4] + headers[-1][3]
    signed_at, signed_size = entry(SECURITY_ENTRY)
    rest = data[end:]
    if signed_size:
        if signed_at < end:
            raise ResourceError("the program's certificate lies inside its sections")
        rest = data[end:signed_at] + data[signed_at + signed_size:]
    if rest.strip(b"\0"):
        raise ResourceError("the program has %d bytes after its sections that the kit would not know where to put"
                            % len(rest))

    section = tree(resources, resource_rva)
    out = bytearray(data[:headers[at][4]])
    old_raw = headers[at][3]
    headers[at][1], headers[at][3] = len(section), align(len(section), file_alignment)
    out += section + b"\0" * (headers[at][3] - len(section))
    for i in range(at + 1, count):
        raw = data[headers[i][4]:headers[i][4] + headers[i][3]]
        previous = headers[i - 1]
        headers[i][2] = align(previous[2] + max(previous[1], 1), section_alignment)
        headers[i][4] = len(out)
        out += raw
        struct.pack_into("<I", out, directories + 8 * RELOCATION_ENTRY, headers[i][2])
    for i, h in enumerate(headers):
        struct.pack_into("<8sIIII", out, table + 40 * i, *h)
    last = headers[-1]
    struct.pack_into("<I", out, optional + 56, align(last[2] + last[1], section_alignment))
    initialised = struct.unpack_from("<I", out, optional + 8)[0]
    struct.pack_into("<I", out, optional + 8, initialised + headers[at][3] - old_raw)
    struct.pack_into("<II", out, directories + 8 * RESOURCE_ENTRY, resource_rva, len(section))
    struct.pack_into("<II", out, directories + 8 * SECURITY_ENTRY, 0, 0)
    struct.pack_into("<I", out, checksum_at, pe_checksum(bytes(out), checksum_at))
    return bytes(out), bool(signed_size)


def string_block(strings):
    """One RT_STRING block: sixteen strings, each its length in UTF-16 units
    and its UTF-16 text, an empty one a zero length."""
    block = b""
    for text in strings:
        encoded = text.encode("utf-16-le")
        block += struct.pack("<H", len(encoded) // 2) + encoded
    return block


def strings_of(block):
    """The sixteen strings of an RT_STRING block."""
    found, at = [], 0
    while at < len(block) and len(found) < 16:
        length = struct.unpack_from("<H", block, at)[0]
        found.append(block[at + 2:at + 2 + 2 * length].decode("utf-16-le"))
        at += 2 + 2 * length
    return found
