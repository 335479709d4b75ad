#include "sample.h"

#include <stdio.h>
#include <string.h>

void ProgramFolder(char* folder, DWORD size)
{
    DWORD length = GetModuleFileNameA(NULL, folder, size);
    while (length > 0 && folder[length - 1] != '\\')
        --length;
    folder[length] = '\0';
}

void InstallFolder(char* folder, DWORD size)
{
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    snprintf(folder, size, "%c:\\Orvik\\", windows[0]);
}

void SettingsFile(char* path, DWORD size)
{
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    snprintf(path, size, "%s\\orvik.ini", windows);
}

int RunProgressWindow(ProgressWindow* progress, const char* className, const char* title, const char* heading,
                      const char* status, WNDPROC proc)
{
    snprintf(progress->status, sizeof progress->status, "%s", status);
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = proc;
    windowClass.hInstance = GetModuleHandleA(NULL);
    windowClass.hCursor = LoadCursorA(NULL, IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = className;
    RegisterClassA(&windowClass);
    progress->heading = heading;
    int width = 420, height = 150;
    int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    progress->window = CreateWindowExA(0, className, title, WS_POPUP | WS_CAPTION | WS_VISIBLE, x, y, width,
                                       height, NULL, NULL, windowClass.hInstance, NULL);
    if (progress->window == NULL)
        return 1;
    SetTimer(progress->window, 1, 100, NULL);
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}

static void PaintProgressWindow(const ProgressWindow* progress)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(progress->window, &paint);
    RECT client;
    GetClientRect(progress->window, &client);
    SetBkMode(dc, TRANSPARENT);
    RECT text = { 16, 12, client.right - 16, 32 };
    DrawTextA(dc, progress->heading, -1, &text, DT_LEFT | DT_SINGLELINE);
    text.top = 34;
    text.bottom = 54;
    DrawTextA(dc, progress->status, -1, &text, DT_LEFT | DT_SINGLELINE);
    RECT bar = { 16, 64, client.right - 16, 84 };
    FrameRect(dc, &bar, (HBRUSH)GetStockObject(BLACK_BRUSH));
    RECT done = { bar.left + 2, bar.top + 2, bar.left + 2 + (bar.right - bar.left - 4) * progress->percent / 100,
                  bar.bottom - 2 };
    HBRUSH fill = CreateSolidBrush(RGB(0, 84, 166));
    FillRect(dc, &done, fill);
    DeleteObject(fill);
    EndPaint(progress->window, &paint);
}

LRESULT ProgressWindowDefault(const ProgressWindow* progress, HWND window, UINT message, WPARAM wParam,
                              LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        PaintProgressWindow(progress);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int StartAndLeave(char* commandLine, const char* folder)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(NULL, commandLine, NULL, NULL, FALSE, 0, NULL, folder, &startup, &process))
        return 1;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 0;
}
