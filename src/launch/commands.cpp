// The five commands posted by the button panel, and starting programs.
#include "app/launcher.h"
#include "launch/outside.h"

typedef DWORD(WINAPI* GetProcessIdFunction)(HANDLE process);
typedef BOOL(WINAPI* ShellExecuteExFunction)(SHELLEXECUTEINFOA* info);

// GetProcessId is looked up at run time, so that the launcher still loads on
// systems whose kernel32 lacks it.
static DWORD ProcessIdOf(HANDLE process)
{
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    FARPROC found = kernel != NULL ? GetProcAddress(kernel, "GetProcessId") : NULL;
    if (found == NULL)
        return 0;
    GetProcessIdFunction getProcessId = (GetProcessIdFunction)(void*)found;
    return getProcessId(process);
}

// shell32 is loaded only when a program needs elevation: it is a large
// library, and the launcher's start-up does without it. It stays loaded.
static ShellExecuteExFunction FindShellExecuteEx()
{
    HMODULE shell = LoadLibraryA("shell32.dll");
    FARPROC found = shell != NULL ? GetProcAddress(shell, "ShellExecuteExA") : NULL;
    return found != NULL ? (ShellExecuteExFunction)(void*)found : NULL;
}

// Programs that need elevation (setup programs and uninstallers) are refused
// by CreateProcess on Vista and later with ERROR_ELEVATION_REQUIRED; the shell
// starts them after asking the user for consent. Returns the new process's
// id, or 0 when nothing started (declined, failed, or no id to watch by).
static DWORD StartThroughShell(const char* commandLine, HWND window)
{
    char program[CommandLineSize];
    char arguments[CommandLineSize];
    ShellExecuteExFunction shellExecuteEx = FindShellExecuteEx();
    if (shellExecuteEx == NULL || !SplitCommandLine(commandLine, program, arguments) || program[0] == '\0')
        return 0;
    SHELLEXECUTEINFOA execute = {};
    execute.cbSize = sizeof execute;
    execute.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    execute.hwnd = window;
    execute.lpVerb = "open";
    execute.lpFile = program;
    execute.lpParameters = arguments[0] != '\0' ? arguments : NULL;
    execute.nShow = SW_SHOWDEFAULT;
    if (!shellExecuteEx(&execute) || execute.hProcess == NULL)
        return 0;
    DWORD processId = ProcessIdOf(execute.hProcess);
    CloseHandle(execute.hProcess);
    return processId;
}

// Starts a program from its command line; with watch set, also starts the
// timer that watches for its end. Returns 1 when the program started.
int LaunchChild(const char* commandLine, HWND window, int watch)
{
    char writable[CommandLineSize];  // CreateProcessA may write into the command line
    if (!FormatText(writable, CommandLineSize, "%s", commandLine))
        return 0;

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWDEFAULT;
    PROCESS_INFORMATION process = {};
    DWORD processId = 0;
    if (CreateProcessA(NULL, writable, NULL, NULL, FALSE, NORMAL_PRIORITY_CLASS, NULL, NULL, &startup, &process)) {
        processId = process.dwProcessId;
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    } else if (GetLastError() == ERROR_ELEVATION_REQUIRED) {
        processId = StartThroughShell(commandLine, window);
    }
    if (processId == 0)
        return 0;

    Launcher.ChildProcessId = processId;
    if (watch)
        Launcher.ChildExitTimer = SetTimer(window, ChildExitTimerId, WatchPeriod, NULL);
    return 1;
}

// Reads the uninstall command the companion's setup recorded. Returns 1 with
// a terminated command line; a missing key or value, or one that does not fit
// the buffer with its terminating zero, gives 0.
static int ReadUninstallCommand(char* commandLine)
{
    if (Launcher.UninstallKey[0] == '\0')
        return 0;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, Launcher.UninstallKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return 0;
    char value[CommandLineSize];
    DWORD size = CommandLineSize;
    int read = RegQueryValueExA(key, UNINSTALL_VALUE, NULL, NULL, (BYTE*)value, &size) == ERROR_SUCCESS;
    RegCloseKey(key);
    if (!read || size > (DWORD)CommandLineSize)
        return 0;
    // A string value need not be stored with its terminating zero.
    if (size == 0 || value[size - 1] != '\0') {
        if (size == (DWORD)CommandLineSize)
            return 0;
        value[size] = '\0';
    }
    return FormatText(commandLine, CommandLineSize, "%s", value);
}

// The commands that hide the launcher bring it back at once when nothing
// started: a hidden launcher cannot be reached, and its window would keep
// every new launcher from starting.
static void LaunchWatched(const char* commandLine, HWND window)
{
    if (!LaunchChild(commandLine, window, 1))
        RestoreAfterChild(window);
}

static void InstallCommand(HWND window)
{
    char commandLine[CommandLineSize];
    HideMainWindow();
    Launcher.ButtonStates[Install] = Normal;
    FormatText(commandLine, CommandLineSize, SETUP_COMMAND, Launcher.DiscDrive);
    Launcher.InstallLaunched = 1;
    Launcher.InstallerSeen = 0;
    Launcher.InstallerWaitTicks = 0;
    LaunchWatched(commandLine, window);
}

static void UninstallCommand(HWND window)
{
    char commandLine[CommandLineSize];
    HideMainWindow();
    Launcher.ButtonStates[Uninstall] = Normal;
    if (ReadUninstallCommand(commandLine))
        LaunchWatched(commandLine, window);
    else
        RestoreAfterChild(window);
}

// Starts the companion from the folder its settings file records (used as
// stored: it ends with a backslash), then ends the launcher.
static void RunCommand(HWND window)
{
    char windowsDirectory[PathSize];
    char settingsPath[PathSize];
    char folder[PathSize];
    char commandLine[CommandLineSize];
    UINT length = GetWindowsDirectoryA(windowsDirectory, PathSize);
    if (length == 0 || length >= (UINT)PathSize)
        return;
    if (!FormatText(settingsPath, PathSize, "%s%s", windowsDirectory, COMPANION_SETTINGS_FILE))
        return;
    GetPrivateProfileStringA(COMPANION_SETTINGS_SECTION, COMPANION_SETTINGS_KEY, "", folder, PathSize, settingsPath);
    FormatText(commandLine, CommandLineSize, COMPANION_COMMAND, folder);
    LaunchChild(commandLine, window, 0);
    PostMessageA(window, WM_DESTROY, 0, 0);
}

static void ReadMeCommand(HWND window)
{
    char path[PathSize];
    char commandLine[CommandLineSize];
    FormatText(path, PathSize, README_PATH, Launcher.DiscDrive);
    if (!OpenForReading(path))
        return;
    HideMainWindow();
    FormatText(commandLine, CommandLineSize, README_COMMAND, Launcher.DiscDrive);
    Launcher.ButtonStates[ReadMe] = Normal;
    LaunchWatched(commandLine, window);
}

LRESULT HandleCommand(HWND window, WPARAM code)
{
    switch (code) {
    case Install:
        if (Launcher.DiscDrive != 0)
            InstallCommand(window);
        break;
    case Uninstall:
        if (Launcher.DiscDrive != 0)
            UninstallCommand(window);
        break;
    case Run:
        RunCommand(window);
        break;
    case ReadMe:
        if (Launcher.DiscDrive != 0)
            ReadMeCommand(window);
        break;
    case Cancel:
        DestroyWindow(window);
        break;
    default:
        break;
    }
    return 0;
}
