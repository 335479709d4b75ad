// Painting the window: the disc's background picture with the current
// layout's buttons on top.
#ifndef AUTORUN_PAINT_H
#define AUTORUN_PAINT_H

#include "ui/buttons.h"

// The background picture, or null when the file is missing or unsound.
HBITMAP LoadBackgroundImage(const char* backgroundPath);
void PaintButtons(const PanelState* panel, HDC dc);
// WM_PAINT, in the palette when there is one.
LRESULT HandlePaint(HWND window, HPALETTE palette, HBITMAP background, const PanelState* panel);

#endif
