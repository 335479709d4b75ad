// The sample disc's setup program: a bootstrapper. It starts the installer
// that lies beside it on the disc as a separate process and ends at once,
// as real setup programs do; the installer's window comes up after.
//
// Built a second time as unpack.exe (HAND_OVER), it behaves as setup
// programs that unpack an installer do: it copies ORVIK\wizard.exe to the
// temporary folder, starts that copy (whose window is of another class than
// InstallShield_Win) with the folder of the companion's files, and ends.
#include <stdio.h>

#include "sample.h"

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
#else
    snprintf(commandLine, sizeof commandLine, "\"%sORVIK\\install.exe\"", folder);
#endif
    return StartAndLeave(commandLine, NULL);
}
