// The five commands posted by the button panel, and starting programs.
#include "launch/commands.h"
#include "launch/outside.h"

typedef BOOL(WINAPI* ShellExecuteExFunction)(SHELLEXECUTEINFOA* info);
typedef DWORD(WINAPI* GetProcessIdFunction)(HANDLE process);

// shell32 is loaded only when a program needs elevation: it is a large
// library, and the launcher's start-up does without it. It stays loaded.
// From the system directory: a bare name would be looked for in the
// launcher's own folder first.
static ShellExecuteExFunction FindShellExecuteEx()
{
    HMODULE shell = LoadSystemLibrary("shell32.dll");
    FARPROC found = shell != NULL ? GetProcAddress(shell, "ShellExecuteExA") : NULL;
    return found != NULL ? (ShellExecuteExFunction)(void*)found : NULL;
}

// Splits a command line into program and arguments the way CreateProcess
// resolves it: a quoted program ends at its closing quote; an unquoted one
// is the first blank-separated prefix that names an existing file, as it
// stands or with ".exe" added ("C:\Program Files\Orvik\UNWISE.EXE
// C:\Program Files\Orvik\INSTALL.LOG" starts UNWISE.EXE). When no prefix
// names a file the first word is the program, left for the shell to search
// for. Both outputs are CommandLineSize bytes; returns 0 when they do not fit.
int SplitAtExistingProgram(const char* commandLine, char* program, char* arguments)
{
    const char* start = commandLine;
    while (*start == ' ' || *start == '\t')
        ++start;
    if (*start != '"') {
        const char* end = start;
        while (*end != '\0') {
            while (*end != '\0' && *end != ' ' && *end != '\t')
                ++end;
            int length = (int)(end - start);
            if (length > CommandLineSize - 5)
                break;
            for (int i = 0; i < length; ++i)
                program[i] = start[i];
            program[length] = '\0';
            int found = IsExistingFile(program);
            if (!found) {
                FormatText(program + length, 5, ".exe");
                found = IsExistingFile(program);
            }
            if (found) {
                while (*end == ' ' || *end == '\t')
                    ++end;
                return FormatText(arguments, CommandLineSize, "%s", end);
            }
            while (*end == ' ' || *end == '\t')
                ++end;
        }
    }
    return SplitCommandLine(commandLine, program, arguments);
}

// Programs that need elevation (setup programs and uninstallers) are refused
// by CreateProcess on Vista and later with ERROR_ELEVATION_REQUIRED; the shell
// starts them after asking the user for consent. Returns the new process's
// handle, or null when nothing started (declined or failed).
static HANDLE StartThroughShell(const char* commandLine, HWND window, const char* directory)
{
    char program[CommandLineSize];
    char arguments[CommandLineSize];
    ShellExecuteExFunction shellExecuteEx = FindShellExecuteEx();
    if (shellExecuteEx == NULL || !SplitAtExistingProgram(commandLine, program, arguments) || program[0] == '\0')
        return NULL;
    SHELLEXECUTEINFOA execute = {};
    execute.cbSize = sizeof execute;
    execute.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    execute.hwnd = window;
    execute.lpVerb = "open";
    execute.lpFile = program;
    execute.lpParameters = arguments[0] != '\0' ? arguments : NULL;
    execute.lpDirectory = directory;
    execute.nShow = SW_SHOWNORMAL;  // the shell passes it on in the program's STARTUPINFO
    if (!shellExecuteEx(&execute))
        return NULL;
    return execute.hProcess;
}

// A path with a blank is quoted in a command line: unquoted, the system
// would try each part up to a blank as a program first (a planted
// "Downloads\Product.exe" for "Downloads\Product Disc\setup.exe").
static const char* QuoteFor(const char* path)
{
    for (; *path != '\0'; ++path)
        if (*path == ' ' || *path == '\t')
            return "\"";
    return "";
}

// CreateProcess looks for a program named without a folder in the
// launcher's own folder first, and the current one next: with the disc's
// files in a downloads folder, a planted "MsiExec.exe" there would be what
// "MsiExec.exe /X{...}" starts. Such a program is looked for where the
// system looks after those two and named by its full path; the rest of the
// command line is passed on as it stands. A program found nowhere there
// starts nothing. resolved is CommandLineSize bytes; 0 when nothing fits.
static int NameProgramByItsPath(const char* commandLine, char* resolved)
{
    char program[CommandLineSize];
    char path[PathSize];
    const char* rest = ProgramWord(commandLine, program);
    if (rest == NULL || program[0] == '\0')
        return 0;
    for (const char* c = program; *c != '\0'; ++c)
        if (*c == '\\' || *c == '/' || *c == ':')
            return FormatText(resolved, CommandLineSize, "%s", commandLine);
    return FindProgramOutsideOwnFolder(program, path) &&
           FormatText(resolved, CommandLineSize, "%s%s%s%s", QuoteFor(path), path, QuoteFor(path), rest);
}

// Starts a program from its command line. A directory other than null or ""
// is the program's current directory. Returns the new process's handle, with
// its id in processId (0 when the system cannot say), or null when nothing
// started.
static HANDLE StartProgram(const char* commandLine, HWND window, const char* directory, DWORD* processId)
{
    if (directory != NULL && directory[0] == '\0')
        directory = NULL;
    char resolved[CommandLineSize];
    char writable[CommandLineSize];  // CreateProcessA may write into the command line
    if (!NameProgramByItsPath(commandLine, resolved) || !FormatText(writable, CommandLineSize, "%s", resolved))
        return NULL;

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    // SW_SHOWDEFAULT is the one show command STARTUPINFO may not carry: it
    // would tell the started program to use what STARTUPINFO says.
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION started = {};
    *processId = 0;
    if (CreateProcessA(NULL, writable, NULL, NULL, FALSE, NORMAL_PRIORITY_CLASS, NULL, directory, &startup,
                       &started)) {
        CloseHandle(started.hThread);
        *processId = started.dwProcessId;
        return started.hProcess;
    }
    if (GetLastError() != ERROR_ELEVATION_REQUIRED)
        return NULL;
    HANDLE process = StartThroughShell(resolved, window, directory);
    // The shell gives a handle only; the id, by which the programs this one
    // starts name it, comes from GetProcessId (XP SP1 and later, which every
    // Windows that elevates has). Without it, its family is not followed.
    FARPROC getId = GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetProcessId");
    if (process != NULL && getId != NULL)
        *processId = ((GetProcessIdFunction)(void*)getId)(process);
    return process;
}

// Starts a program that the launcher hides for and watches. Nothing started,
// or no timer to watch it by, brings the launcher back at once: a hidden
// launcher cannot be reached, and its window would keep every new launcher
// from starting.
static int LaunchWatched(const char* commandLine, WatchState* watch, HWND window, int install)
{
    DWORD processId;
    HANDLE process = StartProgram(commandLine, window, NULL, &processId);
    if (process != NULL && FollowProgram(watch, window, process, processId, install))
        return HideWhileRunning;
    return ComeBack;
}

// Reads the uninstall command the companion's setup recorded. Returns 1 with
// a terminated command line. A missing key or value, a value of another type
// than REG_SZ or REG_EXPAND_SZ, or one that does not fit the buffer with its
// terminating zero (before or after expanding it) gives 0.
static int ReadUninstallCommand(const DiscState* disc, char* commandLine)
{
    if (disc->Config.UninstallKey[0] == '\0')
        return 0;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, disc->Config.UninstallKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return 0;
    char value[CommandLineSize];
    DWORD size = CommandLineSize;
    DWORD type = REG_NONE;
    int read = RegQueryValueExA(key, UNINSTALL_VALUE, NULL, &type, (BYTE*)value, &size) == ERROR_SUCCESS;
    RegCloseKey(key);
    if (!read || size > (DWORD)CommandLineSize || (type != REG_SZ && type != REG_EXPAND_SZ))
        return 0;
    // A string value need not be stored with its terminating zero.
    if (size == 0 || value[size - 1] != '\0') {
        if (size == (DWORD)CommandLineSize)
            return 0;
        value[size] = '\0';
    }
    if (type == REG_SZ)
        return FormatText(commandLine, CommandLineSize, "%s", value);
    // The ANSI form may need one byte more than it reports, so one is kept
    // spare: the result, zero included, must fit in CommandLineSize - 1.
    DWORD expanded = ExpandEnvironmentStringsA(value, commandLine, CommandLineSize - 1);
    if (expanded == 0 || expanded > (DWORD)CommandLineSize - 1) {
        commandLine[0] = '\0';
        return 0;
    }
    commandLine[CommandLineSize - 1] = '\0';
    return 1;
}

// Starts the companion from the folder its settings file records (used as
// stored: it ends with a backslash), in that folder as a shortcut would, so
// that it finds its own files and keeps no hold on the disc; then the
// launcher leaves, whether it started or not. Without the Windows directory
// there is no settings file to read, and the launcher stays.
static int RunCompanion(HWND window)
{
    char windowsDirectory[PathSize];
    char settingsPath[PathSize];
    char folder[PathSize];
    char commandLine[CommandLineSize];
    UINT length = GetWindowsDirectoryA(windowsDirectory, PathSize);
    if (length == 0 || length >= (UINT)PathSize ||
        !FormatText(settingsPath, PathSize, "%s%s", windowsDirectory, COMPANION_SETTINGS_FILE))
        return StayShown;
    GetPrivateProfileStringA(COMPANION_SETTINGS_SECTION, COMPANION_SETTINGS_KEY, "", folder, PathSize, settingsPath);
    FormatText(commandLine, CommandLineSize, COMPANION_COMMAND, folder);
    DWORD processId;
    HANDLE process = StartProgram(commandLine, window, folder, &processId);
    if (process != NULL)
        CloseHandle(process);
    return LeaveAfterRun;
}

static int ReadMeCommand(const DiscState* disc, WatchState* watch, HWND window)
{
    char path[PathSize];
    char commandLine[CommandLineSize];
    const char* name = disc->ReadMeName[0] != '\0' ? disc->ReadMeName : README_NAME;
    if (!FormatText(path, PathSize, README_PATH, disc->Root, name) || !OpenForReading(path))
        return StayShown;
    // Notepad is started by its full path: the system directory's, else the
    // Windows directory's (Windows 9x keeps it there), else PATH's.
    const char* quote = QuoteFor(path);
    FormatText(commandLine, CommandLineSize, README_COMMAND_LINE, quote, path, quote);
    RememberNotepadWindows(watch, name);
    return LaunchWatched(commandLine, watch, window, 0);
}

int CarryOutCommand(WPARAM code, const DiscState* disc, WatchState* watch, HWND window)
{
    char commandLine[CommandLineSize];
    if (code == Run)
        return RunCompanion(window);
    if (code == Cancel)
        return EndLauncher;
    if (disc->Root[0] == '\0')
        return StayShown;
    // Install and Read Me start nothing from a drive that no longer holds
    // the marker: the launcher ends, as when the disc's removal is reported.
    if ((code == Install || code == ReadMe) && !DiscHoldsMarker(disc))
        return EndLauncher;
    switch (code) {
    case Install:
        FormatText(commandLine, CommandLineSize, SETUP_COMMAND, QuoteFor(disc->Root), disc->Root,
                   QuoteFor(disc->Root));
        return LaunchWatched(commandLine, watch, window, 1);
    case Uninstall:
        if (!ReadUninstallCommand(disc, commandLine))
            return ComeBack;
        return LaunchWatched(commandLine, watch, window, 0);
    case ReadMe:
        return ReadMeCommand(disc, watch, window);
    default:
        return StayShown;
    }
}
