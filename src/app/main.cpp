// The program's entry. The launcher is built without the C runtime, which
// not every Windows 95 has as a DLL, so the system calls this function
// directly instead of a runtime start-up that would call WinMain. The
// instance is the module's own; the command line and the starter's show
// command are not read: the window is shown with SW_SHOWDEFAULT.
#include "app/launcher.h"

typedef BOOL(WINAPI* SetDefaultDllDirectoriesFunction)(DWORD flags);
typedef BOOL(WINAPI* SetDllDirectoryFunction)(LPCSTR path);

// No DLL is to come from the current folder (the disc's root, or wherever
// the starter was) or the launcher's own (a downloads folder, where a disc's
// files are often unpacked among others): where kernel32 has it (Windows 8,
// and 7 with KB2533623), only the system directory is searched.
// Elsewhere (XP SP1 and later) the current folder leaves the search, but the
// launcher's own folder is still searched first for a library that a system
// library loads by its name; Windows 7 is known to load the theme and the
// desktop compositor's libraries so into every program with a window. Those
// are loaded first from the system directory: a library already loaded is
// not looked for again. Windows 9x has no SetDllDirectory either.
static const char* const PreloadedLibraries[] = { "uxtheme.dll", "dwmapi.dll" };

static void LimitDllSearch()
{
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    FARPROC limit = GetProcAddress(kernel, "SetDefaultDllDirectories");
    if (limit != NULL && ((SetDefaultDllDirectoriesFunction)(void*)limit)(LOAD_LIBRARY_SEARCH_SYSTEM32))
        return;
    FARPROC clear = GetProcAddress(kernel, "SetDllDirectoryA");
    if (clear != NULL)
        ((SetDllDirectoryFunction)(void*)clear)("");
    // Where a library is missing (dwmapi before Vista, both on Windows 9x),
    // the load fails quietly.
    UINT previous = SetErrorMode(QuietErrorMode);
    for (unsigned i = 0; i < sizeof PreloadedLibraries / sizeof PreloadedLibraries[0]; ++i)
        LoadSystemLibrary(PreloadedLibraries[i]);
    SetErrorMode(previous);
}

// The loader calls the entry with a stack aligned to 4 bytes only.
extern "C" __attribute__((force_align_arg_pointer)) void WINAPI LauncherEntry()
{
    StartupSpanBegin();
    LimitDllSearch();
    ExitProcess((UINT)RunLauncher(GetModuleHandleA(NULL)));
}
