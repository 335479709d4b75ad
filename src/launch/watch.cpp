// Watching a started program: once a second, has it ended? Then, while the
// programs it started (directly or further down) still show a window, or
// after Read Me while a Notepad window shows the read-me, wait for them too.
// After an install, wait for the installer's window to come and go. Then
// bring the launcher back with the layout that matches the new installation
// state, on the first tick at which nothing of that is left.
#include "launch/watch.h"
#include "launch/outside.h"

// How many ticks of the installer timer to wait for an installer window that
// has not appeared yet, before giving up on it and coming back.
static const int InstallerAppearLimit = 60;

// ---- Read Me: the read-me's Notepad window ---------------------------------

// Read Me: the Notepad windows open before Notepad is started. With more
// than the launcher remembers, a new one cannot be told from them, and none
// is waited for.
void RememberNotepadWindows(WatchState* watch, const char* readmeName)
{
    ReadMeWait* readme = &watch->ReadMe;
    int count = 0;
    HWND notepad = NULL;
    while (count >= 0 && (notepad = FindWindowExA(NULL, notepad, NOTEPAD_CLASS, NULL)) != NULL) {
        if (count == NotepadWindowLimit)
            count = -1;
        else
            readme->Before[count++] = notepad;
    }
    readme->BeforeCount = count;
    readme->Follow = count >= 0;
    readme->Name = readmeName;
}

static int TitleStartsWith(const char* title, const char* name, int length)
{
    for (int i = 0; i < length; ++i)
        if (FoldCase((BYTE)title[i]) != FoldCase((BYTE)name[i]))
            return 0;
    return title[length] == ' ' && title[length + 1] == '-';
}

// Whether a Notepad title names the file: "readme.txt - Notepad", with a
// "*" before it while edited, or "readme - Notepad" where Explorer hides
// the extensions of known types.
static int TitleNames(const char* title, const char* name)
{
    if (*title == '*')
        ++title;
    int length = 0;
    int stem = 0;
    for (; name[length] != '\0'; ++length)
        if (name[length] == '.')
            stem = length;
    return TitleStartsWith(title, name, length) || (stem > 0 && TitleStartsWith(title, name, stem));
}

// A visible Notepad window that was not open before Read Me started Notepad,
// or one that was and names the read-me now. Windows 11's notepad.exe hands
// the file to the packaged Notepad, whose window belongs to a process the
// launcher did not start, and ends: in a new window, or in a new tab of a
// window already open, whose title then names the file.
static int ReadMeShown(const WatchState* watch)
{
    const ReadMeWait* readme = &watch->ReadMe;
    HWND notepad = NULL;
    while (readme->Follow && (notepad = FindWindowExA(NULL, notepad, NOTEPAD_CLASS, NULL)) != NULL) {
        int before = 0;
        for (int i = 0; i < readme->BeforeCount; ++i)
            before |= readme->Before[i] == notepad;
        char title[PathSize];
        if (before && (GetWindowTextA(notepad, title, PathSize) <= 0 || !TitleNames(title, readme->Name)))
            continue;
        if (IsWindowVisible(notepad))
            return 1;
    }
    return 0;
}

// ---- after Install: the installer's window ---------------------------------

static int InstallerWindowPresent()
{
    HWND installer = FindWindowA(INSTALLER_CLASS, NULL);
    return installer != NULL && IsWindow(installer);
}

// Once the started program has ended: whether the wait goes on. A window of
// the family, or of the read-me's Notepad, or a family program still
// starting, keeps the launcher hidden. In a run that has started an install,
// so does an installer window of the class the launcher knows; and until
// the installer's window has been seen, after Install, the wait for it goes
// on (InstallerAppearLimit ticks) unless setup showed a window of its own
// and nothing of its family is left: setup was the installer, as a wizard
// is. A setup that hands over to a program of its family waits for that
// program's window however late it comes, within the limit.
static int WaitGoesOn(WatchState* watch, int tick)
{
    InstallerWait* installer = &watch->Installer;
    int family = FamilyNow(watch);
    int shown = family == FamilyShown || ReadMeShown(watch) || (installer->Launched && InstallerWindowPresent());
    installer->WaitTicks += tick;
    if (shown) {
        installer->Seen |= installer->Launched;
        return 1;
    }
    if (family == FamilyStarting)
        return 1;
    if (!installer->Launched || installer->Seen)
        return 0;
    if ((family == FamilyGone && installer->SetupShown) || installer->WaitTicks >= InstallerAppearLimit) {
        // Over: later watched programs in this run then come back as after
        // a complete install, instead of waiting out the limit again.
        installer->Seen = 1;
        return 0;
    }
    return 1;
}

// ---- the ticks ---------------------------------------------------------------

// Ticks while the started program runs; then on while what it left keeps
// the launcher hidden, or, after an install, hands over to the installer
// timer. Returns 1 when the wait is over.
static int ChildExitTick(WatchState* watch, HWND window)
{
    int ended = FollowFamily(watch);
    // A window of setup's own, while it runs, marks setup as the installer.
    watch->Installer.SetupShown |= watch->Installer.Launched && !watch->Installer.Seen && watch->Child.Shown;
    if (!ended)
        return 0;
    CloseChild(watch);
    int goesOn = WaitGoesOn(watch, 0);
    if (goesOn && !watch->Installer.Launched)
        return 0;
    // A window timer is stopped by its id: SetTimer promises only a non-zero
    // answer, not that it is the id.
    KillTimer(window, ChildExitTimerId);
    if (!goesOn)
        return 1;
    // Without the installer's timer nothing would bring the launcher back.
    watch->Installer.Timer = SetTimer(window, InstallerTimerId, WatchPeriod, NULL);
    return watch->Installer.Timer == 0;
}

static int InstallerTick(WatchState* watch, HWND window)
{
    FollowFamily(watch);
    if (WaitGoesOn(watch, 1))
        return 0;
    KillTimer(window, InstallerTimerId);
    return 1;
}

int WatchTick(WatchState* watch, HWND window, WPARAM timerId)
{
    int over = 0;
    if (timerId == ChildExitTimerId)
        over = ChildExitTick(watch, window);
    else if (timerId == InstallerTimerId)
        over = InstallerTick(watch, window);
    if (over)
        StopWatching(watch);
    return over;
}

void StopWatching(WatchState* watch)
{
    ReleaseChild(watch);
    watch->ReadMe.Follow = 0;
}

// Right after the start the program's handle is held, and the processes
// there are now recorded: none of them is of its family. A previous
// program's handles, if any are still held, are let go.
int FollowProgram(WatchState* watch, HWND window, HANDLE process, DWORD processId, int install)
{
    ReleaseChild(watch);
    watch->Child.Process = process;
    watch->Child.Id = processId;
    RecordProcesses(watch);
    watch->ChildExitTimer = SetTimer(window, ChildExitTimerId, WatchPeriod, NULL);
    if (watch->ChildExitTimer == 0) {
        ReleaseChild(watch);
        return 0;
    }
    if (install) {
        watch->Installer.Launched = 1;
        watch->Installer.Seen = 0;
        watch->Installer.WaitTicks = 0;
        watch->Installer.SetupShown = 0;
    }
    return 1;
}
