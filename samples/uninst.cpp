// The sample uninstaller: removes what the sample installer made (the App
// Paths and Uninstall entries, orvik.ini, the companion's program file),
// showing a short progress window while it works.
//
// Built a second time as uncopy.exe (HAND_OVER), it behaves as the
// uninstallers of a widely used free installer builder do: it copies itself
// to the temporary folder, starts the copy with its own arguments and a last
// one, "_?=PATH" (where the original is), and ends at once, so that the
// original file can be removed. The copy shows its window for longer,
// removes the original too, and goes itself at the next restart.
#include <stdio.h>
#include <string.h>

#include "sample.h"

#ifdef HAND_OVER
static const int Steps = 100;  // ticks of 100 ms
static char Original[MAX_PATH];
#else
// Long enough to be seen from outside even on a slow (emulated) machine.
static const int Steps = 50;
#endif
static ProgressWindow Progress;
static int Step;

static void Uninstall()
{
    char folder[MAX_PATH], path[MAX_PATH];
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, SAMPLE_APP_PATHS_KEY);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, SAMPLE_UNINSTALL_KEY);
    SettingsFile(path, MAX_PATH);
    DeleteFileA(path);
    InstallFolder(folder, MAX_PATH);
    snprintf(path, MAX_PATH, "%sorvik.exe", folder);
    DeleteFileA(path);
#ifdef HAND_OVER
    DeleteFileA(Original);
#endif
    // This program itself, and then its folder, go at the next restart.
    GetModuleFileNameA(NULL, path, MAX_PATH);
    MoveFileExA(path, NULL, MOVEFILE_DELAY_UNTIL_REBOOT);
    MoveFileExA(folder, NULL, MOVEFILE_DELAY_UNTIL_REBOOT);
}

static LRESULT CALLBACK UninstallerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_TIMER:
        Progress.percent = ++Step * 100 / Steps;
        if (Step == 8) {
            Uninstall();
            snprintf(Progress.status, sizeof Progress.status, "Orvik has been removed.");
        }
        InvalidateRect(window, NULL, TRUE);
        if (Step >= Steps)
            DestroyWindow(window);
        return 0;
    }
    return ProgressWindowDefault(&Progress, window, message, wParam, lParam);
}

#ifdef HAND_OVER
// Copies this program to the temporary folder and starts the copy with the
// same arguments and where the original is; 0 when the copy started.
static int HandOver(const char* arguments)
{
    char self[MAX_PATH], temporary[MAX_PATH], copy[MAX_PATH], commandLine[3 * MAX_PATH + 64];
    GetModuleFileNameA(NULL, self, MAX_PATH);
    GetTempPathA(MAX_PATH, temporary);
    snprintf(copy, sizeof copy, "%sUn_A.exe", temporary);
    if (!CopyFileA(self, copy, FALSE))
        return 1;
    snprintf(commandLine, sizeof commandLine, "\"%s\" %s _?=%s", copy, arguments, self);
    return StartAndLeave(commandLine, temporary);
}
#endif

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR arguments, int)
{
#ifdef HAND_OVER
    const char* original = strstr(arguments, "_?=");
    if (original == NULL)
        return HandOver(arguments);
    snprintf(Original, sizeof Original, "%s", original + 3);
#else
    (void)arguments;
#endif
    return RunProgressWindow(&Progress, "OrvikUninstall", "Orvik Uninstall", "Uninstalling Orvik",
                             "Removing Orvik...", UninstallerProc);
}
