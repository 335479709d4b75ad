// The five commands the buttons post, and starting programs.
#ifndef AUTORUN_COMMANDS_H
#define AUTORUN_COMMANDS_H

#include "disc/disc.h"
#include "launch/watch.h"

// What the window does once a command has run.
enum CommandOutcome {
    StayShown,         // nothing was started (no read-me, an unknown code)
    HideWhileRunning,  // a program started and is watched: hidden until the watch ends
    ComeBack,          // a program was to start and did not: back with a fresh state at once
    EndLauncher,       // Cancel, or a disc no longer in its drive: the window goes
    LeaveAfterRun,     // Run started the companion: the launcher leaves
};

int CarryOutCommand(WPARAM code, const DiscState* disc, WatchState* watch, HWND window);
// Splits a command line into program and arguments as CreateProcess
// resolves an unquoted program: the first prefix that names a file.
int SplitAtExistingProgram(const char* commandLine, char* program, char* arguments);

#endif
