// Fuzzes the palette text reader: any resource text gives either no palette
// or one of exactly 256 entries, flagged as an identity palette (the twenty
// static entries with no flag, the others PC_NOCOLLAPSE), and the reader
// never reads past the text (the stand-in locks it in a block of its size).
#include "fuzz_support.h"
#include "ui/palette.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    standin::Reset();
    standin::HasPaletteText = true;
    standin::PaletteText.assign((const char*)data, size);
    if (LoadAppPalette((HINSTANCE)1, NULL) != NULL) {
        REQUIRE(standin::LastPaletteEntries.size() == 256);
        REQUIRE(standin::LastPaletteVersion == 0x300);
        for (size_t i = 0; i < 256; ++i)
            REQUIRE(standin::LastPaletteEntries[i].peFlags == (i >= 10 && i <= 245 ? PC_NOCOLLAPSE : 0));
    }
    REQUIRE(standin::LockedResources == 0);
    REQUIRE(standin::LiveObjects(standin::WindowDc) == 0);

    // The number reader alone, over an exactly sized copy.
    char* text = (char*)malloc(size ? size : 1);
    memcpy(text, data, size);
    const char* cursor = text;
    for (int i = 0; i < 1000 && cursor < text + size; ++i) {
        const char* before = cursor;
        int value = ReadPaletteNumber(&cursor, text + size);
        REQUIRE(value >= 0);
        REQUIRE(cursor >= before && cursor <= text + size);
    }
    free(text);
    return 0;
}
