// The sample uninstaller: removes what the sample installer made (the App
// Paths and Uninstall entries, orvik.ini, the companion's program file),
// showing a short progress window while it works.
#include <stdio.h>

#include "sample.h"

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
    // This program itself, and then its folder, go at the next restart.
    GetModuleFileNameA(NULL, path, MAX_PATH);
    MoveFileExA(path, NULL, MOVEFILE_DELAY_UNTIL_REBOOT);
    MoveFileExA(folder, NULL, MOVEFILE_DELAY_UNTIL_REBOOT);
}

static LRESULT CALLBACK UninstallerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_TIMER:
        Progress.percent = ++Step * 100 / 15;
        if (Step == 8) {
            Uninstall();
            snprintf(Progress.status, sizeof Progress.status, "Orvik has been removed.");
        }
        InvalidateRect(window, NULL, TRUE);
        if (Step >= 15)
            DestroyWindow(window);
        return 0;
    }
    return ProgressWindowDefault(&Progress, window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return RunProgressWindow(&Progress, "OrvikUninstall", "Orvik Uninstall", "Uninstalling Orvik",
                             "Removing Orvik...", UninstallerProc);
}
