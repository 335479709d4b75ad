// Finding the product disc, reading its configuration, and the installation
// state of the companion application.
#include "app/launcher.h"
#include "launch/outside.h"

static const UINT DriveListSize = 200;
static const char MarkerTemplate[] = "d:\\kelvando.id";

// Opens a file for reading only, never creating it and sharing it with other
// readers and writers. INVALID_HANDLE_VALUE when it does not open.
HANDLE OpenQuietly(const char* path)
{
    UINT previous = SetErrorMode(QuietErrorMode);
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    SetErrorMode(previous);
    return file;
}

// Reads up to capacity bytes of a file; returns how many (0 when it does not
// open or cannot be read).
DWORD ReadFileStart(const char* path, BYTE* buffer, DWORD capacity)
{
    HANDLE file = OpenQuietly(path);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    DWORD read = 0;
    if (!ReadFile(file, buffer, capacity, &read, NULL))
        read = 0;
    CloseHandle(file);
    return read;
}

// Returns 1 when the file opens for reading; closes it again.
int OpenForReading(const char* path)
{
    HANDLE file = OpenQuietly(path);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    CloseHandle(file);
    return 1;
}

// Returns 1 when the path names a file (not a folder).
int IsExistingFile(const char* path)
{
    UINT previous = SetErrorMode(QuietErrorMode);
    DWORD attributes = GetFileAttributesA(path);
    SetErrorMode(previous);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Returns 1 when the root of the drive with that letter holds the marker.
static int HoldsMarker(char letter)
{
    char marker[sizeof MarkerTemplate];
    for (unsigned i = 0; i < sizeof MarkerTemplate; ++i)
        marker[i] = MarkerTemplate[i];
    marker[0] = letter;
    return OpenForReading(marker);
}

int DiscHoldsMarker()
{
    return HoldsMarker(Launcher.DiscDrive);
}

// A CD-ROM drive holding the marker is the disc; DiscDrive is set to the
// letter tried either way.
static int IsDisc(const char* root)
{
    if (GetDriveTypeA(root) != DRIVE_CDROM)
        return 0;
    Launcher.DiscDrive = root[0];
    return HoldsMarker(root[0]);
}

int FindDiscDrive()
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
            int found = (pass == 1 || (root[0] | 0x20) == ownLetter) && IsDisc(root);
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

// Reads the disc's autorun.inf: the Uninstall and App Paths key paths into
// the state, the background picture's path into backgroundPath (PathSize
// bytes). A missing file or key reads as "". A value too long for its
// buffer once formatted is refused: its path is left empty, which no later
// step uses.
void LoadDiscConfig(char* backgroundPath)
{
    char iniPath[PathSize];
    char value[PathSize];
    FormatText(iniPath, PathSize, "%c:\\autorun.inf", Launcher.DiscDrive);
    DWORD size = ReadFileStart(iniPath, AutorunFile, ProfileTextLimit);
    const BYTE* text = ProfileAnsiText(AutorunFile, &size, AutorunAnsi, ProfileTextLimit);

    FindProfileValue(text, size, AUTORUN_SECTION, "uninstkey", value, PathSize);
    FormatText(Launcher.UninstallKey, PathSize, UNINSTALL_KEY_FORMAT, value);

    FindProfileValue(text, size, AUTORUN_SECTION, "instkey", value, PathSize);
    FormatText(Launcher.AppPathsKey, PathSize, APP_PATHS_KEY_FORMAT, value);

    FindProfileValue(text, size, AUTORUN_SECTION, "bitmap", value, PathSize);
    FormatText(backgroundPath, PathSize, "%c:\\%s", Launcher.DiscDrive, value);

    RefreshInstalledState();
}

// The companion counts as installed while its App Paths entry can be opened;
// no value of it is read.
void RefreshInstalledState()
{
    Launcher.AppInstalled = 0;
    if (Launcher.AppPathsKey[0] == '\0')
        return;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, Launcher.AppPathsKey, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
        Launcher.AppInstalled = 1;
        RegCloseKey(key);
    }
}
