// The launcher's window: start-up, the message loop and dispatch, hiding and
// restoring. The window's record holds each part's own record; the parts
// never reach back into it.
#ifndef AUTORUN_LAUNCHER_H
#define AUTORUN_LAUNCHER_H

#include "disc/disc.h"
#include "launch/watch.h"
#include "ui/accessible.h"
#include "ui/buttons.h"

struct ScreenPoint {
    int x;
    int y;
};

struct LauncherState {
    HANDLE RunningMutex;  // held for the whole run: one launcher at a time
    ScreenPoint ScreenCentre;
    HWND MainWindow;
    HPALETTE AppPalette;
    HBITMAP BackgroundImage;
    DiscState Disc;
    PanelState Panel;  // its Hidden is the window's: moved out of sight while a program runs
    WatchState Watch;
    ReaderState Readers;
};

// The one record, for the whole run, used only from the window's thread.
extern LauncherState Launcher;

int RunLauncher(HINSTANCE instance);
LRESULT CALLBACK LauncherWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void HideMainWindow();
void RestoreMainWindow();

#endif
