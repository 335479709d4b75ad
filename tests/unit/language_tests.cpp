// The language the user meets: which of the launcher's languages each
// Windows's way of telling the UI language picks, and what follows the pick
// (the pictures shown, what readers hear, the read-me, the background).
#include "launcher_test.h"

using namespace standin;

class Languages : public LauncherTest {
protected:
    // The sample disc's languages, each with its captions; the launcher
    // started with its window up and its loop stopped.
    void Start(WORD defaultLanguage, const std::vector<WORD>& order)
    {
        InsertDisc();
        GiveResources();
        for (WORD language : order)
            GiveLanguage(language, Captions(language));
        if (!order.empty())
            AddLanguages(defaultLanguage, order);
        Idle = [] { return false; };
        StartLauncher();
    }
    static std::map<UINT, std::string> Captions(WORD language)
    {
        if (language == 0x0411)
            return { { Install, "インストール" }, { ReadMe, "お読みください" }, { PRESS_STRING, "押す" } };
        std::string tag = std::to_string(language);
        return { { Install, "Install " + tag }, { ReadMe, "Read Me " + tag }, { PRESS_STRING, "Press " + tag } };
    }
    // The language of the pictures the window shows.
    static std::string Shown() { return LanguageOf(Launcher.Panel.ButtonImages[Install][Normal]); }
    static std::string LanguageOf(HBITMAP picture)
    {
        std::string shown = PictureOf(picture);
        return shown.size() > 4 ? shown.substr(4) : "none";
    }
};

static std::string Hex(WORD language)
{
    char text[8];
    snprintf(text, sizeof text, "%04x", language);
    return text;
}

const std::vector<WORD> Sample = { 0x0809, 0x0407, 0x040C, 0x0411, 0x0401 };

// Each way a Windows tells the UI language, and each kind of match; the
// first listed of a kind wins.
TEST_F(Languages, ThePickIsTheSameOnEveryWindows)
{
    static const struct {
        const char* windows;
        bool uiLanguageExported;  // Me, 2000 and later
        WORD ui, ntdll, system;   // ntdll 0: not loaded (9x)
        WORD defaultLanguage;
        std::vector<WORD> order;
        WORD shown;
    } rows[] = {
        { "XP, German", true, 0x0407, 0x0409, 0x0409, 0x0809, Sample, 0x0407 },
        { "10, Japanese UI on an English system", true, 0x0411, 0x0409, 0x0409, 0x0809, Sample, 0x0411 },
        { "Swiss German gets German", true, 0x0807, 0, 0, 0x0809, Sample, 0x0407 },
        { "Austrian German gets the first German listed", true, 0x0C07, 0, 0, 0x0809, { 0x0809, 0x0807, 0x0407 },
          0x0807 },
        { "American English gets British", true, 0x0409, 0, 0, 0x0407, Sample, 0x0809 },
        { "Swedish gets the default", true, 0x041D, 0, 0, 0x0809, { 0x0407, 0x0809 }, 0x0809 },
        { "a default not listed: the first", true, 0x041D, 0, 0, 0x0C0A, { 0x0407, 0x0809 }, 0x0407 },
        { "Hong Kong reads traditional Chinese", true, 0x0C04, 0, 0, 0x0809, { 0x0809, 0x0804, 0x0404 }, 0x0404 },
        { "Singapore reads simplified Chinese", true, 0x1004, 0, 0, 0x0809, { 0x0809, 0x0404, 0x0804 }, 0x0804 },
        { "Taiwan never gets simplified", true, 0x0404, 0, 0, 0x0809, { 0x0809, 0x0804 }, 0x0809 },
        { "Serbian never gets Croatian", true, 0x241A, 0, 0, 0x0809, { 0x0809, 0x041A }, 0x0809 },
        { "Bosnian gets Bosnian, not Croatian", true, 0x141A, 0, 0, 0x0809, { 0x0809, 0x041A, 0x201A }, 0x201A },
        { "Croatian (Bosnia) gets Croatian", true, 0x101A, 0, 0, 0x0809, { 0x0809, 0x241A, 0x041A }, 0x041A },
        { "NT 4: its own modules' language, not the system's", false, 0, 0x0411, 0x0407, 0x0809, Sample, 0x0411 },
        { "98: the system's language", false, 0, 0, 0x040C, 0x0809, Sample, 0x040C },
        { "95, Arabic", false, 0, 0, 0x0401, 0x0809, Sample, 0x0401 },
    };
    for (const auto& r : rows) {
        SetUp();
        if (!r.uiLanguageExported)
            KernelExports.erase("GetUserDefaultUILanguage");
        UiLanguage = r.ui;
        NtdllLanguage = r.ntdll;
        SystemLanguage = r.system;
        Start(r.defaultLanguage, r.order);
        EXPECT_EQ(Hex(r.shown), Shown()) << r.windows;
        for (int code : { Install, Uninstall, ::Run, ReadMe, Cancel })
            for (int state = 0; state < 3; ++state)
                EXPECT_EQ(Shown(), LanguageOf(Launcher.Panel.ButtonImages[code][state])) << r.windows;
    }
}

// A launcher without the languages resource, or with one that does not hold
// together, shows the one set of pictures it has, whatever the user reads.
TEST_F(Languages, WithoutAListTheOneLanguageStands)
{
    static const struct {
        const char* what;
        std::string list;
    } rows[] = {
        { "no list", "" },
        { "no languages", std::string("\0\0\x09\x08", 4) },
        { "a count past its end", std::string("\x05\0\x09\x08\x07\x04", 6) },
        { "cut short", std::string("\x01", 1) },
    };
    for (const auto& r : rows) {
        SetUp();
        UiLanguage = 0x0411;
        InsertDisc();
        GiveResources();
        if (!r.list.empty())
            Resources[ResourceName((uintptr_t)RT_RCDATA, 102, 0)] = r.list;
        Idle = [] { return false; };
        StartLauncher();
        EXPECT_EQ("0809", Shown()) << r.what;
    }
}

// A picture missing, whose headers promise more than the resource holds, or
// whose rows a DIB section cannot take, is not shown: its slot shows the
// background, and its neighbours are shown.
TEST_F(Languages, ADamagedPictureIsNotShown)
{
    static const struct {
        const char* what;
        size_t at;
        std::string bytes;  // written over the resource from at; "" cuts it there (at 0: no resource)
    } rows[] = {
        { "missing", 0, "" },
        { "cut short", 2000, "" },
        { "run-length rows", 16, std::string("\x01\0\0\0", 4) },
        { "taller than it holds", 8, std::string("\x24\0\0\0", 4) },
        { "more colours than 256", 32, std::string("\x01\x01\0\0", 4) },
    };
    for (const auto& r : rows) {
        SetUp();
        InsertDisc();
        GiveResources();
        std::string& picture = Resources[ResourceName((uintptr_t)RT_BITMAP, INSTALL_NORMAL_BITMAP, 0x0809)];
        picture = r.bytes.empty() ? picture.substr(0, r.at) : picture.replace(r.at, r.bytes.size(), r.bytes);
        if (r.at == 0)
            Resources.erase(ResourceName((uintptr_t)RT_BITMAP, INSTALL_NORMAL_BITMAP, 0x0809));
        Idle = [] { return false; };
        StartLauncher();
        EXPECT_EQ(nullptr, Launcher.Panel.ButtonImages[Install][Normal]) << r.what;
        EXPECT_NE(nullptr, Launcher.Panel.ButtonImages[Install][Pressed]) << r.what;
    }
}

// Read Me opens the language's read-me where the disc holds it, and the
// window shows the language's background where the disc holds that; else
// readme.txt and the picture autorun.inf names.
TEST_F(Languages, TheLanguagesFilesWhereTheDiscHoldsThem)
{
    static const struct {
        const char* readme;      // the language's read-me name, "" for none
        const char* background;  // its background's
        const char* onDisc;      // the files the disc holds besides its own
        const char* notepadGets;
        const char* shown;       // the background picture loaded
    } rows[] = {
        { "liesmich.txt", "", "E:\\liesmich.txt", "E:\\liesmich.txt", "E:\\background.bmp" },
        { "liesmich.txt", "", "", "E:\\readme.txt", "E:\\background.bmp" },
        { "Lies mich.txt", "hinterg.bmp", "E:\\Lies mich.txt|E:\\hinterg.bmp", "\"E:\\Lies mich.txt\"",
          "E:\\hinterg.bmp" },
        { "", "hinterg.bmp", "", "E:\\readme.txt", "E:\\background.bmp" },
        { "lisezmoi-é.txt", "", "E:\\lisezmoi-\xe9.txt", "E:\\lisezmoi-\xe9.txt", "E:\\background.bmp" },
        { "お読みください.txt", "", "E:\\?????.txt", "E:\\readme.txt", "E:\\background.bmp" },
    };
    for (const auto& r : rows) {
        SetUp();
        std::map<UINT, std::string> strings = Captions(0x0407);
        strings[README_STRING] = r.readme;
        strings[BACKGROUND_STRING] = r.background;
        InsertDisc();
        GiveResources();
        GiveLanguage(0x0407, strings);
        AddLanguages(0x0809, { 0x0809, 0x0407 });
        UiLanguage = 0x0407;
        for (std::string files = r.onDisc; !files.empty();) {
            size_t bar = files.find('|');
            bool picture = files.find(".bmp") < bar;
            AddFile(files.substr(0, bar), picture ? BitmapFile(640, 480) : "", picture);
            files = bar == std::string::npos ? "" : files.substr(bar + 1);
        }
        Idle = [] { return false; };
        StartLauncher();
        EXPECT_EQ(r.shown, FileOf(Launcher.BackgroundImage)) << r.readme;
        Send(WM_USER, ReadMe);
        ASSERT_EQ(1u, Started.size()) << r.readme;
        EXPECT_EQ(std::string("C:\\WINDOWS\\system32\\notepad.exe ") + r.notepadGets, Started[0].commandLine);
    }
}
