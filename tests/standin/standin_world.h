// The scripted world behind the Win32 stand-in: what a test sets up (drives,
// files, registry, windows, processes, resources) and what it reads back
// (calls made, windows moved, timers, blits, palette operations, live GDI
// objects). Reset() between tests.
#ifndef AUTORUN_STANDIN_WORLD_H
#define AUTORUN_STANDIN_WORLD_H

#include <functional>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "win32_standin.h"

namespace standin {

void Reset();

// Every stand-in call appends "Name argument..." here, in order.
extern std::vector<std::string> Calls;
int CountCalls(const std::string& prefix);
int IndexOfCall(const std::string& prefix);  // -1 when never called

// --- screen, drives and files ---
extern int ScreenWidth, ScreenHeight;
void SetDrives(const std::vector<std::string>& roots);  // builds the zero-separated drive list
extern std::string DriveList;                             // raw, may be edited by a test
extern int DriveListFails;                                // GetLogicalDriveStringsA returns 0
extern std::map<char, UINT> DriveTypes;                   // by upper-case letter
void AddFile(const std::string& path, const std::string& contents = "", bool bitmap = false);
void RemoveFile(const std::string& path);
void AddDirectory(const std::string& path);
// The error mode in force, and at every file probe (CreateFileA and
// GetFileAttributesA) the path and the mode it ran under.
extern UINT ErrorMode;
struct Probe {
    std::string path;
    UINT errorMode;
};
extern std::vector<Probe> Probes;
extern std::string WindowsDirectory;  // "" makes GetWindowsDirectoryA fail
extern int OpenFileHandles;
// Blocks VirtualAlloc gave and VirtualFree has not taken back, with their
// sizes; a request over VirtualAllocLimit bytes fails.
extern std::map<void*, size_t> VirtualBlocks;
extern size_t VirtualAllocLimit;

// --- registry under HKEY_LOCAL_MACHINE; key paths without the root ---
void AddKey(const std::string& path);
void RemoveKey(const std::string& path);
void SetValue(const std::string& path, const std::string& name, const std::string& bytes, DWORD type = REG_SZ);
extern std::map<std::string, std::string> Environment;  // for ExpandEnvironmentStringsA, by upper-case name
extern int OpenKeys;

// --- resources of the launcher's module ---
extern bool HasPaletteText;
extern std::string PaletteText;
extern int LockedResources;
// Every other resource, by type, id and language, with its bytes.
// FindResourceExA finds the language asked for; asked for none (0, the
// loader's own pick), the first of that type and id, as Windows picks in a
// module of one language.
typedef std::tuple<uintptr_t, int, WORD> ResourceName;  // type, id, language
extern std::map<ResourceName, std::string> Resources;
// String table block 1 of a language: UTF-8 texts by id (under 16).
void AddStringTable(WORD language, const std::map<UINT, std::string>& texts);
// A 114 x 35 256-colour picture whose pixels are its own among the others.
void AddPicture(int id, WORD language);
// The languages resource (RCDATA 102, language neutral).
void AddLanguages(WORD defaultLanguage, const std::vector<WORD>& order);
// "id language" (decimal, hexadecimal) of the picture resource whose pixels
// a DIB section shows, "" for none.
std::string PictureOf(HBITMAP bitmap);
// The user's UI language as each Windows tells it: GetUserDefaultUILanguage
// (where KernelExports has it), the language of ntdll's version record (0
// where ntdll is not loaded, as on Windows 9x), GetSystemDefaultLangID.
extern WORD UiLanguage, NtdllLanguage, SystemLanguage;

// --- windows, messages and timers ---
struct Window {
    HWND handle;
    std::string className, title;
    WNDPROC proc;
    DWORD style, exStyle;
    int x, y, width, height;
    bool alive, shown, foreign;
    DWORD processId;  // the process the window belongs to
    int showCommand;
    RECT invalid;  // bounding rectangle of the update region, client pixels
    bool eraseInvalid;
    bool iconic;   // minimised
};
extern std::vector<Window> Windows;
extern std::vector<WNDCLASSA> RegisteredClasses;
extern std::vector<std::string> RegisteredClassNames;
extern bool RegisterClassFails, CreateWindowFails;
HWND AddForeignWindow(const std::string& className, const std::string& title, DWORD processId = 0);
void CloseForeignWindow(HWND window);
void HideForeignWindow(HWND window);  // still there, no longer visible
Window* FindWindowRecord(HWND window);
RECT ClientRect(const Window& window);  // client area less the dialog frame

struct Move {
    HWND window;
    int x, y, width, height;
    BOOL repaint;
};
extern std::vector<Move> Moves;
extern std::vector<MSG> Posted;  // every posted message, in order (also queued)
extern int QuitCode;
extern bool QuitPosted;
// Called by GetMessageA when nothing is queued; it may post or close
// windows and returns false to stop the loop (GetMessageA then returns 0).
extern std::function<bool()> Idle;
extern bool LoopStarved;
extern bool GetMessageFails;  // GetMessageA answers -1, leaving wParam 7 in the message
bool PumpOne();  // dispatches one queued message (or a pending paint); false when none

struct Timer {
    HWND window;
    UINT_PTR id;
    UINT elapse;
};
extern std::vector<Timer> Timers;  // running timers
// Non-zero: what every SetTimer answers instead of the id (Windows promises
// only a non-zero value for a window timer); KillTimer still takes the id.
extern UINT_PTR TimerAnswer;
extern UINT_PTR RefusedTimer;  // SetTimer with this id fails and answers 0
bool TimerRunning(UINT_PTR id);
bool FireTimer(UINT_PTR id);  // sends WM_TIMER to the window's procedure when the timer runs

struct Invalidation {
    HWND window;
    bool whole;
    RECT rect;
    BOOL erase;
};
extern std::vector<Invalidation> Invalidations;

// --- GDI ---
enum ObjectKind { WindowDc, MemoryDc, PaletteObject, BitmapObject, StockObject };
int LiveObjects(ObjectKind kind);
int LiveGdiObjects();  // DCs, palettes and bitmaps still alive
extern std::vector<PALETTEENTRY> LastPaletteEntries;
extern int LastPaletteVersion;

struct PaletteCall {
    std::string op;  // "select", "realize", "unrealize"
    HDC dc;
    HWND dcWindow;  // the window the DC belongs to (null for the screen or a memory DC)
    HPALETTE palette;
    BOOL forceBackground;
};
extern std::vector<PaletteCall> PaletteCalls;
extern UINT RealizeResult;  // entries changed in the system palette by a foreground realize

// A 256-colour display, modelled as Microsoft's palette documentation
// describes it. The system palette keeps the twenty static colours in
// entries 0 to 9 and 246 to 255; a foreground realization frees the other
// 236. Entries without PC_NOCOLLAPSE or PC_RESERVED that exactly match a
// static colour are mapped to it first; then, in order, each other entry
// takes the next free slot (an entry without those flags first takes an
// exact match among the colours already placed); with no slot left, an
// entry is matched to the nearest colour. With PaletteDisplay set,
// RealizePalette answers how many system entries changed.
extern bool PaletteDisplay;
extern std::vector<PALETTEENTRY> SystemPalette;  // 256 entries
std::vector<PALETTEENTRY> StaticSystemPalette();  // the static colours, the rest black
// Realizes logical in the foreground on SystemPalette; returns the system
// entry each logical entry shows through.
std::vector<int> RealizeForeground(const std::vector<PALETTEENTRY>& logical);
std::vector<int> RealizedSlots(HPALETTE palette);  // after its last foreground realization

struct Blit {
    HDC dest;
    int x, y, width, height;
    HBITMAP source;
    int sourceX, sourceY;
    DWORD rop;
};
extern std::vector<Blit> Blits;
struct Fill {
    HDC dc;
    RECT rect;
    HBRUSH brush;
};
extern std::vector<Fill> Fills;
extern bool CreateCompatibleDcFails;
int ResourceIdOf(HBITMAP bitmap);       // the resource id a bitmap was loaded from, or -1
std::string FileOf(HBITMAP bitmap);     // the path a bitmap was loaded from, or ""
HPALETTE PaletteSelectedInto(HDC dc);

// --- processes ---
struct ProcessStart {
    std::string commandLine;
    bool applicationNameNull;
    BOOL inheritHandles;
    DWORD creationFlags;
    DWORD startupFlags;
    WORD showWindow;
    bool environmentNull, directoryNull;
    UINT errorMode;  // the error mode the program inherits
    std::string directory;  // its current directory, "" for the launcher's own
};
extern std::vector<ProcessStart> Started;
extern DWORD NextStartError;  // non-zero: the next CreateProcessA fails with it
extern DWORD NextProcessId;
// The process now known by each id. A handle stays with the process it was
// made for: when a test gives the id to a new process (another generation),
// a handle to the old one reads as ended.
const DWORD LauncherProcessId = 900;  // the parent of what the launcher starts
struct Process {
    bool running;
    bool waitFails;  // WaitForSingleObject answers WAIT_FAILED
    DWORD exitCode;
    int generation;
    DWORD parent = LauncherProcessId;  // as a snapshot names it
    bool idle = true;                  // has finished starting (WaitForInputIdle)
    bool openable = true;              // OpenProcess grants it at all
    bool queryDenied = false;          // OpenProcess grants it without PROCESS_QUERY_INFORMATION
};
extern std::map<DWORD, Process> Processes;
extern int OpenProcessHandles;
// A program that a running one started (the launcher holds no handle to it);
// its id. Ids count up from NextProcessId.
DWORD StartProcess(DWORD parent, bool idle = true);
extern int OpenSnapshots;  // process snapshots not yet closed
extern int BadCloses;  // CloseHandle given a handle that is not open

struct ShellStart {
    std::string verb, file, parameters;
    ULONG mask;
    int show;
    UINT errorMode;
    std::string directory;
};
extern std::vector<ShellStart> ShellStarts;
extern DWORD NextShellError;  // non-zero: the next ShellExecuteExA fails with it (ERROR_CANCELLED: declined)
// Named mutexes that exist, by name (another launcher's); CreateMutexA adds
// the launcher's own.
extern std::set<std::string> Mutexes;
extern bool CreateMutexFails;  // CreateMutexA answers null (a name taken by another kind of object)
extern int OpenMutexHandles;
extern int Shell32Loads;  // LoadLibraryA("shell32.dll") calls
extern bool Exited;       // ExitProcess was called
extern UINT ExitCode;

// --- keyboard, activation and z-order ---
extern bool ShiftDown;           // GetKeyState(VK_SHIFT) reports it held
extern HWND ForegroundWindow;    // the window the user works with
extern bool ForegroundRefused;   // SetForegroundWindow is refused, as Windows 98 and later may
extern HWND TopWindow;           // the top of the z-order
extern std::vector<HWND> Flashes;  // FlashWindow calls

// --- the program's own file, system folders and DLL search ---
// GetModuleFileNameA(NULL), in UTF-8: the ANSI call spells it in the ANSI
// code page, the wide one (where KernelExports has "GetModuleFileNameW") in
// UTF-16; "" makes both fail.
extern std::string ModulePath;
// GetShortPathNameW's answers (where KernelExports has it), by the long path
// in UTF-8; a path not named here has no short form and is answered as it is.
extern std::map<std::string, std::string> ShortPaths;
// The ANSI code page: 1252, modelled as Latin-1 (a character above 255 has
// no ANSI form, though best fit spells "Ł" as "L"), or CP_UTF8.
extern UINT AnsiCodePage;
extern std::string SystemDirectory;  // "" makes GetSystemDirectoryA fail
// What kernel32 offers to GetProcAddress: "SetDefaultDllDirectories" (Windows 8,
// 7 with KB2533623) and "SetDllDirectoryA" (XP SP1 and later); Windows 9x has neither.
// Also "CreateToolhelp32Snapshot", "Process32First" and "Process32Next"
// (Windows 95, 2000 and later; not NT 4) and "GetProcessId" (XP SP1 and later).
extern std::set<std::string> KernelExports;
extern std::vector<std::string> DllSearchCalls;  // "SetDefaultDllDirectories 2048", "SetDllDirectoryA "
void ResetDesktop();  // called by Reset()

// --- screen readers ---
// The libraries of Active Accessibility in the system directory (Windows 95
// without it has none) and what they offer GetProcAddress; by default all
// three and every function the launcher asks for.
extern std::set<std::string> AccessLibraries;  // "oleacc.dll", "ole32.dll", "oleaut32.dll"
extern std::set<std::string> AccessExports;    // "LresultFromObject", "CoInitialize", ...
extern std::set<std::string> User32Exports;    // "NotifyWinEvent" (Windows 98, 2000 and later)
// Every library load: the path, the error mode, and the folder where the
// library's own imports are looked for first (the program's own folder,
// unless loaded by full path with LOAD_WITH_ALTERED_SEARCH_PATH).
struct LibraryLoad {
    std::string path;
    UINT errorMode;
    std::string importsFrom;
};
extern std::vector<LibraryLoad> LibraryLoads;
extern HRESULT ComInitializeAnswer;            // S_OK; S_FALSE when COM was started already
extern int ComInitializes, ComUninitializes;
extern std::vector<void*> Disconnected;  // CoDisconnectObject's objects
// LresultFromObject's calls, and what it answers: a reference to the object
// for the reader's process.
struct ObjectResult {
    bool accessible;  // asked for IAccessible
    WPARAM wParam;
    void* object;
};
extern std::vector<ObjectResult> ObjectResults;
const LRESULT ObjectReference = 0x5A17;
// AccessibleObjectFromWindow: the system's object for the window as a whole.
extern void* WindowObject;
struct WinEvent {
    DWORD event;
    HWND window;
    LONG object;
    LONG child;
};
extern std::vector<WinEvent> WinEvents;  // NotifyWinEvent's calls
extern int LiveStrings;  // BSTRs made by SysAllocStringLen and not yet given to TakeString
std::string TakeString(BSTR text);  // its text in UTF-8, freeing it; "(null)" for NULL

}  // namespace standin

#endif
