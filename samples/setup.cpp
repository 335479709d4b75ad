// The sample disc's setup program: a bootstrapper. It starts the installer
// that lies beside it on the disc as a separate process and ends at once,
// as real setup programs do; the installer's window comes up after.
#include <stdio.h>

#include "sample.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char folder[MAX_PATH];
    char commandLine[MAX_PATH + 32];
    ProgramFolder(folder, MAX_PATH);
    snprintf(commandLine, sizeof commandLine, "\"%sORVIK\\install.exe\"", folder);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(NULL, commandLine, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process))
        return 1;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 0;
}
