// The product disc: where it is, what its autorun.inf says, and whether the
// companion application is installed.
#ifndef AUTORUN_DISC_H
#define AUTORUN_DISC_H

#include "base/base.h"

// The section of autorun.inf that holds the launcher's own keys.
#define AUTORUN_SECTION "install"

// What the disc's autorun.inf gives the launcher. An empty string marks a
// value that was refused because it did not fit once formatted.
struct DiscConfig {
    char AppPathsKey[PathSize];    // the companion's App Paths key
    char UninstallKey[PathSize];   // its Uninstall key
    char BackgroundPath[PathSize]; // the background picture on the disc
};

// The longest disc root taken, with its final backslash: the longest of the
// disc's own file names ("autorun.inf", "kelvando.id") and the terminating
// zero must fit after it in a path.
const int DiscRootLimit = PathSize - 12;

struct DiscState {
    char Root[PathSize];  // the disc's root folder, ending in a backslash ("E:\")
    DiscConfig Config;
    int AppInstalled;
    char ReadMeName[PathSize];  // the language's read-me on the disc; "" for readme.txt
};

// Finds the disc: the launcher's own folder when it holds the marker, else
// the CD-ROM drive that holds it; 1 with Root set.
int FindDisc(DiscState* disc);
int DiscHoldsMarker(const DiscState* disc);
// The configuration from autorun.inf's text (as ProfileAnsiText gives it)
// and the disc's root. Reads nothing else.
void ReadDiscConfig(const BYTE* text, DWORD size, const char* root, DiscConfig* config);
// Reads the disc's autorun.inf into Config, then the installation state.
void LoadDiscConfig(DiscState* disc);
void RefreshInstalledState(DiscState* disc);

#endif
