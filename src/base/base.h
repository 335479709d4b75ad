// What every part of the launcher uses: the text buffers' sizes, bounded
// formatting, quiet file probes, the system folders, the buttons' command
// codes, and the benchmark's start-up marks.
#ifndef AUTORUN_BASE_H
#define AUTORUN_BASE_H

#include "platform.h"
#include "resources/resource_ids.h"

const int PathSize = 256;         // paths, registry key paths, profile values
const int CommandLineSize = 512;  // command lines, the uninstall command

// Command codes, carried as the wParam of WM_USER. Each button has its own
// code, so the code also names the button (and indexes its state and images).
enum CommandCode {
    Install = INSTALL_COMMAND,
    Uninstall = UNINSTALL_COMMAND,
    Run = RUN_COMMAND,
    ReadMe = README_COMMAND,
    Cancel = CANCEL_COMMAND
};
const int CommandCodeLimit = 6;

// The error mode under which files are looked for and libraries loaded.
// Windows 9x and NT put up their own "There is no disk in the drive" box,
// and wait for an answer, when a file is looked for on an empty removable
// drive (and the loader its own when a library it finds cannot load). Each
// caller sets this mode and puts the caller's back at once, so that the
// programs the launcher starts inherit it unchanged.
const UINT QuietErrorMode = SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX;

// Formats into out (size bytes) with "%c", "%s" and "%%" only. Returns 1
// when the whole text fits; otherwise 0, with out left "".
int FormatText(char* out, int size, const char* format, ...);
// Splits a command line into program and arguments as the system reads its
// first word; both outputs are CommandLineSize bytes; 0 when they do not fit.
int SplitCommandLine(const char* commandLine, char* program, char* arguments);
// That first word into program (CommandLineSize bytes); where the rest of
// the line starts, as it stands; null when the word does not fit.
const char* ProgramWord(const char* commandLine, char* program);
// An ASCII letter in lower case; any other character as it is.
inline int FoldCase(int c)
{
    return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c;
}

// File probes under the quiet error mode.
HANDLE OpenQuietly(const char* path);
DWORD ReadFileStart(const char* path, BYTE* buffer, DWORD capacity);
int OpenForReading(const char* path);
int IsExistingFile(const char* path);
// The ANSI form of a wide path of length units, terminated, into path
// (PathSize bytes); its length, 0 when the code page cannot spell it whole.
DWORD AnsiForm(const WCHAR* wide, DWORD length, char* path);
// Loads a library of the system directory by its full path, null when it
// does not load. The error mode is the caller's to set.
HMODULE LoadSystemLibrary(const char* name);
// Finds a program named without a folder ("MsiExec.exe", "notepad") where
// the system looks for it after the starting program's own folder and the
// current one: the system directory, the Windows directory, then PATH; with
// ".exe" added to a name without an extension. 1 with its full path in path
// (PathSize bytes).
int FindProgramOutsideOwnFolder(const char* name, char* path);

// The benchmark's timed build (STARTUP_SPAN) marks the entry, the end of
// each start-up step and the end of the first paint; in every other build
// these are nothing.
#ifdef STARTUP_SPAN
void StartupSpanBegin();
void StartupSpanMark();
void StartupSpanEnd();
#else
inline void StartupSpanBegin() {}
inline void StartupSpanMark() {}
inline void StartupSpanEnd() {}
#endif

#endif
