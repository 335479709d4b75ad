// The bench's probe: reads from inside Wine what X cannot show (a window's
// class, style, rectangles, owner process) and pokes windows the way other
// programs would. Prints one line; exit code 0 when it did what was asked.
#include <windows.h>
#include <dbt.h>
#include <psapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "disc/profile.h"

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
            "probe foreground CLASS TITLE|-\n"
            "probe profile FILE SECTION KEY          (the value in brackets, as Windows reads it)\n"
            "probe reader FILE SECTION KEY           (the same, as the launcher reads autorun.inf)\n"
            "probe count CLASS TITLE|-               (how many top-level windows of that class and title)\n"
            "probe usage CLASS TITLE|-                (GDI and USER objects, private bytes of its process)\n"
            "probe soak CLASS TITLE MOVES X1 X2 Y     (pointer moves between two points, palette messages)\n"
            "probe wait-pixel X Y RRGGBB SECONDS      (prints ready, then seen when the screen shows it)\n"
            "probe hover X Y RRGGBB OFFX OFFY RRGGBB COUNT (milliseconds from pointer move to picture)\n"
            "probe start-idle PROGRAM CLASS TITLE|-   (starts it; ms to its window visible and to input idle)\n"
            "probe volume-gone CLASS TITLE|- LETTERS  (sends the removal of those drives' media)\n"
            "probe start COMMAND-LINE                 (CreateProcess with that command line as it stands)\n"
            "probe load LIBRARY                       (LoadLibrary by that name; prints the file loaded)\n"
            "probe own-path                           (its own program file, as the system names it to it)\n");
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

static int PrintUsage(HWND window)
{
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    if (process == NULL)
        return 1;
    PROCESS_MEMORY_COUNTERS_EX memory = {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(process, (PROCESS_MEMORY_COUNTERS*)&memory, sizeof memory);
    printf("gdi=%lu user=%lu private=%lu working=%lu\n", (unsigned long)GetGuiResources(process, GR_GDIOBJECTS),
           (unsigned long)GetGuiResources(process, GR_USEROBJECTS), (unsigned long)memory.PrivateUsage,
           (unsigned long)memory.WorkingSetSize);
    CloseHandle(process);
    return 0;
}

// Pointer moves sent straight to the window, each followed by an immediate
// repaint, with a palette message every fifth move.
static int Soak(HWND window, int moves, int x1, int x2, int y)
{
    int palettes = 0;
    for (int i = 0; i < moves; ++i) {
        SendMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(i % 2 ? x2 : x1, y));
        RedrawWindow(window, NULL, NULL, RDW_UPDATENOW);
        if (i % 5 == 0) {
            if (palettes % 2)
                SendMessageA(window, WM_QUERYNEWPALETTE, 0, 0);
            else
                SendMessageA(window, WM_PALETTECHANGED, (WPARAM)GetDesktopWindow(), 0);
            ++palettes;
        }
    }
    SendMessageA(window, WM_MOUSEMOVE, 0, 0);
    RedrawWindow(window, NULL, NULL, RDW_UPDATENOW);
    printf("moves=%d palette_messages=%d\n", moves, palettes);
    return 0;
}

static int ScreenShows(HDC screen, int x, int y, COLORREF colour)
{
    return GetPixel(screen, x, y) == colour;
}

static COLORREF ParseColour(const char* text)
{
    unsigned long rgb = strtoul(text, NULL, 16);
    return RGB((rgb >> 16) & 255, (rgb >> 8) & 255, rgb & 255);
}

static double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to, LARGE_INTEGER frequency)
{
    return (double)(to.QuadPart - from.QuadPart) * 1000.0 / (double)frequency.QuadPart;
}

// Moves the pointer onto a point and waits for the screen to show a colour
// there, then off again and back to the first colour; prints every latency.
static int HoverLatency(int x, int y, COLORREF on, int offX, int offY, COLORREF off, int count)
{
    HDC screen = GetDC(NULL);
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    SetCursorPos(offX, offY);
    Sleep(300);
    for (int i = 0; i < count; ++i) {
        for (int phase = 0; phase < 2; ++phase) {
            int px = phase == 0 ? x : offX, py = phase == 0 ? y : offY;
            COLORREF want = phase == 0 ? on : off;
            QueryPerformanceCounter(&start);
            SetCursorPos(px, py);
            for (;;) {
                QueryPerformanceCounter(&now);
                if (ScreenShows(screen, x, y, want))
                    break;
                if (Milliseconds(start, now, frequency) > 5000) {
                    printf("timeout\n");
                    return 1;
                }
            }
            if (phase == 0)
                printf("%.2f\n", Milliseconds(start, now, frequency));
            fflush(stdout);
            Sleep(30);
        }
    }
    ReleaseDC(NULL, screen);
    return 0;
}

// Starts a program with CreateProcessA and times, by the performance counter
// from just before the call, its window of that class becoming visible and
// WaitForInputIdle answering that it waits for input; then closes it.
// Prints both in milliseconds.
static int StartIdle(const char* program, const char* className, const char* title)
{
    char commandLine[MAX_PATH + 3];
    snprintf(commandLine, sizeof commandLine, "\"%s\"", program);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    LARGE_INTEGER frequency, started, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&started);
    if (!CreateProcessA(NULL, commandLine, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process))
        return 1;
    double visible = -1, idle = -1;
    HWND window = NULL;
    DWORD limit = GetTickCount() + 30000;
    while ((visible < 0 || idle < 0) && (LONG)(GetTickCount() - limit) < 0) {
        if (visible < 0 && (window = Find(className, title)) != NULL && IsWindowVisible(window)) {
            QueryPerformanceCounter(&now);
            visible = (double)(now.QuadPart - started.QuadPart) * 1000.0 / (double)frequency.QuadPart;
        }
        if (idle < 0 && WaitForInputIdle(process.hProcess, 0) == 0) {
            QueryPerformanceCounter(&now);
            idle = (double)(now.QuadPart - started.QuadPart) * 1000.0 / (double)frequency.QuadPart;
        }
        Sleep(0);
    }
    printf("%.2f %.2f\n", visible, idle);
    if (window != NULL)
        PostMessageA(window, WM_CLOSE, 0, 0);
    WaitForSingleObject(process.hProcess, 15000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return visible >= 0 && idle >= 0 ? 0 : 1;
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
    if (strcmp(verb, "profile") == 0 && argc == 5) {
        char value[256];
        GetPrivateProfileStringA(argv[3], argv[4], "(default)", value, sizeof value, argv[2]);
        printf("[%s]\n", value);
        return 0;
    }
    if (strcmp(verb, "start-idle") == 0 && argc == 5)
        return StartIdle(argv[2], argv[3], argv[4]);
    if (strcmp(verb, "reader") == 0 && argc == 5) {
        char value[PathSize];
        DWORD size;
        void* memory;
        const BYTE* text = ReadProfileFile(argv[2], &size, &memory);
        int found = FindProfileValue(text, size, argv[3], argv[4], value, PathSize);
        FreeProfileFile(memory);
        printf("[%s]\n", found ? value : "(default)");
        return 0;
    }
    if (strcmp(verb, "count") == 0 && argc == 4) {
        int count = 0;
        HWND window = NULL;
        while ((window = FindWindowExA(NULL, window, argv[2], strcmp(argv[3], "-") == 0 ? NULL : argv[3])) != NULL)
            ++count;
        printf("%d\n", count);
        return 0;
    }
    if (strcmp(verb, "usage") == 0 && argc == 4) {
        HWND window = Find(argv[2], argv[3]);
        return window != NULL ? PrintUsage(window) : 1;
    }
    if (strcmp(verb, "soak") == 0 && argc == 8) {
        HWND window = Find(argv[2], argv[3]);
        return window != NULL ? Soak(window, atoi(argv[4]), atoi(argv[5]), atoi(argv[6]), atoi(argv[7])) : 1;
    }
    if (strcmp(verb, "wait-pixel") == 0 && argc == 6) {
        HDC screen = GetDC(NULL);
        COLORREF want = ParseColour(argv[4]);
        int x = atoi(argv[2]), y = atoi(argv[3]);
        DWORD limit = GetTickCount() + (DWORD)atoi(argv[5]) * 1000;
        printf("ready\n");
        fflush(stdout);
        while (!ScreenShows(screen, x, y, want)) {
            if ((LONG)(GetTickCount() - limit) > 0) {
                printf("timeout\n");
                return 1;
            }
        }
        printf("seen\n");
        fflush(stdout);
        return 0;
    }
    if (strcmp(verb, "hover") == 0 && argc == 9)
        return HoverLatency(atoi(argv[2]), atoi(argv[3]), ParseColour(argv[4]), atoi(argv[5]), atoi(argv[6]),
                            ParseColour(argv[7]), atoi(argv[8]));
    if (strcmp(verb, "window") == 0 && argc == 5)
        return ShowWindowFor(argv[2], argv[3], atoi(argv[4]), NULL);
    if (strcmp(verb, "palette") == 0 && argc == 3)
        return ShowWindowFor("ProbePalette", "Probe palette", atoi(argv[2]), GreyPalette());
    if (strcmp(verb, "volume-gone") == 0 && argc == 5) {
        // What Windows sends every top-level window when a drive's medium
        // has gone, sent (not posted) so that the structure lives until
        // the window has answered.
        HWND window = Find(argv[2], argv[3]);
        if (window == NULL)
            return 1;
        DEV_BROADCAST_VOLUME volume = {};
        volume.dbcv_size = sizeof volume;
        volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
        for (const char* letter = argv[4]; *letter; ++letter)
            volume.dbcv_unitmask |= 1u << ((*letter | 0x20) - 'a');
        SendMessageA(window, WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, (LPARAM)&volume);
        return 0;
    }
    if (strcmp(verb, "start") == 0 && argc == 3) {
        // The command line unquoted as given: the system resolves its
        // program as it would any other program's command line.
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        if (!CreateProcessA(NULL, argv[2], NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process))
            return 1;
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return 0;
    }
    if ((strcmp(verb, "load") == 0 && argc == 3) || (strcmp(verb, "own-path") == 0 && argc == 2)) {
        HMODULE module = argc == 3 ? LoadLibraryA(argv[2]) : GetModuleHandleA(NULL);
        char path[MAX_PATH];
        if (module == NULL || !GetModuleFileNameA(module, path, MAX_PATH))
            return 1;
        printf("%s\n", path);
        return 0;
    }
    if (strcmp(verb, "foreground") == 0 && argc == 4) {
        HWND window = Find(argv[2], argv[3]);
        return window != NULL && SetForegroundWindow(window) ? 0 : 1;
    }
    return Usage();
}
