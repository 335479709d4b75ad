// The sample installer. Shows a window of class "InstallShield_Win" with a
// progress bar for a few seconds, and installs the sample companion: copies
// orvik.exe and uninst.exe to the install folder, writes orvik.ini with its
// folder into the Windows directory, and records the App Paths and Uninstall
// entries. Then its window goes away.
//
// Built a second time as wizard.exe (OTHER_CLASS), the installer that
// unpack.exe hands over to: its window is of class "OrvikWizard", and it
// takes the companion's files from the folder its command line names.
//
// "/late" first on the command line: it waits four seconds, without a
// window, before it starts (as an installer engine that a setup program
// started may take a while to come up).
#include <stdio.h>
#include <string.h>

#include "sample.h"

#ifdef OTHER_CLASS
#define INSTALLER_WINDOW_CLASS "OrvikWizard"
#else
#define INSTALLER_WINDOW_CLASS SAMPLE_INSTALLER_CLASS
#endif

static ProgressWindow Progress;
static const char* SourceFolder;  // where orvik.exe and uninst.exe are; null: beside this program
static const int Steps = 30;  // ticks of 100 ms
static int Step;

static int SetString(HKEY key, const char* name, const char* value)
{
    return RegSetValueExA(key, name, 0, REG_SZ, (const BYTE*)value, (DWORD)strlen(value) + 1) == ERROR_SUCCESS;
}

static void Install()
{
    char source[MAX_PATH], target[MAX_PATH], from[MAX_PATH], to[MAX_PATH], value[MAX_PATH], settings[MAX_PATH];
    if (SourceFolder != NULL && SourceFolder[0] != '\0')
        snprintf(source, MAX_PATH, "%s", SourceFolder);
    else
        ProgramFolder(source, MAX_PATH);
    InstallFolder(target, MAX_PATH);
    CreateDirectoryA(target, NULL);
    const char* files[] = { "orvik.exe", "uninst.exe" };
    for (const char* file : files) {
        snprintf(from, MAX_PATH, "%s%s", source, file);
        snprintf(to, MAX_PATH, "%s%s", target, file);
        CopyFileA(from, to, FALSE);
    }
    SettingsFile(settings, MAX_PATH);
    WritePrivateProfileStringA("INSTALL", "DIR", target, settings);

    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, SAMPLE_UNINSTALL_KEY, 0, NULL, 0, KEY_SET_VALUE, NULL, &key, NULL) ==
        ERROR_SUCCESS) {
        snprintf(value, MAX_PATH, "%suninst.exe /remove", target);
        SetString(key, "UninstallString", value);
        SetString(key, "DisplayName", "Orvik");
        RegCloseKey(key);
    }
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, SAMPLE_APP_PATHS_KEY, 0, NULL, 0, KEY_SET_VALUE, NULL, &key, NULL) ==
        ERROR_SUCCESS) {
        snprintf(value, MAX_PATH, "%sorvik.exe", target);
        SetString(key, NULL, value);
        SetString(key, "Path", target);
        RegCloseKey(key);
    }
}

static LRESULT CALLBACK InstallerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_TIMER:
        ++Step;
        Progress.percent = Step * 100 / Steps;
        if (Step == Steps * 2 / 3) {
            snprintf(Progress.status, sizeof Progress.status, "Recording the installation...");
            Install();
        } else if (Step < Steps * 2 / 3) {
            snprintf(Progress.status, sizeof Progress.status, "Copying files... %d%%", Progress.percent);
        }
        InvalidateRect(window, NULL, TRUE);
        if (Step >= Steps)
            DestroyWindow(window);
        return 0;
    }
    return ProgressWindowDefault(&Progress, window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR arguments, int)
{
    if (strncmp(arguments, "/late", 5) == 0) {
        Sleep(4000);
        arguments += arguments[5] == ' ' ? 6 : 5;
    }
    SourceFolder = arguments;
    return RunProgressWindow(&Progress, INSTALLER_WINDOW_CLASS, "Orvik Setup", "Installing Orvik", "Preparing...",
                             InstallerProc);
}
