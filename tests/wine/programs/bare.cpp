// The start-up baseline: a bare 640 x 480 window like the launcher's, built
// with the same flags, that shows itself and runs a message loop, nothing
// more. Its class brush is white so that the bench can see it painted.
#include <windows.h>

static LRESULT CALLBACK BareProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    WNDCLASSA windowClass = {};
    windowClass.style = CS_BYTEALIGNCLIENT | CS_BYTEALIGNWINDOW;
    windowClass.lpfnWndProc = BareProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(NULL, IDI_APPLICATION);
    windowClass.hCursor = LoadCursorA(NULL, IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    windowClass.lpszClassName = "Bare";
    if (!RegisterClassA(&windowClass))
        return 0;
    int x = GetSystemMetrics(SM_CXSCREEN) / 2 - 320;
    int y = GetSystemMetrics(SM_CYSCREEN) / 2 - 240;
    HWND window = CreateWindowExA(0, "Bare", "Bare window", WS_POPUP | WS_DLGFRAME, x, y, 640, 480, NULL, NULL,
                                  instance, NULL);
    if (window == NULL)
        return 0;
    ShowWindow(window, SW_SHOWDEFAULT);
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return (int)message.wParam;
}
