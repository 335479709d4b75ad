// A library the bench plants beside a program under the name of a system
// library (oleacc.dll, shell32.dll), as an attacker would in a downloads
// folder. It exports nothing; whichever process loads it, it leaves a file
// beside itself, its own name with ".loaded" added, that names that
// process's program.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    char evidence[MAX_PATH + 8];
    char program[MAX_PATH];
    DWORD length = GetModuleFileNameA(instance, evidence, MAX_PATH);
    DWORD programLength = GetModuleFileNameA(NULL, program, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return TRUE;
    lstrcpyA(evidence + length, ".loaded");
    HANDLE file = CreateFileA(evidence, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written;
        WriteFile(file, program, programLength, &written, NULL);
        CloseHandle(file);
    }
    return TRUE;
}
