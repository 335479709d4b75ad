// The launcher's 256-colour palette, built from a JASC palette text among
// the resources, and the answers to the two palette messages.
#ifndef AUTORUN_PALETTE_H
#define AUTORUN_PALETTE_H

#include "base/base.h"

int ReadPaletteNumber(const char** cursor, const char* end);
// Null when the resource is missing or damaged.
HPALETTE CreateAppPalette(HINSTANCE instance);
// Creates the palette and realizes it on the window's device context (the
// screen's for a null window).
HPALETTE LoadAppPalette(HINSTANCE instance, HWND window);
// WM_QUERYNEWPALETTE and WM_PALETTECHANGED.
LRESULT HandlePaletteMessage(HPALETTE palette, HWND window, UINT message, WPARAM wParam);

#endif
