// The launcher's 256-colour palette, built from a JASC palette text among the
// resources, and the answers to the two palette messages.
#include "ui/palette.h"

static const int PaletteEntryCount = 256;
// Entries 0 to 9 and 246 to 255 are the display's twenty static colours.
static const int FirstOwnEntry = 10;
static const int LastOwnEntry = 245;

// A LOGPALETTE with room for all its entries, so that no heap is needed.
struct PaletteRecord {
    WORD palVersion;
    WORD palNumEntries;
    PALETTEENTRY palPalEntry[PaletteEntryCount];
};

// Reads the next run of digits as a decimal number, skipping everything else
// (blanks, line ends, signs). Stops at a zero byte or at end. Returns 0, with
// the cursor at the stop, when no digit is left. Unsigned arithmetic keeps
// the low bits right for runs too long for 32 bits.
int ReadPaletteNumber(const char** cursor, const char* end)
{
    const char* p = *cursor;
    while (p < end && *p != '\0' && (*p < '0' || *p > '9'))
        ++p;
    unsigned value = 0;
    while (p < end && *p >= '0' && *p <= '9') {
        value = value * 10u + (unsigned)(*p - '0');
        ++p;
    }
    *cursor = p;
    return (int)(value & 0x7fffffffu);
}

// Skips the three header lines. Returns 0 when the text holds fewer than three
// line feeds: such a text is not a palette.
static int SkipPaletteHeader(const char** cursor, const char* end)
{
    const char* p = *cursor;
    for (int lineFeeds = 0; lineFeeds < 3; ++lineFeeds) {
        while (p < end && *p != '\n')
            ++p;
        if (p == end)
            return 0;
        ++p;
    }
    *cursor = p;
    return 1;
}

// Creates the palette from the palette text among the module's resources.
// A missing or damaged resource gives null: the launcher then paints
// without a palette of its own.
HPALETTE CreateAppPalette(HINSTANCE instance)
{
    HPALETTE palette = NULL;
    HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(PALETTE_RESOURCE), MAKEINTRESOURCEA(10));
    if (found == NULL)
        return NULL;
    DWORD size = SizeofResource(instance, found);
    HGLOBAL loaded = LoadResource(instance, found);
    const char* text = loaded != NULL ? (const char*)LockResource(loaded) : NULL;
    if (text == NULL || size == 0) {
        if (loaded != NULL)
            FreeResource(loaded);
        return NULL;
    }

    PaletteRecord record;
    const char* cursor = text;
    const char* end = text + size;
    if (SkipPaletteHeader(&cursor, end)) {
        record.palVersion = 0x300;
        record.palNumEntries = PaletteEntryCount;
        for (int i = 0; i < PaletteEntryCount; ++i) {
            PALETTEENTRY* entry = &record.palPalEntry[i];
            entry->peRed = (BYTE)ReadPaletteNumber(&cursor, end);
            entry->peGreen = (BYTE)ReadPaletteNumber(&cursor, end);
            entry->peBlue = (BYTE)ReadPaletteNumber(&cursor, end);
            // An identity palette: the static entries carry no flag, so that
            // they are matched to the system's own static colours, and each of
            // the others takes one of the 236 free system entries in order.
            // With PC_NOCOLLAPSE on every entry, entries 0 to 9 would take
            // free slots as well and the last ten would find none, showing
            // the nearest colour instead of their own.
            entry->peFlags = i >= FirstOwnEntry && i <= LastOwnEntry ? PC_NOCOLLAPSE : 0;
        }
        FreeResource(loaded);
        palette = CreatePalette((const LOGPALETTE*)&record);
    } else {
        FreeResource(loaded);
    }
    return palette;
}

HPALETTE LoadAppPalette(HINSTANCE instance, HWND window)
{
    HPALETTE palette = CreateAppPalette(instance);
    HDC dc = palette != NULL ? GetDC(window) : NULL;  // a null window gives the screen's
    if (dc == NULL)
        return palette;
    UnrealizeObject(palette);
    SelectPalette(dc, palette, FALSE);
    RealizePalette(dc);
    ReleaseDC(window, dc);
    return palette;
}

// WM_QUERYNEWPALETTE, and WM_PALETTECHANGED caused by another window: realize
// our palette in the foreground, repaint if that changed the system palette,
// then put the window's previous palette back.
LRESULT HandlePaletteMessage(HPALETTE palette, HWND window, UINT message, WPARAM wParam)
{
    if (message == WM_PALETTECHANGED && (HWND)wParam == window)
        return 0;
    if (palette == NULL)
        return 0;
    HDC dc = GetDC(window);
    if (dc == NULL)
        return 0;
    HPALETTE previous = SelectPalette(dc, palette, FALSE);
    if (RealizePalette(dc) != 0)
        InvalidateRect(window, NULL, FALSE);
    SelectPalette(dc, previous, TRUE);
    RealizePalette(dc);
    ReleaseDC(window, dc);
    return 1;
}
