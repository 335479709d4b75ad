// The program's entry. The launcher is built without the C runtime, which
// not every Windows 95 has as a DLL, so the system calls this function
// directly instead of a runtime start-up that would call WinMain. The
// instance is the module's own; the command line and the starter's show
// command are not read: the window is shown with SW_SHOWDEFAULT.
#include "app/launcher.h"

typedef BOOL(WINAPI* SetDefaultDllDirectoriesFunction)(DWORD flags);
typedef BOOL(WINAPI* SetDllDirectoryFunction)(LPCSTR path);

// No DLL is to come from the current folder (the disc's root, or wherever
// the starter was) or the launcher's own: where kernel32 has it (Windows 8,
// and 7 with KB2533623), only the system directory is searched; else (XP
// SP1 and later) the current folder leaves the search. Windows 9x has
// neither, and loads nothing by a bare name from the launcher.
static void LimitDllSearch()
{
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    FARPROC limit = GetProcAddress(kernel, "SetDefaultDllDirectories");
    if (limit != NULL && ((SetDefaultDllDirectoriesFunction)(void*)limit)(LOAD_LIBRARY_SEARCH_SYSTEM32))
        return;
    FARPROC clear = GetProcAddress(kernel, "SetDllDirectoryA");
    if (clear != NULL)
        ((SetDllDirectoryFunction)(void*)clear)("");
}

// The loader calls the entry with a stack aligned to 4 bytes only.
extern "C" __attribute__((force_align_arg_pointer)) void WINAPI LauncherEntry()
{
    StartupSpanBegin();
    LimitDllSearch();
    ExitProcess((UINT)RunLauncher(GetModuleHandleA(NULL)));
}
