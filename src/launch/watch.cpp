// Watching a started program: once a second, has it ended? After an install,
// wait for the installer's window to come and go. Then bring the launcher
// back with the layout that matches the new installation state.
#include "app/launcher.h"
#include "launch/outside.h"


// How many ticks of the installer timer to wait for an installer window that
// has not appeared yet, before giving up on it and coming back.
static const int InstallerAppearLimit = 60;

// The program has ended when its handle is signalled. An exit code alone
// cannot tell: a program may really end with STILL_ACTIVE (259). The handle
// is the one its start returned, held since: reopening the process by its id
// could find another program that took the id, and an elevated program
// started under other credentials refuses to be opened at all. A wait that
// fails counts as the end, so the launcher is never left hidden.
static int ChildHasEnded()
{
    return Launcher.ChildProcess == NULL || WaitForSingleObject(Launcher.ChildProcess, 0) != WAIT_TIMEOUT;
}

// Closes the watched program's handle, if one is held.
void ReleaseChild()
{
    if (Launcher.ChildProcess != NULL) {
        CloseHandle(Launcher.ChildProcess);
        Launcher.ChildProcess = NULL;
    }
}

static int InstallerWindowPresent()
{
    HWND installer = FindWindowA(INSTALLER_CLASS, NULL);
    return installer != NULL && IsWindow(installer);
}

static void ChildExitTick(HWND window)
{
    if (!ChildHasEnded())
        return;
    ReleaseChild();
    // A window timer is stopped by its id: SetTimer promises only a non-zero
    // answer, not that it is the id.
    KillTimer(window, ChildExitTimerId);
    if (Launcher.InstallLaunched) {
        Launcher.InstallerWaitTicks = 0;
        Launcher.InstallerTimer = SetTimer(window, InstallerTimerId, WatchPeriod, NULL);
    } else {
        RestoreAfterChild(window);
    }
}

static void InstallerTick(HWND window)
{
    int present = InstallerWindowPresent();
    if (Launcher.InstallerSeen) {
        if (present)
            return;
    } else if (present) {
        Launcher.InstallerSeen = 1;
        return;
    } else if (++Launcher.InstallerWaitTicks < InstallerAppearLimit) {
        return;
    } else {
        // Given up on: later watched programs in this run then come back as
        // after a complete install, instead of waiting out the limit again.
        Launcher.InstallerSeen = 1;
    }
    KillTimer(window, InstallerTimerId);
    RestoreAfterChild(window);
}

LRESULT HandleTimer(HWND window, WPARAM timerId)
{
    if (timerId == ChildExitTimerId)
        ChildExitTick(window);
    else if (timerId == InstallerTimerId)
        InstallerTick(window);
    return 0;
}

// A pointer move to (0, 0), outside every button, returns every button of
// the current layout to Normal. A disc taken out meanwhile (another may be
// in the drive now) ends the launcher instead.
void RestoreAfterChild(HWND window)
{
    if (!DiscHoldsMarker()) {
        DestroyWindow(window);
        return;
    }
    RefreshInstalledState();
    RestoreMainWindow();
    PostMessageA(window, WM_MOUSEMOVE, 0, 0);
}
