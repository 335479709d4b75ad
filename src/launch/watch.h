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

// The started program itself: waited for until it ends, window or not.
struct ChildWait {
    DWORD Id;        // 0 when the shell started it and the system cannot say
    HANDLE Process;  // held until its end is seen
    int Shown;       // it showed a visible top-level window on the last look
    HWND Window;     // the one it showed then
};

// The programs the started one started, directly or further down: waited
// for while they show a window, and for a few ticks while they start.
struct FamilyWait {
    FamilyMember Members[FamilyLimit];
    int Count;
    int Followed;  // the snapshot at the start is whole: the family can be told apart
    ProcessPair Known[KnownProcessLimit];  // every process there was at the start
    int KnownCount;
};

// Read Me: a Notepad window that came up after Notepad was started, or one
// open before that names the read-me in its title (Windows 11's Notepad
// opens a file in a new tab of a window already open).
struct ReadMeWait {
    int Follow;
    HWND Before[NotepadWindowLimit];
    int BeforeCount;
    const char* Name;  // the read-me's file name, kept for the run
};

// After Install: the installer's window, to appear and to go away.
struct InstallerWait {
    int Launched;    // an install was started in this run
    int Seen;        // the installer's window was seen (or given up on)
    int SetupShown;  // setup showed a visible top-level window of its own while it ran
    int WaitTicks;   // ticks of timer 101 spent waiting for the window to appear
    UINT_PTR Timer;
};

struct WatchState {
    UINT_PTR ChildExitTimer;
    ChildWait Child;
    FamilyWait Family;
    ReadMeWait ReadMe;
    InstallerWait Installer;
};

// Read Me, before Notepad starts: the Notepad windows open now, which count
// only while they name the read-me (its file name).
void RememberNotepadWindows(WatchState* watch, const char* readmeName);
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

// The family's part of the watch (family.cpp).
// Right after the start: the processes there are now are none of its family.
void RecordProcesses(WatchState* watch);
// Once a tick: takes in the family's new programs, marks the windows shown,
// and lets go of those that have ended. Returns whether the started program
// has ended.
int FollowFamily(WatchState* watch);
// Whether a program of the family shows a window, or has just started.
enum FamilyState { FamilyGone = 0, FamilyRunning = 1, FamilyStarting = 2, FamilyShown = 3 };
int FamilyNow(const WatchState* watch);
// Closes the started program's handle and those of its family, if held.
void ReleaseChild(WatchState* watch);
void CloseChild(WatchState* watch);

#endif
