// The button panel: the two layouts, each button's pictures and state, the
// hit test, the highlight that follows the pointer and the keys, and the
// press that posts a command.
#ifndef AUTORUN_BUTTONS_H
#define AUTORUN_BUTTONS_H

#include "base/base.h"

// Button states; also the index of the picture shown.
enum ButtonState { Normal = 0, Pressed = 1, Highlighted = 2 };

// One placed button: its rectangle in client pixels and the command code of
// the button it shows.
struct ButtonSlot {
    RECT Rect;
    int Code;
};

struct PanelState {
    int Installed;  // the installed layout is shown, else the fresh one
    int Hidden;     // the window is out of sight: no button is shown
    int ButtonStates[CommandCodeLimit];         // indexed by CommandCode
    HBITMAP ButtonImages[CommandCodeLimit][3];  // [code][ButtonState]
};

const ButtonSlot* CurrentLayout(const PanelState* panel, int* count);
// The buttons on screen: none while the window is hidden.
const ButtonSlot* ShownLayout(const PanelState* panel, int* count);
// The language's pictures (ui/language.h).
void LoadButtonImages(PanelState* panel, HINSTANCE instance, LANGID language);
// The index in the current layout of the button under a client point, or
// -1; a button's right and bottom edges count as its own.
int ButtonAt(const PanelState* panel, int x, int y);
void SetButtonState(PanelState* panel, HWND window, const ButtonSlot* slot, int state);
void PressButton(PanelState* panel, HWND window, const ButtonSlot* slot);
// WM_MOUSEMOVE and WM_LBUTTONDOWN, with the message's lParam.
void TrackPointer(PanelState* panel, HWND window, LPARAM point);
void PressAt(PanelState* panel, HWND window, LPARAM point);
// WM_KEYDOWN: returns the child id (1 for the first button shown) of the
// button the key lit, or 0 when it lit none.
LONG HandleKey(PanelState* panel, HWND window, WPARAM key, LPARAM flags);

#endif
