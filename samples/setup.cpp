// The sample disc's setup program: a bootstrapper. It starts the installer
// that lies beside it on the disc as a separate process and ends at once,
// as real setup programs do; the installer's window comes up after.
//
// Built a second time as unpack.exe (HAND_OVER), it behaves as setup
// programs that unpack an installer do: it copies ORVIK\wizard.exe to the
// temporary folder, starts that copy (whose window is of another class than
// InstallShield_Win) with the folder of the companion's files, and ends.
//
// Built as splash.exe (SPLASH) and splashwiz.exe (SPLASH and OTHER_CLASS),
// it is a setup with a window of its own that hands over late: it shows a
// "Preparing to install" window for four seconds, starts the
// installer (ORVIK\install.exe, or ORVIK\wizard.exe with the companion's
// folder) telling it to take four seconds before its window comes up, and
// ends.
#include <stdio.h>

#include "sample.h"

#ifdef SPLASH
static void ShowSplash()
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(NULL);
    windowClass.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    windowClass.lpszClassName = "OrvikSplash";
    RegisterClassA(&windowClass);
    HWND splash = CreateWindowExA(0, "OrvikSplash", "Preparing to install", WS_POPUP | WS_BORDER, 200, 200, 320, 120,
                                  NULL, NULL, windowClass.hInstance, NULL);
    ShowWindow(splash, SW_SHOWNORMAL);
    DWORD until = GetTickCount() + 4000;
    MSG message;
    while ((int)(until - GetTickCount()) > 0) {
        MsgWaitForMultipleObjects(0, NULL, FALSE, until - GetTickCount(), QS_ALLINPUT);
        while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
    }
    DestroyWindow(splash);
}
#endif

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char folder[MAX_PATH];
    char commandLine[3 * MAX_PATH + 32];
    ProgramFolder(folder, MAX_PATH);
#ifdef HAND_OVER
    char packed[MAX_PATH + 32], unpacked[MAX_PATH + 32], temporary[MAX_PATH];
    GetTempPathA(MAX_PATH, temporary);
    snprintf(packed, sizeof packed, "%sORVIK\\wizard.exe", folder);
    snprintf(unpacked, sizeof unpacked, "%swizard.exe", temporary);
    if (!CopyFileA(packed, unpacked, FALSE))
        return 1;
    snprintf(commandLine, sizeof commandLine, "\"%s\" %sORVIK\\", unpacked, folder);
#elif defined(SPLASH) && defined(OTHER_CLASS)
    ShowSplash();
    snprintf(commandLine, sizeof commandLine, "\"%sORVIK\\wizard.exe\" /late %sORVIK\\", folder, folder);
#elif defined(SPLASH)
    ShowSplash();
    snprintf(commandLine, sizeof commandLine, "\"%sORVIK\\install.exe\" /late", folder);
#else
    snprintf(commandLine, sizeof commandLine, "\"%sORVIK\\install.exe\"", folder);
#endif
    return StartAndLeave(commandLine, NULL);
}
