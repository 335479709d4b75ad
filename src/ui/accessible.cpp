// What screen readers are told of the window: an accessible object for its
// client area (Active Accessibility) with one child per shown button, and
// the events that announce a change of the lit button or of the buttons.
//
// Nothing of it costs a sighted user anything: oleacc, ole32 and oleaut32
// are loaded from the system directory on the first WM_GETOBJECT, which
// only a reader (or another accessibility client) sends. Where the system
// has no Active Accessibility (Windows 95 without it) they are missing, and
// the window answers as any other.
#include "ui/accessible.h"
#include "launch/outside.h"
#include "ui/language.h"

// IUnknown, IDispatch and IAccessible, the interfaces the object answers to.
static const GUID PanelInterfaces[] = {
    { 0x00000000, 0x0000, 0x0000, { 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46 } },
    { 0x00020400, 0x0000, 0x0000, { 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46 } },
    { 0x618736E0, 0x3C3D, 0x11CF, { 0x81, 0x0C, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71 } },
};
static const GUID* const AccessibleInterface = &PanelInterfaces[2];

static const struct {
    const char* Library;
    const char* Name;
} AccessExports[AccessFunctionCount] = {
    { "oleacc.dll", "LresultFromObject" },
    { "oleacc.dll", "AccessibleObjectFromWindow" },
    { "ole32.dll", "CoInitialize" },
    { "ole32.dll", "CoUninitialize" },
    { "ole32.dll", "CoDisconnectObject" },
    { "oleaut32.dll", "SysAllocStringLen" },
};

static int SameInterface(const GUID* a, const GUID* b)
{
    if (a->Data1 != b->Data1 || a->Data2 != b->Data2 || a->Data3 != b->Data3)
        return 0;
    for (int i = 0; i < 8; ++i)
        if (a->Data4[i] != b->Data4[i])
            return 0;
    return 1;
}

// The button a child id names, or NULL for the client itself (CHILDID_SELF);
// 0 for an id past the buttons shown (there are none while the launcher is
// hidden) or a VARIANT that is not VT_I4.
static int FindChild(const ReaderState* readers, const VARIANT* child, const ButtonSlot** slot)
{
    int count;
    const ButtonSlot* layout = ShownLayout(readers->Panel, &count);
    *slot = NULL;
    if (child->vt != VT_I4 || child->lVal < CHILDID_SELF || child->lVal > count)
        return 0;
    if (child->lVal != CHILDID_SELF)
        *slot = &layout[child->lVal - 1];
    return 1;
}

// The child that has the keyboard focus: the lit button, or the client
// itself when none is lit; -1 while the window does not have the focus (a
// program the launcher started has it, or another one).
static LONG FocusedChild(const ReaderState* readers)
{
    if (GetFocus() != readers->Window)
        return -1;
    int count;
    const ButtonSlot* layout = ShownLayout(readers->Panel, &count);
    while (count > 0 && readers->Panel->ButtonStates[layout[count - 1].Code] != Highlighted)
        --count;
    return count;
}

// Readers take strings as BSTRs, which oleaut32 makes.
static BSTR ReaderString(const ReaderState* readers, const WCHAR* text, int length)
{
    return ((AllocStringFunction)(void*)readers->Functions[AllocStringAt])(text, (UINT)length);
}

// The window's title, an ANSI text.
static BSTR WideString(const ReaderState* readers, const char* text)
{
    OLECHAR wide[PathSize];
    int length = MultiByteToWideChar(CP_ACP, 0, text, -1, wide, PathSize);
    return length > 0 ? ReaderString(readers, wide, length - 1) : NULL;
}

// The captions drawn on the pictures, in the language's string table under
// each button's command code, and the name of their action there, are
// UTF-16 already: they reach the reader as they are, whatever the ANSI code
// page (a Japanese caption on a Western Windows).
static BSTR LanguageText(const ReaderState* readers, UINT id)
{
    int length;
    const WCHAR* text = LanguageString(readers->Instance, readers->Language, id, &length);
    return text != NULL ? ReaderString(readers, text, length) : NULL;
}

// The record behind the object a reader calls.
static ReaderState* ReadersOf(IAccessible* object)
{
    return (ReaderState*)object;
}

// ---- IUnknown and IDispatch: the object is static, its count is nominal -----
static HRESULT STDMETHODCALLTYPE PanelQueryInterface(IAccessible* panel, REFIID id, void** object)
{
    for (unsigned i = 0; i < sizeof PanelInterfaces / sizeof PanelInterfaces[0]; ++i) {
        if (SameInterface(&id, &PanelInterfaces[i])) {
            *object = panel;
            return S_OK;
        }
    }
    *object = NULL;
    return E_NOINTERFACE;
}

static ULONG STDMETHODCALLTYPE PanelCount(IAccessible*)
{
    return 1;
}

static HRESULT STDMETHODCALLTYPE PanelTypeInfoCount(IAccessible*, UINT* count)
{
    *count = 0;
    return S_OK;
}

static HRESULT STDMETHODCALLTYPE PanelTypeInfo(IAccessible*, UINT, LCID, ITypeInfo** info)
{
    *info = NULL;
    return E_NOTIMPL;
}

static HRESULT STDMETHODCALLTYPE PanelIdsOfNames(IAccessible*, REFIID, LPOLESTR*, UINT, LCID, DISPID*)
{
    return E_NOTIMPL;
}

static HRESULT STDMETHODCALLTYPE PanelInvoke(IAccessible*, DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*,
                                             EXCEPINFO*, UINT*)
{
    return E_NOTIMPL;
}

// ---- IAccessible --------------------------------------------------------------
// Every out-parameter is set before any return, and no method waits: a
// reader calls them from its own process, through the window's messages.
static HRESULT STDMETHODCALLTYPE PanelParent(IAccessible* object, IDispatch** parent)
{
    ReaderState* readers = ReadersOf(object);
    *parent = NULL;
    return ((ObjectFromWindowFunction)(void*)readers->Functions[ObjectFromWindowAt])(
        readers->Window, (DWORD)OBJID_WINDOW, PanelInterfaces[1], (void**)parent);
}

static HRESULT STDMETHODCALLTYPE PanelChildCount(IAccessible* object, long* count)
{
    int shown;
    ShownLayout(ReadersOf(object)->Panel, &shown);
    *count = shown;
    return S_OK;
}

// The buttons are simple elements: their ids stand for them.
static HRESULT STDMETHODCALLTYPE PanelChild(IAccessible* object, VARIANT child, IDispatch** childObject)
{
    const ButtonSlot* slot;
    *childObject = NULL;
    return FindChild(ReadersOf(object), &child, &slot) && slot != NULL ? S_FALSE : E_INVALIDARG;
}

static HRESULT STDMETHODCALLTYPE PanelName(IAccessible* object, VARIANT child, BSTR* name)
{
    const ButtonSlot* slot;
    *name = NULL;
    if (!FindChild(ReadersOf(object), &child, &slot))
        return E_INVALIDARG;
    if (slot == NULL) {
        *name = WideString(ReadersOf(object), LAUNCHER_TITLE);
    } else {
        *name = LanguageText(ReadersOf(object), (UINT)slot->Code);
    }
    return *name != NULL ? S_OK : S_FALSE;
}

// Value, description, help and keyboard shortcut: none of them.
static HRESULT STDMETHODCALLTYPE PanelNoText(IAccessible* object, VARIANT child, BSTR* text)
{
    const ButtonSlot* slot;
    *text = NULL;
    return FindChild(ReadersOf(object), &child, &slot) ? S_FALSE : E_INVALIDARG;
}

static HRESULT STDMETHODCALLTYPE PanelRole(IAccessible* object, VARIANT child, VARIANT* role)
{
    const ButtonSlot* slot;
    role->vt = VT_EMPTY;
    if (!FindChild(ReadersOf(object), &child, &slot))
        return E_INVALIDARG;
    role->vt = VT_I4;
    role->lVal = slot != NULL ? ROLE_SYSTEM_PUSHBUTTON : ROLE_SYSTEM_CLIENT;
    return S_OK;
}

// The lit button is hot-tracked, as under the pointer, and has the focus
// while the window has it (the keys move the light, and Enter presses it);
// a pressed one is pressed until its command has run. The hidden
// launcher's client is invisible, and has no buttons.
static HRESULT STDMETHODCALLTYPE PanelStateBits(IAccessible* object, VARIANT child, VARIANT* state)
{
    const ReaderState* readers = ReadersOf(object);
    const ButtonSlot* slot;
    state->vt = VT_EMPTY;
    if (!FindChild(readers, &child, &slot))
        return E_INVALIDARG;
    LONG bits = STATE_SYSTEM_FOCUSABLE;
    if (FocusedChild(readers) == child.lVal)
        bits |= STATE_SYSTEM_FOCUSED;
    if (slot == NULL && readers->Panel->Hidden)
        bits |= STATE_SYSTEM_INVISIBLE;
    if (slot != NULL && readers->Panel->ButtonStates[slot->Code] == Highlighted)
        bits |= STATE_SYSTEM_HOTTRACKED;
    if (slot != NULL && readers->Panel->ButtonStates[slot->Code] == Pressed)
        bits |= STATE_SYSTEM_PRESSED;
    state->vt = VT_I4;
    state->lVal = bits;
    return S_OK;
}

static HRESULT STDMETHODCALLTYPE PanelHelpTopic(IAccessible*, BSTR* file, VARIANT, long* topic)
{
    *file = NULL;
    *topic = 0;
    return DISP_E_MEMBERNOTFOUND;
}

static HRESULT STDMETHODCALLTYPE PanelFocus(IAccessible* object, VARIANT* focus)
{
    LONG focused = FocusedChild(ReadersOf(object));
    focus->vt = VT_EMPTY;
    if (focused < 0)
        return S_FALSE;
    focus->vt = VT_I4;
    focus->lVal = focused;
    return S_OK;
}

static HRESULT STDMETHODCALLTYPE PanelSelection(IAccessible*, VARIANT* selection)
{
    selection->vt = VT_EMPTY;
    return S_FALSE;
}

static HRESULT STDMETHODCALLTYPE PanelDefaultAction(IAccessible* object, VARIANT child, BSTR* action)
{
    const ButtonSlot* slot;
    *action = NULL;
    if (!FindChild(ReadersOf(object), &child, &slot))
        return E_INVALIDARG;
    if (slot == NULL)
        return S_FALSE;
    *action = LanguageText(ReadersOf(object), PRESS_STRING);
    return *action != NULL ? S_OK : S_FALSE;
}

// Screen pixels: the button picture's rectangle, or the client area's (empty
// while hidden).
static HRESULT STDMETHODCALLTYPE PanelLocation(IAccessible* object, long* left, long* top, long* width,
                                               long* height, VARIANT child)
{
    HWND window = ReadersOf(object)->Window;
    const ButtonSlot* slot;
    *left = *top = *width = *height = 0;
    if (!FindChild(ReadersOf(object), &child, &slot))
        return E_INVALIDARG;
    RECT place = { 0, 0, 0, 0 };  // where the window's size cannot be had
    if (slot != NULL)
        place = slot->Rect;
    else
        GetClientRect(window, &place);
    MapWindowPoints(window, NULL, (POINT*)&place, 2);
    *left = place.left;
    *top = place.top;
    *width = place.right - place.left;
    *height = place.bottom - place.top;
    return S_OK;
}

// From the client to its first or last button; between the buttons in the
// order shown, right and next going on, left and previous going back; up
// and down lead nowhere.
static HRESULT STDMETHODCALLTYPE PanelNavigate(IAccessible* object, long direction, VARIANT start, VARIANT* end)
{
    static const signed char Steps[] = { 0, 0, -1, 1, 1, -1 };  // from NAVDIR_UP to NAVDIR_PREVIOUS
    const ButtonSlot* slot;
    end->vt = VT_EMPTY;
    if (!FindChild(ReadersOf(object), &start, &slot) || direction < NAVDIR_UP || direction > NAVDIR_LASTCHILD ||
        (slot != NULL && direction >= NAVDIR_FIRSTCHILD))
        return E_INVALIDARG;
    int count;
    ShownLayout(ReadersOf(object)->Panel, &count);
    LONG to = CHILDID_SELF;
    if (slot != NULL)
        to = start.lVal + Steps[direction - NAVDIR_UP];
    else if (direction >= NAVDIR_FIRSTCHILD)
        to = direction == NAVDIR_FIRSTCHILD ? 1 : count;
    if (to < 1 || to > count || to == start.lVal)
        return S_FALSE;
    end->vt = VT_I4;
    end->lVal = to;
    return S_OK;
}

// The button a click at that screen point would press, by the same hit test
// (a picture's right and bottom edges count as its own), else the client
// when its area holds the point; outside it, nothing.
static HRESULT STDMETHODCALLTYPE PanelHitTest(IAccessible* object, long x, long y, VARIANT* found)
{
    const ReaderState* readers = ReadersOf(object);
    found->vt = VT_EMPTY;
    RECT client = { 0, 0, 0, 0 };
    POINT point = { (LONG)x, (LONG)y };
    GetClientRect(readers->Window, &client);
    MapWindowPoints(NULL, readers->Window, &point, 1);
    if ((unsigned long)point.x >= (unsigned long)client.right || (unsigned long)point.y >= (unsigned long)client.bottom)
        return S_FALSE;
    found->vt = VT_I4;
    found->lVal = readers->Panel->Hidden ? CHILDID_SELF : ButtonAt(readers->Panel, point.x, point.y) + 1;
    return S_OK;
}

// Exactly what a click does: the command is posted, and runs when it comes
// back through the window procedure, after the reader's call has returned.
static HRESULT STDMETHODCALLTYPE PanelDoDefaultAction(IAccessible* object, VARIANT child)
{
    const ButtonSlot* slot;
    if (!FindChild(ReadersOf(object), &child, &slot))
        return E_INVALIDARG;
    if (slot == NULL)
        return DISP_E_MEMBERNOTFOUND;
    PressButton(ReadersOf(object)->Panel, ReadersOf(object)->Window, slot);
    return S_OK;
}

// Nothing here is selected.
static HRESULT STDMETHODCALLTYPE PanelNotSelectable(IAccessible*, long, VARIANT)
{
    return DISP_E_MEMBERNOTFOUND;
}

// Name and value are not the reader's to set.
static HRESULT STDMETHODCALLTYPE PanelSetText(IAccessible*, VARIANT, BSTR)
{
    return E_NOTIMPL;
}

static const IAccessibleVtbl PanelMethods = {
    PanelQueryInterface, PanelCount, PanelCount,
    PanelTypeInfoCount, PanelTypeInfo, PanelIdsOfNames, PanelInvoke,
    PanelParent, PanelChildCount, PanelChild, PanelName, PanelNoText, PanelNoText, PanelRole, PanelStateBits,
    PanelNoText, PanelHelpTopic, PanelNoText, PanelFocus, PanelSelection, PanelDefaultAction,
    PanelNotSelectable, PanelLocation, PanelNavigate, PanelHitTest, PanelDoDefaultAction, PanelSetText, PanelSetText,
};

// Finds the libraries' functions, by full path (a bare name would be looked
// for in the launcher's folder, the disc's), and starts COM on the window's
// thread, which LresultFromObject needs to hand the object to another
// process. Tried once: a system without them answers every later
// WM_GETOBJECT at once.
static int StartAccessibility(ReaderState* readers)
{
    if (readers->Ready != 0)
        return readers->Ready > 0;
    readers->Ready = -1;
    // A library there that cannot load (a part of it missing, as after a
    // partial install on Windows 9x) fails quietly, not with a box that
    // waits for an answer.
    UINT previous = SetErrorMode(QuietErrorMode);
    int found = 1;
    for (int i = 0; i < AccessFunctionCount && found; ++i) {
        HMODULE library = LoadSystemLibrary(AccessExports[i].Library);
        readers->Functions[i] = library != NULL ? GetProcAddress(library, AccessExports[i].Name) : NULL;
        found = readers->Functions[i] != NULL;
    }
    SetErrorMode(previous);
    if (!found)
        return 0;
    HRESULT started = ((ComInitializeFunction)(void*)readers->Functions[ComInitializeAt])(NULL);
    if (FAILED(started))
        return 0;
    readers->ComStarted = 1;
    readers->Object.lpVtbl = (IAccessibleVtbl*)&PanelMethods;
    readers->Ready = 1;
    return 1;
}

void ConnectReaders(ReaderState* readers, HWND window, HINSTANCE instance, LANGID language, PanelState* panel)
{
    readers->Window = window;
    readers->Instance = instance;
    readers->Language = language;
    readers->Panel = panel;
}

// Only the client area is ours; the window's frame and the rest are the
// system's. On 64-bit Windows the object id may come without its sign
// extended into lParam, so it is compared as 32 bits.
LRESULT HandleGetObject(ReaderState* readers, WPARAM wParam, LPARAM lParam)
{
    if ((LONG)(DWORD)lParam == OBJID_CLIENT && StartAccessibility(readers))
        return ((ResultFromObjectFunction)(void*)readers->Functions[ResultFromObjectAt])(
            *AccessibleInterface, wParam, (IUnknown*)&readers->Object);
    return DefWindowProcA(readers->Window, WM_GETOBJECT, wParam, lParam);
}

// Tells readers listening for WinEvents (they need not have asked for the
// object yet). NotifyWinEvent is in user32 from Windows 98 and 2000, and in
// Windows 95 and NT 4 with Active Accessibility: looked up at each event,
// which comes of a key or of the window's return.
void AnnounceToReaders(HWND window, DWORD event, LONG childId)
{
    NotifyWinEventFunction notify =
        (NotifyWinEventFunction)(void*)GetProcAddress(GetModuleHandleA("user32.dll"), "NotifyWinEvent");
    if (notify != NULL)
        notify(event, window, OBJID_CLIENT, childId);
}

// A reader may keep its proxy after the window has gone: the object is cut
// from it first, so the reader's next call fails instead of reaching a
// launcher that has ended.
void ReleaseReaders(ReaderState* readers)
{
    if (!readers->ComStarted)
        return;
    ((DisconnectObjectFunction)(void*)readers->Functions[DisconnectObjectAt])((IUnknown*)&readers->Object, 0);
    ((ComUninitializeFunction)(void*)readers->Functions[ComUninitializeAt])();
    readers->ComStarted = 0;
    readers->Ready = -1;
}
