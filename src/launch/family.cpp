// The started program's family: the programs it started, directly or
// further down, found in snapshots of the system's processes, held open
// while they are followed, and the windows they show.
#include "launch/watch.h"

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

void CloseChild(WatchState* watch)
{
    if (watch->Child.Process != NULL) {
        CloseHandle(watch->Child.Process);
        watch->Child.Process = NULL;
    }
}

// Closes the watched program's handle and those of its family, if held.
void ReleaseChild(WatchState* watch)
{
    CloseChild(watch);
    while (watch->Family.Count > 0)
        CloseHandle(watch->Family.Members[--watch->Family.Count].Process);
}

// Whether the id is that of a program held: the started program or one of
// its family. No process of the family has id 0 (the system's idle process,
// which a snapshot names as its own parent and the System process's).
static int IsHeldId(const WatchState* watch, DWORD id)
{
    if (id == 0)
        return 0;
    if (watch->Child.Process != NULL && id == watch->Child.Id)
        return 1;
    for (int i = 0; i < watch->Family.Count; ++i)
        if (watch->Family.Members[i].Id == id)
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
    for (int i = 0; i < watch->Family.KnownCount; ++i)
        if (watch->Family.Known[i].Id == id && watch->Family.Known[i].Parent == parent)
            return 1;
    return 0;
}

// Takes a program into the family, held open: with the right to wait for
// it, and where granted the right to ask whether it has finished starting.
// One that cannot be opened is not followed. Returns 1 when taken.
static int Adopt(WatchState* watch, DWORD id)
{
    if (watch->Family.Count == FamilyLimit)
        return 0;
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, id);
    if (process == NULL)
        process = OpenProcess(SYNCHRONIZE, FALSE, id);
    if (process == NULL)
        return 0;
    FamilyMember* member = &watch->Family.Members[watch->Family.Count++];
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
                if (watch->Family.KnownCount == KnownProcessLimit) {
                    whole = 0;
                } else {
                    watch->Family.Known[watch->Family.KnownCount].Id = id;
                    watch->Family.Known[watch->Family.KnownCount++].Parent = parent;
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
    watch->Family.Followed |= atStart && whole;
    return any;
}

// Right after the start: the processes there are now are none of the new
// program's family. A program the shell started whose id the system cannot
// give has no family followed.
void RecordProcesses(WatchState* watch)
{
    watch->Family.KnownCount = 0;
    watch->Family.Followed = 0;
    watch->Child.Window = NULL;
    if (watch->Child.Id != 0)
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
        if (watch->Child.Process != NULL && id == watch->Child.Id) {
            watch->Child.Shown = 1;
            watch->Child.Window = window;
        }
        for (int i = 0; i < watch->Family.Count; ++i) {
            if (watch->Family.Members[i].Id == id) {
                watch->Family.Members[i].Shown = 1;
                watch->Family.Members[i].Window = window;
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
    watch->Child.Shown = ShowsFor(watch->Child.Window, watch->Child.Id);
    int all = watch->Child.Shown || watch->Child.Process == NULL;
    for (int i = 0; i < watch->Family.Count; ++i) {
        watch->Family.Members[i].Shown = ShowsFor(watch->Family.Members[i].Window, watch->Family.Members[i].Id);
        all &= watch->Family.Members[i].Shown;
    }
    if (!all)
        EnumWindows(MarkShown, (LPARAM)watch);
}

// Once a tick, after the windows were marked: a program of the family whose
// window still exists, invisible, counts as showing it for BlinkLimit ticks.
static void KeepBlinkingWindows(WatchState* watch)
{
    for (int i = 0; i < watch->Family.Count; ++i) {
        FamilyMember* member = &watch->Family.Members[i];
        DWORD owner = 0;
        if (member->Shown)
            member->Blinks = 0;
        else if (member->Window != NULL && IsWindow(member->Window) &&
                 GetWindowThreadProcessId(member->Window, &owner) && owner == member->Id)
            member->Shown = ++member->Blinks <= BlinkLimit;
    }
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
int FollowFamily(WatchState* watch)
{
    int childEnded = HasEnded(watch->Child.Process);
    int ended[FamilyLimit] = {};
    int count = watch->Family.Count;
    for (int i = 0; i < count; ++i)
        ended[i] = HasEnded(watch->Family.Members[i].Process);
    if ((watch->Child.Process != NULL && watch->Child.Id != 0) || count != 0) {
        MarkWindows(watch);
        int walk = watch->Child.Process != NULL && (childEnded || !watch->Child.Shown);
        for (int i = 0; i < count; ++i)
            walk |= ended[i] || !watch->Family.Members[i].Shown;
        if (walk && watch->Family.Followed && WalkProcesses(watch, 0))
            MarkWindows(watch);
        KeepBlinkingWindows(watch);
    }
    int kept = 0;
    for (int i = 0; i < watch->Family.Count; ++i) {
        FamilyMember member = watch->Family.Members[i];
        if (ended[i]) {
            CloseHandle(member.Process);
        } else {
            ++member.Ticks;
            watch->Family.Members[kept++] = member;
        }
    }
    watch->Family.Count = kept;
    return childEnded;
}

// A visible top-level window of the family keeps the launcher hidden; so,
// for a few ticks, does a program of the family that has not finished
// starting (WaitForInputIdle answers at once for one that has, or for one
// that never will: a console program; a handle without the right to ask
// fails, and counts as starting). Programs that run on without a window (an
// updater, a tray agent) are only running.
int FamilyNow(const WatchState* watch)
{
    const FamilyWait* family = &watch->Family;
    for (int i = 0; i < family->Count; ++i)
        if (family->Members[i].Shown)
            return FamilyShown;
    for (int i = 0; i < family->Count; ++i)
        if (family->Members[i].Ticks <= StartingLimit && WaitForInputIdle(family->Members[i].Process, 0) != 0)
            return FamilyStarting;
    return family->Count > 0 ? FamilyRunning : FamilyGone;
}
