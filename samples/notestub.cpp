// A stand-in for Windows 11's notepad.exe, for the bench: put in the system
// folders in place of Notepad, it does what that program does with a file,
// handing it to another process that the caller did not start, and ends at
// once. That process (this program again, with "/show") shows the file in
// a window of Notepad's class, "Notepad", titled "NAME - Notepad", until it
// is closed.
//
// Started with "/empty" it shows an empty window, "Untitled - Notepad", as
// a Notepad the user opened before would. Windows 11's Notepad opens a
// file in a new tab of such a window: given a file while one is open, this
// program hands the file to that window (WM_COPYDATA) and ends; the window
// then shows it and is titled after it. Closing the window while it shows
// a file closes that tab only: the window is "Untitled - Notepad" again.
//
// The other process is made a child of the shell's process (Explorer's;
// Vista's PROC_THREAD_ATTRIBUTE_PARENT_PROCESS), as the packaged Notepad is
// started by the system and not by whoever ran notepad.exe. Where that
// cannot be done, nothing is shown and the exit code is 1.
#include <stdio.h>
#include <string.h>

#include "sample.h"

static const char* const Untitled = "Untitled - Notepad";
static bool Tabbed;  // opened empty, as the user's own window: files open in tabs

// The file in the window's text box, the window titled after it.
static void ShowFile(HWND window, const char* path)
{
    static char text[16384];
    text[0] = '\0';
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    DWORD read = 0;
    if (file != INVALID_HANDLE_VALUE) {
        ReadFile(file, text, sizeof text - 1, &read, NULL);
        CloseHandle(file);
    }
    text[read] = '\0';
    const char* name = strrchr(path, '\\');
    char title[MAX_PATH + 16];
    snprintf(title, sizeof title, "%s - Notepad", name != NULL ? name + 1 : path);
    SetWindowTextA(GetWindow(window, GW_CHILD), text);
    SetWindowTextA(window, title);
}

static LRESULT CALLBACK NotepadProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SIZE: {
        HWND text = GetWindow(window, GW_CHILD);
        if (text != NULL)
            MoveWindow(text, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        return 0;
    }
    case WM_COPYDATA: {
        const COPYDATASTRUCT* data = (const COPYDATASTRUCT*)lParam;
        char path[MAX_PATH];
        snprintf(path, sizeof path, "%.*s", (int)data->cbData, (const char*)data->lpData);
        ShowFile(window, path);
        return TRUE;
    }
    case WM_CLOSE: {
        char title[MAX_PATH + 16];
        GetWindowTextA(window, title, sizeof title);
        if (Tabbed && strcmp(title, Untitled) != 0) {  // the file's tab closes
            SetWindowTextA(GetWindow(window, GW_CHILD), "");
            SetWindowTextA(window, Untitled);
            return 0;
        }
        break;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// Shows the file (none: an empty window) until the window is closed.
static int Show(HINSTANCE instance, const char* path)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = NotepadProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(NULL, IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    windowClass.lpszClassName = "Notepad";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, "Notepad", Untitled, WS_OVERLAPPEDWINDOW, 60, 60, 480, 320, NULL, NULL,
                                  instance, NULL);
    if (window == NULL)
        return 1;
    CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY, 0, 0, 0, 0,
                    window, NULL, instance, NULL);
    if (path != NULL)
        ShowFile(window, path);
    ShowWindow(window, SW_SHOWNORMAL);
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}

// Hands the file to a Notepad window already open, as a new tab.
static int OpenInTab(HWND open, const char* path)
{
    COPYDATASTRUCT data = { 0, (DWORD)strlen(path), (void*)path };
    return SendMessageA(open, WM_COPYDATA, 0, (LPARAM)&data) ? 0 : 1;
}

// Starts this program with "/show PATH" as a child of the shell's process.
static int HandOver(const char* path)
{
    HWND shell = GetShellWindow();
    if (shell == NULL)
        shell = GetDesktopWindow();
    DWORD shellId = 0;
    GetWindowThreadProcessId(shell, &shellId);
    HANDLE parent = OpenProcess(PROCESS_CREATE_PROCESS, FALSE, shellId);
    if (parent == NULL)
        return 1;
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(NULL, 1, 0, &size);
    static char listSpace[256];
    LPPROC_THREAD_ATTRIBUTE_LIST list = (LPPROC_THREAD_ATTRIBUTE_LIST)listSpace;
    if (size > sizeof listSpace || !InitializeProcThreadAttributeList(list, 1, 0, &size) ||
        !UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_PARENT_PROCESS, &parent, sizeof parent, NULL,
                                   NULL))
        return 1;
    char self[MAX_PATH], commandLine[2 * MAX_PATH + 32];
    GetModuleFileNameA(NULL, self, MAX_PATH);
    snprintf(commandLine, sizeof commandLine, "\"%s\" /show %s", self, path);
    STARTUPINFOEXA startup = {};
    startup.StartupInfo.cb = sizeof startup;
    startup.lpAttributeList = list;
    PROCESS_INFORMATION process = {};
    BOOL started = CreateProcessA(NULL, commandLine, NULL, NULL, FALSE, EXTENDED_STARTUPINFO_PRESENT, NULL, NULL,
                                  &startup.StartupInfo, &process);
    DeleteProcThreadAttributeList(list);
    CloseHandle(parent);
    if (!started)
        return 1;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 0;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR arguments, int)
{
    while (*arguments == ' ')
        ++arguments;
    if (strncmp(arguments, "/show ", 6) == 0)
        return Show(instance, arguments + 6);
    if (strcmp(arguments, "/empty") == 0) {
        Tabbed = true;
        return Show(instance, NULL);
    }
    HWND open = FindWindowA("Notepad", NULL);
    if (open != NULL)
        return OpenInTab(open, arguments);
    return HandOver(arguments);
}
