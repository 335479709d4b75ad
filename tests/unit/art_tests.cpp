// The launcher's art as shipped: the palette text's format and the button
// pictures' sizes, depth and colour tables.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "launcher_test.h"

static std::string ReadFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

static unsigned Little(const std::string& data, size_t at, int bytes)
{
    unsigned value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = value * 256 + (unsigned char)data.at(at + (size_t)i);
    return value;
}

// The palette text's entries, line by line, exactly as written.
static std::vector<std::vector<int>> PaletteLines(const std::string& text)
{
    std::vector<std::vector<int>> entries;
    std::istringstream lines(text);
    std::string line;
    for (int n = 0; std::getline(lines, line); ++n) {
        if (n < 3)
            continue;
        std::istringstream numbers(line);
        std::vector<int> entry;
        int value;
        while (numbers >> value)
            entry.push_back(value);
        entries.push_back(entry);
    }
    return entries;
}

TEST(Art, ThePaletteTextHasItsExactFormat)
{
    std::string text = ShippedPaletteText();
    EXPECT_EQ(2855u, text.size());
    EXPECT_EQ(0u, text.find("JASC-PAL\r\n0100\r\n256\r\n"));
    EXPECT_EQ(std::string::npos, text.find('\0'));
    size_t lineFeeds = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') {
            ++lineFeeds;
            EXPECT_EQ('\r', text[i - 1]) << "line feed without CR at " << i;
        }
    }
    EXPECT_EQ(259u, lineFeeds);
    auto entries = PaletteLines(text);
    ASSERT_EQ(256u, entries.size());
    for (const auto& e : entries) {
        ASSERT_EQ(3u, e.size());
        for (int v : e) {
            EXPECT_GE(v, 0);
            EXPECT_LE(v, 255);
        }
    }
    static const struct {
        int index, r, g, b;
    } fixed[] = { { 0, 0, 0, 0 },         { 1, 128, 0, 0 },       { 8, 192, 220, 192 },  { 9, 166, 202, 240 },
                  { 48, 254, 254, 254 },  { 63, 3, 3, 3 },        { 96, 255, 231, 231 }, { 111, 39, 0, 0 },
                  { 246, 255, 251, 240 }, { 247, 160, 160, 164 }, { 255, 255, 255, 255 } };
    for (const auto& f : fixed)
        EXPECT_EQ((std::vector<int>{ f.r, f.g, f.b }), entries[(size_t)f.index]) << f.index;
}

TEST(Art, EveryPictureIsOnThePaletteAtItsSize)
{
    auto entries = PaletteLines(ShippedPaletteText());
    ASSERT_EQ(256u, entries.size());
    struct Picture {
        std::string path;
        int width, height;
    };
    std::vector<Picture> pictures = { { SOURCE_DIR "/disc/backgrnd.bmp", 640, 480 } };
    for (const char* button : { "cancel", "install", "readme", "run", "uninstall" })
        for (const char* state : { "normal", "pressed", "highlighted" })
            pictures.push_back({ std::string(SOURCE_DIR "/src/resources/buttons/") + button + "_" + state + ".bmp",
                                 114, 35 });
    for (const Picture& p : pictures) {
        std::string data = ReadFile(p.path);
        ASSERT_GT(data.size(), 54u + 1024u) << p.path;
        EXPECT_EQ("BM", data.substr(0, 2)) << p.path;
        EXPECT_EQ(40u, Little(data, 14, 4)) << p.path;
        EXPECT_EQ((unsigned)p.width, Little(data, 18, 4)) << p.path;
        EXPECT_EQ((unsigned)p.height, Little(data, 22, 4)) << p.path;  // positive: bottom-up
        EXPECT_EQ(8u, Little(data, 28, 2)) << p.path;
        EXPECT_EQ(0u, Little(data, 30, 4)) << p.path;  // BI_RGB, uncompressed
        unsigned used = Little(data, 46, 4);
        EXPECT_TRUE(used == 0 || used == 256) << p.path;
        unsigned offset = Little(data, 10, 4);
        EXPECT_EQ(54u + 1024u, offset) << p.path;
        EXPECT_EQ(offset + (unsigned)(((p.width + 3) & ~3) * p.height), data.size()) << p.path;
        for (size_t i = 0; i < 256; ++i) {
            size_t at = 54 + i * 4;
            std::vector<int> colour = { (unsigned char)data[at + 2], (unsigned char)data[at + 1],
                                        (unsigned char)data[at] };
            ASSERT_EQ(entries[i], colour) << p.path << " entry " << i;
        }
    }
}

TEST(Art, PressedPicturesDifferFromNormalOnes)
{
    for (const char* button : { "cancel", "install", "readme", "run", "uninstall" }) {
        std::string base = std::string(SOURCE_DIR "/src/resources/buttons/") + button;
        std::string normal = ReadFile(base + "_normal.bmp");
        EXPECT_NE(normal, ReadFile(base + "_pressed.bmp")) << button;
        EXPECT_NE(normal, ReadFile(base + "_highlighted.bmp")) << button;
    }
}
