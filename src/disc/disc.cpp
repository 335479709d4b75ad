// Finding the product disc, reading its configuration, and the installation
// state of the companion application.
#include "disc/disc.h"
#include "disc/profile.h"
#include "launch/outside.h"

static const UINT DriveListSize = 200;

// Returns 1 when the root (ending in a backslash) holds the marker.
static int HoldsMarker(const char* root)
{
    char marker[PathSize];
    return FormatText(marker, PathSize, DISC_MARKER, root) && OpenForReading(marker);
}

int DiscHoldsMarker(const DiscState* disc)
{
    return disc->Root[0] != '\0' && HoldsMarker(disc->Root);
}

// A CD-ROM drive holding the marker is the disc.
static int IsDisc(DiscState* disc, const char* root)
{
    return GetDriveTypeA(root) == DRIVE_CDROM && HoldsMarker(root) && FormatText(disc->Root, PathSize, "%s", root);
}

// The folder of a path: everything up to its last backslash, which is kept.
// Returns the folder's length, 0 when the path has no backslash.
static int CutToFolder(char* path)
{
    int end = 0;
    for (int i = 0; path[i] != '\0'; ++i)
        if (path[i] == '\\')
            end = i + 1;
    path[end] = '\0';
    return end;
}

typedef DWORD(WINAPI* ModuleFileNameFunction)(HMODULE module, WCHAR* path, DWORD size);
typedef DWORD(WINAPI* ShortPathFunction)(const WCHAR* path, WCHAR* shortPath, DWORD size);

// The launcher's own path, as one the ANSI functions open; its length.
// GetModuleFileNameA spells a character that the ANSI code page lacks as
// "?" (a "Łukasz" folder on a Western Windows), and no file opens there.
// Where the wide functions work (NT to 11; looked up, since Windows 95's
// kernel32 may lack them) the wide path is taken, and when it has no ANSI
// form, its short form, which is plain ASCII where the volume keeps short
// names. Without either the ANSI path stands, its marker does not open, and
// the disc is looked for in the CD-ROM drives. Windows 9x has the ANSI path
// alone, which its code page spells. A path cut to the buffer is refused
// whole (XP then leaves it unterminated; only its first two characters,
// which name its drive, are read).
static DWORD OwnPath(char* own)
{
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    ModuleFileNameFunction moduleFileName =
        (ModuleFileNameFunction)(void*)GetProcAddress(kernel, "GetModuleFileNameW");
    ShortPathFunction shortPath = (ShortPathFunction)(void*)GetProcAddress(kernel, "GetShortPathNameW");
    DWORD length = 0;
    if (moduleFileName != NULL && shortPath != NULL) {
        WCHAR wide[PathSize];
        DWORD wideLength = moduleFileName(NULL, wide, PathSize);
        length = AnsiForm(wide, wideLength, own);
        if (length == 0 && wideLength > 0 && wideLength < (DWORD)PathSize) {
            WCHAR shortForm[PathSize];
            length = AnsiForm(shortForm, shortPath(wide, shortForm, PathSize), own);
        }
    }
    return length != 0 ? length : GetModuleFileNameA(NULL, own, PathSize);
}

int FindDisc(DiscState* disc)
{
    char own[PathSize];
    DWORD ownLength = OwnPath(own);
    char ownLetter = 0;
    if (ownLength >= 2 && own[1] == ':')
        ownLetter = (char)(own[0] | 0x20);

    // The folder the launcher was started from, on any kind of drive or a
    // share, holding the marker is the disc: an image Windows mounted, a
    // stick, a folder the disc was copied to. No other drive is touched. A
    // root too long for every disc file's path to fit after it is refused.
    // A drive's root tried here is not tried again in the walk.
    char tried = 0;
    if (ownLength > 0 && ownLength < (DWORD)PathSize) {
        int folder = CutToFolder(own);
        if (folder > 0 && folder <= DiscRootLimit) {
            if (HoldsMarker(own))
                return FormatText(disc->Root, PathSize, "%s", own);
            if (folder == 3)
                tried = ownLetter;
        }
    }

    // Zeroed first, and a failed or too-long answer counts as no disc, so the
    // walk below always ends inside the buffer at an empty string.
    char drives[DriveListSize] = {};
    DWORD length = GetLogicalDriveStringsA(DriveListSize, drives);
    if (length == 0 || length > DriveListSize - 1)
        return 0;

    // The first root (taken to be the floppy a:\) is always skipped, and a
    // second floppy spelt "b:\" too.
    UINT first = 4;
    if (drives[4] == 'b')
        first = 8;

    // The first pass looks at the launcher's own drive alone: when that is
    // the disc, no other drive is touched (a second optical drive with a
    // disc in it would spin up for a second or more). Otherwise the second
    // pass walks every root in the list's order.
    for (int pass = ownLetter != 0 ? 0 : 1; pass < 2; ++pass) {
        UINT offset = first;
        while (offset < DriveListSize && drives[offset] != '\0') {
            const char* root = &drives[offset];
            char letter = (char)(root[0] | 0x20);
            int found = (pass == 1 || letter == ownLetter) && letter != tried && IsDisc(disc, root);
            while (offset < DriveListSize && drives[offset] != '\0')
                ++offset;
            ++offset;
            if (found)
                return 1;
        }
    }
    return 0;
}

// A missing key reads as "". A value too long for its buffer once formatted
// is refused: its path is left empty, which no later step uses.
void ReadDiscConfig(const BYTE* text, DWORD size, const char* root, DiscConfig* config)
{
    char value[PathSize];
    FindProfileValue(text, size, AUTORUN_SECTION, "uninstkey", value, PathSize);
    FormatText(config->UninstallKey, PathSize, UNINSTALL_KEY_FORMAT, value);

    FindProfileValue(text, size, AUTORUN_SECTION, "instkey", value, PathSize);
    FormatText(config->AppPathsKey, PathSize, APP_PATHS_KEY_FORMAT, value);

    FindProfileValue(text, size, AUTORUN_SECTION, "bitmap", value, PathSize);
    FormatText(config->BackgroundPath, PathSize, "%s%s", root, value);
}

// The whole file is read, once; a missing one reads as an empty one.
void LoadDiscConfig(DiscState* disc)
{
    char iniPath[PathSize];
    DWORD size = 0;
    void* memory = NULL;
    const BYTE* text = NULL;
    if (FormatText(iniPath, PathSize, DISC_AUTORUN_INF, disc->Root))
        text = ReadProfileFile(iniPath, &size, &memory);
    ReadDiscConfig(text, size, disc->Root, &disc->Config);
    FreeProfileFile(memory);
    RefreshInstalledState(disc);
}

// The companion counts as installed while its App Paths entry can be opened;
// no value of it is read.
void RefreshInstalledState(DiscState* disc)
{
    disc->AppInstalled = 0;
    if (disc->Config.AppPathsKey[0] == '\0')
        return;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, disc->Config.AppPathsKey, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
        disc->AppInstalled = 1;
        RegCloseKey(key);
    }
}
