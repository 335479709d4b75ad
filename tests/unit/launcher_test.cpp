#include "launcher_test.h"

#include <fstream>
#include <sstream>

std::string ShippedPaletteText()
{
    std::ifstream file(SOURCE_DIR "/src/resources/palette.pal", std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

void LauncherTest::SetUp()
{
    standin::Reset();
    Launcher = LauncherState();
}

void LauncherTest::InsertDisc(const std::string& autorunInf)
{
    standin::SetDrives({ "A:\\", "C:\\", "E:\\" });
    standin::DriveTypes['A'] = DRIVE_REMOVABLE;
    standin::DriveTypes['C'] = DRIVE_FIXED;
    standin::DriveTypes['E'] = DRIVE_CDROM;
    standin::AddFile("E:\\kelvando.id");
    standin::AddFile("E:\\autorun.inf", autorunInf);
    standin::AddFile("E:\\background.bmp", "", true);
    standin::AddFile("E:\\readme.txt", "Read me.\r\n");
    standin::AddFile("E:\\setup.exe");
}

void LauncherTest::InstallCompanion()
{
    standin::AddKey(std::string(AppPathsPrefix) + "orvik.exe");
    standin::SetValue(std::string(UninstallPrefix) + "Orvik", "UninstallString",
                      std::string("C:\\Orvik\\uninstall.exe /quiet") + '\0');
}

void LauncherTest::GiveResources()
{
    standin::HasPaletteText = true;
    standin::PaletteText = ShippedPaletteText();
    for (int id = 104; id <= 119; ++id)
        if (id != 109)
            standin::BitmapResources.insert(id);
}

int LauncherTest::StartLauncher()
{
    return RunLauncher(TestInstance);
}

void LauncherTest::OpenWindow()
{
    InsertDisc();
    GiveResources();
    // The loop stops at once: no Idle hook. Start-up has then run whole, and
    // the window and everything it loaded stay for the test to drive.
    standin::Idle = [] { return false; };
    StartLauncher();
    standin::Calls.clear();
    standin::Invalidations.clear();
    standin::Blits.clear();
    standin::Posted.clear();
    standin::Moves.clear();
    standin::PaletteCalls.clear();
}

LRESULT LauncherTest::Send(UINT message, WPARAM wParam, LPARAM lParam)
{
    return LauncherWindowProc(Launcher.MainWindow, message, wParam, lParam);
}

void LauncherTest::PumpAll()
{
    while (standin::PumpOne()) {
    }
}

standin::Window& LauncherTest::MainWindowRecord()
{
    return *standin::FindWindowRecord(Launcher.MainWindow);
}
