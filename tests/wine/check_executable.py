#!/usr/bin/python3
"""Checks the product executable as built: a GUI PE32 for i386 that imports
exactly the four system DLLs of every Windows since 95 (no C runtime), only
functions those DLLs have had since Windows 95, and whose resources are the
launcher's art, version record and manifest, all in English (United
Kingdom)."""
import os
import struct
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "tools", "lab"))
from pe import PE  # noqa: E402

SYSTEM_DLLS = ["ADVAPI32.DLL", "GDI32.DLL", "KERNEL32.DLL", "USER32.DLL"]
# Functions that Windows 95's own DLLs export; anything newer must be looked
# up at run time (as ShellExecuteExA is, from shell32).
WINDOWS_95 = {
    "ADVAPI32.DLL": {"RegCloseKey", "RegOpenKeyExA", "RegQueryValueExA"},
    "GDI32.DLL": {"BitBlt", "CreateCompatibleDC", "CreatePalette", "DeleteDC", "DeleteObject", "GetStockObject",
                  "RealizePalette", "SelectObject", "SelectPalette", "UnrealizeObject"},
    "KERNEL32.DLL": {"CloseHandle", "CreateFileA", "CreateProcessA", "ExitProcess", "ExpandEnvironmentStringsA",
                     "FindResourceA", "FreeResource", "GetDriveTypeA", "GetFileAttributesA", "GetFileSize",
                     "GetLastError", "GetLogicalDriveStringsA", "GetModuleHandleA", "GetPrivateProfileStringA",
                     "GetProcAddress", "GetWindowsDirectoryA", "LoadLibraryA", "LoadResource", "LockResource",
                     "ReadFile", "SetErrorMode", "SizeofResource", "WaitForSingleObject"},
    "USER32.DLL": {"BeginPaint", "CreateWindowExA", "DefWindowProcA", "DestroyWindow", "DispatchMessageA",
                   "EndPaint", "FillRect", "FindWindowA", "GetDC", "GetMessageA", "GetSystemMetrics",
                   "GetUpdateRect", "InvalidateRect", "IsWindow", "KillTimer", "LoadCursorA", "LoadIconA",
                   "LoadImageA", "MoveWindow", "PostMessageA", "PostQuitMessage", "RegisterClassA", "ReleaseDC",
                   "SetTimer", "ShowWindow", "TranslateMessage"},
}
UK_ENGLISH = 2057
BUTTON_FILES = {
    110: "cancel_normal", 104: "cancel_pressed", 115: "cancel_highlighted",
    111: "install_normal", 119: "install_pressed", 116: "install_highlighted",
    112: "readme_normal", 106: "readme_pressed", 117: "readme_highlighted",
    113: "run_normal", 107: "run_pressed", 118: "run_highlighted",
    114: "uninstall_normal", 108: "uninstall_pressed", 105: "uninstall_highlighted",
}

failures = []


def check(condition, message):
    print(("ok   " if condition else "FAIL ") + message)
    if not condition:
        failures.append(message)


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


def main(path):
    with open(path, "rb") as f:
        pe = PE(f.read())
    check(pe.machine == 0x14C, "machine i386")
    check(pe.magic == 0x10B, "PE32 (not PE32+)")
    check(pe.subsystem == 2, "Windows GUI subsystem")
    check(pe.dll_characteristics & 0x140 == 0x140, "ASLR and DEP flags (0x%04x)" % pe.dll_characteristics)
    check(pe.directories[5][1] > 0, "relocations kept (%d bytes)" % pe.directories[5][1])
    own = pe.code_and_data_bytes()
    check(own <= 10 * 1024, "code and data without resources: %d bytes (at most 10,240)" % own)
    imports = {dll.upper(): functions for dll, functions in pe.imports().items()}
    check(sorted(imports) == SYSTEM_DLLS, "imports exactly %s: %s" % (", ".join(SYSTEM_DLLS), ", ".join(sorted(imports))))
    newer = sorted("%s!%s" % (dll, f) for dll, functions in imports.items() for f in functions
                   if f not in WINDOWS_95.get(dll, ()))
    check(not newer, "imports only functions Windows 95 has: %s" % (", ".join(newer) or "all %d are"
                                                                      % sum(map(len, imports.values()))))

    resources = pe.resources()
    check(all(language == UK_ENGLISH for (_, _, language) in resources), "every resource in language 2057")
    ids = lambda kind: sorted(name for (t, name, _) in resources if t == kind)
    check(ids(2) == sorted(BUTTON_FILES), "bitmaps %s" % ids(2))
    for ident, name in BUTTON_FILES.items():
        with open(os.path.join(ROOT, "src", "resources", "buttons", name + ".bmp"), "rb") as f:
            expected = f.read()[14:]  # a bitmap resource is the file less its file header
        if resources.get((2, ident, UK_ENGLISH)) != expected:
            check(False, "bitmap %d is %s.bmp" % (ident, name))
    with open(os.path.join(ROOT, "src", "resources", "palette.pal"), "rb") as f:
        check(resources.get((10, 101, UK_ENGLISH)) == f.read(), "RCDATA 101 is the palette text")
    manifest = resources.get((24, 1, UK_ENGLISH), b"")
    check(b'level="asInvoker"' in manifest, "manifest asks to run as invoker")
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
