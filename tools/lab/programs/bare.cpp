// The start-up baselines: a bare 640 x 480 window like the launcher's that
// shows itself and runs a message loop, nothing more. Its class brush is
// white so that the bench can see it painted. Built twice: with the C
// runtime (bare.exe), and like the launcher without it, entered directly by
// the system (bare_nocrt.exe, with BARE_OWN_ENTRY).
#include <windows.h>

#ifdef STARTUP_SPAN
void StartupSpanBegin();
void StartupSpanEnd();
#else
static inline void StartupSpanBegin() {}
static inline void StartupSpanEnd() {}
#endif

static LRESULT CALLBACK BareProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // Painted by its own BeginPaint and EndPaint, as the launcher is, so that
    // the bench can time both to the end of their first paint.
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        EndPaint(window, &paint);
        StartupSpanEnd();
        return 0;
    }
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

#ifdef BARE_OWN_ENTRY
extern "C" __attribute__((force_align_arg_pointer)) void WINAPI BareEntry()
{
    StartupSpanBegin();
    ExitProcess((UINT)WinMain(GetModuleHandleA(NULL), NULL, NULL, SW_SHOWDEFAULT));
}
#endif

#if defined(STARTUP_SPAN) && !defined(BARE_OWN_ENTRY)
// The timed copy with the C runtime starts its clock before the runtime's
// own start-up, which then calls WinMain as usual.
extern "C" int WinMainCRTStartup();
extern "C" void SpanCrtEntry()
{
    StartupSpanBegin();
    WinMainCRTStartup();
}
#endif
