// The launcher's resource ids and the button row's geometry, in one place:
// the launcher's code and its resource script include this file, and the art
// generator, the product check, the Wine lab and the unit tests read it
// (tools read each "#define NAME number" line). Keep it to such lines.
#ifndef AUTORUN_RESOURCE_IDS_H
#define AUTORUN_RESOURCE_IDS_H

// Command codes, carried as the wParam of WM_USER. Each button has its own
// code, which also names its caption in the string table.
#define INSTALL_COMMAND 1
#define UNINSTALL_COMMAND 2
#define RUN_COMMAND 3
#define README_COMMAND 4
#define CANCEL_COMMAND 5

// More strings of each language's string table: the name readers give the
// buttons' action, the language's read-me and background file names.
#define PRESS_STRING 6
#define README_STRING 7
#define BACKGROUND_STRING 8

// The 256-colour palette, a JASC palette text (resource type RCDATA).
#define PALETTE_RESOURCE 101
// The disc's languages (RCDATA, language neutral): WORDs, the count, the
// default's language id, then each language's id in the author's order.
#define LANGUAGES_RESOURCE 102

// Button pictures: Normal, Pressed and Highlighted for each button.
#define CANCEL_NORMAL_BITMAP 110
#define CANCEL_PRESSED_BITMAP 104
#define CANCEL_HIGHLIGHTED_BITMAP 115
#define INSTALL_NORMAL_BITMAP 111
#define INSTALL_PRESSED_BITMAP 119
#define INSTALL_HIGHLIGHTED_BITMAP 116
#define README_NORMAL_BITMAP 112
#define README_PRESSED_BITMAP 106
#define README_HIGHLIGHTED_BITMAP 117
#define RUN_NORMAL_BITMAP 113
#define RUN_PRESSED_BITMAP 107
#define RUN_HIGHLIGHTED_BITMAP 118
#define UNINSTALL_NORMAL_BITMAP 114
#define UNINSTALL_PRESSED_BITMAP 108
#define UNINSTALL_HIGHLIGHTED_BITMAP 105

// The window's size and the button row: every button picture is
// BUTTON_WIDTH x BUTTON_HEIGHT, its top at BUTTON_ROW_TOP, its left edge
// below, in client pixels.
#define WINDOW_WIDTH 640
#define WINDOW_HEIGHT 480
#define BUTTON_WIDTH 114
#define BUTTON_HEIGHT 35
#define BUTTON_ROW_TOP 343
// Installed: Run, Read Me, Uninstall, Cancel.
#define INSTALLED_RUN_LEFT 92
#define INSTALLED_README_LEFT 207
#define INSTALLED_UNINSTALL_LEFT 323
#define INSTALLED_CANCEL_LEFT 439
// Not installed: Install, Read Me, Cancel.
#define FRESH_INSTALL_LEFT 119
#define FRESH_README_LEFT 265
#define FRESH_CANCEL_LEFT 410

#endif
