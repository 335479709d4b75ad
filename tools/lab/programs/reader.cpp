// The bench's screen reader: reads the launcher window through Active
// Accessibility from another process, as a screen reader does, and prints
// what it got, one record a line: a tag, then TAB-separated key=value fields.
// HRESULTs are printed as 0x%08lx, states in hex, roles and child ids in
// decimal, and a VARIANT as "VT_I4 n", "VT_EMPTY", "VT_DISPATCH" or "vt=n".
#include <windows.h>
#include <oleacc.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

// The import library of oleacc.dll also has an IID_IAccessible, a thunk
// into the DLL rather than the GUID, so the interface's GUID comes from its
// declaration instead.
static const IID AccessibleIid = __uuidof(IAccessible);

static const char LauncherClass[] = "Autorun";
static const char LauncherTitle[] = "ZARNO KELVANDO(tm)";

static int Usage()
{
    fprintf(stderr,
            "reader dump                  (the client object, its children, bounds, hit tests, navigation, focus)\n"
            "reader listen EVENT N SECONDS (EVENT focus or reorder: the launcher's events, read back by name)\n"
            "reader press NAME            (the default action of the child of that name)\n"
            "reader hold SECONDS          (holds the object until the window is gone, then calls it)\n");
    return 2;
}

static void Hresult(const char* key, HRESULT hr)
{
    printf("\t%s=0x%08lx", key, (unsigned long)hr);
}

static void Variant(const VARIANT& value)
{
    if (value.vt == VT_I4)
        printf("VT_I4 %ld", (long)value.lVal);
    else if (value.vt == VT_EMPTY)
        printf("VT_EMPTY");
    else if (value.vt == VT_DISPATCH)
        printf("VT_DISPATCH");
    else
        printf("vt=%d", (int)value.vt);
}

static VARIANT Child(long id)
{
    VARIANT child;
    VariantInit(&child);
    child.vt = VT_I4;
    child.lVal = id;
    return child;
}

// Text of a BSTR in UTF-8, or "error 0x..." when the call failed.
static void Text(const char* key, HRESULT hr, BSTR text)
{
    if (FAILED(hr)) {
        printf("\t%s=error 0x%08lx", key, (unsigned long)hr);
        return;
    }
    char bytes[512] = "";
    if (text != NULL)
        WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes, sizeof bytes, NULL, NULL);
    printf("\t%s=%s", key, bytes);
    SysFreeString(text);
}

static void Name(IAccessible* object, VARIANT child, const char* key = "name")
{
    BSTR name = NULL;
    HRESULT hr = object->get_accName(child, &name);
    Text(key, hr, name);
}

// A property that comes back as a VARIANT holding a number: decimal or hex.
static void Number(const char* key, HRESULT hr, VARIANT& value, const char* format)
{
    if (FAILED(hr))
        printf("\t%s=error 0x%08lx", key, (unsigned long)hr);
    else if (value.vt != VT_I4)
        printf("\t%s=vt=%d", key, (int)value.vt);
    else {
        printf("\t%s=", key);
        printf(format, (unsigned long)value.lVal);
    }
    VariantClear(&value);
}

static void Properties(IAccessible* object, VARIANT child)
{
    Name(object, child);
    VARIANT role, state;
    VariantInit(&role);
    VariantInit(&state);
    Number("role", object->get_accRole(child, &role), role, "%lu");
    Number("state", object->get_accState(child, &state), state, "0x%08lx");
}

static HWND Launcher()
{
    return FindWindowA(LauncherClass, LauncherTitle);
}

static IAccessible* Object(HWND window)
{
    IAccessible* object = NULL;
    HRESULT hr = AccessibleObjectFromWindow(window, (DWORD)OBJID_CLIENT, AccessibleIid, (void**)&object);
    printf("object");
    Hresult("hr", hr);
    printf("\n");
    return SUCCEEDED(hr) ? object : NULL;
}

static void HitTest(IAccessible* object, const char* label, long x, long y)
{
    VARIANT result;
    VariantInit(&result);
    HRESULT hr = object->accHitTest(x, y, &result);
    printf("hit\tat=%s\tx=%ld\ty=%ld", label, x, y);
    Hresult("hr", hr);
    printf("\tresult=");
    Variant(result);
    printf("\n");
    VariantClear(&result);
}

// From the client object to its first (last) child, then on in one
// direction until the object says there is nothing further.
static void Navigate(IAccessible* object, const char* label, long start, long direction)
{
    printf("navigate\tdir=%s\tchain=", label);
    VARIANT from = Child(CHILDID_SELF);
    long step = start;
    for (int i = 0; i < 16; ++i) {
        VARIANT to;
        VariantInit(&to);
        HRESULT hr = object->accNavigate(step, from, &to);
        if (hr != S_OK || to.vt != VT_I4) {
            printf("\tend=0x%08lx ", (unsigned long)hr);
            Variant(to);
            printf("\n");
            VariantClear(&to);
            return;
        }
        printf(i == 0 ? "%ld" : " %ld", (long)to.lVal);
        from = to;
        step = direction;
    }
    printf("\tend=endless\n");
}

static void Bounds(IAccessible* object, const char* label, VARIANT child)
{
    printf("bound\tchild=%s", label);
    BSTR text = NULL;
    HRESULT hr = object->get_accName(child, &text);
    Hresult("name", hr);
    SysFreeString(text);
    VARIANT value;
    VariantInit(&value);
    Hresult("role", object->get_accRole(child, &value));
    VariantClear(&value);
    Hresult("state", object->get_accState(child, &value));
    VariantClear(&value);
    long left = 0, top = 0, width = 0, height = 0;
    Hresult("place", object->accLocation(&left, &top, &width, &height, child));
    text = NULL;
    Hresult("action", object->get_accDefaultAction(child, &text));
    SysFreeString(text);
    IDispatch* element = NULL;
    Hresult("element", object->get_accChild(child, &element));
    if (element != NULL)
        element->Release();
    Hresult("press", object->accDoDefaultAction(child));
    printf("\n");
}

static int Dump(HWND window)
{
    IAccessible* object = Object(window);
    if (object == NULL)
        return 1;
    long count = -1;
    printf("self");
    Properties(object, Child(CHILDID_SELF));
    HRESULT hr = object->get_accChildCount(&count);
    if (FAILED(hr))
        printf("\tcount=error 0x%08lx\n", (unsigned long)hr);
    else
        printf("\tcount=%ld\n", count);

    for (long id = 1; id <= count && id <= 16; ++id) {
        VARIANT child = Child(id);
        printf("child\tid=%ld", id);
        Properties(object, child);
        long left = 0, top = 0, width = 0, height = 0;
        hr = object->accLocation(&left, &top, &width, &height, child);
        if (FAILED(hr))
            printf("\tplace=error 0x%08lx", (unsigned long)hr);
        else
            printf("\tplace=%ld %ld %ld %ld", left, top, width, height);
        BSTR action = NULL;
        hr = object->get_accDefaultAction(child, &action);
        Text("action", hr, action);
        IDispatch* element = NULL;
        hr = object->get_accChild(child, &element);
        printf("\telement=0x%08lx %s\n", (unsigned long)hr, element == NULL ? "null" : "object");
        if (element != NULL)
            element->Release();
    }

    // What no child id names: one past the count, a negative one, and
    // VARIANTs of other types than VT_I4.
    Bounds(object, "past", Child(count + 1));
    Bounds(object, "negative", Child(-1));
    VARIANT text;
    VariantInit(&text);
    text.vt = VT_BSTR;
    text.bstrVal = SysAllocString(L"1");
    Bounds(object, "bstr", text);
    VariantClear(&text);
    VARIANT empty;
    VariantInit(&empty);
    Bounds(object, "empty", empty);

    // Each child's rectangle from inside (centre, first and last pixel)
    // and the pixels just outside it on every side.
    for (long id = 1; id <= count && id <= 16; ++id) {
        long l = 0, t = 0, w = 0, h = 0;
        if (FAILED(object->accLocation(&l, &t, &w, &h, Child(id))))
            continue;
        char label[32];
        const struct {
            const char* where;
            long x, y;
        } points[] = {
            { "centre", l + w / 2, t + h / 2 }, { "first", l, t },          { "last", l + w - 1, t + h - 1 },
            { "left", l - 1, t + h / 2 },       { "right", l + w, t + h / 2 }, { "above", l + w / 2, t - 1 },
            { "below", l + w / 2, t + h },
        };
        for (const auto& point : points) {
            snprintf(label, sizeof label, "%ld-%s", id, point.where);
            HitTest(object, label, point.x, point.y);
        }
    }
    RECT outer;
    GetWindowRect(window, &outer);
    POINT origin = { 0, 0 };
    ClientToScreen(window, &origin);
    HitTest(object, "client", origin.x + 20, origin.y + 20);
    HitTest(object, "outside", outer.left > 10 ? outer.left - 10 : outer.right + 10, outer.top + 40);

    Navigate(object, "next", NAVDIR_FIRSTCHILD, NAVDIR_NEXT);
    Navigate(object, "right", NAVDIR_FIRSTCHILD, NAVDIR_RIGHT);
    Navigate(object, "previous", NAVDIR_LASTCHILD, NAVDIR_PREVIOUS);
    Navigate(object, "left", NAVDIR_LASTCHILD, NAVDIR_LEFT);

    VARIANT focus;
    VariantInit(&focus);
    hr = object->get_accFocus(&focus);
    printf("focus");
    Hresult("hr", hr);
    printf("\tresult=");
    Variant(focus);
    printf("\tforeground=%d\n", GetForegroundWindow() == window ? 1 : 0);
    VariantClear(&focus);
    object->Release();
    return 0;
}

// ---- events --------------------------------------------------------------
static HWND listened;
static int heard;

static void CALLBACK Heard(HWINEVENTHOOK, DWORD event, HWND window, LONG objectId, LONG childId, DWORD, DWORD)
{
    // Wine delivers nothing to a hook that names one process and skips its
    // own, so the hook takes every process and the launcher is picked here.
    if (window != listened)
        return;
    printf("%s\tid=%ld\tobject=%ld", event == EVENT_OBJECT_FOCUS ? "focus" : "reorder", (long)childId,
           (long)objectId);
    IAccessible* object = NULL;
    VARIANT child;
    VariantInit(&child);
    HRESULT hr = AccessibleObjectFromEvent(window, (DWORD)objectId, (DWORD)childId, &object, &child);
    if (SUCCEEDED(hr) && object != NULL) {
        Name(object, child);
        object->Release();
    } else {
        printf("\tname=error 0x%08lx", (unsigned long)hr);
    }
    VariantClear(&child);
    printf("\n");
    fflush(stdout);
    ++heard;
}

static int Listen(HWND window, const char* kind, int count, int seconds)
{
    DWORD event;
    if (strcmp(kind, "focus") == 0)
        event = EVENT_OBJECT_FOCUS;
    else if (strcmp(kind, "reorder") == 0)
        event = EVENT_OBJECT_REORDER;
    else
        return Usage();
    listened = window;
    HWINEVENTHOOK hook = SetWinEventHook(event, event, NULL, Heard, 0, 0, WINEVENT_OUTOFCONTEXT);
    if (hook == NULL) {
        printf("hook\terror=%lu\n", (unsigned long)GetLastError());
        return 1;
    }
    printf("ready\n");
    fflush(stdout);
    DWORD end = GetTickCount() + (DWORD)seconds * 1000;
    while (heard < count && (LONG)(GetTickCount() - end) < 0) {
        MsgWaitForMultipleObjects(0, NULL, FALSE, 100, QS_ALLINPUT);
        MSG message;
        while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    UnhookWinEvent(hook);
    printf("heard\tcount=%d\n", heard);
    return heard >= count ? 0 : 1;
}

// ---- acting and holding ------------------------------------------------------
static int Press(HWND window, const char* wanted)
{
    IAccessible* object = Object(window);
    if (object == NULL)
        return 1;
    long count = 0;
    object->get_accChildCount(&count);
    int result = 1, found = 0;
    for (long id = 1; id <= count && !found; ++id) {
        BSTR name = NULL;
        char text[256] = "";
        if (SUCCEEDED(object->get_accName(Child(id), &name)) && name != NULL)
            WideCharToMultiByte(CP_UTF8, 0, name, -1, text, sizeof text, NULL, NULL);
        SysFreeString(name);
        if (strcmp(text, wanted) == 0) {
            HRESULT hr = object->accDoDefaultAction(Child(id));
            printf("press\tid=%ld", id);
            Hresult("hr", hr);
            printf("\n");
            result = hr == S_OK ? 0 : 1;
            found = 1;
        }
    }
    if (!found)
        printf("press\tnone named %s among %ld\n", wanted, count);
    object->Release();
    return result;
}

static void Calls(IAccessible* object, const char* tag)
{
    long count = -1;
    HRESULT hr = object->get_accChildCount(&count);
    printf("%s", tag);
    Hresult("count", hr);
    BSTR name = NULL;
    Hresult("name", object->get_accName(Child(CHILDID_SELF), &name));
    SysFreeString(name);
    printf("\n");
    fflush(stdout);
}

// A screen reader keeps the object it was given: once the window has gone,
// each call through it fails with an error, and nothing crashes.
static int Hold(HWND window, int seconds)
{
    IAccessible* object = Object(window);
    if (object == NULL)
        return 1;
    Calls(object, "before");
    printf("ready\n");
    fflush(stdout);
    DWORD end = GetTickCount() + (DWORD)seconds * 1000;
    while (IsWindow(window) && (LONG)(GetTickCount() - end) < 0) {
        MsgWaitForMultipleObjects(0, NULL, FALSE, 100, QS_ALLINPUT);
        MSG message;
        while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
    }
    printf("gone\twindow=%d\n", IsWindow(window) ? 0 : 1);
    Calls(object, "after");
    object->Release();
    printf("released\n");
    return 0;
}

int main(int argc, char** argv)
{
    if (argc < 2)
        return Usage();
    const char* verb = argv[1];
    HWND window = Launcher();
    if (window == NULL) {
        printf("none\n");
        return 1;
    }
    if (FAILED(CoInitialize(NULL)))
        return 1;
    int result;
    if (strcmp(verb, "dump") == 0 && argc == 2)
        result = Dump(window);
    else if (strcmp(verb, "listen") == 0 && argc == 5)
        result = Listen(window, argv[2], atoi(argv[3]), atoi(argv[4]));
    else if (strcmp(verb, "press") == 0 && argc == 3)
        result = Press(window, argv[2]);
    else if (strcmp(verb, "hold") == 0 && argc == 3)
        result = Hold(window, atoi(argv[2]));
    else
        result = Usage();
    CoUninitialize();
    return result;
}
