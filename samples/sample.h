// Shared by the sample outside programs: the names the launcher relies on
// (the same contract the launcher's own outside.h holds) and a few helpers.
#ifndef SAMPLE_H
#define SAMPLE_H

#include <windows.h>

#define SAMPLE_APP_PATHS_KEY "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\orvik.exe"
#define SAMPLE_UNINSTALL_KEY "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Orvik"
#define SAMPLE_INSTALLER_CLASS "InstallShield_Win"
#define SAMPLE_COMPANION_CLASS "OrvikControl"
#define SAMPLE_COMPANION_TITLE "Orvik"

// The folder of the running program, with a trailing backslash.
void ProgramFolder(char* folder, DWORD size);
// The companion's install folder: the Windows drive's "\Orvik\".
void InstallFolder(char* folder, DWORD size);
// The companion's settings file: the Windows directory's "\orvik.ini".
void SettingsFile(char* path, DWORD size);

// Starts a program and lets it run on its own (its handles closed at once),
// in the folder given or, with NULL, in this one. 0 when it started, else 1:
// a program's exit code.
int StartAndLeave(char* commandLine, const char* folder);

// A small window with a title line, a status line and a progress bar,
// painted by the program itself.
struct ProgressWindow {
    HWND window;
    const char* heading;
    char status[128];
    int percent;
};
// What a progress window's procedure does with every message but its ticks.
LRESULT ProgressWindowDefault(const ProgressWindow* progress, HWND window, UINT message, WPARAM wParam,
                              LPARAM lParam);
// Shows the window, ticks it every 100 ms with WM_TIMER, and runs its
// message loop until the window is destroyed. Returns the exit code.
int RunProgressWindow(ProgressWindow* progress, const char* className, const char* title, const char* heading,
                      const char* status, WNDPROC proc);

#endif
