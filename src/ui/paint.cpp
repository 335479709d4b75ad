// Painting: the disc's background picture 1:1 from the client area's corner,
// with the current layout's button images on top.
#include "ui/paint.h"
#include "ui/picture.h"

// A picture whose headers do not hold is not handed to the system's loader,
// which would read past the end of a cut-short file; the window then shows
// black behind the buttons, as without a picture.
// A picture loaded from a file is loaded with a null instance, as LoadImage
// asks for a stand-alone bitmap file.
HBITMAP LoadBackgroundImage(const char* backgroundPath)
{
    if (backgroundPath[0] == '\0' || !ReadBitmapLayout(backgroundPath, NULL))
        return NULL;
    return (HBITMAP)LoadImageA(NULL, backgroundPath, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION | LR_LOADFROMFILE);
}

// A button whose image did not load draws nothing: the background painted
// just before shows through its slot.
static void DrawButton(const PanelState* panel, HDC dc, HDC memoryDc, const ButtonSlot* slot)
{
    int state = panel->ButtonStates[slot->Code];
    if (state < Normal || state > Highlighted)
        state = Normal;
    HBITMAP image = panel->ButtonImages[slot->Code][state];
    if (image == NULL)
        return;
    HGDIOBJ previous = SelectObject(memoryDc, image);
    BitBlt(dc, slot->Rect.left, slot->Rect.top, BUTTON_WIDTH, BUTTON_HEIGHT, memoryDc, 0, 0, SRCCOPY);
    SelectObject(memoryDc, previous);
}

void PaintButtons(const PanelState* panel, HDC dc)
{
    HDC memoryDc = CreateCompatibleDC(dc);
    if (memoryDc == NULL)
        return;
    int count;
    const ButtonSlot* layout = CurrentLayout(panel, &count);
    for (int i = 0; i < count; ++i)
        DrawButton(panel, dc, memoryDc, &layout[i]);
    DeleteDC(memoryDc);
}

// Without a picture, the update rectangle is filled black, the class brush's
// colour: an update that was not erased would otherwise keep what was there.
static void PaintBackground(HBITMAP background, HDC dc, const RECT* rect)
{
    HDC memoryDc = background != NULL ? CreateCompatibleDC(dc) : NULL;
    if (memoryDc == NULL) {
        FillRect(dc, rect, (HBRUSH)GetStockObject(BLACK_BRUSH));
        return;
    }
    HGDIOBJ previous = SelectObject(memoryDc, background);
    BitBlt(dc, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, memoryDc,
           rect->left, rect->top, SRCCOPY);
    SelectObject(memoryDc, previous);
    DeleteDC(memoryDc);
}

LRESULT HandlePaint(HWND window, HPALETTE palette, HBITMAP background, const PanelState* panel)
{
    // Read before BeginPaint validates it; an update region marked for
    // erasing is erased first with the class's black brush.
    RECT rect = { 0, 0, 0, 0 };
    GetUpdateRect(window, &rect, TRUE);

    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (dc == NULL)
        return 0;
    HPALETTE previousPalette = NULL;
    if (palette != NULL) {
        previousPalette = SelectPalette(dc, palette, FALSE);
        RealizePalette(dc);
    }
    PaintBackground(background, dc, &rect);
    PaintButtons(panel, dc);
    if (previousPalette != NULL)
        SelectPalette(dc, previousPalette, FALSE);
    EndPaint(window, &paint);
    StartupSpanEnd();
    return 0;
}
