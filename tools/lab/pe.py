"""Reads a PE32 or PE32+ executable: its headers, sections, imports and resources."""
import struct

from tools.build_steps.mark_run_from_swap import header_offsets, pe_checksum


class PE:
    def __init__(self, data):
        self.data = data
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        self.machine, sections, _, _, _, optional_size, self.characteristics = struct.unpack_from(
            "<HHIIIHH", data, pe + 4)
        optional = pe + 24
        self.magic = struct.unpack_from("<H", data, optional)[0]
        # PE32+ (0x20B) widens the image base and the stack and heap sizes
        # to 64 bits, which moves the data directories 16 bytes on, and its
        # import thunks are 64 bits wide.
        self.wide = self.magic == 0x20B
        if self.wide:
            self.image_base = struct.unpack_from("<Q", data, optional + 24)[0]
        else:
            self.image_base = struct.unpack_from("<I", data, optional + 28)[0]
        self.subsystem, self.dll_characteristics = struct.unpack_from("<HH", data, optional + 68)
        directories = optional + (112 if self.wide else 96)
        self.directories = [struct.unpack_from("<II", data, directories + 8 * i) for i in range(16)]
        self.sections = []
        self.section_sizes = {}
        self.named_sections = {}  # name: (virtual address, virtual size, file offset, file size)
        table = optional + optional_size
        for i in range(sections):
            name, vsize, vaddr, rsize, rptr = struct.unpack_from("<8sIIII", data, table + 40 * i)
            name = name.rstrip(b"\0").decode("ascii")
            self.sections.append((vaddr, max(vsize, rsize), rptr, rsize))
            self.section_sizes[name] = vsize
            self.named_sections[name] = (vaddr, vsize, rptr, rsize)

    def text(self):
        """(virtual address, bytes) of the code section."""
        if ".text" not in self.named_sections:
            raise ValueError("no .text section")
        vaddr, vsize, rptr, rsize = self.named_sections[".text"]
        return self.image_base + vaddr, self.data[rptr:rptr + min(vsize, rsize)]

    def checksum(self):
        """(the image checksum stored in the header, the one its bytes give)."""
        _, stored_at = header_offsets(self.data)
        return struct.unpack_from("<I", self.data, stored_at)[0], pe_checksum(self.data, stored_at)

    def offset(self, rva):
        for vaddr, size, rptr, _ in self.sections:
            if vaddr <= rva < vaddr + size:
                return rptr + rva - vaddr
        raise ValueError("rva %x outside every section" % rva)

    def string(self, rva):
        at = self.offset(rva)
        return self.data[at:self.data.index(b"\0", at)].decode("ascii")

    def code_and_data_bytes(self):
        """Every section but the resources and the zero-filled .bss."""
        return sum(size for name, size in self.section_sizes.items() if name not in (".rsrc", ".bss"))

    def resource_bytes(self):
        """The file bytes of the resource section, 0 when there is none."""
        rva, _ = self.directories[2]
        return next((raw for vaddr, _, _, raw in self.sections if rva and vaddr == rva), 0)

    def imports(self):
        """{dll: [function, ...]}, functions by name (ordinals as #N)."""
        rva, _ = self.directories[1]
        found = {}
        at = self.offset(rva)
        while True:
            entry = struct.unpack_from("<IIIII", self.data, at)
            if entry == (0, 0, 0, 0, 0):
                return found
            functions = found.setdefault(self.string(entry[3]), [])
            thunk = self.offset(entry[0] or entry[4])
            width, by_ordinal = (8, 1 << 63) if self.wide else (4, 1 << 31)
            while True:
                value = struct.unpack_from("<Q" if self.wide else "<I", self.data, thunk)[0]
                if value == 0:
                    break
                functions.append("#%d" % (value & 0xFFFF) if value & by_ordinal else
                                 self.string((value & 0x7FFFFFFF) + 2))
                thunk += width
            at += 20

    def resources(self):
        """{(type, id, language): bytes}"""
        base_rva, _ = self.directories[2]
        base = self.offset(base_rva)
        found = {}

        def entries(at):
            named, numbered = struct.unpack_from("<HH", self.data, at + 12)
            for i in range(named + numbered):
                ident, target = struct.unpack_from("<II", self.data, at + 16 + 8 * i)
                yield ident, target

        for type_id, type_target in entries(base):
            for name_id, name_target in entries(base + (type_target & 0x7FFFFFFF)):
                for language, data_target in entries(base + (name_target & 0x7FFFFFFF)):
                    rva, size, _, _ = struct.unpack_from("<IIII", self.data, base + data_target)
                    at = self.offset(rva)
                    found[(type_id, name_id, language)] = self.data[at:at + size]
        return found
