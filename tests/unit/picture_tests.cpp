// The check a background picture passes before the system's loader is given
// it: headers that agree, and a file that holds all they promise.
#include "launcher_test.h"

using namespace standin;

static void Put(std::string& file, size_t at, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        file[at + i] = (char)((value >> (8 * i)) & 0xff);
}

static std::string Cut(std::string file, size_t bytes)
{
    file.resize(file.size() - bytes);
    return file;
}

static std::string With(std::string file, size_t at, uint32_t value, int bytes = 4)
{
    Put(file, at, value, bytes);
    return file;
}

static const std::string Sample = BitmapFile(640, 480);

static const struct {
    const char* name;
    std::string file;
    int sound;
} Pictures[] = {
    { "the launcher's kind: 640 x 480, 8 bits", Sample, 1 },
    { "one byte short", Cut(Sample, 1), 0 },
    { "cut to its headers", Sample.substr(0, 54), 0 },
    { "cut inside the colour table", Sample.substr(0, 600), 0 },
    { "cut inside the info header", Sample.substr(0, 30), 0 },
    { "empty", "", 0 },
    { "not a bitmap", "GIF89a" + std::string(200, '\0'), 0 },
    { "top-down", BitmapFile(640, -480), 1 },
    { "top-down, one byte short", Cut(BitmapFile(640, -480), 1), 0 },
    { "core header, 8 bits", BitmapFile(640, 480, 8, 12), 1 },
    { "core header, one byte short", Cut(BitmapFile(640, 480, 8, 12), 1), 0 },
    { "V4 header", BitmapFile(640, 480, 8, 108), 1 },
    { "V5 header", BitmapFile(640, 480, 8, 124), 1 },
    { "V5 header cut inside the header", BitmapFile(640, 480, 8, 124).substr(0, 100), 0 },
    { "an unknown header size", With(Sample, 14, 64), 0 },
    { "a header size past the file", With(Sample, 14, 0x7fffffff), 0 },
    { "a short colour table", BitmapFile(640, 480, 8, 40, 0, 16), 1 },
    { "more colours than 8 bits hold", With(BitmapFile(640, 480, 8, 40, 0, 16), 46, 257), 0 },
    { "1 bit", BitmapFile(33, 3, 1), 1 },
    { "4 bits", BitmapFile(5, 3, 4), 1 },
    { "16 bits", BitmapFile(5, 3, 16), 1 },
    { "24 bits", BitmapFile(640, 480, 24), 1 },
    { "24 bits, one row short", Cut(BitmapFile(640, 480, 24), 1920), 0 },
    { "32 bits", BitmapFile(5, 3, 32), 1 },
    { "3 bits", With(BitmapFile(5, 3, 8), 28, 3, 2), 0 },
    { "two planes", With(Sample, 26, 2, 2), 0 },
    { "no width", With(Sample, 18, 0), 0 },
    { "no height", With(Sample, 22, 0), 0 },
    { "a negative width", With(Sample, 18, (uint32_t)-640), 0 },
    { "wider than the check allows", With(Sample, 18, 16385), 0 },
    { "a height that overflows", With(Sample, 22, 0x80000000u), 0 },
    { "bit fields, 16 bits, masks after the header", BitmapFile(5, 3, 16, 40, 3), 1 },
    { "bit fields, 32 bits, V4 header", BitmapFile(5, 3, 32, 108, 3), 1 },
    { "bit fields with 8 bits", With(Sample, 30, 3), 0 },
    { "run-length, 8 bits", BitmapFile(640, 480, 8, 40, 1, 0, 5000), 1 },
    { "run-length, 8 bits, data cut short", Cut(BitmapFile(640, 480, 8, 40, 1, 0, 5000), 1), 0 },
    { "run-length, 8 bits, no data size", BitmapFile(640, 480, 8, 40, 1, 0, 0), 0 },
    { "run-length, 8 bits, top-down", BitmapFile(640, -480, 8, 40, 1, 0, 5000), 0 },
    { "run-length, 4 bits", BitmapFile(640, 480, 4, 40, 2, 0, 5000), 1 },
    { "run-length 4 with 8 bits", With(Sample, 30, 2), 0 },
    { "JPEG inside", With(Sample, 30, 4), 0 },
    { "pixels start inside the colour table", With(Sample, 10, 100), 0 },
    { "pixels start past the end", With(Sample, 10, 0xffffff00u), 0 },
    { "no pixel offset", With(Sample, 10, 0), 0 },
};

TEST(Picture, HeadersAreCheckedAgainstTheFile)
{
    for (const auto& c : Pictures) {
        // As the launcher reads it: the first BitmapHeaderBytes, and the size.
        std::vector<BYTE> start(c.file.begin(), c.file.begin() + std::min<size_t>(c.file.size(), BitmapHeaderBytes));
        start.shrink_to_fit();  // a read past what was read is caught by the sanitizer
        BitmapLayout layout = {};
        EXPECT_EQ(c.sound, CheckBitmapHeaders(start.data(), (DWORD)start.size(), (DWORD)c.file.size(), &layout))
            << c.name;
        if (c.sound) {
            EXPECT_LE((size_t)layout.PixelOffset + layout.PixelBytes, c.file.size()) << c.name;
        }
    }
}

TEST(Picture, TheLayoutTellsWhereTheColoursAndPixelsAre)
{
    BitmapLayout layout = {};
    std::string file = BitmapFile(640, -480, 8, 108, 0, 200);
    ASSERT_EQ(1, CheckBitmapHeaders((const BYTE*)file.data(), BitmapHeaderBytes, (DWORD)file.size(), &layout));
    EXPECT_EQ(108u, layout.HeaderSize);
    EXPECT_EQ(640, layout.Width);
    EXPECT_EQ(-480, layout.Height);
    EXPECT_EQ(8, layout.BitCount);
    EXPECT_EQ(14u + 108u, layout.ColourTableOffset);
    EXPECT_EQ(200u, layout.ColourCount);
    EXPECT_EQ(4u, layout.ColourEntrySize);
    EXPECT_EQ(14u + 108u + 800u, layout.PixelOffset);
    EXPECT_EQ(640u * 480u, layout.PixelBytes);
}

typedef LauncherTest Background;

// A cut-short picture is never handed to LoadImageA: the window is black
// behind the buttons, as without a picture.
TEST_F(Background, ACutShortPictureIsNotLoaded)
{
    InsertDisc();
    GiveResources();
    AddFile("E:\\background.bmp", Cut(Sample, 1000), true);
    Idle = [] { return false; };
    StartLauncher();
    EXPECT_EQ(0, CountCalls("LoadImageA file"));
    EXPECT_EQ(nullptr, Launcher.BackgroundImage);
    EXPECT_EQ(0, OpenFileHandles);
    Fills.clear();
    InvalidateRect(Launcher.MainWindow, NULL, FALSE);
    PumpAll();
    EXPECT_EQ(1u, Fills.size());
}
