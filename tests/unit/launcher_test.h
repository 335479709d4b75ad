// Shared set-up for the launcher's unit tests: a clean stand-in world and a
// clean launcher state before each test, and a sample disc to start from.
#ifndef AUTORUN_LAUNCHER_TEST_H
#define AUTORUN_LAUNCHER_TEST_H

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "app/launcher.h"
#include "disc/profile.h"
#include "launch/commands.h"
#include "ui/paint.h"
#include "ui/palette.h"
#include "ui/picture.h"
#include "standin_world.h"

const HINSTANCE TestInstance = (HINSTANCE)(uintptr_t)0x400000;
const char AppPathsPrefix[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
const char UninstallPrefix[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// The launcher's own art as its resources carry it.
std::string ShippedPaletteText();
std::map<UINT, std::string> ShippedCaptions();  // the string table, by id
std::map<std::string, int> ShippedBitmaps();    // the button pictures' ids, by file name ("run_pressed")

// A whole bitmap file: file header, an info header of headerSize bytes (12,
// 40, 108 or 124), the colour table, three masks after a 40-byte header with
// BI_BITFIELDS, and the pixel rows (for run-length pictures, imageSize bytes).
std::string BitmapFile(int width = 4, int height = 2, int bits = 8, int headerSize = 40, int compression = 0,
                       int colours = 0, int imageSize = 0);

// Client points and the button a click there presses (0: none), in either
// layout. A button's right and bottom edges count as its own. The mouse and
// the screen readers' hit test go by the same table.
struct HitCase {
    int installed;
    int x, y;
    int code;
};
extern const std::vector<HitCase> HitCases;

class LauncherTest : public ::testing::Test {
protected:
    void SetUp() override;

    // Drives A:, C: and a CD-ROM drive E: holding the product disc with the
    // given autorun.inf, the background picture and the read-me.
    void InsertDisc(const std::string& autorunInf =
                        "[install]\r\nuninstkey=Orvik\r\ninstkey=orvik.exe\r\nbitmap=background.bmp\r\n");
    void InstallCompanion();     // its App Paths and Uninstall entries
    void GiveResources();        // palette text and the fifteen pictures
    void GiveLanguage(WORD language, const std::map<UINT, std::string>& strings);

    // Runs start-up up to the message loop, which stops at once (no Idle).
    int StartLauncher();
    // Start-up as far as the window and its configuration, without the loop:
    // the state a test then drives message by message.
    void OpenWindow();

    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    void PumpAll();  // dispatches everything queued, paints included
    static LPARAM At(int x, int y) { return (LPARAM)(((DWORD)y << 16) | (DWORD)(x & 0xffff)); }
    standin::Window& MainWindowRecord();
};

#endif
