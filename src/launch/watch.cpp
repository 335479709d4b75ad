// Watching a started program: once a second, has it ended? Then, while the
// programs it started (directly or further down) still show a window, or
// after Read Me a Notepad window that came up since, wait for them too. After
// an install, wait for the installer's window to come and go. Then bring the
// launcher back with the layout that matches the new installation state.
#include "launch/watch.h"
#include "launch/outside.h"


// How many ticks of the installer timer to wait for an installer window that
// has not appeared yet, before giving up on it and coming back.
static const int InstallerAppearLimit = 60;

// A setup that showed a window of its own was the installer, as most are
// today (a wizard that ends when the user presses Finish): once it has
// ended, an installer window of the class the launcher knows or of its
// family is waited for this many ticks only, not the whole limit.
static const int SetupWindowAppearLimit = 2;

// How many ticks a window of the family that still exists, invisible, while
// its program runs keeps the launcher hidden: a wizard hides its window
// while it builds its next page (WM_SETREDRAW takes WS_VISIBLE away, for as
// long as the page takes), and a closed one lingers invisible a second or
// two before its program ends. A program that has ended, or whose window is
// destroyed, counts as gone at once.
static const int BlinkLimit = 5;

// How many ticks a newly found program of the family that has not finished
// starting keeps the launcher hidden without a window of its own (an
// uninstaller's copy comes up a moment after the original has ended).
static const int StartingLimit = 5;

// What keeps the launcher hidden once the started program has ended.
enum FollowedState { NothingLeft = 0, StillStarting = 1, WindowShown = 2 };

typedef HANDLE(WINAPI* SnapshotFunction)(DWORD flags, DWORD processId);
typedef BOOL(WINAPI* ProcessStepFunction)(HANDLE snapshot, PROCESSENTRY32* entry);

// The program has ended when its handle is signalled. An exit code alone
// cannot tell: a program may really end with STILL_ACTIVE (259). The handle
// is the one its start returned, held since: reopening the process by its id
// could find another program that took the id, and an elevated program
// started under other credentials refuses to be opened at all. A wait that
// fails counts as the end, so the launcher is never left hidden.
static int HasEnded(HANDLE process)
{
    return process == NULL || WaitForSingleObject(process, 0) != WAIT_TIMEOUT;
}

static void CloseChild(WatchState* watch)
{
    if (watch->ChildProcess != NULL) {
        CloseHandle(watch->ChildProcess);
        watch->ChildProcess = NULL;
    }
}

// Closes the watched program's handle and those of its family, if held.
static void ReleaseChild(WatchState* watch)
{
    CloseChild(watch);
    while (watch->FamilyCount > 0)
        CloseHandle(watch->Family[--watch->FamilyCount].Process);
}

// Whether the id is that of a program held: the started program or one of
// its family. No process of the family has id 0 (the system's idle process,
// which a snapshot names as its own parent and the System process's).
static int IsHeldId(const WatchState* watch, DWORD id)
{
    if (id == 0)
        return 0;
    if (watch->ChildProcess != NULL && id == watch->ChildProcessId)
        return 1;
    for (int i = 0; i < watch->FamilyCount; ++i)
        if (watch->Family[i].Id == id)
            return 1;
    return 0;
}

// A snapshot names a process's parent by an id only, which may have been
// another program's since: a program left running by a parent that has
// ended (Explorer, by Userinit) still names the ended parent's id, which the
// started program may have been given. Such a program was running at the
// start, and its pair of ids is known from then.
static int WasKnownAtStart(const WatchState* watch, DWORD id, DWORD parent)
{
    for (int i = 0; i < watch->KnownCount; ++i)
        if (watch->Known[i].Id == id && watch->Known[i].Parent == parent)
            return 1;
    return 0;
}

// Takes a program into the family, held open: with the right to wait for
// it, and where granted the right to ask whether it has finished starting.
// One that cannot be opened is not followed. Returns 1 when taken.
static int Adopt(WatchState* watch, DWORD id)
{
    if (watch->FamilyCount == FamilyLimit)
        return 0;
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, id);
    if (process == NULL)
        process = OpenProcess(SYNCHRONIZE, FALSE, id);
    if (process == NULL)
        return 0;
    FamilyMember* member = &watch->Family[watch->FamilyCount++];
    member->Process = process;
    member->Id = id;
    member->Ticks = 0;
    member->Shown = 0;
    member->Window = NULL;
    member->Blinks = 0;
    return 1;
}

// Walks a snapshot of the system's processes (kernel32 has the snapshot
// from Windows 95 and 2000 on, not on NT 4: it is looked up). At the start
// it records every process there is; afterwards it takes into the family
// every process whose parent is held and that was not there at the start,
// walking again while it finds any: a snapshot may name a child before its
// parent. A parent's children are found even after it has ended, while it
// is held. Returns 1 when it took any in.
static int WalkProcesses(WatchState* watch, int atStart)
{
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    SnapshotFunction snapshot = (SnapshotFunction)(void*)GetProcAddress(kernel, "CreateToolhelp32Snapshot");
    ProcessStepFunction first = (ProcessStepFunction)(void*)GetProcAddress(kernel, "Process32First");
    ProcessStepFunction next = (ProcessStepFunction)(void*)GetProcAddress(kernel, "Process32Next");
    if (snapshot == NULL || first == NULL || next == NULL)
        return 0;
    HANDLE processes = snapshot(TH32CS_SNAPPROCESS, 0);
    if (processes == INVALID_HANDLE_VALUE)
        return 0;
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    int whole = 1;
    int adopted;
    int any = 0;
    do {
        adopted = 0;
        for (BOOL more = first(processes, &entry); more; more = next(processes, &entry)) {
            DWORD id = entry.th32ProcessID;
            DWORD parent = entry.th32ParentProcessID;
            if (atStart) {
                if (watch->KnownCount == KnownProcessLimit) {
                    whole = 0;
                } else {
                    watch->Known[watch->KnownCount].Id = id;
                    watch->Known[watch->KnownCount++].Parent = parent;
                }
            } else if (IsHeldId(watch, parent) && !IsHeldId(watch, id) && !WasKnownAtStart(watch, id, parent)) {
                adopted |= Adopt(watch, id);
            }
        }
        any |= adopted;
    } while (adopted);
    CloseHandle(processes);
    // A snapshot cut short leaves programs unknown that could pass for the
    // family's: then none is followed, and the watch is the started program's.
    watch->FamilyFollowed |= atStart && whole;
    return any;
}

// Right after the start: the processes there are now are none of the new
// program's family. A program the shell started whose id the system cannot
// give has no family followed.
static void RecordProcesses(WatchState* watch)
{
    watch->KnownCount = 0;
    watch->FamilyFollowed = 0;
    watch->ChildWindow = NULL;
    if (watch->ChildProcessId != 0)
        WalkProcesses(watch, 1);
}

// Whether the window is a visible top-level window of that process.
static int ShowsFor(HWND window, DWORD id)
{
    DWORD owner = 0;
    return window != NULL && IsWindowVisible(window) && GetWindowThreadProcessId(window, &owner) && owner == id;
}

static BOOL CALLBACK MarkShown(HWND window, LPARAM watchRecord)
{
    WatchState* watch = (WatchState*)watchRecord;
    if (IsWindowVisible(window)) {
        DWORD id = 0;
        GetWindowThreadProcessId(window, &id);
        if (watch->ChildProcess != NULL && id == watch->ChildProcessId) {
            watch->ChildShown = 1;
            watch->ChildWindow = window;
        }
        for (int i = 0; i < watch->FamilyCount; ++i) {
            if (watch->Family[i].Id == id) {
                watch->Family[i].Shown = 1;
                watch->Family[i].Window = window;
            }
        }
    }
    return TRUE;
}

// Marks the held programs that show a visible top-level window: the window
// each showed on the last look is asked first, and only when one of them no
// longer shows it are all top-level windows enumerated.
static void MarkWindows(WatchState* watch)
{
    watch->ChildShown = ShowsFor(watch->ChildWindow, watch->ChildProcessId);
    int all = watch->ChildShown || watch->ChildProcess == NULL;
    for (int i = 0; i < watch->FamilyCount; ++i) {
        watch->Family[i].Shown = ShowsFor(watch->Family[i].Window, watch->Family[i].Id);
        all &= watch->Family[i].Shown;
    }
    if (!all)
        EnumWindows(MarkShown, (LPARAM)watch);
}

// Once a tick, after the windows were marked: a program of the family whose
// window still exists, invisible, counts as showing it for BlinkLimit ticks.
// After an install, a window of setup's own marks setup as the installer.
static void KeepBlinkingWindows(WatchState* watch)
{
    for (int i = 0; i < watch->FamilyCount; ++i) {
        FamilyMember* member = &watch->Family[i];
        DWORD owner = 0;
        if (member->Shown)
            member->Blinks = 0;
        else if (member->Window != NULL && IsWindow(member->Window) &&
                 GetWindowThreadProcessId(member->Window, &owner) && owner == member->Id)
            member->Shown = ++member->Blinks <= BlinkLimit;
    }
    watch->SetupShown |= watch->InstallLaunched && !watch->InstallerSeen && watch->ChildShown;
}

// Once a tick: takes in the family's new programs, then lets go of those
// that have ended. Whether each held program has ended is seen once, before
// the walk, so that none is let go before its children have been looked
// for. A snapshot costs more than the rest of the tick, and is taken only
// when it can find something: when a held program has ended, or runs
// without a visible window (it may be handing over). A program in the
// middle of a chain that starts the next and ends between two ticks, under
// a parent that shows a window all along, is not seen. Returns whether the
// started program has ended.
static int FollowFamily(WatchState* watch)
{
    int childEnded = HasEnded(watch->ChildProcess);
    int ended[FamilyLimit] = {};
    int count = watch->FamilyCount;
    for (int i = 0; i < count; ++i)
        ended[i] = HasEnded(watch->Family[i].Process);
    if ((watch->ChildProcess != NULL && watch->ChildProcessId != 0) || count != 0) {
        MarkWindows(watch);
        int walk = watch->ChildProcess != NULL && (childEnded || !watch->ChildShown);
        for (int i = 0; i < count; ++i)
            walk |= ended[i] || !watch->Family[i].Shown;
        if (walk && watch->FamilyFollowed && WalkProcesses(watch, 0))
            MarkWindows(watch);
        KeepBlinkingWindows(watch);
    }
    int kept = 0;
    for (int i = 0; i < watch->FamilyCount; ++i) {
        FamilyMember member = watch->Family[i];
        if (ended[i]) {
            CloseHandle(member.Process);
        } else {
            ++member.Ticks;
            watch->Family[kept++] = member;
        }
    }
    watch->FamilyCount = kept;
    return childEnded;
}

// Read Me: the Notepad windows open before Notepad is started. With more
// than the launcher remembers, a new one cannot be told from them, and none
// is waited for.
void RememberNotepadWindows(WatchState* watch)
{
    int count = 0;
    HWND notepad = NULL;
    while (count >= 0 && (notepad = FindWindowExA(NULL, notepad, NOTEPAD_CLASS, NULL)) != NULL) {
        if (count == NotepadWindowLimit)
            count = -1;
        else
            watch->NotepadsBefore[count++] = notepad;
    }
    watch->NotepadsBeforeCount = count;
    watch->FollowNotepad = count >= 0;
}

// A visible Notepad window that was not open before Read Me started Notepad.
// Windows 11's notepad.exe hands the file to the packaged Notepad, whose
// window belongs to a process the launcher did not start, and ends.
static int NewNotepadShown(const WatchState* watch)
{
    HWND notepad = NULL;
    while (watch->FollowNotepad && (notepad = FindWindowExA(NULL, notepad, NOTEPAD_CLASS, NULL)) != NULL) {
        int before = 0;
        for (int i = 0; i < watch->NotepadsBeforeCount; ++i)
            before |= watch->NotepadsBefore[i] == notepad;
        if (!before && IsWindowVisible(notepad))
            return 1;
    }
    return 0;
}

// A visible top-level window of the family or a new Notepad window keeps the
// launcher hidden; so, for a few ticks, does a program of the family that
// has not finished starting (WaitForInputIdle answers at once for one that
// has, or for one that never will: a console program; a handle without the
// right to ask fails, and counts as starting). Programs that run on without
// a window (an updater, a tray agent) keep it hidden no longer.
static int CheckFollowed(const WatchState* watch)
{
    int shown = NewNotepadShown(watch);
    for (int i = 0; i < watch->FamilyCount; ++i)
        shown |= watch->Family[i].Shown;
    if (shown)
        return WindowShown;
    for (int i = 0; i < watch->FamilyCount; ++i)
        if (watch->Family[i].Ticks <= StartingLimit && WaitForInputIdle(watch->Family[i].Process, 0) != 0)
            return StillStarting;
    return NothingLeft;
}

static int InstallerWindowPresent()
{
    HWND installer = FindWindowA(INSTALLER_CLASS, NULL);
    return installer != NULL && IsWindow(installer);
}

// Ticks on after the started program has ended while its family keeps the
// launcher hidden; after an install, hands over to the installer timer.
// Returns 1 when the wait is over.
static int ChildExitTick(WatchState* watch, HWND window)
{
    if (!FollowFamily(watch))
        return 0;
    CloseChild(watch);
    if (!watch->InstallLaunched && CheckFollowed(watch) != NothingLeft)
        return 0;
    // A window timer is stopped by its id: SetTimer promises only a non-zero
    // answer, not that it is the id.
    KillTimer(window, ChildExitTimerId);
    if (!watch->InstallLaunched)
        return 1;
    watch->InstallerWaitTicks = 0;
    // Without the installer's timer nothing would bring the launcher back.
    watch->InstallerTimer = SetTimer(window, InstallerTimerId, WatchPeriod, NULL);
    return watch->InstallerTimer == 0;
}

// A window of the family counts as the installer's: a setup that hands over
// to an installer of another class is followed to it, and the launcher comes
// back when that window has gone, without waiting out the limit for one of
// the class it knows.
static int InstallerTick(WatchState* watch, HWND window)
{
    FollowFamily(watch);
    int followed = CheckFollowed(watch);
    int present = followed == WindowShown || InstallerWindowPresent();
    if (watch->InstallerSeen) {
        if (present || followed == StillStarting)
            return 0;
    } else if (present) {
        watch->InstallerSeen = 1;
        return 0;
    } else if (++watch->InstallerWaitTicks < (watch->SetupShown ? SetupWindowAppearLimit : InstallerAppearLimit)) {
        return 0;
    } else {
        // Given up on: later watched programs in this run then come back as
        // after a complete install, instead of waiting out the limit again.
        watch->InstallerSeen = 1;
    }
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
    watch->FollowNotepad = 0;
}

// Right after the start the program's handle is held, and the processes
// there are now recorded: none of them is of its family. A previous
// program's handles, if any are still held, are let go.
int FollowProgram(WatchState* watch, HWND window, HANDLE process, DWORD processId, int install)
{
    ReleaseChild(watch);
    watch->ChildProcess = process;
    watch->ChildProcessId = processId;
    RecordProcesses(watch);
    watch->ChildExitTimer = SetTimer(window, ChildExitTimerId, WatchPeriod, NULL);
    if (watch->ChildExitTimer == 0) {
        ReleaseChild(watch);
        return 0;
    }
    if (install) {
        watch->InstallLaunched = 1;
        watch->InstallerSeen = 0;
        watch->InstallerWaitTicks = 0;
        watch->SetupShown = 0;
    }
    return 1;
}
