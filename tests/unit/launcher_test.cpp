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

std::map<std::string, int> ResourceIds()
{
    // "#define NAME number" lines of the resource header.
    std::ifstream header(SOURCE_DIR "/src/resources/resource_ids.h");
    std::map<std::string, int> ids;
    std::string word, name;
    while (header >> word)
        if (word == "#define" && header >> name >> word && isdigit((unsigned char)word[0]))
            ids[name] = std::stoi(word);
    return ids;
}

std::map<std::string, int> ShippedBitmaps()
{
    // Lines such as:    README_PRESSED_BITMAP BITMAP "buttons/readme_pressed.bmp"
    std::map<std::string, int> ids = ResourceIds(), bitmaps;
    std::ifstream script(SOURCE_DIR "/src/resources/autorun.rc");
    std::string line;
    while (std::getline(script, line)) {
        size_t file = line.find(" BITMAP \"buttons/");
        if (file != std::string::npos)
            bitmaps[line.substr(file + 17, line.size() - file - 22)] = ids.at(line.substr(0, file));
    }
    return bitmaps;
}

std::map<UINT, std::string> ShippedCaptions()
{
    // Lines such as:    README_COMMAND, "Read Me"
    std::map<std::string, int> ids = ResourceIds();
    std::ifstream file(SOURCE_DIR "/src/resources/captions.rc");
    std::map<UINT, std::string> captions;
    std::string line;
    while (std::getline(file, line)) {
        size_t comma = line.find(", \"");
        size_t start = line.find_first_not_of(' ');
        if (comma != std::string::npos && line.back() == '"')
            captions[(UINT)ids.at(line.substr(start, comma - start))] = line.substr(comma + 3, line.size() - comma - 4);
    }
    return captions;
}

const std::vector<HitCase> HitCases = {
    { 1, 92, 343, Run },        { 1, 206, 378, Run },  // all four edges count as inside
    { 1, 91, 360, 0 },          { 1, 100, 342, 0 },    { 1, 100, 379, 0 },
    { 1, 207, 360, ReadMe },    { 1, 322, 360, 0 },    // the one-pixel gap before Uninstall
    { 1, 323, 360, Uninstall }, { 1, 437, 378, Uninstall }, { 1, 438, 360, 0 }, { 1, 553, 343, Cancel },
    { 1, 554, 343, 0 },
    { 0, 300, 360, ReadMe },    { 0, 100, 360, 0 },    { 0, 119, 343, Install }, { 0, 233, 378, Install },
    { 0, 234, 360, 0 },         { 0, 410, 360, Cancel }, { 0, 524, 378, Cancel }, { 0, 92, 343, 0 },
};

static void PutLittle(std::string& out, size_t at, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out[at + i] = (char)((value >> (8 * i)) & 0xff);
}

std::string BitmapFile(int width, int height, int bits, int headerSize, int compression, int colours, int imageSize)
{
    bool core = headerSize == 12;
    int entries = colours != 0 ? colours : (bits <= 8 ? 1 << bits : 0);
    int table = entries * (core ? 3 : 4) + (compression == 3 && headerSize == 40 ? 12 : 0);
    int rows = height < 0 ? -height : height;
    int pixels = compression == 1 || compression == 2 ? imageSize : ((width * bits + 31) / 32) * 4 * rows;
    std::string file(14 + headerSize + table + pixels, '\0');
    file[0] = 'B';
    file[1] = 'M';
    PutLittle(file, 2, (uint32_t)file.size(), 4);
    PutLittle(file, 10, (uint32_t)(14 + headerSize + table), 4);
    PutLittle(file, 14, (uint32_t)headerSize, 4);
    if (core) {
        PutLittle(file, 18, (uint32_t)width, 2);
        PutLittle(file, 20, (uint32_t)height, 2);
        PutLittle(file, 22, 1, 2);
        PutLittle(file, 24, (uint32_t)bits, 2);
    } else {
        PutLittle(file, 18, (uint32_t)width, 4);
        PutLittle(file, 22, (uint32_t)height, 4);
        PutLittle(file, 26, 1, 2);
        PutLittle(file, 28, (uint32_t)bits, 2);
        PutLittle(file, 30, (uint32_t)compression, 4);
        PutLittle(file, 34, (uint32_t)imageSize, 4);
        PutLittle(file, 46, (uint32_t)colours, 4);
    }
    return file;
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
    standin::AddFile("E:\\background.bmp", BitmapFile(640, 480), true);
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
    GiveLanguage(0x0809, ShippedCaptions());
}

// The launcher as make-launcher writes it: the pictures and strings of each
// language under its id.
void LauncherTest::GiveLanguage(WORD language, const std::map<UINT, std::string>& strings)
{
    standin::AddStringTable(language, strings);
    for (const auto& bitmap : ShippedBitmaps())
        standin::AddPicture(bitmap.second, language);
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
