// A small stand-in for the subset of the Win32 API that the launcher calls,
// for native unit tests. Types, constants and signatures follow the Windows
// headers; the behaviour lives in win32_standin.cpp and is scripted and
// observed through standin_world.h.
#ifndef AUTORUN_WIN32_STANDIN_H
#define AUTORUN_WIN32_STANDIN_H

#include <stddef.h>
#include <stdint.h>

#define WINAPI
#define CALLBACK
#define TRUE 1
#define FALSE 0

typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef uint32_t DWORD;
typedef uint32_t ULONG;
typedef int32_t LONG;
typedef unsigned int UINT;
typedef uint16_t ATOM;
typedef uintptr_t UINT_PTR;
typedef uintptr_t DWORD_PTR;
typedef size_t SIZE_T;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;
typedef intptr_t INT_PTR;
typedef intptr_t LONG_PTR;
typedef WORD LANGID;
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef void* HANDLE;
typedef void* HGDIOBJ;
typedef void* HGLOBAL;
typedef void* LPVOID;
typedef LONG LSTATUS;
typedef unsigned short WCHAR;

#define STANDIN_HANDLE(name) \
    struct name##__;         \
    typedef struct name##__* name
STANDIN_HANDLE(HWND);
STANDIN_HANDLE(HDC);
STANDIN_HANDLE(HBITMAP);
STANDIN_HANDLE(HPALETTE);
STANDIN_HANDLE(HBRUSH);
STANDIN_HANDLE(HICON);
STANDIN_HANDLE(HMENU);
STANDIN_HANDLE(HINSTANCE);
STANDIN_HANDLE(HKEY);
STANDIN_HANDLE(HRSRC);
#undef STANDIN_HANDLE
typedef HICON HCURSOR;
typedef HINSTANCE HMODULE;
typedef intptr_t (*FARPROC)();

typedef struct tagRECT {
    LONG left, top, right, bottom;
} RECT;
typedef struct tagPOINT {
    LONG x, y;
} POINT;
typedef struct tagMSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
} MSG;

typedef LRESULT (*WNDPROC)(HWND, UINT, WPARAM, LPARAM);
typedef struct tagWNDCLASSA {
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCSTR lpszMenuName;
    LPCSTR lpszClassName;
} WNDCLASSA;

typedef struct tagPAINTSTRUCT {
    HDC hdc;
    BOOL fErase;
    RECT rcPaint;
    BOOL fRestore;
    BOOL fIncUpdate;
    BYTE rgbReserved[32];
} PAINTSTRUCT;

typedef struct tagPALETTEENTRY {
    BYTE peRed, peGreen, peBlue, peFlags;
} PALETTEENTRY;
typedef struct tagLOGPALETTE {
    WORD palVersion;
    WORD palNumEntries;
    PALETTEENTRY palPalEntry[1];
} LOGPALETTE;

typedef struct _SECURITY_ATTRIBUTES* LPSECURITY_ATTRIBUTES;
typedef struct _STARTUPINFOA {
    DWORD cb;
    LPSTR lpReserved, lpDesktop, lpTitle;
    DWORD dwX, dwY, dwXSize, dwYSize, dwXCountChars, dwYCountChars, dwFillAttribute;
    DWORD dwFlags;
    WORD wShowWindow;
    WORD cbReserved2;
    BYTE* lpReserved2;
    HANDLE hStdInput, hStdOutput, hStdError;
} STARTUPINFOA;
typedef struct _PROCESS_INFORMATION {
    HANDLE hProcess;
    HANDLE hThread;
    DWORD dwProcessId;
    DWORD dwThreadId;
} PROCESS_INFORMATION;
typedef struct _SHELLEXECUTEINFOA {
    DWORD cbSize;
    ULONG fMask;
    HWND hwnd;
    LPCSTR lpVerb;
    LPCSTR lpFile;
    LPCSTR lpParameters;
    LPCSTR lpDirectory;
    int nShow;
    HINSTANCE hInstApp;
    void* lpIDList;
    LPCSTR lpClass;
    HKEY hkeyClass;
    DWORD dwHotKey;
    HANDLE hIcon;
    HANDLE hProcess;
} SHELLEXECUTEINFOA;

#define MAKEINTRESOURCEA(i) ((LPSTR)(uintptr_t)(WORD)(i))
#define IS_INTRESOURCE(p) (((uintptr_t)(p) >> 16) == 0)
#define RT_BITMAP MAKEINTRESOURCEA(2)
#define RT_STRING MAKEINTRESOURCEA(6)
#define RT_RCDATA MAKEINTRESOURCEA(10)
#define RT_VERSION MAKEINTRESOURCEA(16)
#define LANG_CHINESE 0x04
#define LANG_CROATIAN 0x1a
#define PRIMARYLANGID(id) ((WORD)(id) & 0x3ff)
#define SUBLANGID(id) ((WORD)(id) >> 10)
#define BI_RGB 0
#define BI_RLE8 1
#define BI_RLE4 2
#define BI_BITFIELDS 3
#define DIB_RGB_COLORS 0
typedef struct tagBITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth, biHeight;
    WORD biPlanes, biBitCount;
    DWORD biCompression, biSizeImage;
    LONG biXPelsPerMeter, biYPelsPerMeter;
    DWORD biClrUsed, biClrImportant;
} BITMAPINFOHEADER;
typedef struct tagBITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    DWORD bmiColors[1];
} BITMAPINFO;
#define IDI_APPLICATION MAKEINTRESOURCEA(32512)
#define IDC_ARROW MAKEINTRESOURCEA(32512)

#define CS_BYTEALIGNCLIENT 0x1000
#define CS_BYTEALIGNWINDOW 0x2000
#define WS_POPUP 0x80000000u
#define WS_DLGFRAME 0x00400000u
#define WS_CAPTION 0x00C00000u  // WS_BORDER | WS_DLGFRAME
#define SW_SHOWNORMAL 1
#define SW_SHOWDEFAULT 10
#define SM_CXSCREEN 0
#define SM_CYSCREEN 1
#define BLACK_BRUSH 4
#define DEFAULT_PALETTE 15

#define WM_CREATE 0x0001
#define WM_DESTROY 0x0002
#define WM_PAINT 0x000F
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_TIMER 0x0113
#define WM_MOUSEMOVE 0x0200
#define WM_LBUTTONDOWN 0x0201
#define WM_QUERYNEWPALETTE 0x030F
#define WM_PALETTECHANGED 0x0311
#define WM_USER 0x0400
#define WM_KEYDOWN 0x0100
#define WM_DEVICECHANGE 0x0219

#define VK_TAB 0x09
#define VK_RETURN 0x0D
#define VK_SHIFT 0x10
#define VK_ESCAPE 0x1B
#define VK_SPACE 0x20
#define VK_LEFT 0x25
#define VK_UP 0x26
#define VK_RIGHT 0x27
#define VK_DOWN 0x28

#define SW_MINIMIZE 6
#define SW_RESTORE 9

#define DBT_DEVICEARRIVAL 0x8000
#define DBT_DEVICEQUERYREMOVE 0x8001
#define DBT_DEVICEREMOVECOMPLETE 0x8004
#define DBT_DEVTYP_VOLUME 0x00000002
#define DBT_DEVTYP_PORT 0x00000003
typedef struct _DEV_BROADCAST_HDR {
    DWORD dbch_size;
    DWORD dbch_devicetype;
    DWORD dbch_reserved;
} DEV_BROADCAST_HDR;
typedef struct _DEV_BROADCAST_VOLUME {
    DWORD dbcv_size;
    DWORD dbcv_devicetype;
    DWORD dbcv_reserved;
    DWORD dbcv_unitmask;
    WORD dbcv_flags;
} DEV_BROADCAST_VOLUME;

#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800

#define DRIVE_UNKNOWN 0
#define DRIVE_NO_ROOT_DIR 1
#define DRIVE_REMOVABLE 2
#define DRIVE_FIXED 3
#define DRIVE_REMOTE 4
#define DRIVE_CDROM 5

#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define FILE_SHARE_READ 1
#define FILE_SHARE_WRITE 2
#define CREATE_NEW 1
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define OPEN_ALWAYS 4
#define FILE_ATTRIBUTE_NORMAL 0x80
#define FILE_ATTRIBUTE_DIRECTORY 0x10
#define INVALID_FILE_ATTRIBUTES ((DWORD)-1)
#define INVALID_FILE_SIZE ((DWORD)0xFFFFFFFF)
#define INVALID_HANDLE_VALUE ((HANDLE)(intptr_t)-1)
#define SEM_FAILCRITICALERRORS 0x0001
#define SEM_NOOPENFILEERRORBOX 0x8000

#define HKEY_LOCAL_MACHINE ((HKEY)(uintptr_t)0x80000002u)
#define KEY_QUERY_VALUE 0x0001
#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_MULTI_SZ 7
#define ERROR_SUCCESS 0
#define ERROR_FILE_NOT_FOUND 2
#define ERROR_ACCESS_DENIED 5
#define ERROR_MORE_DATA 234
#define ERROR_ELEVATION_REQUIRED 740
#define ERROR_CANCELLED 1223
#define ERROR_INVALID_HANDLE 6
#define ERROR_ALREADY_EXISTS 183

#define PC_RESERVED 0x01
#define PC_EXPLICIT 0x02
#define PC_NOCOLLAPSE 0x04
#define IMAGE_BITMAP 0
#define LR_LOADFROMFILE 0x0010
#define LR_CREATEDIBSECTION 0x2000
#define SRCCOPY 0x00CC0020u

#define STARTF_USESHOWWINDOW 0x00000001
#define NORMAL_PRIORITY_CLASS 0x00000020
#define STILL_ACTIVE 259
#define WAIT_OBJECT_0 0
#define WAIT_TIMEOUT 258
#define WAIT_FAILED 0xFFFFFFFFu
#define SEE_MASK_NOCLOSEPROCESS 0x00000040
#define SEE_MASK_FLAG_NO_UI 0x00000400

// user32
HWND FindWindowA(LPCSTR className, LPCSTR windowName);
int GetSystemMetrics(int index);
HICON LoadIconA(HINSTANCE instance, LPCSTR name);
HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name);
ATOM RegisterClassA(const WNDCLASSA* windowClass);
HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param);
BOOL ShowWindow(HWND window, int command);
BOOL GetMessageA(MSG* message, HWND window, UINT filterMin, UINT filterMax);
BOOL TranslateMessage(const MSG* message);
LRESULT DispatchMessageA(const MSG* message);
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);
BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint);
BOOL DestroyWindow(HWND window);
BOOL IsWindow(HWND window);
BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase);
BOOL GetUpdateRect(HWND window, RECT* rect, BOOL erase);
HDC BeginPaint(HWND window, PAINTSTRUCT* paint);
BOOL EndPaint(HWND window, const PAINTSTRUCT* paint);
HDC GetDC(HWND window);
int ReleaseDC(HWND window, HDC dc);
int FillRect(HDC dc, const RECT* rect, HBRUSH brush);
UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT elapse, void* timerProc);
BOOL KillTimer(HWND window, UINT_PTR id);
HANDLE LoadImageA(HINSTANCE instance, LPCSTR name, UINT type, int cx, int cy, UINT flags);
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD offset);

// gdi32
HGDIOBJ GetStockObject(int index);
BOOL DeleteObject(HGDIOBJ object);
HPALETTE CreatePalette(const LOGPALETTE* palette);
BOOL UnrealizeObject(HGDIOBJ object);
HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL forceBackground);
UINT RealizePalette(HDC dc);
HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY, DWORD rop);

// kernel32
DWORD GetLogicalDriveStringsA(DWORD bufferLength, LPSTR buffer);
UINT GetDriveTypeA(LPCSTR root);
HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD disposition,
                   DWORD flags, HANDLE templateFile);
BOOL CloseHandle(HANDLE handle);
DWORD GetFileAttributesA(LPCSTR path);
DWORD GetFileSize(HANDLE file, DWORD* high);
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, DWORD* read, void* overlapped);
#define MEM_COMMIT 0x1000
#define MEM_RELEASE 0x8000
#define PAGE_READWRITE 0x04
LPVOID VirtualAlloc(LPVOID address, SIZE_T size, DWORD type, DWORD protect);
BOOL VirtualFree(LPVOID address, SIZE_T size, DWORD type);
UINT SetErrorMode(UINT mode);
DWORD ExpandEnvironmentStringsA(LPCSTR source, LPSTR destination, DWORD size);
void ExitProcess(UINT exitCode);
DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR buffer, DWORD size,
                               LPCSTR fileName);
UINT GetWindowsDirectoryA(LPSTR buffer, UINT size);
HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type);
HRSRC FindResourceExA(HMODULE module, LPCSTR type, LPCSTR name, WORD language);
typedef BOOL (*ENUMRESLANGPROCA)(HMODULE module, LPCSTR type, LPCSTR name, WORD language, LONG_PTR parameter);
BOOL EnumResourceLanguagesA(HMODULE module, LPCSTR type, LPCSTR name, ENUMRESLANGPROCA proc, LONG_PTR parameter);
LANGID GetSystemDefaultLangID();
DWORD SizeofResource(HMODULE module, HRSRC resource);
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
LPVOID LockResource(HGLOBAL data);
BOOL FreeResource(HGLOBAL data);
BOOL CreateProcessA(LPCSTR applicationName, LPSTR commandLine, LPSECURITY_ATTRIBUTES processAttributes,
                    LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles, DWORD creationFlags,
                    LPVOID environment, LPCSTR currentDirectory, STARTUPINFOA* startup,
                    PROCESS_INFORMATION* information);
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
DWORD GetLastError();
#define CP_ACP 0
#define CP_UTF8 65001
#define WC_NO_BEST_FIT_CHARS 0x00000400
UINT GetACP();
int WideCharToMultiByte(UINT codePage, DWORD flags, const WCHAR* wide, int wideCount, LPSTR out, int outSize,
                        LPCSTR defaultChar, BOOL* usedDefault);
HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES attributes, BOOL initialOwner, LPCSTR name);
void SetLastError(DWORD error);
HMODULE GetModuleHandleA(LPCSTR name);
#define LOAD_WITH_ALTERED_SEARCH_PATH 0x00000008
HMODULE LoadLibraryExA(LPCSTR name, HANDLE file, DWORD flags);
FARPROC GetProcAddress(HMODULE module, LPCSTR name);

// advapi32
LSTATUS RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, DWORD access, HKEY* result);
LSTATUS RegQueryValueExA(HKEY key, LPCSTR valueName, DWORD* reserved, DWORD* type, BYTE* data, DWORD* size);
LSTATUS RegCloseKey(HKEY key);

// Added for the keyboard, coming back, the own drive and the system folders.
short GetKeyState(int key);
BOOL IsIconic(HWND window);
BOOL BringWindowToTop(HWND window);
BOOL SetForegroundWindow(HWND window);
BOOL FlashWindow(HWND window, BOOL invert);
DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size);
UINT GetSystemDirectoryA(LPSTR buffer, UINT size);
DWORD SearchPathA(LPCSTR path, LPCSTR name, LPCSTR extension, DWORD size, LPSTR buffer, LPSTR* filePart);
DWORD GetEnvironmentVariableA(LPCSTR name, LPSTR buffer, DWORD size);

// shell32
BOOL ShellExecuteExA(SHELLEXECUTEINFOA* info);

// Added for following the started program's family and Read Me's Notepad.
#define MAX_PATH 260
#define SYNCHRONIZE 0x00100000u
#define PROCESS_QUERY_INFORMATION 0x0400
#define TH32CS_SNAPPROCESS 0x00000002
typedef struct tagPROCESSENTRY32 {
    DWORD dwSize;
    DWORD cntUsage;
    DWORD th32ProcessID;
    uintptr_t th32DefaultHeapID;
    DWORD th32ModuleID;
    DWORD cntThreads;
    DWORD th32ParentProcessID;
    LONG pcPriClassBase;
    DWORD dwFlags;
    char szExeFile[MAX_PATH];
} PROCESSENTRY32;
typedef BOOL (*WNDENUMPROC)(HWND window, LPARAM lParam);
HANDLE OpenProcess(DWORD access, BOOL inheritHandle, DWORD processId);
BOOL EnumWindows(WNDENUMPROC proc, LPARAM lParam);
DWORD GetWindowThreadProcessId(HWND window, DWORD* processId);
BOOL IsWindowVisible(HWND window);
int GetWindowTextA(HWND window, LPSTR text, int size);
DWORD WaitForInputIdle(HANDLE process, DWORD milliseconds);
HWND FindWindowExA(HWND parent, HWND after, LPCSTR className, LPCSTR windowName);

// Added for screen readers: Active Accessibility's COM types as C structures
// (as the Windows headers give them with CINTERFACE), the constants the
// launcher answers with, and the user32 calls for places.
#define STDMETHODCALLTYPE
typedef LONG HRESULT;
typedef DWORD LCID;
typedef LONG DISPID;
typedef WCHAR OLECHAR;
typedef OLECHAR* BSTR;
typedef OLECHAR* LPOLESTR;
typedef unsigned short VARTYPE;
typedef struct _GUID {
    uint32_t Data1;
    unsigned short Data2;
    unsigned short Data3;
    unsigned char Data4[8];
} GUID;
typedef GUID IID;
#define REFIID const IID&
struct IDispatch;
struct ITypeInfo;
struct DISPPARAMS;
struct EXCEPINFO;
typedef struct tagVARIANT {
    VARTYPE vt;
    WORD wReserved1, wReserved2, wReserved3;
    union {
        LONG lVal;
        IDispatch* pdispVal;
        BSTR bstrVal;
        double dblVal;
    };
} VARIANT;
struct IUnknown;
struct IAccessible;
typedef struct IAccessibleVtbl {
    HRESULT (*QueryInterface)(IAccessible* This, REFIID riid, void** object);
    ULONG (*AddRef)(IAccessible* This);
    ULONG (*Release)(IAccessible* This);
    HRESULT (*GetTypeInfoCount)(IAccessible* This, UINT* count);
    HRESULT (*GetTypeInfo)(IAccessible* This, UINT index, LCID locale, ITypeInfo** info);
    HRESULT (*GetIDsOfNames)(IAccessible* This, REFIID riid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids);
    HRESULT (*Invoke)(IAccessible* This, DISPID member, REFIID riid, LCID locale, WORD flags, DISPPARAMS* params,
                      VARIANT* result, EXCEPINFO* exception, UINT* argumentError);
    HRESULT (*get_accParent)(IAccessible* This, IDispatch** parent);
    HRESULT (*get_accChildCount)(IAccessible* This, long* count);
    HRESULT (*get_accChild)(IAccessible* This, VARIANT child, IDispatch** object);
    HRESULT (*get_accName)(IAccessible* This, VARIANT child, BSTR* name);
    HRESULT (*get_accValue)(IAccessible* This, VARIANT child, BSTR* value);
    HRESULT (*get_accDescription)(IAccessible* This, VARIANT child, BSTR* description);
    HRESULT (*get_accRole)(IAccessible* This, VARIANT child, VARIANT* role);
    HRESULT (*get_accState)(IAccessible* This, VARIANT child, VARIANT* state);
    HRESULT (*get_accHelp)(IAccessible* This, VARIANT child, BSTR* help);
    HRESULT (*get_accHelpTopic)(IAccessible* This, BSTR* file, VARIANT child, long* topic);
    HRESULT (*get_accKeyboardShortcut)(IAccessible* This, VARIANT child, BSTR* shortcut);
    HRESULT (*get_accFocus)(IAccessible* This, VARIANT* child);
    HRESULT (*get_accSelection)(IAccessible* This, VARIANT* children);
    HRESULT (*get_accDefaultAction)(IAccessible* This, VARIANT child, BSTR* action);
    HRESULT (*accSelect)(IAccessible* This, long flags, VARIANT child);
    HRESULT (*accLocation)(IAccessible* This, long* left, long* top, long* width, long* height, VARIANT child);
    HRESULT (*accNavigate)(IAccessible* This, long direction, VARIANT start, VARIANT* end);
    HRESULT (*accHitTest)(IAccessible* This, long x, long y, VARIANT* child);
    HRESULT (*accDoDefaultAction)(IAccessible* This, VARIANT child);
    HRESULT (*put_accName)(IAccessible* This, VARIANT child, BSTR name);
    HRESULT (*put_accValue)(IAccessible* This, VARIANT child, BSTR value);
} IAccessibleVtbl;
struct IAccessible {
    IAccessibleVtbl* lpVtbl;
};

#define S_OK ((HRESULT)0)
#define S_FALSE ((HRESULT)1)
#define E_NOTIMPL ((HRESULT)0x80004001u)
#define E_NOINTERFACE ((HRESULT)0x80004002u)
#define E_FAIL ((HRESULT)0x80004005u)
#define E_INVALIDARG ((HRESULT)0x80070057u)
#define CO_E_NOTINITIALIZED ((HRESULT)0x800401F0u)
#define DISP_E_MEMBERNOTFOUND ((HRESULT)0x80020003u)
#define FAILED(result) ((HRESULT)(result) < 0)
#define VT_EMPTY 0
#define VT_I4 3
#define VT_BSTR 8
#define VT_DISPATCH 9
#define WM_GETOBJECT 0x003D
#define OBJID_WINDOW ((LONG)0x00000000)
#define OBJID_CLIENT ((LONG)0xFFFFFFFC)
#define OBJID_CARET ((LONG)0xFFFFFFF8)
#define CHILDID_SELF 0
#define EVENT_OBJECT_FOCUS 0x8005
#define EVENT_OBJECT_REORDER 0x8004
#define ROLE_SYSTEM_CLIENT 0xa
#define ROLE_SYSTEM_PUSHBUTTON 0x2b
#define STATE_SYSTEM_FOCUSED 0x4
#define STATE_SYSTEM_PRESSED 0x8
#define STATE_SYSTEM_HOTTRACKED 0x80
#define STATE_SYSTEM_INVISIBLE 0x8000
#define STATE_SYSTEM_OFFSCREEN 0x10000
#define STATE_SYSTEM_FOCUSABLE 0x100000
#define NAVDIR_UP 1
#define NAVDIR_DOWN 2
#define NAVDIR_LEFT 3
#define NAVDIR_RIGHT 4
#define NAVDIR_NEXT 5
#define NAVDIR_PREVIOUS 6
#define NAVDIR_FIRSTCHILD 7
#define NAVDIR_LASTCHILD 8
#define SELFLAG_TAKEFOCUS 0x1
BOOL GetClientRect(HWND window, RECT* rect);
HWND GetFocus();
int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count);
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int textCount, WCHAR* wide, int wideSize);

// The program's own entry, which the system calls in place of a C runtime.
extern "C" void WINAPI LauncherEntry();

#endif
