// The bench's probe: reads from inside Wine what X cannot show (a window's
// class, style, rectangles, owner process) and pokes windows the way other
// programs would. Prints one line; exit code 0 when it did what was asked.
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static HWND Find(const char* className, const char* title)
{
    return FindWindowA(className, strcmp(title, "-") == 0 ? NULL : title);
}

static int Usage()
{
    fprintf(stderr,
            "probe find CLASS TITLE|-\n"
            "probe path CLASS TITLE|-                (program file of the window's process)\n"
            "probe wait CLASS TITLE|- SECONDS        (until it exists)\n"
            "probe wait-gone CLASS TITLE|- SECONDS   (until it is gone)\n"
            "probe post CLASS TITLE|- MESSAGE WPARAM LPARAM\n"
            "probe window CLASS TITLE SECONDS        (shows a window of that class)\n"
            "probe palette SECONDS                   (realizes a grey palette in the foreground)\n"
            "probe foreground CLASS TITLE|-\n");
    return 2;
}

static LRESULT CALLBACK PlainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// Keeps a window of the given class and title for some seconds.
static int ShowWindowFor(const char* className, const char* title, int seconds, HPALETTE palette)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = PlainProc;
    windowClass.hInstance = GetModuleHandleA(NULL);
    windowClass.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    windowClass.lpszClassName = className;
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, className, title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200, 120,
                                  NULL, NULL, windowClass.hInstance, NULL);
    if (window == NULL)
        return 1;
    SetForegroundWindow(window);
    if (palette != NULL) {
        HDC dc = GetDC(window);
        SelectPalette(dc, palette, FALSE);
        UINT changed = RealizePalette(dc);
        ReleaseDC(window, dc);
        // Tell every top-level window that the system palette changed.
        SendMessageA(HWND_BROADCAST, WM_PALETTECHANGED, (WPARAM)window, 0);
        printf("realized %u\n", changed);
        fflush(stdout);
    }
    SetTimer(window, 1, (UINT)seconds * 1000, NULL);
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        if (message.message == WM_TIMER) {
            DestroyWindow(window);
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}

static HPALETTE GreyPalette()
{
    static struct {
        WORD version, count;
        PALETTEENTRY entries[236];
    } record;
    record.version = 0x300;
    record.count = 236;
    for (int i = 0; i < 236; ++i) {
        BYTE v = (BYTE)(i * 255 / 235);
        record.entries[i].peRed = v;
        record.entries[i].peGreen = (BYTE)(255 - v);
        record.entries[i].peBlue = v;
        record.entries[i].peFlags = PC_NOCOLLAPSE;
    }
    return CreatePalette((LOGPALETTE*)&record);
}

int main(int argc, char** argv)
{
    if (argc < 2)
        return Usage();
    const char* verb = argv[1];
    if (strcmp(verb, "find") == 0 && argc == 4) {
        HWND window = Find(argv[2], argv[3]);
        if (window == NULL) {
            printf("none\n");
            return 1;
        }
        RECT outer, client;
        GetWindowRect(window, &outer);
        GetClientRect(window, &client);
        POINT origin = { 0, 0 };
        ClientToScreen(window, &origin);
        DWORD processId = 0;
        GetWindowThreadProcessId(window, &processId);
        char className[256];
        char title[256];
        GetClassNameA(window, className, sizeof className);
        GetWindowTextA(window, title, sizeof title);
        printf("class=%s style=0x%08lx exstyle=0x%08lx outer=%ld,%ld,%ld,%ld client=%ld,%ld origin=%ld,%ld "
               "visible=%d pid=%lu title=%s\n",
               className, (unsigned long)GetWindowLongA(window, GWL_STYLE),
               (unsigned long)GetWindowLongA(window, GWL_EXSTYLE), outer.left, outer.top, outer.right, outer.bottom,
               client.right, client.bottom, origin.x, origin.y, IsWindowVisible(window) ? 1 : 0,
               (unsigned long)processId, title);
        return 0;
    }
    if (strcmp(verb, "path") == 0 && argc == 4) {
        HWND window = Find(argv[2], argv[3]);
        DWORD processId = 0;
        if (window == NULL || !GetWindowThreadProcessId(window, &processId))
            return 1;
        HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
        char path[MAX_PATH];
        DWORD size = MAX_PATH;
        int ok = process != NULL && QueryFullProcessImageNameA(process, 0, path, &size);
        if (process != NULL)
            CloseHandle(process);
        if (!ok)
            return 1;
        printf("%s\n", path);
        return 0;
    }
    if ((strcmp(verb, "wait") == 0 || strcmp(verb, "wait-gone") == 0) && argc == 5) {
        int wantGone = strcmp(verb, "wait-gone") == 0;
        DWORD limit = GetTickCount() + (DWORD)atoi(argv[4]) * 1000;
        for (;;) {
            int present = Find(argv[2], argv[3]) != NULL;
            if (present != wantGone)
                return 0;
            if ((LONG)(GetTickCount() - limit) > 0)
                return 1;
            Sleep(50);
        }
    }
    if (strcmp(verb, "post") == 0 && argc == 7) {
        HWND window = Find(argv[2], argv[3]);
        if (window == NULL)
            return 1;
        return PostMessageA(window, (UINT)strtoul(argv[4], NULL, 0), (WPARAM)strtoul(argv[5], NULL, 0),
                            (LPARAM)strtol(argv[6], NULL, 0))
                   ? 0
                   : 1;
    }
    if (strcmp(verb, "window") == 0 && argc == 5)
        return ShowWindowFor(argv[2], argv[3], atoi(argv[4]), NULL);
    if (strcmp(verb, "palette") == 0 && argc == 3)
        return ShowWindowFor("ProbePalette", "Probe palette", atoi(argv[2]), GreyPalette());
    if (strcmp(verb, "foreground") == 0 && argc == 4) {
        HWND window = Find(argv[2], argv[3]);
        return window != NULL && SetForegroundWindow(window) ? 0 : 1;
    }
    return Usage();
}
