// disc-check DRIVE: [REPORT]
// Checks a disc (or a folder mapped to a drive letter) the way the launcher
// will read it, with the launcher's own configuration and palette code, and
// reports one line for each fault: the file, and what to do about it.
// The report goes to standard output, or to the file REPORT when given.
// Exit code 0 for a good disc, 1 when it has faults, 2 for bad usage.
#include <ctype.h>
#include <stdio.h>
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

static unsigned Little(const unsigned char* data, int bytes)
{
    unsigned value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = value * 256u + data[i];
    return value;
}

static void CheckBackground(const char* name)
{
    char path[PathSize];
    FormatText(path, PathSize, "%c:\\%s", Launcher.DiscDrive, name);
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        Report(name, "missing: the launcher would show black behind its buttons; add the 640 x 480 picture or "
                     "correct bitmap= in autorun.inf");
        return;
    }
    unsigned char header[54 + 1024];
    DWORD read = 0;
    ReadFile(file, header, sizeof header, &read, NULL);
    CloseHandle(file);
    if (read < 54 || header[0] != 'B' || header[1] != 'M' || Little(header + 14, 4) < 40) {
        Report(name, "not a Windows bitmap: save the picture as an uncompressed 8-bit BMP");
        return;
    }
    int width = (int)Little(header + 18, 4);
    int height = (int)Little(header + 22, 4);
    if (height < 0)
        height = -height;
    unsigned bits = Little(header + 28, 2);
    if (width != 640 || height != 480)
        Report(name, "is %d x %d pixels: the launcher shows it 1:1 in a 640 x 480 window; draw it at 640 x 480",
               width, height);
    if (bits != 8) {
        Report(name, "has %u bits per pixel: save it with 8 bits per pixel on the launcher's palette", bits);
        return;
    }
    unsigned headerSize = Little(header + 14, 4);
    unsigned used = Little(header + 46, 4);
    if (used == 0 || used > 256)
        used = 256;
    PALETTEENTRY launcher[256];
    HPALETTE palette = CreateAppPalette(GetModuleHandleA(NULL));
    if (palette == NULL || GetPaletteEntries(palette, 0, 256, launcher) != 256) {
        printf("disc-check: the launcher's palette could not be read\n");
        ++Faults;
        return;
    }
    DeleteObject(palette);
    unsigned differ = 0;
    for (unsigned i = 0; i < 256; ++i) {
        const unsigned char* entry = header + 14 + headerSize + i * 4;
        if (i >= used || entry + 4 > header + read) {
            ++differ;
            continue;
        }
        if (entry[2] != launcher[i].peRed || entry[1] != launcher[i].peGreen || entry[0] != launcher[i].peBlue)
            ++differ;
    }
    if (differ != 0)
        Report(name, "%u of its 256 colours differ from the launcher's palette: on a 256-colour display they "
                     "would show wrong; draw it on the launcher's palette (tools/make_art.py)",
               differ);
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
