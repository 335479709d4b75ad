// The program's entry. The launcher is built without the C runtime, which
// not every Windows 95 has as a DLL, so the system calls this function
// directly instead of a runtime start-up that would call WinMain. The
// instance is the module's own; the command line and the starter's show
// command are not read: the window is shown with SW_SHOWDEFAULT.
#include "app/launcher.h"

// The loader calls the entry with a stack aligned to 4 bytes only.
extern "C" __attribute__((force_align_arg_pointer)) void WINAPI LauncherEntry()
{
    StartupSpanBegin();
    ExitProcess((UINT)RunLauncher(GetModuleHandleA(NULL)));
}
