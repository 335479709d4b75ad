// The window: start-up, the message loop and dispatch, and every change of
// the window (hiding, coming back, ending, telling screen readers), acting
// on what the parts answer.
#include "app/launcher.h"
#include "launch/commands.h"
#include "launch/outside.h"
#include "ui/language.h"
#include "ui/paint.h"
#include "ui/palette.h"

static const int WindowWidth = WINDOW_WIDTH;
static const int WindowHeight = WINDOW_HEIGHT;

static int RegisterLauncherClass(HINSTANCE instance)
{
    WNDCLASSA windowClass;
    windowClass.style = CS_BYTEALIGNCLIENT | CS_BYTEALIGNWINDOW;
    windowClass.lpfnWndProc = LauncherWindowProc;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(NULL, IDI_APPLICATION);
    windowClass.hCursor = LoadCursorA(NULL, IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH);
    windowClass.lpszMenuName = NULL;
    windowClass.lpszClassName = LAUNCHER_CLASS;
    return RegisterClassA(&windowClass) != 0;
}

int RunLauncher(HINSTANCE instance)
{
    // Two launchers started a moment apart (AutoPlay and a double-click on
    // the drive) would both pass the window checks below before either has
    // made its window. Creating a named mutex is one atomic step: the second
    // creator is told the mutex exists, and leaves. It is held for the whole
    // run; the system lets go of it when the process ends. A mutex that
    // cannot be made (the name taken by another kind of object) leaves the
    // window checks to decide.
    SetLastError(0);
    Launcher.RunningMutex = CreateMutexA(NULL, FALSE, LAUNCHER_MUTEX);
    if (Launcher.RunningMutex != NULL && GetLastError() == ERROR_ALREADY_EXISTS)
        return 0;

    // A launcher already up (even hidden, it keeps its window), or the
    // companion application running: leave at once, bringing nothing forward.
    if (FindWindowA(LAUNCHER_CLASS, LAUNCHER_TITLE) != NULL)
        return 0;
    if (FindWindowA(COMPANION_CLASS, COMPANION_TITLE) != NULL)
        return 0;

    Launcher.ScreenCentre.x = GetSystemMetrics(SM_CXSCREEN) / 2;
    Launcher.ScreenCentre.y = GetSystemMetrics(SM_CYSCREEN) / 2;
    StartupSpanMark();

    // The window does not exist yet, so the palette is realized on the
    // screen's device context.
    Launcher.AppPalette = LoadAppPalette(instance, Launcher.MainWindow);
    StartupSpanMark();

    if (!FindDisc(&Launcher.Disc))
        return 0;
    StartupSpanMark();

    if (!RegisterLauncherClass(instance))
        return 0;
    Launcher.MainWindow = CreateWindowExA(0, LAUNCHER_CLASS, LAUNCHER_TITLE,
                                          WS_POPUP | WS_DLGFRAME,
                                          Launcher.ScreenCentre.x - WindowWidth / 2,
                                          Launcher.ScreenCentre.y - WindowHeight / 2,
                                          WindowWidth, WindowHeight,
                                          NULL, NULL, instance, NULL);
    if (Launcher.MainWindow == NULL)
        return 0;
    LANGID language = PickLanguage(instance, UserLanguage());
    ConnectReaders(&Launcher.Readers, Launcher.MainWindow, instance, language, &Launcher.Panel);
    StartupSpanMark();
    // SW_SHOWDEFAULT applies whatever show state our starter asked for. No
    // UpdateWindow: the first WM_PAINT comes through the loop, after the
    // configuration and the pictures below are in place.
    ShowWindow(Launcher.MainWindow, SW_SHOWDEFAULT);
    StartupSpanMark();

    LoadDiscConfig(&Launcher.Disc);
    ChooseLanguageFiles(&Launcher.Disc, instance, language);
    Launcher.Panel.Installed = Launcher.Disc.AppInstalled;
    StartupSpanMark();
    Launcher.BackgroundImage = LoadBackgroundImage(Launcher.Disc.Config.BackgroundPath);
    StartupSpanMark();
    LoadButtonImages(&Launcher.Panel, instance, language);
    StartupSpanMark();

    // GetMessageA answers -1 when it fails: that ends the run with 0, not
    // with whatever the last message carried.
    MSG message = {};
    BOOL got;
    while ((got = GetMessageA(&message, NULL, 0, 0)) != 0) {
        if (got == -1)
            return 0;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return (int)message.wParam;
}

// The window is not hidden with ShowWindow: it stays an existing, visible
// top-level window of zero size, so a second launcher still finds it.
void HideMainWindow()
{
    MoveWindow(Launcher.MainWindow, -1, -1, 0, 0, TRUE);
    Launcher.Panel.Hidden = 1;
    AnnounceToReaders(Launcher.MainWindow, EVENT_OBJECT_REORDER, CHILDID_SELF);
}

// Back to the centre at full size; the repaint flag repaints it whole. A
// window minimised while hidden (its taskbar button stays) is restored
// first, or the move would only place its icon. MoveWindow neither raises
// nor activates: the window is raised and asks for the foreground, which
// also brings WM_QUERYNEWPALETTE; where the system refuses (Windows 98 and
// later, while the user works in another program) the taskbar button
// flashes instead.
void RestoreMainWindow()
{
    HWND window = Launcher.MainWindow;
    if (IsIconic(window))
        ShowWindow(window, SW_RESTORE);
    MoveWindow(window,
               Launcher.ScreenCentre.x - WindowWidth / 2,
               Launcher.ScreenCentre.y - WindowHeight / 2,
               WindowWidth, WindowHeight, TRUE);
    Launcher.Panel.Hidden = 0;
    // Readers were told of no buttons while hidden; the layout may differ.
    AnnounceToReaders(window, EVENT_OBJECT_REORDER, CHILDID_SELF);
    BringWindowToTop(window);
    if (!SetForegroundWindow(window))
        FlashWindow(window, TRUE);
}

// The wait for a started program is over, or nothing started: the window
// comes back with the layout of the installation state now, and a pointer
// move to (0, 0), outside every button, returns every button to Normal. A
// disc taken out meanwhile (another may be in the drive now) ends the
// launcher instead.
static void ComeBackAfterChild(HWND window)
{
    StopWatching(&Launcher.Watch);
    if (!DiscHoldsMarker(&Launcher.Disc)) {
        DestroyWindow(window);
        return;
    }
    RefreshInstalledState(&Launcher.Disc);
    Launcher.Panel.Installed = Launcher.Disc.AppInstalled;
    RestoreMainWindow();
    PostMessageA(window, WM_MOUSEMOVE, 0, 0);
}

// Windows (95 too) tells every top-level window when a drive's medium has
// gone, a CD-ROM drive's disc or a stick pulled out alike:
// DBT_DEVICEREMOVECOMPLETE, with a header whose size and type say whether
// a volume's unit mask (bit 0 for A:) follows it. When that holds the
// disc's drive, a shown launcher ends as after Cancel: its buttons would
// start whatever the next disc there holds. A hidden one goes on
// waiting and looks for the marker when the wait ends.
static void HandleDeviceChange(HWND window, WPARAM event, LPARAM data)
{
    const DEV_BROADCAST_HDR* header = (const DEV_BROADCAST_HDR*)data;
    if (event != DBT_DEVICEREMOVECOMPLETE || header == NULL || Launcher.Panel.Hidden ||
        header->dbch_size < sizeof(DEV_BROADCAST_HDR) + sizeof(DWORD) || header->dbch_devicetype != DBT_DEVTYP_VOLUME)
        return;
    // A share's root (\\server\share\folder) names no drive: its first
    // character, a backslash, is past every letter.
    DWORD drive = (DWORD)((Launcher.Disc.Root[0] | 0x20) - 'a');
    if (drive < 26 && (((const DEV_BROADCAST_VOLUME*)data)->dbcv_unitmask >> drive & 1) != 0)
        DestroyWindow(window);
}

// The command a button posted, and what the window does then. The pressed
// button is Normal again by the time the window comes back.
static void CarryOut(HWND window, WPARAM code)
{
    int outcome = CarryOutCommand(code, &Launcher.Disc, &Launcher.Watch, window);
    if (outcome == HideWhileRunning || outcome == ComeBack) {
        Launcher.Panel.ButtonStates[code] = Normal;
        HideMainWindow();
    }
    if (outcome == ComeBack)
        ComeBackAfterChild(window);
    else if (outcome == EndLauncher)
        DestroyWindow(window);
    else if (outcome == LeaveAfterRun)
        PostMessageA(window, WM_DESTROY, 0, 0);
}

LRESULT CALLBACK LauncherWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        return 0;
    case WM_DESTROY:
        ReleaseReaders(&Launcher.Readers);
        StopWatching(&Launcher.Watch);
        if (Launcher.AppPalette != NULL) {
            DeleteObject(Launcher.AppPalette);
            Launcher.AppPalette = NULL;
        }
        PostQuitMessage(0);
        return 0;
    case WM_PAINT:
        return HandlePaint(window, Launcher.AppPalette, Launcher.BackgroundImage, &Launcher.Panel);
    case WM_TIMER:
        if (WatchTick(&Launcher.Watch, window, wParam))
            ComeBackAfterChild(window);
        return 0;
    case WM_MOUSEMOVE:
        TrackPointer(&Launcher.Panel, window, lParam);
        return 0;
    case WM_LBUTTONDOWN:
        PressAt(&Launcher.Panel, window, lParam);
        return 0;
    case WM_KEYDOWN: {
        // Screen readers hear the newly lit button as the one with the
        // focus: the key came to this window, which has it.
        LONG lit = HandleKey(&Launcher.Panel, window, wParam, lParam);
        if (lit != 0)
            AnnounceToReaders(window, EVENT_OBJECT_FOCUS, lit);
        return 0;
    }
    case WM_DEVICECHANGE:
        HandleDeviceChange(window, wParam, lParam);
        return DefWindowProcA(window, message, wParam, lParam);
    case WM_QUERYNEWPALETTE:
    case WM_PALETTECHANGED:
        return HandlePaletteMessage(Launcher.AppPalette, window, message, wParam);
    case WM_USER:
        CarryOut(window, wParam);
        return 0;
    case WM_GETOBJECT:
        return HandleGetObject(&Launcher.Readers, wParam, lParam);
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}
