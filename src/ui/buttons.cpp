// The picture buttons: their images and states, the two layouts, the hit
// test, the highlight that follows the pointer, and the press that posts a
// command.
#include "ui/buttons.h"
#include "ui/language.h"

// Slots in the order they are tested and drawn, the images' size each.
#define BUTTON_SLOT(left, code) { { (left), BUTTON_ROW_TOP, (left) + BUTTON_WIDTH, BUTTON_ROW_TOP + BUTTON_HEIGHT }, (code) }
static const ButtonSlot InstalledLayout[] = {
    BUTTON_SLOT(INSTALLED_RUN_LEFT, Run),
    BUTTON_SLOT(INSTALLED_README_LEFT, ReadMe),
    BUTTON_SLOT(INSTALLED_UNINSTALL_LEFT, Uninstall),
    BUTTON_SLOT(INSTALLED_CANCEL_LEFT, Cancel),
};

static const ButtonSlot FreshLayout[] = {
    BUTTON_SLOT(FRESH_INSTALL_LEFT, Install),
    BUTTON_SLOT(FRESH_README_LEFT, ReadMe),
    BUTTON_SLOT(FRESH_CANCEL_LEFT, Cancel),
};

// Resource ids of each button's Normal, Pressed and Highlighted images, in
// the order they are loaded.
static const struct {
    int Code;
    WORD ImageIds[3];
} ButtonImageIds[] = {
    { Cancel, { CANCEL_NORMAL_BITMAP, CANCEL_PRESSED_BITMAP, CANCEL_HIGHLIGHTED_BITMAP } },
    { Install, { INSTALL_NORMAL_BITMAP, INSTALL_PRESSED_BITMAP, INSTALL_HIGHLIGHTED_BITMAP } },
    { ReadMe, { README_NORMAL_BITMAP, README_PRESSED_BITMAP, README_HIGHLIGHTED_BITMAP } },
    { Run, { RUN_NORMAL_BITMAP, RUN_PRESSED_BITMAP, RUN_HIGHLIGHTED_BITMAP } },
    { Uninstall, { UNINSTALL_NORMAL_BITMAP, UNINSTALL_PRESSED_BITMAP, UNINSTALL_HIGHLIGHTED_BITMAP } },
};

const ButtonSlot* CurrentLayout(const PanelState* panel, int* count)
{
    if (panel->Installed) {
        *count = (int)(sizeof InstalledLayout / sizeof InstalledLayout[0]);
        return InstalledLayout;
    }
    *count = (int)(sizeof FreshLayout / sizeof FreshLayout[0]);
    return FreshLayout;
}

const ButtonSlot* ShownLayout(const PanelState* panel, int* count)
{
    const ButtonSlot* layout = CurrentLayout(panel, count);
    if (panel->Hidden)
        *count = 0;
    return layout;
}

void LoadButtonImages(PanelState* panel, HINSTANCE instance, LANGID language)
{
    for (unsigned b = 0; b < sizeof ButtonImageIds / sizeof ButtonImageIds[0]; ++b) {
        for (int state = 0; state < 3; ++state) {
            panel->ButtonImages[ButtonImageIds[b].Code][state] =
                LoadLanguageBitmap(instance, language, ButtonImageIds[b].ImageIds[state]);
        }
    }
}

static int PointInRect(int x, int y, const RECT* rect)
{
    return x >= rect->left && x <= rect->right && y >= rect->top && y <= rect->bottom;
}

int ButtonAt(const PanelState* panel, int x, int y)
{
    int count;
    const ButtonSlot* layout = CurrentLayout(panel, &count);
    while (--count >= 0 && !PointInRect(x, y, &layout[count].Rect)) {
    }
    return count;
}

// Repaints the slot only when its button's state changes.
void SetButtonState(PanelState* panel, HWND window, const ButtonSlot* slot, int state)
{
    if (panel->ButtonStates[slot->Code] != state) {
        panel->ButtonStates[slot->Code] = state;
        InvalidateRect(window, &slot->Rect, FALSE);
    }
}

// A press alone starts the command: it is posted, and carried out when it
// comes back through the window procedure.
void PressButton(PanelState* panel, HWND window, const ButtonSlot* slot)
{
    panel->ButtonStates[slot->Code] = Pressed;
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

// The button under the pointer is lit, every other one of the layout is not.
void TrackPointer(PanelState* panel, HWND window, LPARAM point)
{
    int count;
    const ButtonSlot* layout = CurrentLayout(panel, &count);
    int lit = ButtonAt(panel, PointerX(point), PointerY(point));
    for (int i = 0; i < count; ++i)
        SetButtonState(panel, window, &layout[i], i == lit ? Highlighted : Normal);
}

void PressAt(PanelState* panel, HWND window, LPARAM point)
{
    int count;
    const ButtonSlot* layout = CurrentLayout(panel, &count);
    int pressed = ButtonAt(panel, PointerX(point), PointerY(point));
    if (pressed >= 0)
        PressButton(panel, window, &layout[pressed]);
}

// The keyboard moves the same highlight as the pointer: Tab, Right and Down
// to the next button of the layout, Shift+Tab, Left and Up to the one
// before, wrapping; from none, to the first or the last. Enter and Space
// press the highlighted button, Esc is Cancel. Bit 30 of the key's flags is
// set when it was down already (the keyboard's auto-repeat): a key held
// down starts its command once. A hidden launcher answers no key, although
// its window may still have the focus.
LONG HandleKey(PanelState* panel, HWND window, WPARAM key, LPARAM flags)
{
    int count;
    const ButtonSlot* layout = ShownLayout(panel, &count);
    if (count == 0)
        return 0;
    int current = -1;
    for (int i = 0; i < count; ++i)
        if (panel->ButtonStates[layout[i].Code] == Highlighted)
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
            PressButton(panel, window, &layout[current]);
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
        SetButtonState(panel, window, &layout[i], i == next ? Highlighted : Normal);
    return next + 1;
}
