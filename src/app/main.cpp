// The program's entry. The command line and the starter's show command are
// not read: the window is shown with SW_SHOWDEFAULT.
#include "app/launcher.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    return RunLauncher(instance);
}
