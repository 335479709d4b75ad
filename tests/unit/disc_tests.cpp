// The disc walk over the system's drive list, the disc's configuration, and
// the installation state.
#include "launcher_test.h"

using namespace standin;

typedef LauncherTest DiscLocator;

static const struct {
    const char* name;
    std::vector<std::string> roots;
    const char* cdroms;   // letters of CD-ROM drives
    const char* markers;  // letters whose root holds the marker; * the launcher's own folder
    int found;
    const char* root;     // the disc's root afterwards; "" when none was found
    const char* module = nullptr;  // the launcher's own path; null for one on the fixed disk C:
    int probes = 0;                // marker files tried, when not 0
} DriveWalks[] = {
    { "floppy, fixed disk, disc", { "a:\\", "c:\\", "d:\\" }, "D", "D", 1, "d:\\" },
    { "two floppies", { "a:\\", "b:\\", "c:\\", "e:\\" }, "E", "E", 1, "e:\\" },
    { "upper case B:\\ is examined and passed over", { "A:\\", "B:\\", "C:\\", "E:\\" }, "E", "E", 1, "E:\\" },
    { "upper case keeps its case", { "A:\\", "C:\\", "D:\\" }, "D", "D", 1, "D:\\" },
    { "second of two CD-ROM drives", { "a:\\", "c:\\", "d:\\", "e:\\" }, "DE", "E", 1, "e:\\" },
    { "first of two discs wins", { "a:\\", "c:\\", "d:\\", "e:\\" }, "DE", "DE", 1, "d:\\" },
    { "no marker anywhere", { "a:\\", "c:\\", "d:\\", "e:\\" }, "DE", "", 0, "" },
    { "marker on a fixed disk only", { "a:\\", "c:\\", "d:\\" }, "", "C", 0, "" },
    { "one root only", { "c:\\" }, "C", "C", 0, "" },
    { "a CD-ROM drive in the first place is never examined", { "d:\\", "c:\\" }, "D", "D", 0, "" },
    { "empty list", {}, "", "", 0, "" },
    // The launcher's own drive first, when it is a CD-ROM drive with the marker.
    { "own disc taken, the earlier one never tried", { "a:\\", "c:\\", "d:\\", "e:\\" }, "DE", "DE", 1, "e:\\",
      "e:\\autorun.exe", 1 },
    { "own folder spelt as the launcher's path", { "A:\\", "C:\\", "D:\\", "E:\\" }, "DE", "DE", 1, "e:\\",
      "e:\\AUTORUN.EXE", 1 },
    { "own CD-ROM drive without the marker: the walk", { "a:\\", "c:\\", "d:\\", "e:\\" }, "DE", "D", 1, "d:\\",
      "E:\\autorun.exe", 2 },
    { "own drive a fixed disk without the marker: the walk", { "a:\\", "c:\\", "d:\\", "e:\\" }, "DE", "DE", 1,
      "d:\\", "C:\\autorun.exe", 2 },
    { "own share without the marker: the walk", { "a:\\", "c:\\", "d:\\", "e:\\" }, "DE", "DE", 1, "d:\\",
      "\\\\server\\disc\\autorun.exe", 2 },
    { "own drive in the first place: the walk skips it", { "e:\\", "c:\\", "d:\\" }, "DE", "D", 1, "d:\\",
      "e:\\autorun.exe", 2 },
    { "own drive a floppy skipped as b:\\", { "a:\\", "b:\\", "e:\\" }, "BE", "E", 1, "e:\\", "b:\\autorun.exe", 2 },
    // The launcher's own folder holding the marker is the disc, on any
    // kind of drive or a share, and nothing else is looked at.
    { "own folder on the first drive", { "e:\\", "c:\\", "d:\\" }, "DE", "DE", 1, "e:\\", "e:\\autorun.exe", 1 },
    { "own folder on a second floppy", { "a:\\", "b:\\", "e:\\" }, "BE", "BE", 1, "b:\\", "b:\\autorun.exe", 1 },
    { "own folder on a stick", { "a:\\", "c:\\", "d:\\", "f:\\" }, "D", "DF", 1, "F:\\", "F:\\autorun.exe", 1 },
    { "own folder with blanks on a fixed disk", { "a:\\", "c:\\", "d:\\" }, "D", "D*", 1,
      "C:\\Users\\Ana\\Downloads\\Product Disc\\", "C:\\Users\\Ana\\Downloads\\Product Disc\\autorun.exe", 1 },
    { "own share", { "a:\\", "c:\\", "d:\\" }, "D", "D*", 1, "\\\\server\\share\\disc\\",
      "\\\\server\\share\\disc\\autorun.exe", 1 },

};

TEST_F(DiscLocator, WalksTheDriveList)
{
    for (const auto& walk : DriveWalks) {
        SetUp();
        SetDrives(walk.roots);
        for (const std::string& root : walk.roots)
            DriveTypes[(char)toupper(root[0])] = DRIVE_FIXED;
        for (const char* c = walk.cdroms; *c; ++c)
            DriveTypes[*c] = DRIVE_CDROM;
        std::string own = walk.module != nullptr ? walk.module : "";
        for (const char* m = walk.markers; *m; ++m)
            AddFile(*m == '*' ? own.substr(0, own.rfind('\\') + 1) + "kelvando.id" : std::string(1, *m) + ":\\kelvando.id");
        if (walk.module != nullptr)
            ModulePath = walk.module;
        EXPECT_EQ(walk.found, FindDisc(&Launcher.Disc)) << walk.name;
        EXPECT_STREQ(walk.root, Launcher.Disc.Root) << walk.name;
        if (walk.probes != 0) {
            EXPECT_EQ(walk.probes, (int)Probes.size()) << walk.name;
        }
        EXPECT_EQ(0, OpenFileHandles) << walk.name;
    }
}

// A root is taken only when every disc file's path fits after it: longer,
// or a launcher path cut to the buffer, and the CD-ROM walk decides.
TEST_F(DiscLocator, TheOwnFolderIsTakenOnlyWhenItsPathsFit)
{
    static const struct {
        size_t folder;  // the own folder's length with its final backslash
        size_t name;    // the launcher's file name's length
        bool taken;
    } cases[] = { { 244, 11, true }, { 245, 10, false }, { 244, 12, false }, { 3, 252, true }, { 3, 253, false } };
    for (const auto& c : cases) {
        SetUp();
        InsertDisc();
        std::string folder = c.folder == 3 ? "C:\\" : "C:\\" + std::string(c.folder - 4, 'x') + "\\";
        ModulePath = folder + std::string(c.name - 4, 'a') + ".exe";
        AddFile(folder + "kelvando.id");
        ASSERT_EQ(1, FindDisc(&Launcher.Disc)) << c.folder << " " << c.name;
        EXPECT_EQ(c.taken ? folder : std::string("E:\\"), Launcher.Disc.Root) << c.folder << " " << c.name;
        if (c.taken) {
            LoadDiscConfig(&Launcher.Disc);
            EXPECT_EQ(1, CountCalls("CreateFileA " + folder + "autorun.inf")) << c.folder;
        }
    }
}

// A folder whose name the ANSI code page cannot spell: its short form, where
// the volume keeps short names and Windows has the wide functions; never a
// look-alike of it that best fit would name; else the CD-ROM walk.
TEST_F(DiscLocator, TheOwnFolderIsTakenByAPathTheAnsiFunctionsOpen)
{
    static const struct {
        const char* name;
        const char* module;      // the launcher's path, UTF-8
        const char* shortPath;   // its short form; null when the volume keeps none
        UINT codePage;
        bool wide;               // kernel32 has GetModuleFileNameW and GetShortPathNameW (not 9x)
        const char* root;        // the disc's root found (E:\ is the CD-ROM drive's)
    } cases[] = {
        { "Polish, a Western code page", "C:\\Users\\\u0141ukasz\\Downloads\\Disc\\autorun.exe",
          "C:\\Users\\UKASZ~1\\DOWNLO~1\\Disc\\AUTORUN.EXE", 1252, true, "C:\\Users\\UKASZ~1\\DOWNLO~1\\Disc\\" },
        { "Cyrillic, a Western code page", "D:\\\u0414\u0438\u0441\u043a\\autorun.exe", "D:\\8A36~1\\autorun.exe", 1252, true,
          "D:\\8A36~1\\" },
        { "no short names: the walk", "C:\\Users\\\u0141ukasz\\Disc\\autorun.exe", nullptr, 1252, true, "E:\\" },
        { "Latin-1 is spelt as it is", "C:\\Users\\Jos\u00e9\\Disc\\autorun.exe", "C:\\Users\\JOSE~1\\Disc\\autorun.exe",
          1252, true, "C:\\Users\\Jos\xe9\\Disc\\" },
        { "a UTF-8 code page spells it all", "C:\\Users\\\u0141ukasz\\Disc\\autorun.exe", "C:\\Users\\UKASZ~1\\Disc\\autorun.exe",
          CP_UTF8, true, "C:\\Users\\\u0141ukasz\\Disc\\" },
        { "Windows 9x: the ANSI path", "C:\\Disc\\autorun.exe", "C:\\DISC\\AUTORUN.EXE", 1252, false, "C:\\Disc\\" },
    };
    for (const auto& c : cases) {
        SetUp();
        InsertDisc();
        AnsiCodePage = c.codePage;
        ModulePath = c.module;
        if (c.shortPath != nullptr)
            ShortPaths[c.module] = c.shortPath;
        if (!c.wide)
            KernelExports.erase("GetModuleFileNameW");
        std::string root = c.root;
        if (root != "E:\\")
            AddFile(root + "kelvando.id");
        // The folder best fit would name for it ("L" for "\u0141"), planted.
        AddFile("C:\\Users\\Lukasz\\Disc\\kelvando.id");
        ASSERT_EQ(1, FindDisc(&Launcher.Disc)) << c.name;
        EXPECT_EQ(root, Launcher.Disc.Root) << c.name;
    }
}

TEST_F(DiscLocator, OpensTheMarkerForReadingOnlyAndShared)
{
    InsertDisc();
    ASSERT_EQ(1, FindDisc(&Launcher.Disc));
    int open = IndexOfCall("CreateFileA E:");
    ASSERT_GE(open, 0);
    // GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING
    EXPECT_EQ("CreateFileA E:\\kelvando.id 2147483648 3 3", Calls[open]);
}

TEST_F(DiscLocator, AFailedDriveListCountsAsNoDisc)
{
    InsertDisc();
    DriveListFails = 1;
    EXPECT_EQ(0, FindDisc(&Launcher.Disc));
    EXPECT_EQ(0, CountCalls("GetDriveTypeA"));
}

TEST_F(DiscLocator, ADriveListTooLongForTheBufferCountsAsNoDisc)
{
    std::vector<std::string> roots;
    for (int i = 0; i < 60; ++i)  // more roots than 200 bytes hold
        roots.push_back("E:\\");
    SetDrives(roots);
    DriveTypes['E'] = DRIVE_CDROM;
    AddFile("E:\\kelvando.id");
    EXPECT_EQ(0, FindDisc(&Launcher.Disc));
    EXPECT_EQ(0, CountCalls("GetDriveTypeA"));
}

TEST_F(DiscLocator, AListFillingTheBufferIsWalkedToItsEnd)
{
    std::vector<std::string> roots;
    for (int i = 0; i < 48; ++i)  // 49 roots of 4 bytes: 196 and the final zero
        roots.push_back("C:\\");
    roots.push_back("E:\\");
    SetDrives(roots);
    DriveTypes['C'] = DRIVE_FIXED;
    DriveTypes['E'] = DRIVE_CDROM;
    AddFile("E:\\kelvando.id");
    EXPECT_EQ(1, FindDisc(&Launcher.Disc));
    EXPECT_STREQ("E:\\", Launcher.Disc.Root);
}

typedef LauncherTest DiscConfigFile;

TEST_F(DiscConfigFile, BuildsTheKeyPathsAndThePicturePath)
{
    InsertDisc();
    FindDisc(&Launcher.Disc);
    LoadDiscConfig(&Launcher.Disc);
    const char* background = Launcher.Disc.Config.BackgroundPath;
    EXPECT_STREQ("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Orvik", Launcher.Disc.Config.UninstallKey);
    EXPECT_STREQ("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\orvik.exe", Launcher.Disc.Config.AppPathsKey);
    EXPECT_STREQ("E:\\background.bmp", background);
    // The file is read once, by its own bytes and quietly; the profile
    // functions, which an IniFileMapping entry would blank, are not asked.
    EXPECT_EQ(1, CountCalls("CreateFileA E:\\autorun.inf"));
    EXPECT_EQ(0, CountCalls("GetPrivateProfileStringA"));
    EXPECT_EQ(0, OpenFileHandles);
    for (const Probe& probe : Probes) {
        if (probe.path == "E:\\autorun.inf") {
            EXPECT_EQ((UINT)(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX), probe.errorMode);
        }
    }
}

static std::string Utf16(const std::string& text, bool bigEndian)
{
    std::string wide = bigEndian ? "\xfe\xff" : "\xff\xfe";
    for (char c : text)
        wide += bigEndian ? std::string(1, '\0') + c : std::string(1, c) + '\0';
    return wide;
}

// A comment of katakana (U+30A2 and on), then the text, in UTF-16.
static std::string Utf16Katakana(int count, const std::string& text)
{
    std::string wide = "\xff\xfe;";
    wide += '\0';
    for (int i = 0; i < count; ++i)
        wide += std::string(1, (char)(0xa2 + i % 80)) + "\x30";
    return wide + Utf16(text, false).substr(2);
}

// autorun.inf as the profile functions read a file that is not mapped. The
// stand-in's GetPrivateProfileStringA follows the same rules for ANSI text
// and answers beside the launcher's reader; UTF-16 it does not read. Where
// the two differ on purpose (a UTF-8 mark), profileInstkey is what the
// profile functions read.
static const struct {
    const char* name;
    std::string inf;
    const char* instkey;  // the App Paths entry's name in the path
    const char* bitmap;
    bool readerOnly;
    const char* profileInstkey = nullptr;
    UINT codePage = 1252;  // the ANSI code page
} ProfileCases[] = {
    { "values used as stored", "[install]\r\ninstkey=orvik.exe\r\nbitmap=art\\back.bmp\r\n", "orvik.exe", "art\\back.bmp", false },
    { "names match without regard to case", "[INSTALL]\r\nInstKey=orvik.exe\r\nBITMAP=b.bmp\r\n", "orvik.exe", "b.bmp", false },
    { "blanks around names and values dropped", "  [ install ]\r\n  instkey =  orvik.exe  \r\nbitmap= b.bmp\r\n", "orvik.exe", "b.bmp", false },
    { "quotes stripped", "[install]\r\ninstkey=\"orvik.exe\"\r\nbitmap='b.bmp'\r\n", "orvik.exe", "b.bmp", false },
    { "first of two keys wins", "[install]\r\ninstkey=first\r\ninstkey=second\r\n", "first", "", false },
    { "other sections ignored", "[autorun]\r\ninstkey=no\r\n[install]\r\ninstkey=yes\r\n", "yes", "", false },
    { "comments ignored", "[install]\r\n;instkey=no\r\ninstkey=yes\r\n", "yes", "", false },
    { "LF line ends", "[install]\ninstkey=orvik.exe\nbitmap=b.bmp\n", "orvik.exe", "b.bmp", false },
    { "an equals sign inside a value", "[install]\r\nbitmap=a=b.bmp\r\n", "", "a=b.bmp", false },
    { "no install section", "[autorun]\r\nopen=autorun.exe\r\n", "", "", false },
    { "empty file", "", "", "", false },
    { "only the first section of a name", "[install]\r\nbitmap=b.bmp\r\n[install]\r\ninstkey=late\r\n", "", "b.bmp", false },
    { "keys before any section", "instkey=no\r\n[install]\r\nbitmap=b.bmp\r\n", "", "b.bmp", false },
    { "a key without '=' reads as not set", "[install]\r\ninstkey\r\ninstkey=later\r\n", "", "", false },
    { "an unclosed bracket is no section", "[autorun]\r\n[install\r\ninstkey=no\r\n", "", "", false },
    { "the name runs to the last bracket", "[install] ]\r\ninstkey=no\r\n[install]x\r\ninstkey=yes\r\n", "yes", "", false },
    { "a lone or unmatched quote stays", "[install]\r\ninstkey=\"\r\nbitmap='b.bmp\"\r\n", "\"", "'b.bmp\"", false },
    { "tabs and Ctrl+Z are blanks", "[install]\r\n\tinstkey\t=\torvik.exe\x1a\r\n\x1a", "orvik.exe", "", false },
    { "CR line ends", "[install]\rinstkey=orvik.exe\rbitmap=b.bmp\r", "orvik.exe", "b.bmp", false },
    { "no line end at the end", "[install]\r\nbitmap=b.bmp", "", "b.bmp", false },
    // A UTF-8 mark at the start is skipped; the profile functions take it as
    // part of the first line and miss a section named there.
    { "a UTF-8 mark before the section", "\xef\xbb\xbf[install]\r\ninstkey=yes\r\n", "yes", "", false, "" },
    { "a UTF-8 mark before another section", "\xef\xbb\xbf[autorun]\r\n[install]\r\ninstkey=yes\r\n", "yes", "", false },
    { "a UTF-8 mark before a key of no section", "\xef\xbb\xbfinstkey=no\r\n[install]\r\nbitmap=b.bmp\r\n", "", "b.bmp",
      false },
    { "after the mark, ANSI: UTF-8 bytes stay bytes", "\xef\xbb\xbf[install]\r\nbitmap=caf\xc3\xa9.bmp\r\n", "",
      "caf\xc3\xa9.bmp", true },
    { "a UTF-8 mark elsewhere is text", "[install]\r\ninstkey=\xef\xbb\xbfyes\r\n", "\xef\xbb\xbfyes", "", false },
    { "two bytes of a mark are text", "\xef\xbb[install]\r\ninstkey=no\r\n", "", "", false },
    { "the mark alone", "\xef\xbb\xbf", "", "", false },
    { "UTF-16, low byte first", Utf16("[Install]\r\ninstkey = \"orvik.exe\"\r\nbitmap=b.bmp\r\n", false), "orvik.exe",
      "b.bmp", true },
    { "UTF-16, high byte first", Utf16("[install]\r\nbitmap=b.bmp\r\n", true), "", "b.bmp", true },
    { "UTF-16 cut inside a character", Utf16("[install]\r\nbitmap=b.bmp", false) + "x", "", "b.bmp", true },
    // Three bytes a character in UTF-8, the ANSI code page Windows 10 offers.
    { "UTF-16 katakana, the ANSI code page UTF-8", Utf16Katakana(100, "\r\n[install]\r\nbitmap=b.bmp\r\n"), "",
      "b.bmp", true, nullptr, CP_UTF8 },
    { "UTF-16 katakana only, the ANSI code page UTF-8", Utf16Katakana(100, ""), "", "", true, nullptr, CP_UTF8 },
    // The whole file, as Windows NT reads it, up to 16 MiB.
    { "a section past the first 64 KiB", std::string(65536, '\n') + "[install]\r\ninstkey=late\r\n", "late", "", true },
    { "past 64 KiB after a UTF-8 mark", "\xef\xbb\xbf;" + std::string(70000, 'x') + "\r\n[install]\r\ninstkey=late\r\n",
      "late", "", true },
    { "UTF-16 past 64 KiB", Utf16(std::string(40000, '\n') + "[install]\r\ninstkey=late\r\n", false), "late", "", true },
    { "only the first 16 MiB", std::string(16 * 1024 * 1024, '\n') + "[install]\r\ninstkey=late\r\n", "", "", true },
};

TEST_F(DiscConfigFile, ReadsAutorunInfAsAProfileFile)
{
    for (const auto& c : ProfileCases) {
        SetUp();
        InsertDisc(c.inf);
        AnsiCodePage = c.codePage;
        FindDisc(&Launcher.Disc);
        LoadDiscConfig(&Launcher.Disc);
        const char* background = Launcher.Disc.Config.BackgroundPath;
        EXPECT_EQ(std::string(AppPathsPrefix) + c.instkey, Launcher.Disc.Config.AppPathsKey) << c.name;
        EXPECT_EQ(std::string("E:\\") + c.bitmap, background) << c.name;
        EXPECT_TRUE(VirtualBlocks.empty()) << c.name << ": the file's memory is given back";
        if (!c.readerOnly) {
            char value[PathSize];
            GetPrivateProfileStringA("install", "instkey", "", value, PathSize, "E:\\autorun.inf");
            EXPECT_STREQ(c.profileInstkey != nullptr ? c.profileInstkey : c.instkey, value)
                << c.name << ": the profile functions";
            GetPrivateProfileStringA("install", "bitmap", "", value, PathSize, "E:\\autorun.inf");
            EXPECT_STREQ(c.bitmap, value) << c.name << ": the profile functions";
        }
    }
}

// The key names of a section, as the kit's check lists [autorun] with the
// same reader: zero-ended names, a second zero at the end, the first section
// of a name only, comment lines left out, names that do not fit left out.
// Without memory for the file it reads as a missing one: the fresh layout
// and no picture, nothing read past an end.
TEST_F(DiscConfigFile, NoMemoryForTheFileReadsAsNoFile)
{
    InsertDisc();
    VirtualAllocLimit = 0;
    FindDisc(&Launcher.Disc);
    LoadDiscConfig(&Launcher.Disc);
    EXPECT_STREQ("E:\\", Launcher.Disc.Config.BackgroundPath);
    EXPECT_EQ(std::string(AppPathsPrefix), Launcher.Disc.Config.AppPathsKey);
    EXPECT_EQ(0, OpenFileHandles);
}

TEST_F(DiscConfigFile, ListsTheKeyNamesOfASection)
{
    static const struct {
        const char* text;
        int size;
        std::string keys;
    } cases[] = {
        { "[autorun]\r\n open = a.exe\r\n;note=x\r\nshell\\go\\command=b.exe\r\nlabel\r\n[autorun]\r\nicon=c.ico\r\n", 64,
          std::string("open\0shell\\go\\command\0label\0\0", 29) },
        { "[install]\r\nbitmap=b.bmp\r\n", 64, std::string("\0", 1) },
        { "[autorun]\r\nopen=a.exe\r\nicon=c.ico\r\n", 8, std::string("open\0\0", 6) },
        { "[autorun]\r\nopen=a.exe\r\n", 1, "" },
    };
    for (const auto& c : cases) {
        char keys[64];
        memset(keys, 0x5a, sizeof keys);
        int length = ListProfileKeys((const BYTE*)c.text, (DWORD)strlen(c.text), "autorun", keys, c.size);
        if (c.size < 2) {
            EXPECT_EQ(0, length) << c.text;
            EXPECT_EQ(0x5a, keys[0]) << c.text;
            continue;
        }
        EXPECT_EQ((int)c.keys.size() - 1, length) << c.text;
        EXPECT_EQ(c.keys, std::string(keys, c.keys.size())) << c.text;
        EXPECT_EQ(0x5a, keys[c.keys.size()]) << c.text << ": written past the list";
    }
}

TEST_F(DiscConfigFile, MissingAutorunInfGivesEmptyNames)
{
    InsertDisc();
    RemoveFile("E:\\autorun.inf");
    FindDisc(&Launcher.Disc);
    LoadDiscConfig(&Launcher.Disc);
    const char* background = Launcher.Disc.Config.BackgroundPath;
    EXPECT_EQ(std::string(AppPathsPrefix), Launcher.Disc.Config.AppPathsKey);
    EXPECT_EQ(std::string(UninstallPrefix), Launcher.Disc.Config.UninstallKey);
    EXPECT_STREQ("E:\\", background);
}

// Both key prefixes take 52 characters, so a name of 203 fits a 256-byte
// buffer with its zero and one of 204 does not; the picture's name has
// 252 after "E:\".
TEST_F(DiscConfigFile, RefusesValuesThatDoNotFitAtTheExactBoundary)
{
    static const struct {
        int instkey, uninstkey, bitmap;
        bool instkeyKept, uninstkeyKept, bitmapKept;
    } cases[] = {
        { 203, 203, 252, true, true, true },
        { 204, 203, 252, false, true, true },
        { 203, 204, 253, true, false, false },
        { 255, 255, 255, false, false, false },
        { 400, 400, 400, false, false, false },  // cut to 255 by the profile reader, still refused
    };
    for (const auto& c : cases) {
        SetUp();
        std::string inf = "[install]\r\ninstkey=" + std::string(c.instkey, 'i') + "\r\nuninstkey=" +
                          std::string(c.uninstkey, 'u') + "\r\nbitmap=" + std::string(c.bitmap, 'b') + "\r\n";
        InsertDisc(inf);
        AddKey(std::string(AppPathsPrefix) + std::string(c.instkey, 'i'));
        FindDisc(&Launcher.Disc);
        LoadDiscConfig(&Launcher.Disc);
        const char* background = Launcher.Disc.Config.BackgroundPath;
        EXPECT_EQ(c.instkeyKept, strlen(Launcher.Disc.Config.AppPathsKey) == 52u + c.instkey) << c.instkey;
        EXPECT_EQ(c.instkeyKept, Launcher.Disc.Config.AppPathsKey[0] != '\0') << c.instkey;
        EXPECT_EQ(c.instkeyKept ? 1 : 0, Launcher.Disc.AppInstalled) << c.instkey;
        EXPECT_EQ(c.uninstkeyKept, Launcher.Disc.Config.UninstallKey[0] != '\0') << c.uninstkey;
        EXPECT_EQ(c.bitmapKept, background[0] != '\0') << c.bitmap;
        if (!c.instkeyKept) {
            EXPECT_EQ(0, CountCalls("RegOpenKeyExA")) << "a refused key path is never opened";
        }
    }
}

TEST_F(DiscConfigFile, AnOverLongPictureNameMeansNoBackground)
{
    InsertDisc("[install]\r\nbitmap=" + std::string(253, 'b') + "\r\n");
    GiveResources();
    StartLauncher();
    EXPECT_EQ(0, CountCalls("LoadImageA file"));
    EXPECT_EQ(nullptr, Launcher.BackgroundImage);
}

typedef LauncherTest InstalledState;

TEST_F(InstalledState, FollowsTheAppPathsEntry)
{
    InsertDisc();
    FindDisc(&Launcher.Disc);
    LoadDiscConfig(&Launcher.Disc);
    EXPECT_EQ(0, Launcher.Disc.AppInstalled);

    AddKey(std::string(AppPathsPrefix) + "ORVIK.EXE");  // keys match without regard to case
    RefreshInstalledState(&Launcher.Disc);
    EXPECT_EQ(1, Launcher.Disc.AppInstalled);
    EXPECT_EQ(0, OpenKeys);
    EXPECT_EQ(2, CountCalls(std::string("RegOpenKeyExA ") + AppPathsPrefix + "orvik.exe 1"));

    RemoveKey(std::string(AppPathsPrefix) + "orvik.exe");
    RefreshInstalledState(&Launcher.Disc);
    EXPECT_EQ(0, Launcher.Disc.AppInstalled);
}

TEST_F(InstalledState, AnEmptyNameOpensTheAppPathsKeyItself)
{
    InsertDisc("[install]\r\nbitmap=background.bmp\r\n");
    AddKey("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths");
    FindDisc(&Launcher.Disc);
    LoadDiscConfig(&Launcher.Disc);
    EXPECT_EQ(1, CountCalls(std::string("RegOpenKeyExA ") + AppPathsPrefix + " "));
    EXPECT_EQ(1, Launcher.Disc.AppInstalled);
}
