// What screen readers are told of the window: an accessible object for its
// client area (Active Accessibility) with one child per shown button.
#ifndef AUTORUN_ACCESSIBLE_H
#define AUTORUN_ACCESSIBLE_H

#include "ui/buttons.h"

// What the object needs from oleacc, ole32 and oleaut32, found there on the
// first WM_GETOBJECT; indexes of ReaderState.Functions.
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
typedef BSTR(WINAPI* AllocStringFunction)(const OLECHAR* text, UINT length);
typedef void(WINAPI* NotifyWinEventFunction)(DWORD event, HWND window, LONG objectId, LONG childId);

struct ReaderState {
    IAccessible Object;  // first, so that the object's address is the record's
    int Ready;           // the libraries were found (1), are missing (-1), not yet looked for (0)
    int ComStarted;      // CoInitialize succeeded on the window's thread
    FARPROC Functions[AccessFunctionCount];
    HWND Window;
    HINSTANCE Instance;       // whose string table holds the captions
    LANGID Language;          // the string table's language
    PanelState* Panel;        // the buttons the object tells of
};

void ConnectReaders(ReaderState* readers, HWND window, HINSTANCE instance, LANGID language, PanelState* panel);
// WM_GETOBJECT.
LRESULT HandleGetObject(ReaderState* readers, WPARAM wParam, LPARAM lParam);
// Tells readers listening for WinEvents of a change in the window's client.
void AnnounceToReaders(HWND window, DWORD event, LONG childId);
// Cuts the object from readers' proxies and ends COM on the window's thread.
void ReleaseReaders(ReaderState* readers);

#endif
