// Fuzzes the disc's autorun.inf (ANSI or UTF-16) through the launcher's reader into the two key
// paths and the background path: every result is terminated inside its
// buffer, is either refused (empty) or exactly the prefix and the value, and
// a refused App Paths key is never opened.
#include "fuzz_support.h"

static void CheckPath(const char* path, const char* prefix)
{
    size_t length = strnlen(path, PathSize);
    REQUIRE(length < (size_t)PathSize);
    if (length > 0)
        REQUIRE(strncmp(path, prefix, strlen(prefix)) == 0);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    standin::Reset();
    Launcher = LauncherState();
    standin::SetDrives({ "A:\\", "C:\\", "E:\\" });
    standin::DriveTypes['E'] = DRIVE_CDROM;
    standin::AddFile("E:\\kelvando.id");
    standin::AddFile("E:\\autorun.inf", std::string((const char*)data, size));
    REQUIRE(FindDiscDrive() == 1);

    // Guard bytes around the picture path catch a write past its end.
    struct {
        char path[PathSize];
        char guard[16];
    } background;
    memset(&background, 0x5a, sizeof background);
    LoadDiscConfig(background.path);
    for (char g : background.guard)
        REQUIRE(g == 0x5a);

    CheckPath(Launcher.AppPathsKey, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\");
    CheckPath(Launcher.UninstallKey, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\");
    CheckPath(background.path, "E:\\");
    if (Launcher.AppPathsKey[0] == '\0')
        REQUIRE(standin::CountCalls("RegOpenKeyExA") == 0);
    REQUIRE(standin::OpenKeys == 0);
    return 0;
}
