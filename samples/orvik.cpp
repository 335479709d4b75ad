// The sample companion application: one window of class "OrvikControl"
// titled "Orvik", which says where it runs from.
#include <stdio.h>

#include "sample.h"

static char Location[MAX_PATH + 32];

static LRESULT CALLBACK CompanionProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        RECT client;
        GetClientRect(window, &client);
        SetBkMode(dc, TRANSPARENT);
        InflateRect(&client, -16, -16);
        DrawTextA(dc, "Orvik is running.", -1, &client, DT_LEFT | DT_SINGLELINE);
        client.top += 24;
        DrawTextA(dc, Location, -1, &client, DT_LEFT | DT_SINGLELINE | DT_PATH_ELLIPSIS);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show)
{
    char path[MAX_PATH];
    GetModuleFileNameA(NULL, path, MAX_PATH);
    snprintf(Location, sizeof Location, "From %s", path);
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = CompanionProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(NULL, IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    windowClass.lpszClassName = SAMPLE_COMPANION_CLASS;
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, SAMPLE_COMPANION_CLASS, SAMPLE_COMPANION_TITLE, WS_OVERLAPPEDWINDOW, 80, 80,
                                  420, 160, NULL, NULL, instance, NULL);
    if (window == NULL)
        return 1;
    ShowWindow(window, show);
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
