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

// The buttons a screen reader is told of: none while the launcher is hidden.
const ButtonSlot* ShownLayout(int* count)
{
    const ButtonSlot* layout = CurrentLayout(count);
    if (Launcher.Hidden)
        *count = 0;
    return layout;
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

// Repaints the slot only when its button's state changes.
static void SetButtonState(const ButtonSlot* slot, HWND window, int state)
{
    if (Launcher.ButtonStates[slot->Code] != state) {
        Launcher.ButtonStates[slot->Code] = state;
        InvalidateRect(window, &slot->Rect, FALSE);
    }
}

void TrackButtonHover(const ButtonSlot* slot, HWND window, int x, int y)
{
    SetButtonState(slot, window, PointInRect(x, y, &slot->Rect) ? Highlighted : Normal);
}

// A press alone starts the command: it is posted, and carried out when it
// comes back through the window procedure.
void PressButton(const ButtonSlot* slot, HWND window)
{
    Launcher.ButtonStates[slot->Code] = Pressed;
    PostMessageA(window, WM_USER, (WPARAM)slot->Code, 0);
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

LRESULT HandleLeftButtonDown(HWND window, LPARAM lParam)
{
    int count;
    const ButtonSlot* layout = CurrentLayout(&count);
    for (int i = 0; i < count; ++i) {
        if (PointInRect(PointerX(lParam), PointerY(lParam), &layout[i].Rect)) {
            PressButton(&layout[i], window);
            return 0;
        }
    }
    return 0;
}

// The keyboard moves the same highlight as the pointer: Tab, Right and Down
// to the next button of the layout, Shift+Tab, Left and Up to the one
// before, wrapping; from none, to the first or the last. Enter and Space
// press the highlighted button, Esc is Cancel. Bit 30 of the key's flags is
// set when it was down already (the keyboard's auto-repeat): a key held
// down starts its command once. A hidden launcher answers no key, although
// its window may still have the focus.
LRESULT HandleKey(HWND window, WPARAM key, LPARAM flags)
{
    if (Launcher.Hidden)
        return 0;
    int count;
    const ButtonSlot* layout = CurrentLayout(&count);
    int current = -1;
    for (int i = 0; i < count; ++i)
        if (Launcher.ButtonStates[layout[i].Code] == Highlighted)
            current = i;
    int step;
    switch (key) {
    case VK_TAB:
        step = GetKeyState(VK_SHIFT) < 0 ? -1 : 1;
        break;
    case VK_RIGHT:
    case VK_DOWN:
        step = 1;
        break;
    case VK_LEFT:
    case VK_UP:
        step = -1;
        break;
    case VK_RETURN:
    case VK_SPACE:
        if (current >= 0 && !(flags & 0x40000000))
            PressButton(&layout[current], window);
        return 0;
    case VK_ESCAPE:
        if (!(flags & 0x40000000))
            PostMessageA(window, WM_USER, Cancel, 0);
        return 0;
    default:
        return 0;
    }
    if (current < 0 && step < 0)
        current = 0;
    int next = (current + step + count) % count;
    for (int i = 0; i < count; ++i)
        SetButtonState(&layout[i], window, i == next ? Highlighted : Normal);
    // Screen readers hear the newly lit button as the one with the focus:
    // the key came to this window, which has it.
    AnnounceEvent(EVENT_OBJECT_FOCUS, next + 1);
    return 0;
}
