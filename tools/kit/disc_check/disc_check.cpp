// disc-check DRIVE: [REPORT]
// Checks a disc (or a folder mapped to a drive letter) the way the launcher
// will read it, with the launcher's own configuration and palette code, and
// reports one line for each fault: the file, and what to do about it.
// The report goes to standard output, or to the file REPORT when given.
// Exit code 0 for a good disc, 1 when it has faults, 2 for bad usage.
#include <ctype.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "disc/disc.h"
#include "disc/profile.h"
#include "ui/palette.h"
#include "ui/picture.h"

static const char Missing[] = "\x01(missing)";
static char DiscRoot[8];  // "E:\\", the disc's root
static int Faults;

static void Report(const char* file, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    printf("%s: ", file);
    vprintf(format, args);
    printf("\n");
    va_end(args);
    ++Faults;
}

// A note: what Windows will make of something that is not a fault. Notes
// leave the exit code alone.
static void Note(const char* file, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    printf("note: %s: ", file);
    vprintf(format, args);
    printf("\n");
    va_end(args);
}

static int DiscFileExists(const char* name)
{
    char path[PathSize];
    return FormatText(path, PathSize, "%s%s", DiscRoot, name) && OpenForReading(path);
}

// The disc's autorun.inf as the launcher reads it, by its own bytes, so that
// an IniFileMapping entry on the checking machine changes nothing.
// Read once, whole, and kept for the run.
static const BYTE* AutorunText(DWORD* length)
{
    static const BYTE* text;
    static DWORD size;
    static int read;
    char path[PathSize];
    if (!read && FormatText(path, PathSize, "%sautorun.inf", DiscRoot)) {
        void* memory;
        text = ReadProfileFile(path, &size, &memory);
        read = 1;
    }
    *length = size;
    return text;
}

// Every value disc-check reads from autorun.inf, of any section, comes
// through here, with a larger buffer than the launcher's, so that its real
// length can be told: Missing when the key is not there. With key NULL, the
// section's key names, each ended by a zero and the list by another (an
// empty list when there is no such section).
static int ReadAutorunValue(const char* section, const char* key, char* value, int size)
{
    memset(value, 0, (size_t)size);
    DWORD length;
    const BYTE* text = AutorunText(&length);
    if (key == NULL)
        return ListProfileKeys(text, length, section, value, size);
    if (!FindProfileValue(text, length, section, key, value, size))
        FormatText(value, size, "%s", Missing);
    return (int)strlen(value);
}

// A UTF-8 byte-order mark (an editor's option, Notepad's among them) is
// skipped by the launcher, but Windows' profile functions, through which
// AutoPlay reads the file, take it as part of the first line: a section
// named there is not found. A fault when the first line holds a section, a
// note otherwise.
static void CheckByteOrderMark(const char* path)
{
    char start[1024];
    DWORD length = ReadFileStart(path, (BYTE*)start, sizeof start - 1);
    if (length < 3 || memcmp(start, "\xef\xbb\xbf", 3) != 0)
        return;
    start[length] = '\0';
    char* line = start + 3;
    line[strcspn(line, "\r\n")] = '\0';
    line += strspn(line, " \t\x1a");
    char* close = strrchr(line, ']');
    if (line[0] == '[' && close != NULL && close > line) {
        close[1] = '\0';
        Report("autorun.inf", "starts with a UTF-8 byte-order mark, which Windows reads as part of the first line: "
                              "AutoPlay and Windows' profile functions miss its %s section; save it as ANSI "
                              "(or as UTF-16) without the mark",
               line);
    } else {
        Note("autorun.inf", "starts with a UTF-8 byte-order mark, which Windows reads as part of the first line (no "
                            "section there, so nothing is missed); the launcher skips it; save it as ANSI to be "
                            "sure");
    }
}

// Windows 95 to Me's profile functions, through which AutoPlay reads the
// file, stop at its first 64 KB; the launcher and Windows NT read it whole.
static void CheckProfileSize(const char* path)
{
    HANDLE file = OpenQuietly(path);
    DWORD size = file != INVALID_HANDLE_VALUE ? GetFileSize(file, NULL) : 0;
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    if (size != INVALID_FILE_SIZE && size > Windows9xProfileLimit)
        Note("autorun.inf", "is %lu bytes: Windows 95, 98 and Me read only its first 65,536 (what lies after is "
                            "missed by their AutoPlay); the launcher and Windows NT read it whole",
             (unsigned long)size);
}

// Windows 95 on a real-mode CD-ROM driver (MSCDEX) reads only a disc's ISO
// 9660 names: at most eight letters, digits or underscores, a dot and at
// most three more, in capitals (looked up without regard to case). A folder
// has no dot.
static int IsShortName(const char* name, int length, int folder)
{
    int base = 0;
    int extension = -1;
    for (int i = 0; i < length; ++i) {
        char c = name[i];
        if (c == '.') {
            if (extension >= 0 || folder)
                return 0;
            extension = 0;
        } else if (!isalnum((unsigned char)c) && c != '_') {
            return 0;
        } else if (extension >= 0) {
            ++extension;
        } else {
            ++base;
        }
    }
    return base >= 1 && base <= 8 && extension != 0 && extension <= 3;
}

// The name a long one gets in the ISO 9660 tree: capitals, other characters
// as underscores, the name cut to 8 and the extension to 3.
static void IsoName(const char* name, char* out, int size)
{
    const char* dot = strrchr(name, '.');
    int at = 0;
    for (const char* p = name; *p != '\0' && at < size - 1; ++p) {
        int inBase = dot == NULL || p < dot;
        int used = inBase ? (int)(p - name) : (int)(p - dot) - 1;
        if (p == dot) {
            out[at++] = '.';
        } else if (used < (inBase ? 8 : 3)) {
            out[at++] = isalnum((unsigned char)*p) ? (char)toupper((unsigned char)*p) : '_';
        }
    }
    out[at] = '\0';
}

// A file the launcher or autorun.inf names, given from the disc root.
static void CheckShortName(const char* path)
{
    const char* part = path;
    while (*part == '\\')
        ++part;
    while (*part != '\0') {
        const char* end = part;
        while (*end != '\0' && *end != '\\' && *end != '/')
            ++end;
        if (!IsShortName(part, (int)(end - part), *end != '\0')) {
            char iso[PathSize];
            IsoName(strrchr(path, '\\') != NULL ? strrchr(path, '\\') + 1 : path, iso, PathSize);
            Report(path, "not an 8.3 name: Windows 95 on a real-mode CD-ROM driver (MSCDEX) reads only the disc's "
                         "ISO 9660 names, where it is %s, and finds nothing under this one; rename it to at most 8 "
                         "letters, digits or _, a dot and 3 more (and name it so in autorun.inf)",
                   iso);
            return;
        }
        part = *end != '\0' ? end + 1 : end;
    }
}

// Splits an [autorun] command into its program (as the launcher itself
// splits a command line, from the disc root) and the folder that holds it
// (with its closing backslash, or empty for the root).
static void CommandProgram(const char* command, char* program, char* folder)
{
    char arguments[CommandLineSize];
    if (!SplitCommandLine(command, program, arguments))
        program[0] = '\0';
    const char* name = strrchr(program, '\\');
    int length = name != NULL ? (int)(name + 1 - program) : 0;
    memcpy(folder, program, (size_t)length);
    folder[length] = '\0';
}

// open= (or shellexecute= without it, which Windows 95 and 98 ignore) must
// start the launcher. Gives the folder of the program it starts.
static void CheckAutorunEntry(char* openFolder)
{
    char open[1024];
    char shellExecute[1024];
    openFolder[0] = '\0';
    ReadAutorunValue("autorun", "open", open, sizeof open);
    ReadAutorunValue("autorun", "shellexecute", shellExecute, sizeof shellExecute);
    if (strcmp(open, Missing) == 0) {
        if (strcmp(shellExecute, Missing) != 0)
            Report("autorun.inf", "[autorun] has shellexecute= but no open= entry: Windows 95 and 98 ignore "
                                  "shellexecute= (it needs shell version 5.0); add open=autorun.exe");
        else
            Report("autorun.inf", "[autorun] has no open= entry: add open=autorun.exe, or Windows will not start "
                                  "the launcher when the disc goes in");
        return;
    }
    char program[CommandLineSize];
    CommandProgram(open, program, openFolder);
    const char* name = program + strlen(openFolder);
    if (_stricmp(name, "autorun.exe") != 0)
        Report("autorun.inf", "[autorun] open=%s does not start the launcher: set open=autorun.exe", open);
    else if (openFolder[0] != '\0')
        CheckShortName(program);
}

// Reads bytes at an offset of a file; 1 when all of them were read.
static int ReadAt(const char* path, DWORD offset, void* buffer, DWORD bytes)
{
    HANDLE file = OpenQuietly(path);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    DWORD read = 0;
    int ok = SetFilePointer(file, (LONG)offset, NULL, FILE_BEGIN) == offset &&
             ReadFile(file, buffer, bytes, &read, NULL) && read == bytes;
    CloseHandle(file);
    return ok;
}

static BOOL CALLBACK CountIconGroup(HMODULE, LPCSTR, LPSTR, LONG_PTR count)
{
    ++*(int*)count;
    return TRUE;
}

// An .ico file holds what Windows shows when its icon directory holds
// together: reserved 0, type 1, at least one image, and each image inside
// the file, a bitmap (with its BITMAPINFOHEADER) or a PNG picture.
static int IsSoundIconFile(const char* path)
{
    HANDLE file = OpenQuietly(path);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    DWORD fileSize = GetFileSize(file, NULL);
    CloseHandle(file);
    unsigned char head[6];
    if (fileSize == INVALID_FILE_SIZE || !ReadAt(path, 0, head, sizeof head))
        return 0;
    unsigned count = head[4] | head[5] << 8;
    if (head[0] != 0 || head[1] != 0 || head[2] != 1 || head[3] != 0 || count == 0)
        return 0;
    DWORD images = 6 + 16 * count;
    for (unsigned i = 0; i < count; ++i) {
        unsigned char entry[16];
        if (!ReadAt(path, 6 + 16 * i, entry, sizeof entry))
            return 0;
        DWORD bytes = entry[8] | entry[9] << 8 | entry[10] << 16 | (DWORD)entry[11] << 24;
        DWORD offset = entry[12] | entry[13] << 8 | entry[14] << 16 | (DWORD)entry[15] << 24;
        unsigned char image[8];
        if (offset < images || offset > fileSize || bytes < sizeof image || bytes > fileSize - offset ||
            !ReadAt(path, offset, image, sizeof image))
            return 0;
        static const unsigned char Png[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
        if (memcmp(image, Png, sizeof Png) != 0 && !(image[0] == 40 && image[1] == 0 && image[2] == 0 &&
                                                     image[3] == 0 && bytes >= 40))
            return 0;
    }
    return 1;
}

// icon=FILE[,INDEX]: an .ico, .bmp, .exe or .dll file in the folder of the
// open= program; in a program, the INDEX-th icon group (or, for a negative
// INDEX, the one with that number), as ExtractIcon counts them.
static void CheckIcon(const char* openFolder)
{
    char value[1024];
    ReadAutorunValue("autorun", "icon", value, sizeof value);
    if (strcmp(value, Missing) == 0)
        return;
    char file[PathSize];
    const char* comma = strrchr(value, ',');
    int length = comma != NULL ? (int)(comma - value) : (int)strlen(value);
    while (length > 0 && (value[length - 1] == ' ' || value[length - 1] == '\t'))
        --length;
    int index = comma != NULL ? atoi(comma + 1) : 0;
    if (length == 0 || length >= PathSize - 3 - (int)strlen(openFolder)) {
        Report("autorun.inf", "[autorun] icon=%s names no file Windows could read: name the disc's .ico file", value);
        return;
    }
    char given[PathSize];
    memcpy(given, value, (size_t)length);
    given[length] = '\0';
    const char* slash = NULL;
    for (int i = 0; i < length; ++i)
        if (given[i] == '\\' || given[i] == '/')
            slash = given + i;
    if (slash != NULL) {
        int folder = (int)(slash + 1 - given);
        if (folder != (int)strlen(openFolder) || _strnicmp(given, openFolder, (size_t)folder) != 0) {
            Report("autorun.inf", "[autorun] icon=%s is not in the folder of the open= program: Windows takes "
                                  "the icon only from there; put it beside the launcher and name it so",
                   value);
            return;
        }
        FormatText(file, PathSize, "%s", given);
    } else {
        FormatText(file, PathSize, "%s%s", openFolder, given);
    }
    char path[PathSize];
    FormatText(path, PathSize, "%s%s", DiscRoot, file);
    if (!IsExistingFile(path)) {
        Report(file, "missing: Explorer would show the plain drive icon; add it or correct icon= in autorun.inf");
        return;
    }
    const char* extension = strrchr(file, '.');
    extension = extension != NULL ? extension : "";
    if (_stricmp(extension, ".ico") == 0) {
        if (!IsSoundIconFile(path))
            Report(file, "not a sound icon file (its icon directory or an image in it does not hold together): "
                         "Explorer would show the plain drive icon; save it again as an .ico");
        else if (index != 0)
            Report("autorun.inf", "[autorun] icon=%s: an .ico file holds one icon, at index 0: give icon=%s",
                   value, file);
    } else if (_stricmp(extension, ".exe") == 0 || _stricmp(extension, ".dll") == 0) {
        HMODULE module = LoadLibraryExA(path, NULL, LOAD_LIBRARY_AS_DATAFILE);
        int count = 0;
        int found = 0;
        if (module != NULL) {
            EnumResourceNamesA(module, RT_GROUP_ICON, CountIconGroup, (LONG_PTR)&count);
            found = index >= 0 ? index < count : FindResourceA(module, MAKEINTRESOURCEA(-index), RT_GROUP_ICON) != NULL;
            FreeLibrary(module);
        }
        if (module == NULL)
            Report(file, "not a program Windows can take an icon from: Explorer would show the plain drive icon; "
                         "name the disc's .ico file in icon= in autorun.inf");
        else if (count == 0)
            Report(file, "holds no icon: Explorer would show the plain drive icon for icon=%s; name the disc's .ico "
                         "file in icon= in autorun.inf",
                   value);
        else if (!found)
            Report(file, "holds no icon at index %d (it holds %d): Explorer would show the plain drive icon; "
                         "correct icon= in autorun.inf",
                   index, count);
    } else if (_stricmp(extension, ".bmp") == 0) {
        BitmapLayout layout;
        if (!ReadBitmapLayout(path, &layout))
            Report(file, "not a whole Windows bitmap: Explorer would show the plain drive icon; save it again or "
                         "name the disc's .ico file in icon= in autorun.inf");
    } else {
        Report("autorun.inf", "[autorun] icon=%s names neither an .ico, .bmp, .exe nor .dll file: Windows takes "
                              "the disc's icon only from those",
               value);
        return;
    }
    CheckShortName(file);
}

// label=, shell\VERB\command=, action= and UseAutoPlay=.
static void CheckOtherEntries()
{
    char value[1024];
    ReadAutorunValue("autorun", "label", value, sizeof value);
    int length = (int)strlen(value);
    if (strcmp(value, Missing) != 0 && length > 32)
        Report("autorun.inf", "[autorun] label= is %d characters long: Windows shows only the first 32, "
                              "\"%.32s\"; shorten it",
               length, value);
    ReadAutorunValue("autorun", "action", value, sizeof value);
    if (strcmp(value, Missing) != 0)
        Note("autorun.inf", "[autorun] action= is not used for CD-ROM drives (Windows shows it only for "
                            "removable and fixed disks): on this disc it changes nothing");
    ReadAutorunValue("autorun", "UseAutoPlay", value, sizeof value);
    if (strcmp(value, Missing) != 0 && atoi(value) != 0)
        Report("autorun.inf", "[autorun] UseAutoPlay=%s: Windows XP and later then offer AutoPlay's choices for "
                              "the disc's files instead of starting open=; remove it",
               value);

    char keys[4096];
    ReadAutorunValue("autorun", NULL, keys, sizeof keys);
    for (const char* key = keys; *key != '\0'; key += strlen(key) + 1) {
        if (_strnicmp(key, "shell\\", 6) != 0)
            continue;
        const char* verb = key + 6;
        const char* end = strchr(verb, '\\');
        int verbLength = end != NULL ? (int)(end - verb) : (int)strlen(verb);
        if (memchr(verb, ' ', (size_t)verbLength) != NULL || memchr(verb, '\t', (size_t)verbLength) != NULL)
            Report("autorun.inf", "[autorun] %s: the verb \"%.*s\" holds a blank, which a verb cannot: write it "
                                  "without blanks (the menu's text goes in shell\\VERB=)",
                   key, verbLength, verb);
        if (end == NULL || _stricmp(end, "\\command") != 0)
            continue;
        ReadAutorunValue("autorun", key, value, sizeof value);
        char program[CommandLineSize];
        char folder[CommandLineSize];
        CommandProgram(value, program, folder);
        const char* relative = program[0] == '\\' ? program + 1 : program;
        char path[PathSize];
        if (relative[0] == '\0' || strchr(relative, ':') != NULL ||
            !FormatText(path, PathSize, "%s%s", DiscRoot, relative) || !IsExistingFile(path))
            Report("autorun.inf", "[autorun] %s=%s does not name a program on the disc: the menu command would "
                                  "start nothing; put the program on the disc and name it from the disc root",
                   key, value);
        else
            CheckShortName(relative);
    }
}

static int CheckInstallKey(const char* key, int limit, const char* use)
{
    char value[4096];
    ReadAutorunValue("install", key, value, sizeof value);
    if (strcmp(value, Missing) == 0) {
        Report("autorun.inf", "[install] has no %s= entry: add it (%s)", key, use);
        return 0;
    }
    if (value[0] == '\0') {
        Report("autorun.inf", "[install] %s= is empty: give it a value (%s)", key, use);
        return 0;
    }
    int length = (int)strlen(value);
    if (length > limit) {
        Report("autorun.inf", "[install] %s= is %d characters long: the launcher takes at most %d", key, length,
               limit);
        return 0;
    }
    return 1;
}

static const char* CompressionName(DWORD compression)
{
    switch (compression) {
    case 1:
        return "RLE8";
    case 2:
        return "RLE4";
    case 3:
        return "BI_BITFIELDS";
    default:
        return "compressed";
    }
}

// An 8-bit uncompressed picture shows the same on a 256-colour display only
// when its colour table is the launcher's palette entry for entry (a shorter
// table is fine) and no pixel uses an entry past the table.
static void CheckColours(const char* path, const char* name, const BitmapLayout* layout)
{
    PALETTEENTRY launcher[256];
    HPALETTE palette = CreateAppPalette(GetModuleHandleA(NULL));
    if (palette == NULL || GetPaletteEntries(palette, 0, 256, launcher) != 256) {
        printf("disc-check: the launcher's palette could not be read\n");
        ++Faults;
        return;
    }
    DeleteObject(palette);
    unsigned char table[256 * 4];
    DWORD tableBytes = layout->ColourCount * layout->ColourEntrySize;
    if (!ReadAt(path, layout->ColourTableOffset, table, tableBytes)) {
        Report(name, "its colour table could not be read: save it again (scripts/make-background)");
        return;
    }
    unsigned differ = 0;
    for (unsigned i = 0; i < layout->ColourCount; ++i) {
        const unsigned char* entry = table + i * layout->ColourEntrySize;  // blue, green, red
        if (entry[2] != launcher[i].peRed || entry[1] != launcher[i].peGreen || entry[0] != launcher[i].peBlue)
            ++differ;
    }
    if (differ != 0)
        Report(name, "%u of its %u colours differ from the launcher's palette: on a 256-colour display they would "
                     "show wrong; map it onto the launcher's palette with scripts/make-background",
               differ, (unsigned)layout->ColourCount);
    if (layout->ColourCount == 256)
        return;
    unsigned char* pixels = (unsigned char*)malloc(layout->PixelBytes);
    if (pixels == NULL || !ReadAt(path, layout->PixelOffset, pixels, layout->PixelBytes)) {
        free(pixels);
        Report(name, "its pixels could not be read: save it again (scripts/make-background)");
        return;
    }
    DWORD rowBytes = layout->PixelBytes / (DWORD)(layout->Height < 0 ? -layout->Height : layout->Height);
    unsigned highest = 0;
    for (DWORD at = 0; at < layout->PixelBytes; ++at)
        if (at % rowBytes < (DWORD)layout->Width && pixels[at] > highest)
            highest = pixels[at];
    free(pixels);
    if (highest >= layout->ColourCount)
        Report(name, "uses colour %u, past the %u entries of its colour table: save it with the launcher's whole "
                     "palette (scripts/make-background)",
               highest, (unsigned)layout->ColourCount);
}

// The background: faults only where the launcher would not show the picture
// exactly on every Windows it supports. Whether the file is sound is the
// launcher's own check; what it shows, its own loading call; the rest are
// what Windows versions and 256-colour displays make of the header.
static void CheckBackground(const char* name)
{
    char path[PathSize];
    FormatText(path, PathSize, "%s%s", DiscRoot, name);
    if (!OpenForReading(path)) {
        Report(name, "missing: the launcher would show black behind its buttons; add the 640 x 480 picture or "
                     "correct bitmap= in autorun.inf");
        return;
    }
    BitmapLayout layout;
    if (!ReadBitmapLayout(path, &layout)) {
        Report(name, "not a whole Windows bitmap (another format, or a file cut short or damaged): the launcher "
                     "would not load it and would show black behind its buttons; make it with "
                     "scripts/make-background");
        return;
    }
    HBITMAP shown = (HBITMAP)LoadImageA(NULL, path, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION | LR_LOADFROMFILE);
    if (shown != NULL)
        DeleteObject(shown);
    int before = Faults;
    LONG rows = layout.Height < 0 ? -layout.Height : layout.Height;
    if (layout.Width != 640 || rows != 480)
        Report(name, "is %ld x %ld pixels: the launcher shows it 1:1 in a 640 x 480 window; draw it at 640 x 480",
               (long)layout.Width, (long)rows);
    if (layout.HeaderSize == 124)
        Report(name, "has a BITMAPV5HEADER, which Windows 95 cannot load: save it without colour-space "
                     "information (as a BITMAPINFOHEADER bitmap), or make it with scripts/make-background");
    if (layout.Height < 0)
        Report(name, "is stored top-down, which not every Windows loads as the launcher does: save it bottom-up, "
                     "the usual row order (scripts/make-background does)");
    if (layout.Compression != 0)
        Report(name, "is %s, which not every Windows loads as the launcher does: save it uncompressed "
                     "(scripts/make-background does)",
               CompressionName(layout.Compression));
    if (layout.BitCount != 8)
        Report(name, "has %u bit%s per pixel: on a 256-colour display Windows would map its colours onto the "
                     "palette and show them wrong; save it with 8 bits per pixel on the launcher's palette "
                     "(scripts/make-background)",
               (unsigned)layout.BitCount, layout.BitCount == 1 ? "" : "s");
    else if (layout.Compression == 0)
        CheckColours(path, name, &layout);
    if (shown == NULL && Faults == before)
        Report(name, "the launcher's loading call does not load it on this system: make it with "
                     "scripts/make-background");
}

int main(int argc, char** argv)
{
    if ((argc != 2 && argc != 3) || !isalpha((unsigned char)argv[1][0]) || argv[1][1] != ':' ||
        (argv[1][2] != '\0' && strcmp(argv[1] + 2, "\\") != 0)) {
        fprintf(stderr, "usage: disc-check DRIVE: [REPORT]\n");
        return 2;
    }
    if (argc == 3 && freopen(argv[2], "w", stdout) == NULL) {
        fprintf(stderr, "disc-check: cannot write %s\n", argv[2]);
        return 2;
    }
    FormatText(DiscRoot, sizeof DiscRoot, "%c:\\", argv[1][0]);

    if (!DiscFileExists("kelvando.id"))
        Report("kelvando.id", "missing from the disc root: add the marker file, or the launcher finds no disc "
                              "and does not start");
    if (!DiscFileExists("autorun.exe"))
        Report("autorun.exe", "missing from the disc root: put the launcher there");

    char iniPath[PathSize];
    FormatText(iniPath, PathSize, "%sautorun.inf", DiscRoot);
    if (!OpenForReading(iniPath)) {
        Report("autorun.inf", "missing from the disc root: add it with open=autorun.exe under [autorun] and "
                              "uninstkey=, instkey=, bitmap= under [install]");
    } else {
        CheckByteOrderMark(iniPath);
        CheckProfileSize(iniPath);
        char openFolder[CommandLineSize];
        CheckAutorunEntry(openFolder);
        CheckIcon(openFolder);
        CheckOtherEntries();
        CheckInstallKey("uninstkey", PathSize - 1 - 52, "the companion's name under the Uninstall key");
        CheckInstallKey("instkey", PathSize - 1 - 52, "the companion's name under the App Paths key");
        int pictureFits = CheckInstallKey("bitmap", PathSize - 1 - 3,
                                          "the background picture's file name on the disc");
        // The launcher's own reading of the same file.
        DiscConfig config;
        DWORD length;
        const BYTE* text = AutorunText(&length);
        ReadDiscConfig(text, length, DiscRoot, &config);
        const char* backgroundPath = config.BackgroundPath;
        if (pictureFits && backgroundPath[0] != '\0') {
            CheckBackground(backgroundPath + 3);
            if (OpenForReading(backgroundPath))
                CheckShortName(backgroundPath + 3);
        }
    }
    if (!DiscFileExists("setup.exe"))
        Report("setup.exe", "missing from the disc root: Install would have nothing to start");
    if (!DiscFileExists("readme.txt"))
        Report("readme.txt", "missing from the disc root: Read Me would do nothing");

    if (Faults == 0)
        printf("no faults found\n");
    return Faults == 0 ? 0 : 1;
}
