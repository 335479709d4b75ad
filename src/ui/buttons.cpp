// The picture buttons: their images and states, the two layouts, the hit
// test, the highlight that follows the pointer, and the press that posts a
// command.
#include "app/launcher.h"

// Slots in the order they are tested and drawn. Rectangles are 114 x 35, the
// images' size; the hit test counts the right and bottom edges as inside.
static const ButtonSlot InstalledLayout[] = {
    { { 92, 343, 206, 378 }, Run },
    { { 207, 343, 321, 378 }, ReadMe },
    { { 323, 343, 437, 378 }, Uninstall },
    { { 439, 343, 553, 378 }, Cancel },
};

static const ButtonSlot FreshLayout[] = {
    { { 119, 343, 233, 378 }, Install },
    { { 265, 343, 379, 378 }, ReadMe },
    { { 410, 343, 524, 378 }, Cancel },
};

// Resource ids of each button's Normal, Pressed and Highlighted images, in
// the order they are loaded.
static const struct {
    int Code;
    WORD ImageIds[3];
} ButtonImageIds[] = {
    { Cancel, { 110, 104, 115 } },
    { Install, { 111, 119, 116 } },
    { ReadMe, { 112, 106, 117 } },
    { Run, { 113, 107, 118 } },
    { Uninstall, { 114, 108, 105 } },
};

const ButtonSlot* CurrentLayout(int* count)
{
    if (Launcher.AppInstalled) {
        *count = (int)(sizeof InstalledLayout / sizeof InstalledLayout[0]);
        return InstalledLayout;
    }
    *count = (int)(sizeof FreshLayout / sizeof FreshLayout[0]);
    return FreshLayout;
}

void LoadButtonImages(HINSTANCE instance)
{
    for (unsigned b = 0; b < sizeof ButtonImageIds / sizeof ButtonImageIds[0]; ++b) {
        for (int state = 0; state < 3; ++state) {
            Launcher.ButtonImages[ButtonImageIds[b].Code][state] = (HBITMAP)LoadImageA(
                instance, MAKEINTRESOURCEA(ButtonImageIds[b].ImageIds[state]), IMAGE_BITMAP, 0, 0,
                LR_CREATEDIBSECTION);
        }
    }
}

int PointInRect(int x, int y, const RECT* rect)
{
    return x >= rect->left && x <= rect->right && y >= rect->top && y <= rect->bottom;
}

void TrackButtonHover(const ButtonSlot* slot, HWND window, int x, int y)
{
    int target = PointInRect(x, y, &slot->Rect) ? Highlighted : Normal;
    if (Launcher.ButtonStates[slot->Code] != target) {
        Launcher.ButtonStates[slot->Code] = target;
        InvalidateRect(window, &slot->Rect, FALSE);
    }
}

// Client coordinates sit in lParam as two unsigned 16-bit halves.
static int PointerX(LPARAM lParam)
{
    return (int)((DWORD_PTR)lParam & 0xffff);
}

static int PointerY(LPARAM lParam)
{
    return (int)(((DWORD_PTR)lParam >> 16) & 0xffff);
}

LRESULT HandleMouseMove(HWND window, LPARAM lParam)
{
    int count;
    const ButtonSlot* layout = CurrentLayout(&count);
    for (int i = 0; i < count; ++i)
        TrackButtonHover(&layout[i], window, PointerX(lParam), PointerY(lParam));
    return 0;
}

// A press alone starts the command: it is posted, and carried out when it
// comes back through the window procedure.
LRESULT HandleLeftButtonDown(HWND window, LPARAM lParam)
{
    int count;
    const ButtonSlot* layout = CurrentLayout(&count);
    for (int i = 0; i < count; ++i) {
        if (PointInRect(PointerX(lParam), PointerY(lParam), &layout[i].Rect)) {
            Launcher.ButtonStates[layout[i].Code] = Pressed;
            PostMessageA(window, WM_USER, (WPARAM)layout[i].Code, 0);
            return 0;
        }
    }
    return 0;
}
