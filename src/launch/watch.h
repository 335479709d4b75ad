// Watching a started program: once a second, has it ended? Then the
// programs it started while they show a window, after Read Me a Notepad
// window that came up since, and after an install the installer's window.
#ifndef AUTORUN_WATCH_H
#define AUTORUN_WATCH_H

#include "base/base.h"

// The two watch timers of the launcher window, both ticking once a second.
const UINT_PTR ChildExitTimerId = 100;
const UINT_PTR InstallerTimerId = 101;
const UINT WatchPeriod = 1000;

// The started program's family: how many of its programs are followed at
// once, how many processes the snapshot taken at its start can hold, and how
// many Notepad windows Read Me remembers as open before it started Notepad.
const int FamilyLimit = 16;
const int KnownProcessLimit = 2048;
const int NotepadWindowLimit = 8;

// A program of the started program's family, held open while it is
// followed: its id cannot go to another program while the handle is held.
struct FamilyMember {
    HANDLE Process;
    DWORD Id;
    int Ticks;    // ticks since it was found
    int Shown;    // it showed a visible top-level window on the last look
    HWND Window;  // the one it showed then
    int Blinks;   // ticks that window has existed invisible since
};

// A process and its parent, as a snapshot of the system's processes gives them.
struct ProcessPair {
    DWORD Id;
    DWORD Parent;
};

struct WatchState {
    DWORD ChildProcessId;  // 0 when the shell started it and the system cannot say
    HANDLE ChildProcess;   // the watched program, held until its end is seen
    UINT_PTR ChildExitTimer;
    int ChildShown;    // it showed a visible top-level window on the last look
    HWND ChildWindow;  // the one it showed then
    // The programs the watched program started, directly or further down.
    FamilyMember Family[FamilyLimit];
    int FamilyCount;
    int FamilyFollowed;  // the snapshot at the start is whole: the family can be told apart
    ProcessPair Known[KnownProcessLimit];  // every process there was at the start
    int KnownCount;
    // Read Me: whether a Notepad window that comes up later is waited for,
    // and the Notepad windows that were open before Notepad was started.
    int FollowNotepad;
    HWND NotepadsBefore[NotepadWindowLimit];
    int NotepadsBeforeCount;
    int InstallLaunched;
    int InstallerSeen;
    int SetupShown;  // setup showed a visible top-level window of its own while it ran
    UINT_PTR InstallerTimer;
    int InstallerWaitTicks;  // ticks of timer 101 spent waiting for the installer window to appear
};

// Read Me, before Notepad starts: the Notepad windows open now are not its.
void RememberNotepadWindows(WatchState* watch);
// Follows a program just started (its handle, held from now on, and its id)
// with the window's timer; with install set, the installer's window is
// waited for after it. Returns 1 when it is followed; 0, with the handle
// closed and an earlier install's wait left as it was, when no timer could
// be had.
int FollowProgram(WatchState* watch, HWND window, HANDLE process, DWORD processId, int install);
// WM_TIMER: returns 1 when the wait is over, its timer stopped and the
// programs let go.
int WatchTick(WatchState* watch, HWND window, WPARAM timerId);
// Lets go of every program held and of a Notepad window waited for.
void StopWatching(WatchState* watch);

#endif
