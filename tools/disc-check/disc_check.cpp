// disc-check DRIVE: [REPORT]
// Checks a disc (or a folder mapped to a drive letter) the way the launcher
// will read it, with the launcher's own configuration and palette code, and
// reports one line for each fault: the file, and what to do about it.
// The report goes to standard output, or to the file REPORT when given.
// Exit code 0 for a good disc, 1 when it has faults, 2 for bad usage.
#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "app/launcher.h"

static const char Missing[] = "\x01(missing)";
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

static int DiscFileExists(const char* name)
{
    char path[PathSize];
    return FormatText(path, PathSize, "%c:\\%s", Launcher.DiscDrive, name) && OpenForReading(path);
}

// A profile value read with a larger buffer than the launcher's, so that
// its real length can be told; Missing when the key is not there.
static void ReadValue(const char* iniPath, const char* section, const char* key, char* value, DWORD size)
{
    GetPrivateProfileStringA(section, key, Missing, value, size, iniPath);
}

static void CheckAutorunEntry(const char* iniPath)
{
    char open[1024];
    ReadValue(iniPath, "autorun", "open", open, sizeof open);
    if (strcmp(open, Missing) == 0) {
        Report("autorun.inf", "[autorun] has no open= entry: add open=autorun.exe, or Windows will not start the "
                              "launcher when the disc goes in");
        return;
    }
    // The program is the first word, or the quoted part, as the launcher
    // itself splits a command line.
    char program[CommandLineSize];
    char arguments[CommandLineSize];
    if (!SplitCommandLine(open, program, arguments))
        program[0] = '\0';
    const char* name = strrchr(program, '\\');
    name = name != NULL ? name + 1 : program;
    if (_stricmp(name, "autorun.exe") != 0)
        Report("autorun.inf", "[autorun] open=%s does not start the launcher: set open=autorun.exe", open);
}

static int CheckInstallKey(const char* iniPath, const char* key, int limit, const char* use)
{
    char value[4096];
    ReadValue(iniPath, "install", key, value, sizeof value);
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
    FormatText(path, PathSize, "%c:\\%s", Launcher.DiscDrive, name);
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
    Launcher.DiscDrive = argv[1][0];

    if (!DiscFileExists("kelvando.id"))
        Report("kelvando.id", "missing from the disc root: add the marker file, or the launcher finds no disc "
                              "and does not start");
    if (!DiscFileExists("autorun.exe"))
        Report("autorun.exe", "missing from the disc root: put the launcher there");

    char iniPath[PathSize];
    FormatText(iniPath, PathSize, "%c:\\autorun.inf", Launcher.DiscDrive);
    if (!OpenForReading(iniPath)) {
        Report("autorun.inf", "missing from the disc root: add it with open=autorun.exe under [autorun] and "
                              "uninstkey=, instkey=, bitmap= under [install]");
    } else {
        CheckAutorunEntry(iniPath);
        CheckInstallKey(iniPath, "uninstkey", PathSize - 1 - 52, "the companion's name under the Uninstall key");
        CheckInstallKey(iniPath, "instkey", PathSize - 1 - 52, "the companion's name under the App Paths key");
        int pictureFits = CheckInstallKey(iniPath, "bitmap", PathSize - 1 - 3,
                                          "the background picture's file name on the disc");
        // The launcher's own reading of the same file.
        char backgroundPath[PathSize];
        LoadDiscConfig(backgroundPath);
        if (pictureFits && backgroundPath[0] != '\0')
            CheckBackground(backgroundPath + 3);
    }
    if (!DiscFileExists("setup.exe"))
        Report("setup.exe", "missing from the disc root: Install would have nothing to start");
    if (!DiscFileExists("readme.txt"))
        Report("readme.txt", "missing from the disc root: Read Me would do nothing");

    if (Faults == 0)
        printf("no faults found\n");
    return Faults == 0 ? 0 : 1;
}
