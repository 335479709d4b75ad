#!/usr/bin/python3
"""Checks the launcher as built. The product: a GUI PE32 for i386 that
imports exactly the four system DLLs of every Windows since 95 (no C
runtime), only functions those DLLs have had since Windows 95, whose every
instruction a 386 runs, and whose resources are the launcher's art, version
record and manifest, all in English (United Kingdom). The 64-bit build of
the same sources (the bench's vehicle on a 64-bit Wine) is checked for what
applies to it: a GUI PE32+ for x86-64 with the same four DLLs, resources
and size bound, and a manifest that names its own architecture."""
import os
import re
import struct
import subprocess
import sys
import tempfile

from tools import ROOT
from tools.build_steps import make_art
from tools.lab.pe import PE

SYSTEM_DLLS = ["ADVAPI32.DLL", "GDI32.DLL", "KERNEL32.DLL", "USER32.DLL"]
# Functions that Windows 95's own DLLs export; anything newer must be looked
# up at run time (as ShellExecuteExA is, from shell32).
WINDOWS_95 = {
    "ADVAPI32.DLL": {"RegCloseKey", "RegOpenKeyExA", "RegQueryValueExA"},
    "GDI32.DLL": {"BitBlt", "CreateCompatibleDC", "CreatePalette", "DeleteDC", "DeleteObject", "GetStockObject",
                  "RealizePalette", "SelectObject", "SelectPalette", "UnrealizeObject", "CreateDIBSection"},
    "KERNEL32.DLL": {"OpenProcess", "CloseHandle", "CreateFileA", "CreateMutexA", "CreateProcessA", "ExitProcess", "ExpandEnvironmentStringsA",
                     "FindResourceA", "FreeResource", "GetDriveTypeA", "GetFileAttributesA", "GetFileSize",
                     "GetLastError", "GetLogicalDriveStringsA", "GetModuleHandleA", "GetPrivateProfileStringA",
                     "GetProcAddress", "GetWindowsDirectoryA", "LoadLibraryA", "LoadLibraryExA", "LoadResource", "LockResource",
                     "ReadFile", "SetErrorMode", "SetLastError", "SizeofResource", "WaitForSingleObject",
                     "WideCharToMultiByte", "GetModuleFileNameA", "GetSystemDirectoryA", "MultiByteToWideChar",
                     "VirtualAlloc", "VirtualFree", "SearchPathA", "GetEnvironmentVariableA", "GetACP",
                     "FindResourceExA", "EnumResourceLanguagesA", "GetSystemDefaultLangID"},
    "USER32.DLL": {"BeginPaint", "CreateWindowExA", "DefWindowProcA", "DestroyWindow", "DispatchMessageA",
                   "EndPaint", "FillRect", "FindWindowA", "GetDC", "GetMessageA", "GetSystemMetrics",
                   "GetUpdateRect", "InvalidateRect", "IsWindow", "KillTimer", "LoadCursorA", "LoadIconA",
                   "LoadImageA", "MoveWindow", "PostMessageA", "PostQuitMessage", "RegisterClassA", "ReleaseDC",
                   "SetTimer", "ShowWindow", "TranslateMessage",
                   "BringWindowToTop", "FlashWindow", "GetKeyState", "IsIconic", "SetForegroundWindow",
                   "EnumWindows", "FindWindowExA", "GetWindowThreadProcessId", "IsWindowVisible", "WaitForInputIdle", "GetWindowTextA",
                   "GetClientRect", "GetFocus", "LoadStringA", "MapWindowPoints"},
}
UK_ENGLISH = 2057
RUN_FROM_SWAP = 0x0400  # IMAGE_FILE_REMOVABLE_RUN_FROM_SWAP
# What a 386 runs: its integer instructions (AT&T names; the size suffixes b,
# w and l are added below) and the 387's, which Windows 95 emulates where no
# coprocessor is fitted. Everything later (bswap, cmpxchg and xadd of the
# 486; cpuid, rdtsc and cmpxchg8b of the Pentium; cmov, fcmov, fcomi, the
# long nop and ud2 of the Pentium Pro; MMX and SSE) is refused.
I386 = set("""
aaa aad aam aas adc add and arpl bound bsf bsr bt btc btr bts call cbtw cwtl cwtd cltd clc cld cli clts cmc
cmp cmps daa das dec div enter hlt idiv imul in inc ins int int3 into iret ja jae jb jbe jc jcxz jecxz je jg
jge jl jle jna jnae jnb jnbe jnc jne jng jnge jnl jnle jno jnp jns jnz jo jp jpe jpo js jz jmp lahf lar lcall
lds lea leave les lfs lgdt lgs lidt ljmp lldt lmsw lock lods loop loope loopne loopnz loopz lret lsl lss ltr
mov movs movsbw movsbl movswl movzbw movzbl movzwl mul neg not or out outs pop popa popf push pusha pushf
rcl rcr rep repe repne repnz repz ret sahf sal sar sbb scas seta setae setb setbe setc sete setg setge setl
setle setna setnae setnb setnbe setnc setne setng setnge setnl setnle setno setnp setns setnz seto setp
setpe setpo sets setz sgdt shl shld shr shrd sidt sldt smsw stc std sti stos str sub test verr verw xchg
xlat xor""".split())
I386 |= {name + suffix for name in I386 for suffix in "bwl"}
I386 |= {"nop", "wait", "fwait", "ds", "es", "ss", "cs", "fs", "gs", "data16", "addr16"}
I387 = set("""
f2xm1 fabs fadd faddp fbld fbstp fchs fclex fnclex fcom fcomp fcompp fcos fdecstp fdiv fdivp fdivr fdivrp
ffree fiadd ficom ficomp fidiv fidivr fild fimul fincstp finit fninit fist fistp fisub fisubr fld fld1 fldcw
fldenv fldl2e fldl2t fldlg2 fldln2 fldpi fldz fmul fmulp fnop fpatan fprem fprem1 fptan frndint frstor fsave
fnsave fscale fsin fsincos fsqrt fst fstcw fnstcw fstenv fnstenv fstp fstsw fnstsw fsub fsubp fsubr fsubrp
ftst fucom fucomp fucompp fxam fxch fxtract fyl2x fyl2xp1""".split())
NEWER_REGISTERS = re.compile(r"%(x|y|z)?mm\d")
# The constructor and destructor lists that ld leaves at the end of .text:
# a -1 and a 0, twice. They are data, not code.
CONSTRUCTOR_LISTS = b"\xff\xff\xff\xff\0\0\0\0"
# The fifteen pictures by resource id, as the launcher's header numbers them.
BUTTON_FILES = {ident: name for name, ident in make_art.PICTURE_IDS.items()}
PALETTE_RESOURCE = make_art.IDS["PALETTE_RESOURCE"]

failures = []


def check(condition, message):
    print(("ok   " if condition else "FAIL ") + message)
    if not condition:
        failures.append(message)


def is_386_instruction(mnemonic):
    if mnemonic in I386:
        return True
    # x87 names carry s, l, t or ll for the operand's size.
    return any(mnemonic.endswith(suffix) and mnemonic[:len(mnemonic) - len(suffix)] in I387
               for suffix in ("", "s", "l", "t", "ll"))


def instructions_beyond_386(path, pe):
    """[(address, instruction text)] of every instruction in .text that a 386
    cannot run, found by disassembling the whole section."""
    start, code = pe.text()
    while code.endswith(CONSTRUCTOR_LISTS):
        code = code[:-len(CONSTRUCTOR_LISTS)]
    listing = subprocess.run(["i686-w64-mingw32-objdump", "-d", "--no-show-raw-insn",
                              "--start-address=0x%x" % start, "--stop-address=0x%x" % (start + len(code)), path],
                             check=True, capture_output=True, text=True).stdout
    found = []
    for line in listing.splitlines():
        match = re.match(r"\s*([0-9a-f]+):\s+(.*)$", line)
        if not match:
            continue
        address, text = int(match.group(1), 16), match.group(2).strip()
        words = text.split()
        # Prefixes stand before the instruction they change.
        while len(words) > 1 and words[0] in ("rep", "repz", "repnz", "repe", "repne", "lock", "data16",
                                              "addr16", "ds", "es", "ss", "cs", "fs", "gs"):
            words = words[1:]
        if not words or not is_386_instruction(words[0]) or NEWER_REGISTERS.search(text):
            found.append((address, text))
    return found


def version_record(data):
    at = data.index(struct.pack("<I", 0xFEEF04BD))
    file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<IIII", data, at + 8)
    version = lambda ms, ls: (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
    return version(file_ms, file_ls), version(product_ms, product_ls)


def string_value(data, key):
    marker = key.encode("utf-16-le") + b"\0\0"
    at = data.index(marker) + len(marker)
    while at % 4:
        at += 1
    end = at
    while data[end:end + 2] != b"\0\0":
        end += 2
    return data[at:end].decode("utf-16-le")


def read(path):
    with open(path, "rb") as f:
        return f.read()


def string_table(block):
    """The strings of a block of the string table (ids 0 to 15), by id: each
    is a 16-bit length and that many UTF-16 units; empty ones are left out."""
    strings, at = {}, 0
    for ident in range(16):
        if at + 2 > len(block):
            break
        length = struct.unpack_from("<H", block, at)[0]
        if length:
            strings[ident] = block[at + 2:at + 2 + 2 * length].decode("utf-16-le")
        at += 2 + 2 * length
    return strings


def main(path):
    with open(path, "rb") as f:
        pe = PE(f.read())
    product = not pe.wide
    if product:
        check(pe.machine == 0x14C, "machine i386")
        check(pe.magic == 0x10B, "PE32 (not PE32+)")
        # x86-64 code addresses its data relative to the instruction
        # pointer: the 64-bit build may need no relocations at all.
        check(pe.directories[5][1] > 0, "relocations kept (%d bytes)" % pe.directories[5][1])
    else:
        check(pe.machine == 0x8664, "machine x86-64 (the 64-bit build)")
    check(pe.subsystem == 2, "Windows GUI subsystem")
    check(pe.dll_characteristics & 0x140 == 0x140, "ASLR and DEP flags (0x%04x)" % pe.dll_characteristics)
    check(pe.characteristics & RUN_FROM_SWAP == RUN_FROM_SWAP,
          "runs from the swap file when started from removable media (characteristics 0x%04x)"
          % pe.characteristics)
    stored, computed = pe.checksum()
    check(stored == computed, "image checksum 0x%x matches its bytes (0x%x)" % (stored, computed))
    own = pe.code_and_data_bytes()
    if product:
        # 17 KiB before the launcher learnt to pick its language among its
        # resources' (the pick, the loads by language and the language's
        # files on the disc took about 1,250 bytes).
        check(own <= 18 * 1024, "code and data without resources: %d bytes (at most 18,432)" % own)
    else:
        # The 64-bit build only carries the bench: its pointers and
        # instruction prefixes make the same sources about a tenth larger.
        check(own <= 21 * 1024, "code and data without resources: %d bytes (the 64-bit build, at most 21,504)" % own)
    if product:
        beyond = instructions_beyond_386(path, pe)
        check(not beyond, "every instruction runs on a 386: %s" % (
            "; ".join("%s at 0x%x" % (text, address) for address, text in beyond[:10]) or "yes"))
    imports = {dll.upper(): functions for dll, functions in pe.imports().items()}
    check(sorted(imports) == SYSTEM_DLLS, "imports exactly %s: %s" % (", ".join(SYSTEM_DLLS), ", ".join(sorted(imports))))
    if product:
        newer = sorted("%s!%s" % (dll, f) for dll, functions in imports.items() for f in functions
                       if f not in WINDOWS_95.get(dll, ()))
        check(not newer, "imports only functions Windows 95 has: %s" % (", ".join(newer) or "all %d are"
                                                                          % sum(map(len, imports.values()))))

    resources = pe.resources()
    check(all(language == UK_ENGLISH for (_, _, language) in resources), "every resource in language 2057")
    ids = lambda kind: sorted(name for (t, name, _) in resources if t == kind)
    check(ids(2) == sorted(BUTTON_FILES), "bitmaps %s" % ids(2))
    for ident, name in BUTTON_FILES.items():
        # A bitmap resource is the file less its file header.
        expected = read(os.path.join(ROOT, "src", "resources", "buttons", name + ".bmp"))[14:]
        if resources.get((2, ident, UK_ENGLISH)) != expected:
            check(False, "bitmap %d is %s.bmp" % (ident, name))
    captions = string_table(resources.get((6, 1, UK_ENGLISH), b""))
    drawn = {make_art.CAPTION_IDS[name]: caption for name, (caption, _, _) in make_art.BUTTONS.items()}
    drawn[make_art.IDS["PRESS_STRING"]] = make_art.SAMPLE.press
    check(captions == drawn, "string table %s holds the captions drawn on the buttons and their action %s"
          % (captions, drawn))
    # And the tree's pictures and string table are what the generator makes
    # of its captions today: a caption changed there and not regenerated
    # would leave the pictures and what readers are told apart.
    with tempfile.TemporaryDirectory() as art:
        subprocess.run([sys.executable, "-m", "tools.build_steps.make_art", "--out", art, "--no-background"],
                       check=True)
        stale = [name for name in ["captions.rc"] + ["buttons/%s.bmp" % n for n in BUTTON_FILES.values()]
                 if read(os.path.join(art, "resources", name)) != read(os.path.join(ROOT, "src", "resources", name))]
    check(not stale, "src/resources is what scripts/make-art draws: %s" % (", ".join(stale) or "yes"))
    palette = read(os.path.join(ROOT, "src", "resources", "palette.pal"))
    check(resources.get((10, PALETTE_RESOURCE, UK_ENGLISH)) == palette,
          "RCDATA %d is the palette text" % PALETTE_RESOURCE)
    manifest = resources.get((24, 1, UK_ENGLISH), b"")
    check(b'level="asInvoker"' in manifest, "manifest asks to run as invoker")
    architecture = b'processorArchitecture="%s"' % (b"x86" if product else b"amd64")
    check(architecture in manifest, "manifest names the program's architecture (%s)" % architecture.decode())
    version = resources.get((16, 1, UK_ENGLISH), b"")
    check(bool(version), "version record present")
    if version:
        file_version, product_version = version_record(version)
        check(file_version == (0, 0, 0, 5), "file version %s" % (file_version,))
        check(product_version == (1, 0, 0, 0), "product version %s" % (product_version,))
        check(string_value(version, "FileDescription") == "Autorun", "file description Autorun")
        check(string_value(version, "InternalName") == "Autorun", "internal name Autorun")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
