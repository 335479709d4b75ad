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

int FindDiscDrive(DiscState* disc)
{
    // Zeroed first, and a failed or too-long answer counts as no disc, so the
    // walk below always ends inside the buffer at an empty string.
    char drives[DriveListSize] = {};
    DWORD length = GetLogicalDriveStringsA(DriveListSize, drives);
    if (length == 0 || length > DriveListSize - 1)
        return 0;

    // The drive the launcher itself was started from, in lower case, or 0
    // when its path does not begin with a drive letter (a share, say). Only
    // the first two characters are read: XP leaves a path cut to the
    // buffer unterminated.
    char own[PathSize];
    char ownLetter = 0;
    if (GetModuleFileNameA(NULL, own, PathSize) >= 2 && own[1] == ':')
        ownLetter = (char)(own[0] | 0x20);

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
            int found = (pass == 1 || (root[0] | 0x20) == ownLetter) && IsDisc(disc, root);
            while (offset < DriveListSize && drives[offset] != '\0')
                ++offset;
            ++offset;
            if (found)
                return 1;
        }
    }
    return 0;
}

// The disc's autorun.inf, read once at start-up, and room for its ANSI form
// when it is UTF-16. Zero-filled memory, so they take no room in the file.
static BYTE AutorunFile[ProfileTextLimit];
static BYTE AutorunAnsi[ProfileTextLimit];

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

// A missing file reads as an empty one.
void LoadDiscConfig(DiscState* disc)
{
    char iniPath[PathSize];
    DWORD size = 0;
    if (FormatText(iniPath, PathSize, DISC_AUTORUN_INF, disc->Root))
        size = ReadFileStart(iniPath, AutorunFile, ProfileTextLimit);
    const BYTE* text = ProfileAnsiText(AutorunFile, &size, AutorunAnsi, ProfileTextLimit);
    ReadDiscConfig(text, size, disc->Root, &disc->Config);
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
