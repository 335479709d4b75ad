// The palette text reader, building the palette, and the palette messages.
#include <fstream>
#include <iterator>

#include "launcher_test.h"

using namespace standin;

typedef LauncherTest Palette;

static std::string Header()
{
    return "JASC-PAL\r\n0100\r\n256\r\n";
}

// Entries "i i i" for every index, with a given separator.
static std::string Entries(const std::string& separator, const std::string& lineEnd)
{
    std::string text;
    for (int i = 0; i < 256; ++i)
        text += std::to_string(i) + separator + std::to_string(i) + separator + std::to_string(i) + lineEnd;
    return text;
}

static void BuildFrom(const std::string& text)
{
    HasPaletteText = true;
    PaletteText = text;
    Launcher.AppPalette = LoadAppPalette(TestInstance, NULL);
}

TEST_F(Palette, ReadsNumbersAsOneStreamOfDigitRuns)
{
    static const struct {
        const char* text;
        std::vector<int> numbers;
    } cases[] = {
        { "1 2 3", { 1, 2, 3, 0 } },
        { "  192\r\n220\t192", { 192, 220, 192 } },
        { "-5,x7", { 5, 7 } },               // a minus sign is skipped like a blank
        { "300", { 300 } },                   // no range check here
        { "007", { 7 } },
        { "", { 0, 0 } },                     // nothing left: 0, cursor stays at the end
        { "99999999999", { (int)(99999999999ull & 0x7fffffffu) } },  // no overflow trap
    };
    for (const auto& c : cases) {
        const char* cursor = c.text;
        const char* end = c.text + strlen(c.text);
        for (int expected : c.numbers)
            EXPECT_EQ(expected, ReadPaletteNumber(&cursor, end)) << c.text;
        EXPECT_EQ(end, cursor) << c.text;
    }
}

TEST_F(Palette, StopsAtAZeroByteOrTheEnd)
{
    const char text[] = "12\0 34";
    const char* cursor = text;
    EXPECT_EQ(12, ReadPaletteNumber(&cursor, text + sizeof text - 1));
    EXPECT_EQ(0, ReadPaletteNumber(&cursor, text + sizeof text - 1));
    EXPECT_EQ(text + 2, cursor);
    const char* bounded = "1234";
    cursor = bounded;
    EXPECT_EQ(12, ReadPaletteNumber(&cursor, bounded + 2));
}

TEST_F(Palette, TheShippedTextGivesTheFixedEntries)
{
    BuildFrom(ShippedPaletteText());
    ASSERT_NE(nullptr, Launcher.AppPalette);
    ASSERT_EQ(256u, LastPaletteEntries.size());
    EXPECT_EQ(0x300, LastPaletteVersion);
    static const struct {
        int index, r, g, b;
    } fixed[] = { { 0, 0, 0, 0 },         { 1, 128, 0, 0 },       { 8, 192, 220, 192 }, { 9, 166, 202, 240 },
                  { 48, 254, 254, 254 },  { 63, 3, 3, 3 },        { 96, 255, 231, 231 }, { 111, 39, 0, 0 },
                  { 246, 255, 251, 240 }, { 247, 160, 160, 164 }, { 255, 255, 255, 255 } };
    for (const auto& f : fixed) {
        const PALETTEENTRY& e = LastPaletteEntries[f.index];
        EXPECT_EQ(f.r, e.peRed) << f.index;
        EXPECT_EQ(f.g, e.peGreen) << f.index;
        EXPECT_EQ(f.b, e.peBlue) << f.index;
    }
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(i >= 10 && i <= 245 ? PC_NOCOLLAPSE : 0, LastPaletteEntries[(size_t)i].peFlags) << i;
    EXPECT_EQ(0, LockedResources);
}

// An 8-bit bitmap file's colour table and pixel indexes.
struct IndexedPicture {
    std::vector<PALETTEENTRY> table;
    std::vector<BYTE> pixels;
};

static IndexedPicture ReadIndexedPicture(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::string data((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    auto little = [&](size_t at) {
        return (unsigned)(BYTE)data.at(at) | (unsigned)(BYTE)data.at(at + 1) << 8 |
               (unsigned)(BYTE)data.at(at + 2) << 16 | (unsigned)(BYTE)data.at(at + 3) << 24;
    };
    IndexedPicture picture;
    unsigned offset = little(10), width = little(18), height = little(22), used = little(46);
    for (unsigned i = 0; i < (used != 0 ? used : 256); ++i) {
        size_t at = 54 + 4 * i;
        picture.table.push_back(PALETTEENTRY{ (BYTE)data.at(at + 2), (BYTE)data.at(at + 1), (BYTE)data.at(at), 0 });
    }
    unsigned stride = (width + 3) & ~3u;
    for (unsigned y = 0; y < height; ++y)
        for (unsigned x = 0; x < width; ++x)
            picture.pixels.push_back((BYTE)data.at(offset + y * stride + x));
    return picture;
}

static bool SameColour(const PALETTEENTRY& a, const PALETTEENTRY& b)
{
    return a.peRed == b.peRed && a.peGreen == b.peGreen && a.peBlue == b.peBlue;
}

// On a 256-colour display every entry of the launcher's palette realizes to
// its own colour, and so every pixel of the background and of the buttons,
// whose colour tables are the palette, shows the colour it was drawn in. The
// same palette with PC_NOCOLLAPSE on all 256 entries would not.
TEST_F(Palette, EveryEntryAndPixelShowsItsOwnColourOnAPaletteDisplay)
{
    PaletteDisplay = true;
    BuildFrom(ShippedPaletteText());
    ASSERT_NE(nullptr, Launcher.AppPalette);
    std::vector<PALETTEENTRY> logical = LastPaletteEntries;
    std::vector<int> slots = RealizedSlots(Launcher.AppPalette);
    ASSERT_EQ(256u, slots.size());
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(i, slots[(size_t)i]) << "entry " << i << " is not an identity entry";

    std::vector<PALETTEENTRY> allNoCollapse = logical;
    for (PALETTEENTRY& e : allNoCollapse)
        e.peFlags = PC_NOCOLLAPSE;
    static const struct {
        const char* name;
        bool launchersFlags;
        int wrongEntries;  // entries that show another colour than their own
    } layouts[] = { { "the launcher's flags", true, 0 }, { "PC_NOCOLLAPSE everywhere", false, 10 } };

    std::vector<std::string> paths = { SOURCE_DIR "/disc/backgrnd.bmp" };
    for (const char* button : { "cancel", "install", "readme", "run", "uninstall" })
        for (const char* state : { "normal", "pressed", "highlighted" })
            paths.push_back(std::string(SOURCE_DIR "/src/resources/buttons/") + button + "_" + state + ".bmp");
    for (const auto& layout : layouts) {
        const std::vector<PALETTEENTRY>& entries = layout.launchersFlags ? logical : allNoCollapse;
        std::vector<int> shown = RealizeForeground(entries);
        std::vector<bool> right(256);
        int wrong = 0;
        for (size_t i = 0; i < 256; ++i) {
            right[i] = SameColour(SystemPalette[(size_t)shown[i]], entries[i]);
            wrong += right[i] ? 0 : 1;
        }
        EXPECT_EQ(layout.wrongEntries, wrong) << layout.name;
        long wrongPixels = 0;
        for (const std::string& path : paths) {
            IndexedPicture picture = ReadIndexedPicture(path);
            ASSERT_FALSE(picture.pixels.empty()) << path;
            for (BYTE index : picture.pixels) {
                // A blit maps each colour of the picture's table to the
                // palette entry of that colour, then to its system entry.
                ASSERT_LT(index, picture.table.size()) << path;
                size_t entry = 0;
                while (entry < 256 && !SameColour(entries[entry], picture.table[index]))
                    ++entry;
                ASSERT_LT(entry, 256u) << path << ": a colour outside the palette";
                wrongPixels += right[entry] ? 0 : 1;
            }
        }
        if (layout.launchersFlags)
            EXPECT_EQ(0, wrongPixels) << layout.name;
        else
            EXPECT_GT(wrongPixels, 1000) << layout.name << ": the background uses entries 236 to 245";
    }
}

TEST_F(Palette, TextVariationsThatDoNotChangeTheResult)
{
    const std::string variants[] = {
        Header() + Entries(" ", "\r\n"),
        Header() + Entries("  ", "\n"),                       // extra blanks, no CR
        "JASC-PAL\r\n0200\r\n16\r\n" + Entries(" ", "\r\n"),  // another version and count: still 256 read
        Header() + Entries(" ", "\r\n") + "1 2 3\r\n",        // more than 256 entries: the rest ignored
    };
    for (const std::string& text : variants) {
        SetUp();
        BuildFrom(text);
        ASSERT_EQ(256u, LastPaletteEntries.size());
        for (int i = 0; i < 256; ++i)
            ASSERT_EQ(i, LastPaletteEntries[i].peGreen) << text.substr(0, 30);
    }
}

TEST_F(Palette, NumbersAreTakenAsAStreamAcrossLines)
{
    // Entry 0 has a fourth number: every later value moves by one.
    BuildFrom(Header() + "1 2 3 4\r\n5 6 7\r\n300 -5 9\r\n");
    EXPECT_EQ(1, LastPaletteEntries[0].peRed);
    EXPECT_EQ(3, LastPaletteEntries[0].peBlue);
    EXPECT_EQ(4, LastPaletteEntries[1].peRed);
    EXPECT_EQ(5, LastPaletteEntries[1].peGreen);
    EXPECT_EQ(7, LastPaletteEntries[2].peRed);
    EXPECT_EQ(44, LastPaletteEntries[2].peGreen);  // 300, low 8 bits
    EXPECT_EQ(5, LastPaletteEntries[2].peBlue);    // -5 reads as 5
    EXPECT_EQ(9, LastPaletteEntries[3].peRed);
    EXPECT_EQ(0, LastPaletteEntries[3].peGreen);   // too few numbers: the rest are 0
    EXPECT_EQ(0, LastPaletteEntries[255].peBlue);
}

TEST_F(Palette, IsRealizedOnTheScreenAtStartUp)
{
    BuildFrom(ShippedPaletteText());
    ASSERT_EQ(3u, PaletteCalls.size());
    EXPECT_EQ("unrealize", PaletteCalls[0].op);
    EXPECT_EQ("select", PaletteCalls[1].op);
    EXPECT_EQ(Launcher.AppPalette, PaletteCalls[1].palette);
    EXPECT_FALSE(PaletteCalls[1].forceBackground);
    EXPECT_EQ(nullptr, PaletteCalls[1].dcWindow);  // the screen's device context
    EXPECT_EQ("realize", PaletteCalls[2].op);
    EXPECT_EQ(0, LiveObjects(WindowDc));
}

TEST_F(Palette, AMissingOrDamagedTextLeavesNoPaletteAndTheLauncherWorks)
{
    const struct {
        bool present;
        std::string text;
    } cases[] = {
        { false, "" },
        { true, "" },
        { true, "JASC-PAL\r\n0100\r\n" },       // two line feeds: the header skip would run off the end
        { true, "JASC-PAL 0100 256 1 2 3" },    // no line feed at all
    };
    for (const auto& c : cases) {
        SetUp();
        InsertDisc();
        GiveResources();
        HasPaletteText = c.present;
        PaletteText = c.text;
        Idle = [] { return false; };
        StartLauncher();
        EXPECT_EQ(nullptr, Launcher.AppPalette) << c.text;
        EXPECT_EQ(0, LiveObjects(PaletteObject));
        EXPECT_EQ(0, LockedResources);
        ASSERT_NE(nullptr, Launcher.MainWindow);
        EXPECT_GE(CountCalls("BeginPaint"), 1);  // still paints
        EXPECT_EQ(0, LauncherWindowProc(Launcher.MainWindow, WM_QUERYNEWPALETTE, 0, 0));
        EXPECT_EQ(0, LiveObjects(WindowDc));
    }
}

TEST_F(Palette, TheThreeHeaderLinesAreSkippedWhateverTheySay)
{
    BuildFrom("\n\n\n7 8 9");
    EXPECT_EQ(7, LastPaletteEntries[0].peRed);
    EXPECT_EQ(9, LastPaletteEntries[0].peBlue);
}

typedef LauncherTest PaletteMessages;

TEST_F(PaletteMessages, ForegroundRealizeThenThePreviousPaletteGoesBackInTheBackground)
{
    OpenWindow();
    RealizeResult = 12;
    EXPECT_EQ(1, Send(WM_QUERYNEWPALETTE));
    ASSERT_EQ(4u, PaletteCalls.size());
    EXPECT_EQ("select", PaletteCalls[0].op);
    EXPECT_EQ(Launcher.MainWindow, PaletteCalls[0].dcWindow);
    EXPECT_EQ(Launcher.AppPalette, PaletteCalls[0].palette);
    EXPECT_FALSE(PaletteCalls[0].forceBackground);
    EXPECT_EQ("realize", PaletteCalls[1].op);
    EXPECT_EQ("select", PaletteCalls[2].op);
    EXPECT_EQ(GetStockObject(DEFAULT_PALETTE), (HGDIOBJ)PaletteCalls[2].palette);
    EXPECT_TRUE(PaletteCalls[2].forceBackground);
    EXPECT_EQ("realize", PaletteCalls[3].op);
    EXPECT_EQ(PaletteCalls[0].dc, PaletteCalls[3].dc);
    ASSERT_EQ(1u, Invalidations.size());
    EXPECT_TRUE(Invalidations[0].whole);
    EXPECT_FALSE(Invalidations[0].erase);
    EXPECT_EQ(0, LiveObjects(WindowDc));
}

TEST_F(PaletteMessages, NoRepaintWhenTheSystemPaletteDidNotChange)
{
    OpenWindow();
    RealizeResult = 0;
    EXPECT_EQ(1, Send(WM_QUERYNEWPALETTE));
    EXPECT_TRUE(Invalidations.empty());
}

TEST_F(PaletteMessages, AChangeFromAnotherWindowIsAnsweredLikeAQuery)
{
    OpenWindow();
    RealizeResult = 3;
    HWND other = AddForeignWindow("Other", "Other");
    EXPECT_EQ(1, Send(WM_PALETTECHANGED, (WPARAM)other));
    EXPECT_EQ(4u, PaletteCalls.size());
    EXPECT_EQ(1u, Invalidations.size());
}

TEST_F(PaletteMessages, AChangeCausedByTheLauncherItselfDoesNothing)
{
    OpenWindow();
    RealizeResult = 3;
    EXPECT_EQ(0, Send(WM_PALETTECHANGED, (WPARAM)Launcher.MainWindow));
    EXPECT_TRUE(PaletteCalls.empty());
    EXPECT_TRUE(Invalidations.empty());
}
