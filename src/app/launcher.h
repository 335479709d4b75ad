// The launcher's one program-wide state record and the functions each part
// of the launcher offers the others. Everything runs on the window's thread.
#ifndef AUTORUN_LAUNCHER_H
#define AUTORUN_LAUNCHER_H

#include "platform.h"

// Command codes, carried as the wParam of WM_USER. Each button has its own
// code, so the code also names the button (and indexes its state and images).
enum CommandCode { Install = 1, Uninstall = 2, Run = 3, ReadMe = 4, Cancel = 5 };
const int CommandCodeLimit = 6;

// Button states; also the index of the picture shown.
enum ButtonState { Normal = 0, Pressed = 1, Highlighted = 2 };

// The two watch timers of the launcher window, both ticking once a second.
const UINT_PTR ChildExitTimerId = 100;
const UINT_PTR InstallerTimerId = 101;
const UINT WatchPeriod = 1000;

const int PathSize = 256;         // paths, registry key paths, profile values
const int CommandLineSize = 512;  // command lines, the uninstall command
// The started program's family: how many of its programs are followed at
// once, how many processes the snapshot taken at its start can hold, and how
// many Notepad windows Read Me remembers as open before it started Notepad.
const int FamilyLimit = 16;
const int KnownProcessLimit = 2048;
const int NotepadWindowLimit = 8;
// The error mode under which files are looked for and libraries loaded.
// Windows 9x and NT put up their own "There is no disk in the drive" box,
// and wait for an answer, when a file is looked for on an empty removable
// drive (and the loader its own when a library it finds cannot load). Each
// caller sets this mode and puts the caller's back at once, so that the
// programs the launcher starts inherit it unchanged.
const UINT QuietErrorMode = SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX;
// How much of autorun.inf is read (a launcher's takes a few hundred bytes).
const DWORD ProfileTextLimit = 65536;
// The section of autorun.inf that holds the launcher's own keys.
#define AUTORUN_SECTION "install"

struct ScreenPoint {
    int x;
    int y;
};

// A program of the started program's family, held open while it is
// followed: its id cannot go to another program while the handle is held.
struct FamilyMember {
    HANDLE Process;
    DWORD Id;
    int Ticks;    // ticks since it was found
    int Shown;    // it showed a visible top-level window on the last look
    HWND Window;  // the one it showed then
};

// A process and its parent, as a snapshot of the system's processes gives them.
struct ProcessPair {
    DWORD Id;
    DWORD Parent;
};

// What the window's accessible object needs from oleacc, ole32 and oleaut32,
// found there on the first WM_GETOBJECT; indexes of AccessFunctions.
enum AccessFunction {
    ResultFromObjectAt,
    ObjectFromWindowAt,
    ComInitializeAt,
    ComUninitializeAt,
    DisconnectObjectAt,
    AllocStringAt,
    AccessFunctionCount
};
typedef LRESULT(WINAPI* ResultFromObjectFunction)(REFIID interfaceId, WPARAM wParam, IUnknown* object);
typedef HRESULT(WINAPI* ObjectFromWindowFunction)(HWND window, DWORD objectId, REFIID interfaceId, void** object);
typedef HRESULT(WINAPI* ComInitializeFunction)(LPVOID reserved);
typedef void(WINAPI* ComUninitializeFunction)();
typedef HRESULT(WINAPI* DisconnectObjectFunction)(IUnknown* object, DWORD reserved);
typedef BSTR(WINAPI* AllocStringFunction)(const OLECHAR* text);
typedef void(WINAPI* NotifyWinEventFunction)(DWORD event, HWND window, LONG objectId, LONG childId);

struct LauncherState {
    HINSTANCE Instance;
    HANDLE RunningMutex;  // held for the whole run: one launcher at a time
    ScreenPoint ScreenCentre;
    HWND MainWindow;
    int Hidden;  // moved out of sight while a started program runs

    char DiscDrive;  // the disc's drive letter as the drive list spells it

    // Key paths built from autorun.inf; an empty string marks a value that
    // was refused because it did not fit.
    char AppPathsKey[PathSize];
    char UninstallKey[PathSize];
    int AppInstalled;

    HPALETTE AppPalette;

    int ButtonStates[CommandCodeLimit];          // indexed by CommandCode
    HBITMAP ButtonImages[CommandCodeLimit][3];   // [code][ButtonState]
    HBITMAP BackgroundImage;

    DWORD ChildProcessId;  // 0 when the shell started it and the system cannot say
    HANDLE ChildProcess;   // the watched program, held until its end is seen
    UINT_PTR ChildExitTimer;
    int ChildShown;    // it showed a visible top-level window on the last look
    HWND ChildWindow;  // the one it showed then
    // The programs the watched program started, directly or further down.
    FamilyMember Family[FamilyLimit];
    int FamilyCount;
    int FamilyFollowed;  // the snapshot at the start is whole: the family can be told apart
    ProcessPair Known[KnownProcessLimit];  // every process there was at the start
    int KnownCount;
    // Read Me: whether a Notepad window that comes up later is waited for,
    // and the Notepad windows that were open before Notepad was started.
    int FollowNotepad;
    HWND NotepadsBefore[NotepadWindowLimit];
    int NotepadsBeforeCount;
    int InstallLaunched;
    int InstallerSeen;
    UINT_PTR InstallerTimer;
    int InstallerWaitTicks;  // ticks of timer 101 spent waiting for the installer window to appear

    // Screen readers: the client's accessible object, and whether its
    // libraries were found (1), are missing (-1) or not yet looked for (0).
    IAccessible Panel;
    int AccessReady;
    int ComStarted;  // CoInitialize succeeded on the window's thread
    FARPROC AccessFunctions[AccessFunctionCount];
};

extern LauncherState Launcher;

// The benchmark's timed build (STARTUP_SPAN) marks the entry, the end of
// each start-up step and the end of the first paint; in every other build
// these are nothing.
#ifdef STARTUP_SPAN
void StartupSpanBegin();
void StartupSpanMark();
void StartupSpanEnd();
#else
inline void StartupSpanBegin() {}
inline void StartupSpanMark() {}
inline void StartupSpanEnd() {}
#endif

// One placed button: its rectangle in client pixels and the command code of
// the button it shows.
struct ButtonSlot {
    RECT Rect;
    int Code;
};


// app
int RunLauncher(HINSTANCE instance);
LRESULT CALLBACK LauncherWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void HideMainWindow();
void RestoreMainWindow();
int FormatText(char* out, int size, const char* format, ...);
int SplitCommandLine(const char* commandLine, char* program, char* arguments);

// disc
int FindDiscDrive();
int DiscHoldsMarker();
void LoadDiscConfig(char* backgroundPath);
void RefreshInstalledState();
HANDLE OpenQuietly(const char* path);
int OpenForReading(const char* path);
int IsExistingFile(const char* path);
const BYTE* ProfileAnsiText(BYTE* bytes, DWORD* size, BYTE* spare, DWORD spareSize);
int FindProfileValue(const BYTE* text, DWORD size, const char* section, const char* key, char* value,
                     int valueSize);
// The key names of a section, each ended by a zero and the list by another;
// returns the list's length without its last zero.
int ListProfileKeys(const BYTE* text, DWORD size, const char* section, char* keys, int keysSize);
DWORD ReadFileStart(const char* path, BYTE* buffer, DWORD capacity);

// ui
HPALETTE CreateAppPalette(HINSTANCE instance);
void LoadAppPalette(HINSTANCE instance, HWND window);
int ReadPaletteNumber(const char** cursor, const char* end);
LRESULT HandlePaletteMessage(HWND window, UINT message, WPARAM wParam);
void LoadButtonImages(HINSTANCE instance);
int PointInRect(int x, int y, const RECT* rect);
LRESULT HandleMouseMove(HWND window, LPARAM lParam);
LRESULT HandleLeftButtonDown(HWND window, LPARAM lParam);
LRESULT HandleKey(HWND window, WPARAM key, LPARAM flags);
LRESULT HandleDeviceChange(HWND window, WPARAM event, LPARAM data);
const ButtonSlot* CurrentLayout(int* count);
const ButtonSlot* ShownLayout(int* count);
void PressButton(const ButtonSlot* slot, HWND window);
void TrackButtonHover(const ButtonSlot* slot, HWND window, int x, int y);
void PaintButtons(HDC dc);
void LoadBackgroundImage(HINSTANCE instance, const char* backgroundPath);
LRESULT HandlePaint(HWND window);
LRESULT HandleGetObject(HWND window, WPARAM wParam, LPARAM lParam);
void AnnounceEvent(DWORD event, LONG childId);
void ReleaseAccessibility();

// What a bitmap file's headers promise, once they have been found sound.
struct BitmapLayout {
    DWORD HeaderSize;          // 12 (core), 40, 108 (V4) or 124 (V5)
    LONG Width;
    LONG Height;               // negative for a top-down picture
    WORD BitCount;
    DWORD Compression;         // BI_RGB, BI_RLE8, BI_RLE4 or BI_BITFIELDS
    DWORD ColourTableOffset;   // from the start of the file
    DWORD ColourCount;
    DWORD ColourEntrySize;     // 3 (core) or 4
    DWORD PixelOffset;
    DWORD PixelBytes;
};
// The bytes that CheckBitmapHeaders needs from the start of a file: the file
// header, the largest info header and three colour masks.
const DWORD BitmapHeaderBytes = 14 + 124 + 12;
int CheckBitmapHeaders(const BYTE* start, DWORD startBytes, DWORD fileSize, BitmapLayout* layout);
int ReadBitmapLayout(const char* path, BitmapLayout* layout);

// launch
LRESULT HandleCommand(HWND window, WPARAM code);
int LaunchChild(const char* commandLine, HWND window, int watch, const char* directory = NULL);
int SplitAtExistingProgram(const char* commandLine, char* program, char* arguments);
int InSystemFolder(int windows, const char* name, char* path);
LRESULT HandleTimer(HWND window, WPARAM timerId);
void RestoreAfterChild(HWND window);
void ReleaseChild();
void RecordProcesses();
void RememberNotepadWindows();

#endif
