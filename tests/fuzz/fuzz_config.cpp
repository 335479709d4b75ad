// Fuzzes the disc's autorun.inf (ANSI or UTF-16) through the launcher's reader into the two key
// paths and the background path: every result is terminated inside its
// buffer, is either refused (empty) or exactly the prefix and the value, and
// a refused App Paths key is never opened.
#include <vector>

#include "fuzz_support.h"
#include "disc/profile.h"

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
    DiscState disc = {};
    standin::SetDrives({ "A:\\", "C:\\", "E:\\" });
    standin::DriveTypes['E'] = DRIVE_CDROM;
    standin::AddFile("E:\\kelvando.id");
    standin::AddFile("E:\\autorun.inf", std::string((const char*)data, size));
    REQUIRE(FindDisc(&disc) == 1);
    LoadDiscConfig(&disc);
    CheckPath(disc.Config.AppPathsKey, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\");
    CheckPath(disc.Config.UninstallKey, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\");
    CheckPath(disc.Config.BackgroundPath, "E:\\");
    if (disc.Config.AppPathsKey[0] == '\0')
        REQUIRE(standin::CountCalls("RegOpenKeyExA") == 0);
    REQUIRE(standin::OpenKeys == 0);
    REQUIRE(standin::VirtualBlocks.empty());

    // The reader alone, over an exactly sized copy of the text, with guard
    // bytes after the configuration to catch a write past its end.
    std::vector<BYTE> bytes(data, data + size);
    std::vector<BYTE> spare(size + 1);
    DWORD length = (DWORD)size;
    const BYTE* text = ProfileAnsiText(bytes.data(), &length, spare.data(), (DWORD)spare.size());
    struct {
        DiscConfig config;
        char guard[16];
    } guarded;
    memset(&guarded, 0x5a, sizeof guarded);
    ReadDiscConfig(text, length, disc.Root, &guarded.config);
    for (char g : guarded.guard)
        REQUIRE(g == 0x5a);
    REQUIRE(strcmp(guarded.config.AppPathsKey, disc.Config.AppPathsKey) == 0);
    REQUIRE(strcmp(guarded.config.UninstallKey, disc.Config.UninstallKey) == 0);
    REQUIRE(strcmp(guarded.config.BackgroundPath, disc.Config.BackgroundPath) == 0);
    return 0;
}
