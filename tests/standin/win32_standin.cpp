// The behaviour of the Win32 stand-in. It follows what Windows does where the
// launcher relies on it; deliberate simplifications are noted where they are.
#include <ctype.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <deque>
#include <tuple>

#include "standin_world.h"

namespace standin {

std::vector<std::string> Calls;
int ScreenWidth, ScreenHeight;
std::string DriveList;
int DriveListFails;
std::map<char, UINT> DriveTypes;
std::string WindowsDirectory;
int OpenFileHandles;
std::map<void*, size_t> VirtualBlocks;
size_t VirtualAllocLimit;
UINT ErrorMode;
std::vector<Probe> Probes;
std::map<std::string, std::string> Environment;
int OpenKeys;
bool HasPaletteText;
std::string PaletteText;
int LockedResources;
std::map<ResourceName, std::string> Resources;
WORD UiLanguage, NtdllLanguage, SystemLanguage;
std::vector<Window> Windows;
std::vector<WNDCLASSA> RegisteredClasses;
std::vector<std::string> RegisteredClassNames;
bool RegisterClassFails, CreateWindowFails;
std::vector<Move> Moves;
std::vector<MSG> Posted;
int QuitCode;
bool QuitPosted;
std::function<bool()> Idle;
bool LoopStarved;
bool GetMessageFails;
std::vector<Timer> Timers;
std::vector<Invalidation> Invalidations;
std::vector<PALETTEENTRY> LastPaletteEntries;
int LastPaletteVersion;
std::vector<PaletteCall> PaletteCalls;
UINT RealizeResult;
UINT_PTR TimerAnswer;
UINT_PTR RefusedTimer;
bool PaletteDisplay;
std::vector<PALETTEENTRY> SystemPalette;
std::vector<Blit> Blits;
std::vector<Fill> Fills;
bool CreateCompatibleDcFails;
std::vector<ProcessStart> Started;
DWORD NextStartError;
DWORD NextProcessId;
std::map<DWORD, Process> Processes;
int OpenProcessHandles;
int BadCloses;
int OpenSnapshots;
std::set<std::string> Mutexes;
bool CreateMutexFails;
int OpenMutexHandles;
std::vector<ShellStart> ShellStarts;
DWORD NextShellError;
int Shell32Loads;
bool Exited;
UINT ExitCode;

namespace {

struct File {
    std::string contents;
    bool bitmap;
};
std::map<std::string, File> files;  // by lower-case path
std::set<std::string> directories;  // by lower-case path
struct Value {
    std::string bytes;
    DWORD type;
};
std::map<std::string, std::map<std::string, Value>> registry;  // lower-case key path -> values
std::map<uintptr_t, std::string> openKeys;
std::deque<MSG> queue;
DWORD lastError;
// The locked palette text lives in a block of exactly its size, so that a
// read past its end is caught by the address sanitizer.
std::vector<char> lockedText;

struct GdiObject {
    ObjectKind kind;
    bool alive;
    HWND window;           // for window DCs
    HPALETTE palette;      // selected palette, for DCs
    HGDIOBJ bitmap;        // selected bitmap, for DCs
    int resourceId;        // for bitmaps
    std::vector<BYTE> bits;  // for DIB sections
    std::string file;      // for bitmaps
    std::vector<PALETTEENTRY> entries;  // for palettes
    std::vector<int> slots;             // for palettes: where the last foreground realization put them
};
std::map<uintptr_t, GdiObject> objects;
uintptr_t nextObject;
uintptr_t nextWindow;
uintptr_t nextKernelHandle;
struct ProcessHandle {
    DWORD id;
    int generation;
    DWORD access;
};
const DWORD AllProcessAccess = 0x1FFFFF;
// Process snapshots: the ids and parents of the running processes when it
// was taken, and how far the walk has gone.
struct Snapshot {
    std::vector<std::pair<DWORD, DWORD>> processes;
    size_t next;
};
std::map<uintptr_t, Snapshot> snapshots;
std::map<uintptr_t, ProcessHandle> processHandles;
int nextGeneration;
std::set<uintptr_t> threadHandles;
std::map<uintptr_t, size_t> fileHandles;  // handle -> read position
std::map<uintptr_t, std::string> fileHandlePaths;
std::set<uintptr_t> mutexHandles;

const uintptr_t StockBase = 0x5000;
const uintptr_t PaletteResource = 0x7001;
const uintptr_t PaletteData = 0x7002;
const uintptr_t Kernel32 = 0x7100;
const uintptr_t Shell32 = 0x7200;
const uintptr_t Ntdll = 0x7500;
const int DialogFrame = 3;  // WS_DLGFRAME's width on each side, as Windows and Wine draw it

std::string Lower(const std::string& text)
{
    std::string result = text;
    for (char& c : result)
        c = (char)tolower((unsigned char)c);
    return result;
}

std::string Upper(const std::string& text)
{
    std::string result = text;
    for (char& c : result)
        c = (char)toupper((unsigned char)c);
    return result;
}

std::u16string Utf16(const std::string& text)
{
    std::u16string result;
    for (size_t i = 0; i < text.size();) {
        unsigned char c = (unsigned char)text[i];
        int extra = c >= 0xf0 ? 3 : c >= 0xe0 ? 2 : c >= 0xc0 ? 1 : 0;
        char32_t code = extra == 0 ? c : c & (0x3f >> extra);
        for (int k = 1; k <= extra && i + k < text.size(); ++k)
            code = code << 6 | ((unsigned char)text[i + k] & 0x3f);
        i += 1 + extra;
        if (code >= 0x10000) {
            result += (char16_t)(0xd800 + ((code - 0x10000) >> 10));
            result += (char16_t)(0xdc00 + ((code - 0x10000) & 0x3ff));
        } else {
            result += (char16_t)code;
        }
    }
    return result;
}

std::string Utf8(const std::u16string& text)
{
    std::string result;
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t code = text[i];
        if (code >= 0xd800 && code < 0xdc00 && i + 1 < text.size())
            code = 0x10000 + ((code - 0xd800) << 10) + (text[++i] - 0xdc00);
        if (code < 0x80) {
            result += (char)code;
        } else if (code < 0x800) {
            result += (char)(0xc0 | code >> 6);
            result += (char)(0x80 | (code & 0x3f));
        } else if (code < 0x10000) {
            result += (char)(0xe0 | code >> 12);
            result += (char)(0x80 | (code >> 6 & 0x3f));
            result += (char)(0x80 | (code & 0x3f));
        } else {
            result += (char)(0xf0 | code >> 18);
            result += (char)(0x80 | (code >> 12 & 0x3f));
            result += (char)(0x80 | (code >> 6 & 0x3f));
            result += (char)(0x80 | (code & 0x3f));
        }
    }
    return result;
}

std::string KeyPath(const std::string& path)
{
    // Windows opens "a\b\" as "a\b": a trailing backslash names no further key.
    std::string result = Lower(path);
    while (!result.empty() && result.back() == '\\')
        result.pop_back();
    return result;
}

void Log(const std::string& text)
{
    Calls.push_back(text);
}

HGDIOBJ NewObject(ObjectKind kind, HWND window = NULL)
{
    uintptr_t handle = ++nextObject;
    GdiObject object = {};
    object.kind = kind;
    object.alive = true;
    object.window = window;
    object.palette = (HPALETTE)(StockBase + DEFAULT_PALETTE);
    object.bitmap = (HGDIOBJ)(StockBase + 100);  // a DC starts with a 1 x 1 stock bitmap
    object.resourceId = -1;
    objects[handle] = object;
    return (HGDIOBJ)handle;
}

GdiObject* Object(HGDIOBJ handle)
{
    auto found = objects.find((uintptr_t)handle);
    if (found == objects.end() || !found->second.alive)
        return NULL;
    return &found->second;
}

HANDLE NewKernelHandle()
{
    return (HANDLE)(++nextKernelHandle);
}

void Dispatch(const MSG& message)
{
    Window* window = FindWindowRecord(message.hwnd);
    if (window != NULL && window->alive && window->proc != NULL)
        window->proc(message.hwnd, message.message, message.wParam, message.lParam);
}

bool IsEmpty(const RECT& r)
{
    return r.right <= r.left || r.bottom <= r.top;
}

Window* PendingPaint()
{
    for (Window& w : Windows)
        if (w.alive && !w.foreign && !IsEmpty(w.invalid))
            return &w;
    return NULL;
}

void AddInvalid(Window& window, const RECT& rect, BOOL erase)
{
    RECT client = ClientRect(window);
    RECT clipped = { std::max(rect.left, client.left), std::max(rect.top, client.top),
                     std::min(rect.right, client.right), std::min(rect.bottom, client.bottom) };
    if (IsEmpty(clipped))
        return;
    if (IsEmpty(window.invalid)) {
        window.invalid = clipped;
    } else {
        window.invalid.left = std::min(window.invalid.left, clipped.left);
        window.invalid.top = std::min(window.invalid.top, clipped.top);
        window.invalid.right = std::max(window.invalid.right, clipped.right);
        window.invalid.bottom = std::max(window.invalid.bottom, clipped.bottom);
    }
    if (erase)
        window.eraseInvalid = true;
}

// A scripted failure: true once, with the error set, when one is due.
bool FailsWith(DWORD* nextError)
{
    if (*nextError == 0)
        return false;
    lastError = *nextError;
    *nextError = 0;
    return true;
}

// A new running process and a handle to it.
HANDLE NewProcess(DWORD* id)
{
    *id = NextProcessId++;
    Processes[*id] = Process{ true, false, STILL_ACTIVE, ++nextGeneration };
    HANDLE handle = NewKernelHandle();
    processHandles[(uintptr_t)handle] = ProcessHandle{ *id, nextGeneration, AllProcessAccess };
    ++OpenProcessHandles;
    return handle;
}

void LogProbe(const char* path)
{
    Probes.push_back(Probe{ path, ErrorMode });
}

std::string TrimProfileBlanks(const std::string& text)
{
    static const char blanks[] = " \t\r\n\v\f\x1a";
    size_t start = text.find_first_not_of(blanks);
    if (start == std::string::npos)
        return "";
    size_t end = text.find_last_not_of(blanks);
    return text.substr(start, end - start + 1);
}

// The Windows profile reader on a file that is not mapped: lines end at a
// line feed or a carriage return; blanks and Ctrl+Z around names and values
// are dropped; "[name]" runs to the line's last bracket, and a line with no
// closing bracket is an ordinary line; sections and keys match without
// regard to case, and only the first section of a name and the first line
// of a key count; ';' starts a comment line; a key line without '=' has no
// value; a value wholly inside matching quotes loses them. ANSI text only
// (the Wine bench's profile_rules case checks these against Wine).
bool ReadProfile(const std::string& contents, const std::string& section, const std::string& key,
                 std::string* value)
{
    bool inSection = false;
    size_t pos = 0;
    while (pos < contents.size()) {
        size_t end = contents.find_first_of("\r\n", pos);
        if (end == std::string::npos)
            end = contents.size();
        std::string line = TrimProfileBlanks(contents.substr(pos, end - pos));
        pos = end + 1;
        if (line.empty() || line[0] == ';')
            continue;
        size_t close = line.rfind(']');
        if (line[0] == '[' && close != std::string::npos && close > 0) {
            if (inSection)
                return false;
            inSection = Lower(TrimProfileBlanks(line.substr(1, close - 1))) == Lower(section);
            continue;
        }
        if (!inSection)
            continue;
        size_t equals = line.find('=');
        if (Lower(TrimProfileBlanks(line.substr(0, equals))) != Lower(key))
            continue;
        if (equals == std::string::npos)
            return false;
        std::string found = TrimProfileBlanks(line.substr(equals + 1));
        if (found.size() >= 2 && (found[0] == '"' || found[0] == '\'') && found.back() == found[0])
            found = found.substr(1, found.size() - 2);
        *value = found;
        return true;
    }
    return false;
}

}  // namespace

void Reset()
{
    Calls.clear();
    ScreenWidth = 1024;
    ScreenHeight = 768;
    DriveList.clear();
    DriveListFails = 0;
    DriveTypes.clear();
    WindowsDirectory = "C:\\WINDOWS";
    OpenFileHandles = 0;
    for (auto& block : VirtualBlocks)
        free(block.first);
    VirtualBlocks.clear();
    VirtualAllocLimit = 64 * 1024 * 1024;
    ErrorMode = 0;
    Probes.clear();
    Environment.clear();
    Environment["SYSTEMDRIVE"] = "C:";
    Environment["PROGRAMFILES"] = "C:\\Program Files";
    OpenKeys = 0;
    HasPaletteText = false;
    PaletteText.clear();
    Resources.clear();
    UiLanguage = SystemLanguage = 0x0809;
    NtdllLanguage = 0;
    LockedResources = 0;
    Windows.clear();
    RegisteredClasses.clear();
    RegisteredClassNames.clear();
    RegisterClassFails = CreateWindowFails = false;
    Moves.clear();
    Posted.clear();
    QuitCode = 0;
    QuitPosted = false;
    Idle = nullptr;
    LoopStarved = false;
    GetMessageFails = false;
    Timers.clear();
    Invalidations.clear();
    LastPaletteEntries.clear();
    LastPaletteVersion = 0;
    PaletteCalls.clear();
    RealizeResult = 0;
    Blits.clear();
    Fills.clear();
    CreateCompatibleDcFails = false;
    Started.clear();
    NextStartError = 0;
    NextProcessId = 1000;
    Processes.clear();
    OpenProcessHandles = 0;
    BadCloses = 0;
    ShellStarts.clear();
    NextShellError = 0;
    Shell32Loads = 0;
    Exited = false;
    ExitCode = 0;
    files.clear();
    files["c:\\windows\\system32\\notepad.exe"] = File{};  // every Windows has its Notepad
    directories.clear();
    registry.clear();
    openKeys.clear();
    queue.clear();
    lastError = 0;
    lockedText.clear();
    objects.clear();
    nextObject = 0x10000;
    nextWindow = 0x100;
    nextKernelHandle = 0x40000;
    processHandles.clear();
    nextGeneration = 0;
    snapshots.clear();
    OpenSnapshots = 0;
    threadHandles.clear();
    fileHandles.clear();
    fileHandlePaths.clear();
    TimerAnswer = 0;
    RefusedTimer = 0;
    PaletteDisplay = false;
    SystemPalette = StaticSystemPalette();
    Mutexes.clear();
    CreateMutexFails = false;
    OpenMutexHandles = 0;
    mutexHandles.clear();
    ResetDesktop();
}

int CountCalls(const std::string& prefix)
{
    int count = 0;
    for (const std::string& call : Calls)
        if (call.compare(0, prefix.size(), prefix) == 0)
            ++count;
    return count;
}

int IndexOfCall(const std::string& prefix)
{
    for (size_t i = 0; i < Calls.size(); ++i)
        if (Calls[i].compare(0, prefix.size(), prefix) == 0)
            return (int)i;
    return -1;
}

void SetDrives(const std::vector<std::string>& roots)
{
    DriveList.clear();
    for (const std::string& root : roots) {
        DriveList += root;
        DriveList += '\0';
    }
}

void AddFile(const std::string& path, const std::string& contents, bool bitmap)
{
    files[Lower(path)] = File{ contents, bitmap };
}

void RemoveFile(const std::string& path)
{
    files.erase(Lower(path));
}

void AddDirectory(const std::string& path)
{
    directories.insert(Lower(path));
}

void AddKey(const std::string& path)
{
    registry[KeyPath(path)];
}

void RemoveKey(const std::string& path)
{
    registry.erase(KeyPath(path));
}

void SetValue(const std::string& path, const std::string& name, const std::string& bytes, DWORD type)
{
    registry[KeyPath(path)][Lower(name)] = Value{ bytes, type };
}

HWND AddForeignWindow(const std::string& className, const std::string& title, DWORD processId)
{
    Window window = {};
    window.handle = (HWND)(++nextWindow);
    window.className = className;
    window.title = title;
    window.alive = window.shown = window.foreign = true;
    window.processId = processId;
    Windows.push_back(window);
    return window.handle;
}

void CloseForeignWindow(HWND handle)
{
    Window* window = FindWindowRecord(handle);
    if (window != NULL)
        window->alive = false;
}

void HideForeignWindow(HWND handle)
{
    Window* window = FindWindowRecord(handle);
    if (window != NULL)
        window->shown = false;
}

Window* FindWindowRecord(HWND handle)
{
    for (Window& window : Windows)
        if (window.handle == handle)
            return &window;
    return NULL;
}

RECT ClientRect(const Window& window)
{
    RECT client = { 0, 0, std::max(0, window.width - 2 * DialogFrame), std::max(0, window.height - 2 * DialogFrame) };
    return client;
}

bool PumpOne()
{
    if (!queue.empty()) {
        MSG message = queue.front();
        queue.pop_front();
        Dispatch(message);
        return true;
    }
    Window* window = PendingPaint();
    if (window != NULL) {
        MSG paint = {};
        paint.hwnd = window->handle;
        paint.message = WM_PAINT;
        Dispatch(paint);
        // A window procedure that does not validate would be sent WM_PAINT for ever.
        window->invalid = RECT{ 0, 0, 0, 0 };
        return true;
    }
    return false;
}

bool TimerRunning(UINT_PTR id)
{
    for (const Timer& timer : Timers)
        if (timer.id == id)
            return true;
    return false;
}

bool FireTimer(UINT_PTR id)
{
    for (const Timer& timer : Timers) {
        if (timer.id == id) {
            MSG tick = {};
            tick.hwnd = timer.window;
            tick.message = WM_TIMER;
            tick.wParam = id;
            Dispatch(tick);
            return true;
        }
    }
    return false;
}

int LiveObjects(ObjectKind kind)
{
    int count = 0;
    for (const auto& entry : objects)
        if (entry.second.alive && entry.second.kind == kind)
            ++count;
    return count;
}

int LiveGdiObjects()
{
    return LiveObjects(WindowDc) + LiveObjects(MemoryDc) + LiveObjects(PaletteObject) + LiveObjects(BitmapObject);
}

int ResourceIdOf(HBITMAP bitmap)
{
    std::string picture = PictureOf(bitmap);
    if (!picture.empty())
        return atoi(picture.c_str());
    auto found = objects.find((uintptr_t)bitmap);
    return found == objects.end() ? -1 : found->second.resourceId;
}

// A picture resource's rows start after its 40-byte header and 256 colours.
std::string PictureOf(HBITMAP bitmap)
{
    auto found = objects.find((uintptr_t)bitmap);
    if (found == objects.end() || found->second.bits.empty())
        return "";
    for (const auto& resource : Resources) {
        const std::string& data = resource.second;
        if (std::get<0>(resource.first) == (uintptr_t)RT_BITMAP && data.size() > 1064 &&
            data.compare(1064, std::string::npos, (const char*)found->second.bits.data(), found->second.bits.size()) == 0) {
            char name[32];
            snprintf(name, sizeof name, "%d %04x", std::get<1>(resource.first), std::get<2>(resource.first));
            return name;
        }
    }
    return "";
}

void AddPicture(int id, WORD language)
{
    std::string data(1064 + 116 * 35, '\0');
    BITMAPINFOHEADER header = {};
    header.biSize = 40;
    header.biWidth = 114;
    header.biHeight = 35;
    header.biPlanes = 1;
    header.biBitCount = 8;
    memcpy(&data[0], &header, sizeof header);
    for (size_t i = 1064; i < data.size(); ++i)
        data[i] = (char)(i * 7 + (size_t)id * 13 + language * 31u + (language >> 8));
    Resources[ResourceName((uintptr_t)RT_BITMAP, id, language)] = data;
}

void AddStringTable(WORD language, const std::map<UINT, std::string>& texts)
{
    std::u16string block;
    for (UINT id = 0; id < 16; ++id) {
        auto text = texts.find(id);
        std::u16string wide = text != texts.end() ? Utf16(text->second) : u"";
        block += (char16_t)wide.size();
        block += wide;
    }
    Resources[ResourceName((uintptr_t)RT_STRING, 1, language)] = std::string((const char*)block.data(), block.size() * 2);
}

void AddLanguages(WORD defaultLanguage, const std::vector<WORD>& order)
{
    std::vector<WORD> words = { (WORD)order.size(), defaultLanguage };
    words.insert(words.end(), order.begin(), order.end());
    Resources[ResourceName((uintptr_t)RT_RCDATA, 102, 0)] = std::string((const char*)words.data(), words.size() * 2);
}

std::string FileOf(HBITMAP bitmap)
{
    auto found = objects.find((uintptr_t)bitmap);
    return found == objects.end() ? "" : found->second.file;
}

HPALETTE PaletteSelectedInto(HDC dc)
{
    GdiObject* object = Object(dc);
    return object != NULL ? object->palette : NULL;
}

}  // namespace standin

using namespace standin;

// ---------------------------------------------------------------- user32

HWND FindWindowA(LPCSTR className, LPCSTR windowName)
{
    Log(std::string("FindWindowA ") + (className ? className : "(null)") + "|" + (windowName ? windowName : "(null)"));
    for (Window& window : Windows) {
        if (!window.alive)
            continue;
        if (className != NULL && Lower(window.className) != Lower(className))
            continue;
        if (windowName != NULL && window.title != windowName)
            continue;
        return window.handle;
    }
    return NULL;
}

int GetSystemMetrics(int index)
{
    Log("GetSystemMetrics " + std::to_string(index));
    if (index == SM_CXSCREEN)
        return ScreenWidth;
    if (index == SM_CYSCREEN)
        return ScreenHeight;
    return 0;
}

HICON LoadIconA(HINSTANCE, LPCSTR name)
{
    return (HICON)(StockBase + 0x200 + (uintptr_t)name);
}

HCURSOR LoadCursorA(HINSTANCE, LPCSTR name)
{
    return (HCURSOR)(StockBase + 0x400 + (uintptr_t)name);
}

ATOM RegisterClassA(const WNDCLASSA* windowClass)
{
    Log(std::string("RegisterClassA ") + windowClass->lpszClassName);
    if (RegisterClassFails)
        return 0;
    RegisteredClasses.push_back(*windowClass);
    RegisteredClassNames.push_back(windowClass->lpszClassName);
    return (ATOM)(0xC000 + RegisteredClasses.size());
}

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND, HMENU, HINSTANCE, LPVOID)
{
    Log(std::string("CreateWindowExA ") + className + "|" + windowName);
    const WNDCLASSA* found = NULL;
    for (size_t i = 0; i < RegisteredClasses.size(); ++i)
        if (Lower(RegisteredClassNames[i]) == Lower(className))
            found = &RegisteredClasses[i];
    if (CreateWindowFails || found == NULL)
        return NULL;
    Window window = {};
    window.handle = (HWND)(++nextWindow);
    window.className = className;
    window.title = windowName;
    window.proc = found->lpfnWndProc;
    window.style = style;
    window.exStyle = exStyle;
    window.x = x;
    window.y = y;
    window.width = width;
    window.height = height;
    window.alive = true;
    window.processId = LauncherProcessId;
    Windows.push_back(window);
    HWND handle = window.handle;
    if (window.proc(handle, WM_CREATE, 0, 0) == -1) {
        FindWindowRecord(handle)->alive = false;
        return NULL;
    }
    return handle;
}

BOOL ShowWindow(HWND handle, int command)
{
    Log("ShowWindow " + std::to_string(command));
    Window* window = FindWindowRecord(handle);
    if (window == NULL || !window->alive)
        return FALSE;
    bool wasShown = window->shown;
    window->shown = true;
    window->showCommand = command;
    if (command == SW_MINIMIZE || command == SW_RESTORE)
        window->iconic = command == SW_MINIMIZE;
    if (!wasShown)
        AddInvalid(*window, ClientRect(*window), TRUE);
    return wasShown;
}

BOOL GetMessageA(MSG* message, HWND, UINT, UINT)
{
    if (GetMessageFails) {
        *message = MSG{};
        message->wParam = 7;
        return -1;
    }
    for (;;) {
        if (!queue.empty()) {
            *message = queue.front();
            queue.pop_front();
            return TRUE;
        }
        // As on Windows: a posted quit comes before paints.
        if (QuitPosted) {
            QuitPosted = false;
            *message = MSG{};
            message->message = WM_QUIT;
            message->wParam = (WPARAM)QuitCode;
            return FALSE;
        }
        Window* window = PendingPaint();
        if (window != NULL) {
            *message = MSG{};
            message->hwnd = window->handle;
            message->message = WM_PAINT;
            return TRUE;
        }
        if (!Idle || !Idle()) {
            // Nothing left to do: a real loop would block here for ever.
            LoopStarved = true;
            *message = MSG{};
            message->message = WM_QUIT;
            return FALSE;
        }
    }
}

BOOL TranslateMessage(const MSG*)
{
    return FALSE;
}

LRESULT DispatchMessageA(const MSG* message)
{
    Window* window = FindWindowRecord(message->hwnd);
    if (window == NULL || !window->alive || window->proc == NULL)
        return 0;
    LRESULT result = window->proc(message->hwnd, message->message, message->wParam, message->lParam);
    if (message->message == WM_PAINT) {
        // Stand-in simplification: the update region is dropped after a
        // paint even if the procedure did not validate it, so a faulty
        // procedure ends the loop instead of spinning.
        window = FindWindowRecord(message->hwnd);
        window->invalid = RECT{ 0, 0, 0, 0 };
    }
    return result;
}

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM, LPARAM)
{
    Log("DefWindowProcA " + std::to_string(message));
    if (message == WM_CLOSE)
        DestroyWindow(window);
    return 0;
}

void PostQuitMessage(int exitCode)
{
    Log("PostQuitMessage " + std::to_string(exitCode));
    QuitPosted = true;
    QuitCode = exitCode;
}

BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    Log("PostMessageA " + std::to_string(message) + " " + std::to_string(wParam) + " " + std::to_string(lParam));
    MSG posted = {};
    posted.hwnd = window;
    posted.message = message;
    posted.wParam = wParam;
    posted.lParam = lParam;
    Posted.push_back(posted);
    queue.push_back(posted);
    return TRUE;
}

BOOL MoveWindow(HWND handle, int x, int y, int width, int height, BOOL repaint)
{
    Log("MoveWindow " + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(width) + " " +
        std::to_string(height));
    Moves.push_back(Move{ handle, x, y, width, height, repaint });
    Window* window = FindWindowRecord(handle);
    if (window == NULL || !window->alive)
        return FALSE;
    window->x = x;
    window->y = y;
    window->width = width;
    window->height = height;
    window->invalid = RECT{ 0, 0, 0, 0 };
    if (repaint)
        AddInvalid(*window, ClientRect(*window), TRUE);
    return TRUE;
}

BOOL DestroyWindow(HWND handle)
{
    Log("DestroyWindow");
    Window* window = FindWindowRecord(handle);
    if (window == NULL || !window->alive)
        return FALSE;
    WNDPROC proc = window->proc;
    if (proc != NULL)
        proc(handle, WM_DESTROY, 0, 0);
    window = FindWindowRecord(handle);
    window->alive = false;
    // Timers die with their window.
    Timers.erase(std::remove_if(Timers.begin(), Timers.end(), [&](const Timer& t) { return t.window == handle; }),
                 Timers.end());
    return TRUE;
}

BOOL IsWindow(HWND handle)
{
    Window* window = FindWindowRecord(handle);
    return window != NULL && window->alive;
}

BOOL InvalidateRect(HWND handle, const RECT* rect, BOOL erase)
{
    Invalidation record = {};
    record.window = handle;
    record.whole = rect == NULL;
    if (rect != NULL)
        record.rect = *rect;
    record.erase = erase;
    Invalidations.push_back(record);
    Window* window = FindWindowRecord(handle);
    if (window == NULL || !window->alive)
        return FALSE;
    AddInvalid(*window, rect != NULL ? *rect : ClientRect(*window), erase);
    return TRUE;
}

BOOL GetUpdateRect(HWND handle, RECT* rect, BOOL erase)
{
    Log(std::string("GetUpdateRect ") + (erase ? "erase" : "noerase"));
    Window* window = FindWindowRecord(handle);
    if (window == NULL || IsEmpty(window->invalid)) {
        if (rect != NULL)
            *rect = RECT{ 0, 0, 0, 0 };
        return FALSE;
    }
    if (rect != NULL)
        *rect = window->invalid;
    if (erase && window->eraseInvalid) {
        Fills.push_back(Fill{ NULL, window->invalid, (HBRUSH)GetStockObject(BLACK_BRUSH) });
        window->eraseInvalid = false;
    }
    return TRUE;
}

HDC BeginPaint(HWND handle, PAINTSTRUCT* paint)
{
    Log("BeginPaint");
    Window* window = FindWindowRecord(handle);
    *paint = PAINTSTRUCT{};
    if (window == NULL || !window->alive)
        return NULL;
    paint->rcPaint = window->invalid;
    if (window->eraseInvalid) {
        Fills.push_back(Fill{ NULL, window->invalid, (HBRUSH)GetStockObject(BLACK_BRUSH) });
        window->eraseInvalid = false;
    }
    window->invalid = RECT{ 0, 0, 0, 0 };
    paint->hdc = (HDC)NewObject(WindowDc, handle);
    return paint->hdc;
}

BOOL EndPaint(HWND, const PAINTSTRUCT* paint)
{
    Log("EndPaint");
    GdiObject* dc = Object(paint->hdc);
    if (dc == NULL || dc->kind != WindowDc)
        return FALSE;
    dc->alive = false;
    return TRUE;
}

HDC GetDC(HWND window)
{
    Log("GetDC");
    return (HDC)NewObject(WindowDc, window);
}

int ReleaseDC(HWND, HDC handle)
{
    Log("ReleaseDC");
    GdiObject* dc = Object(handle);
    if (dc == NULL || dc->kind != WindowDc)
        return 0;
    dc->alive = false;
    return 1;
}

int FillRect(HDC dc, const RECT* rect, HBRUSH brush)
{
    Fills.push_back(Fill{ dc, *rect, brush });
    return 1;
}

UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT elapse, void*)
{
    Log("SetTimer " + std::to_string(id) + " " + std::to_string(elapse));
    if (id == RefusedTimer)
        return 0;
    // Setting a timer that runs already replaces it, as on Windows.
    Timers.erase(std::remove_if(Timers.begin(), Timers.end(),
                                [&](const Timer& t) { return t.window == window && t.id == id; }),
                 Timers.end());
    Timers.push_back(Timer{ window, id, elapse });
    return TimerAnswer != 0 ? TimerAnswer : id;
}

BOOL KillTimer(HWND window, UINT_PTR id)
{
    Log("KillTimer " + std::to_string(id));
    for (size_t i = 0; i < Timers.size(); ++i) {
        if (Timers[i].window == window && Timers[i].id == id) {
            Timers.erase(Timers.begin() + (long)i);
            return TRUE;
        }
    }
    return FALSE;
}

HANDLE LoadImageA(HINSTANCE instance, LPCSTR name, UINT type, int, int, UINT flags)
{
    if (type != IMAGE_BITMAP)
        return NULL;
    if (flags & LR_LOADFROMFILE) {
        Log(std::string("LoadImageA file ") + name + " " + std::to_string(flags));
        // A stand-alone bitmap file is loaded with a null instance; this
        // stand-in refuses any other, which Windows leaves undefined.
        if (instance != NULL)
            return NULL;
        auto found = files.find(Lower(name));
        if (found == files.end() || !found->second.bitmap)
            return NULL;
        HGDIOBJ bitmap = NewObject(BitmapObject);
        Object(bitmap)->file = name;
        return bitmap;
    }
    Log("LoadImageA resource");  // the launcher finds its own pictures by language
    return NULL;
}

// The rows a DIB section holds, copied in by its maker.
HBITMAP CreateDIBSection(HDC, const BITMAPINFO* info, UINT usage, void** bits, HANDLE, DWORD)
{
    const BITMAPINFOHEADER& header = info->bmiHeader;
    Log("CreateDIBSection " + std::to_string(header.biWidth) + "x" + std::to_string(header.biHeight) + " " +
        std::to_string(header.biBitCount));
    if (usage != DIB_RGB_COLORS || header.biWidth <= 0 || header.biHeight == 0 || header.biPlanes != 1 ||
        (header.biCompression != BI_RGB && header.biCompression != BI_BITFIELDS))
        return NULL;
    size_t rows = (size_t)std::abs((long)header.biHeight);
    HGDIOBJ bitmap = NewObject(BitmapObject);
    Object(bitmap)->bits.assign(((size_t)header.biWidth * header.biBitCount + 31) / 32 * 4 * rows, 0xEE);
    *bits = Object(bitmap)->bits.data();
    return (HBITMAP)bitmap;
}

// ---------------------------------------------------------------- gdi32

HGDIOBJ GetStockObject(int index)
{
    return (HGDIOBJ)(StockBase + (uintptr_t)index);
}

BOOL DeleteObject(HGDIOBJ handle)
{
    Log("DeleteObject");
    GdiObject* object = Object(handle);
    if (object == NULL || object->kind == WindowDc || object->kind == MemoryDc)
        return FALSE;
    object->alive = false;
    return TRUE;
}

HPALETTE CreatePalette(const LOGPALETTE* palette)
{
    Log("CreatePalette");
    LastPaletteVersion = palette->palVersion;
    LastPaletteEntries.assign(palette->palPalEntry, palette->palPalEntry + palette->palNumEntries);
    HGDIOBJ created = NewObject(PaletteObject);
    Object(created)->entries = LastPaletteEntries;
    return (HPALETTE)created;
}

BOOL UnrealizeObject(HGDIOBJ object)
{
    PaletteCalls.push_back(PaletteCall{ "unrealize", NULL, NULL, (HPALETTE)object, FALSE });
    return TRUE;
}

HPALETTE SelectPalette(HDC handle, HPALETTE palette, BOOL forceBackground)
{
    GdiObject* dc = Object(handle);
    PaletteCalls.push_back(PaletteCall{ "select", handle, dc != NULL ? dc->window : NULL, palette, forceBackground });
    if (dc == NULL)
        return NULL;
    HPALETTE previous = dc->palette;
    dc->palette = palette;
    return previous;
}

UINT RealizePalette(HDC handle)
{
    GdiObject* dc = Object(handle);
    PaletteCalls.push_back(PaletteCall{ "realize", handle, dc != NULL ? dc->window : NULL,
                                        dc != NULL ? dc->palette : NULL, FALSE });
    // Only a palette of our own, selected for the foreground, changes the
    // system palette; putting the default palette back changes nothing.
    if (dc == NULL || Object(dc->palette) == NULL)
        return 0;
    const PaletteCall& select = *std::find_if(PaletteCalls.rbegin(), PaletteCalls.rend(), [&](const PaletteCall& c) {
        return c.op == "select" && c.dc == handle;
    });
    if (select.forceBackground)
        return 0;
    if (!PaletteDisplay)
        return RealizeResult;
    std::vector<PALETTEENTRY> before = SystemPalette;
    Object(dc->palette)->slots = RealizeForeground(Object(dc->palette)->entries);
    UINT changed = 0;
    for (size_t i = 0; i < SystemPalette.size(); ++i)
        changed += memcmp(&before[i], &SystemPalette[i], 3) != 0;
    return changed;
}

HDC CreateCompatibleDC(HDC)
{
    Log("CreateCompatibleDC");
    if (CreateCompatibleDcFails)
        return NULL;
    return (HDC)NewObject(MemoryDc);
}

BOOL DeleteDC(HDC handle)
{
    Log("DeleteDC");
    GdiObject* dc = Object(handle);
    if (dc == NULL || dc->kind != MemoryDc)
        return FALSE;
    dc->alive = false;
    return TRUE;
}

HGDIOBJ SelectObject(HDC handle, HGDIOBJ object)
{
    GdiObject* dc = Object(handle);
    if (dc == NULL)
        return NULL;
    HGDIOBJ previous = dc->bitmap;
    dc->bitmap = object;
    return previous;
}

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY, DWORD rop)
{
    GdiObject* sourceDc = Object(source);
    Blits.push_back(Blit{ dest, x, y, width, height, sourceDc != NULL ? (HBITMAP)sourceDc->bitmap : NULL, sourceX,
                          sourceY, rop });
    return TRUE;
}

// ---------------------------------------------------------------- kernel32

DWORD GetLogicalDriveStringsA(DWORD bufferLength, LPSTR buffer)
{
    Log("GetLogicalDriveStringsA " + std::to_string(bufferLength));
    if (DriveListFails)
        return 0;
    // The list's length without its final zero; a buffer too small for the
    // whole list gets nothing and the size it would need.
    DWORD length = (DWORD)DriveList.size();
    if (length + 1 > bufferLength)
        return length + 1;
    memcpy(buffer, DriveList.data(), length);
    buffer[length] = '\0';
    return length;
}

UINT GetDriveTypeA(LPCSTR root)
{
    Log(std::string("GetDriveTypeA ") + root);
    auto found = DriveTypes.find((char)toupper((unsigned char)root[0]));
    return found == DriveTypes.end() ? DRIVE_NO_ROOT_DIR : found->second;
}

HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES, DWORD disposition, DWORD, HANDLE)
{
    Log(std::string("CreateFileA ") + path + " " + std::to_string(access) + " " + std::to_string(share) + " " +
        std::to_string(disposition));
    LogProbe(path);
    if (files.count(Lower(path)) == 0) {
        lastError = ERROR_FILE_NOT_FOUND;
        return INVALID_HANDLE_VALUE;
    }
    HANDLE handle = NewKernelHandle();
    fileHandles[(uintptr_t)handle] = 0;
    fileHandlePaths[(uintptr_t)handle] = Lower(path);
    ++OpenFileHandles;
    return handle;
}

BOOL CloseHandle(HANDLE handle)
{
    uintptr_t key = (uintptr_t)handle;
    if (fileHandles.erase(key)) {
        fileHandlePaths.erase(key);
        --OpenFileHandles;
        return TRUE;
    }
    if (processHandles.erase(key)) {
        --OpenProcessHandles;
        return TRUE;
    }
    if (threadHandles.erase(key))
        return TRUE;
    if (mutexHandles.erase(key)) {
        --OpenMutexHandles;
        return TRUE;
    }
    if (snapshots.erase(key)) {
        --OpenSnapshots;
        return TRUE;
    }
    ++BadCloses;
    return FALSE;
}

DWORD GetFileAttributesA(LPCSTR path)
{
    Log(std::string("GetFileAttributesA ") + path);
    LogProbe(path);
    if (directories.count(Lower(path)))
        return FILE_ATTRIBUTE_DIRECTORY;
    if (files.count(Lower(path)))
        return FILE_ATTRIBUTE_NORMAL;
    lastError = ERROR_FILE_NOT_FOUND;
    return INVALID_FILE_ATTRIBUTES;
}

DWORD GetFileSize(HANDLE file, DWORD* high)
{
    auto found = fileHandlePaths.find((uintptr_t)file);
    if (found == fileHandlePaths.end())
        return INVALID_FILE_SIZE;
    if (high != NULL)
        *high = 0;
    return (DWORD)files[found->second].contents.size();
}

// Committed pages come zeroed, as the system's do; the block is exactly the
// size asked for, so that the sanitizers see a read past it.
LPVOID VirtualAlloc(LPVOID, SIZE_T size, DWORD type, DWORD protect)
{
    Log("VirtualAlloc " + std::to_string(size) + " " + std::to_string(type) + " " + std::to_string(protect));
    if (size == 0 || size > VirtualAllocLimit)
        return NULL;
    void* block = calloc(1, size);
    VirtualBlocks[block] = size;
    return block;
}

BOOL VirtualFree(LPVOID address, SIZE_T size, DWORD type)
{
    Log("VirtualFree");
    auto found = VirtualBlocks.find(address);
    if (found == VirtualBlocks.end() || size != 0 || type != MEM_RELEASE)
        return FALSE;
    free(address);
    VirtualBlocks.erase(found);
    return TRUE;
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, DWORD* read, void*)
{
    auto found = fileHandlePaths.find((uintptr_t)file);
    if (found == fileHandlePaths.end())
        return FALSE;
    const std::string& contents = files[found->second].contents;
    size_t& position = fileHandles[(uintptr_t)file];
    size_t count = std::min<size_t>(toRead, contents.size() - std::min(position, contents.size()));
    memcpy(buffer, contents.data() + position, count);
    position += count;
    *read = (DWORD)count;
    return TRUE;
}

UINT SetErrorMode(UINT mode)
{
    UINT previous = ErrorMode;
    ErrorMode = mode;
    return previous;
}

// %NAME% becomes the variable's value when there is one and stays as it is
// otherwise. The answer counts the terminating zero; a buffer too small
// gets nothing and the size it would need.
DWORD ExpandEnvironmentStringsA(LPCSTR source, LPSTR destination, DWORD size)
{
    std::string text = source;
    std::string result;
    size_t at = 0;
    while (at < text.size()) {
        size_t open = text.find('%', at);
        size_t close = open == std::string::npos ? std::string::npos : text.find('%', open + 1);
        if (close == std::string::npos) {
            result += text.substr(at);
            break;
        }
        std::string name = text.substr(open + 1, close - open - 1);
        for (char& c : name)
            c = (char)toupper((unsigned char)c);
        auto found = Environment.find(name);
        result += text.substr(at, open - at);
        if (found != Environment.end()) {
            result += found->second;
            at = close + 1;
        } else {
            result += '%';
            at = open + 1;
        }
    }
    if (result.size() + 1 > size)
        return (DWORD)result.size() + 1;
    memcpy(destination, result.c_str(), result.size() + 1);
    return (DWORD)result.size() + 1;
}

void ExitProcess(UINT exitCode)
{
    Log("ExitProcess " + std::to_string(exitCode));
    Exited = true;
    ExitCode = exitCode;
}

DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR buffer, DWORD size,
                               LPCSTR fileName)
{
    Log(std::string("GetPrivateProfileStringA ") + section + "|" + key + "|" + fileName);
    if (size == 0)
        return 0;
    std::string value = defaultValue != NULL ? defaultValue : "";
    auto file = files.find(Lower(fileName));
    if (file != files.end())
        ReadProfile(file->second.contents, section, key, &value);
    // Cut to fit, as Windows does: the result is then size - 1.
    DWORD length = (DWORD)std::min<size_t>(value.size(), size - 1);
    memcpy(buffer, value.data(), length);
    buffer[length] = '\0';
    return length;
}

UINT GetWindowsDirectoryA(LPSTR buffer, UINT size)
{
    Log("GetWindowsDirectoryA");
    if (WindowsDirectory.empty())
        return 0;
    if (WindowsDirectory.size() + 1 > size)
        return (UINT)WindowsDirectory.size() + 1;
    memcpy(buffer, WindowsDirectory.c_str(), WindowsDirectory.size() + 1);
    return (UINT)WindowsDirectory.size();
}

HRSRC FindResourceA(HMODULE, LPCSTR name, LPCSTR type)
{
    Log("FindResourceA " + std::to_string((uintptr_t)name) + " " + std::to_string((uintptr_t)type));
    if (!HasPaletteText || name != MAKEINTRESOURCEA(101) || type != RT_RCDATA)
        return NULL;
    return (HRSRC)PaletteResource;
}

// Any other resource's handle and its data's are its entry in Resources.
HRSRC FindResourceExA(HMODULE, LPCSTR type, LPCSTR name, WORD language)
{
    Log("FindResourceExA " + std::to_string((uintptr_t)type) + " " + std::to_string((uintptr_t)name));
    uintptr_t kind = (uintptr_t)type;
    int id = (int)(uintptr_t)name;
    auto found = Resources.find(ResourceName(kind, id, language));
    if (found == Resources.end() && language == 0)
        found = Resources.lower_bound(ResourceName(kind, id, 0));
    if (found == Resources.end() || std::get<0>(found->first) != kind || std::get<1>(found->first) != id)
        return NULL;
    return (HRSRC)&*found;
}

static const std::pair<const ResourceName, std::string>* Entry(const void* handle)
{
    for (const auto& resource : Resources)
        if ((const void*)&resource == handle)
            return &resource;
    return NULL;
}

DWORD SizeofResource(HMODULE, HRSRC resource)
{
    if (const auto* entry = Entry(resource))
        return (DWORD)entry->second.size();
    return resource == (HRSRC)PaletteResource ? (DWORD)PaletteText.size() : 0;
}

HGLOBAL LoadResource(HMODULE, HRSRC resource)
{
    if (Entry(resource) != NULL)
        return (HGLOBAL)resource;
    if (resource != (HRSRC)PaletteResource)
        return NULL;
    ++LockedResources;
    return (HGLOBAL)PaletteData;
}

BOOL EnumResourceLanguagesA(HMODULE module, LPCSTR type, LPCSTR name, ENUMRESLANGPROCA proc, LONG_PTR parameter)
{
    if (module != (HMODULE)Ntdll || type != RT_VERSION || name != MAKEINTRESOURCEA(1))
        return FALSE;
    return proc(module, type, name, NtdllLanguage, parameter);
}

LANGID GetSystemDefaultLangID()
{
    return SystemLanguage;
}

LPVOID LockResource(HGLOBAL data)
{
    if (const auto* entry = Entry(data))
        return (LPVOID)entry->second.data();
    if (data != (HGLOBAL)PaletteData)
        return NULL;
    lockedText.assign(PaletteText.begin(), PaletteText.end());
    lockedText.shrink_to_fit();
    return lockedText.empty() ? (LPVOID)"" : (LPVOID)lockedText.data();
}

BOOL FreeResource(HGLOBAL data)
{
    if (data == (HGLOBAL)PaletteData)
        --LockedResources;
    return FALSE;
}

BOOL CreateProcessA(LPCSTR applicationName, LPSTR commandLine, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES,
                    BOOL inheritHandles, DWORD creationFlags, LPVOID environment, LPCSTR currentDirectory,
                    STARTUPINFOA* startup, PROCESS_INFORMATION* information)
{
    Log(std::string("CreateProcessA ") + commandLine);
    Started.push_back(ProcessStart{ commandLine, applicationName == NULL, inheritHandles, creationFlags,
                                    startup->dwFlags, startup->wShowWindow, environment == NULL,
                                    currentDirectory == NULL, ErrorMode,
                                    currentDirectory != NULL ? currentDirectory : "" });
    if (FailsWith(&NextStartError))
        return FALSE;
    DWORD id;
    information->hProcess = NewProcess(&id);
    information->hThread = NewKernelHandle();
    threadHandles.insert((uintptr_t)information->hThread);
    information->dwProcessId = id;
    information->dwThreadId = id + 1;
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD)
{
    auto found = processHandles.find((uintptr_t)handle);
    if (found == processHandles.end())
        return WAIT_FAILED;
    const Process& process = Processes[found->second.id];
    if (process.generation != found->second.generation)
        return WAIT_OBJECT_0;  // the id now names another process: ours has ended
    if (process.waitFails)
        return WAIT_FAILED;
    return process.running ? WAIT_TIMEOUT : WAIT_OBJECT_0;
}

DWORD GetLastError()
{
    return lastError;
}

void SetLastError(DWORD error)
{
    lastError = error;
}

FARPROC KernelExport(const char* name);

FARPROC AccessExport(HMODULE module, const char* name);
HMODULE AccessLibrary(const std::string& path);
const uintptr_t User32 = 0x7300;

HMODULE GetModuleHandleA(LPCSTR name)
{
    if (name == NULL)
        return (HMODULE)(uintptr_t)0x400000;  // the program's own module
    if (Lower(name) == "user32.dll")
        return (HMODULE)User32;
    if (Lower(name) == "ntdll.dll")
        return NtdllLanguage != 0 ? (HMODULE)Ntdll : NULL;
    return Lower(name) == "kernel32.dll" ? (HMODULE)Kernel32 : NULL;
}

HMODULE LoadLibraryExA(LPCSTR name, HANDLE, DWORD flags)
{
    Log(std::string("LoadLibraryExA ") + name);
    std::string path = name;
    std::string importsFrom = ModulePath.substr(0, ModulePath.rfind('\\'));
    if ((flags & LOAD_WITH_ALTERED_SEARCH_PATH) && path.find('\\') != std::string::npos)
        importsFrom = path.substr(0, path.rfind('\\'));
    LibraryLoads.push_back(LibraryLoad{ path, ErrorMode, importsFrom });
    if (HMODULE access = AccessLibrary(name))
        return access;
    if (Lower(name) != "shell32.dll" && Lower(name) != Lower(SystemDirectory + "\\shell32.dll"))
        return NULL;
    ++Shell32Loads;
    return (HMODULE)Shell32;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name)
{
    Log(std::string("GetProcAddress ") + name);
    if (module == (HMODULE)Shell32 && strcmp(name, "ShellExecuteExA") == 0)
        return (FARPROC)(void*)&ShellExecuteExA;
    if (module == (HMODULE)Kernel32)
        return KernelExport(name);
    return AccessExport(module, name);
}

// ---------------------------------------------------------------- advapi32

LSTATUS RegOpenKeyExA(HKEY root, LPCSTR subKey, DWORD, DWORD access, HKEY* result)
{
    Log(std::string("RegOpenKeyExA ") + subKey + " " + std::to_string(access));
    if (root != HKEY_LOCAL_MACHINE || registry.count(KeyPath(subKey)) == 0)
        return ERROR_FILE_NOT_FOUND;
    HKEY key = (HKEY)NewKernelHandle();
    openKeys[(uintptr_t)key] = KeyPath(subKey);
    ++OpenKeys;
    *result = key;
    return ERROR_SUCCESS;
}

LSTATUS RegQueryValueExA(HKEY key, LPCSTR valueName, DWORD*, DWORD* type, BYTE* data, DWORD* size)
{
    Log(std::string("RegQueryValueExA ") + valueName + " " + std::to_string(size != NULL ? *size : 0));
    auto open = openKeys.find((uintptr_t)key);
    if (open == openKeys.end())
        return ERROR_FILE_NOT_FOUND;
    const auto& values = registry[open->second];
    auto value = values.find(Lower(valueName));
    if (value == values.end())
        return ERROR_FILE_NOT_FOUND;
    if (type != NULL)
        *type = value->second.type;
    DWORD length = (DWORD)value->second.bytes.size();
    if (data != NULL && *size < length) {
        *size = length;
        return ERROR_MORE_DATA;
    }
    if (data != NULL)
        memcpy(data, value->second.bytes.data(), length);
    *size = length;
    return ERROR_SUCCESS;
}

LSTATUS RegCloseKey(HKEY key)
{
    if (openKeys.erase((uintptr_t)key) == 0)
        return ERROR_FILE_NOT_FOUND;
    --OpenKeys;
    return ERROR_SUCCESS;
}

// ---------------------------------------------------------------- shell32

BOOL ShellExecuteExA(SHELLEXECUTEINFOA* info)
{
    Log(std::string("ShellExecuteExA ") + (info->lpFile ? info->lpFile : ""));
    ShellStarts.push_back(ShellStart{ info->lpVerb ? info->lpVerb : "", info->lpFile ? info->lpFile : "",
                                      info->lpParameters ? info->lpParameters : "", info->fMask, info->nShow,
                                      ErrorMode, info->lpDirectory ? info->lpDirectory : "" });
    if (FailsWith(&NextShellError))
        return FALSE;
    DWORD id;
    HANDLE process = NewProcess(&id);
    info->hProcess = NULL;
    if (info->fMask & SEE_MASK_NOCLOSEPROCESS)
        info->hProcess = process;
    else
        CloseHandle(process);
    return TRUE;
}

// A named mutex is one object for every process that names it: the second
// creator gets a handle to the same mutex and ERROR_ALREADY_EXISTS.
HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES, BOOL initialOwner, LPCSTR name)
{
    Log(std::string("CreateMutexA ") + (name != NULL ? name : "(null)") + " " + std::to_string(initialOwner));
    if (CreateMutexFails) {
        lastError = ERROR_INVALID_HANDLE;
        return NULL;
    }
    lastError = name != NULL && !Mutexes.insert(name).second ? ERROR_ALREADY_EXISTS : 0;
    HANDLE handle = NewKernelHandle();
    mutexHandles.insert((uintptr_t)handle);
    ++OpenMutexHandles;
    return handle;
}

UINT GetACP()
{
    return AnsiCodePage;
}

// The ANSI code page as AnsiCodePage says. Like Windows, it fails when out is
// too small, and for UTF-8 when given flags or a used-default question.
int WideCharToMultiByte(UINT, DWORD flags, const WCHAR* wide, int wideCount, LPSTR out, int outSize, LPCSTR,
                        BOOL* usedDefault)
{
    Log("WideCharToMultiByte " + std::to_string(wideCount) + " " + std::to_string(outSize));
    if (wideCount < 0) {
        wideCount = 1;
        while (wide[wideCount - 1] != 0)
            ++wideCount;
    }
    std::string text;
    if (AnsiCodePage == CP_UTF8) {
        if (flags != 0 || usedDefault != NULL) {
            lastError = 87;  // ERROR_INVALID_PARAMETER
            return 0;
        }
        text = Utf8(std::u16string((const char16_t*)wide, (size_t)wideCount));
    } else {
        // Best fit, unless refused, spells a letter by its look-alike ("Ł"
        // as "L") and does not count that as the default character.
        bool lost = false;
        for (int i = 0; i < wideCount; ++i) {
            bool fits = (wide[i] == 0x141 || wide[i] == 0x142) && !(flags & WC_NO_BEST_FIT_CHARS);
            lost |= wide[i] >= 256 && !fits;
            text += wide[i] < 256 ? (char)wide[i] : fits ? (char)(wide[i] == 0x141 ? 'L' : 'l') : '?';
        }
        if (usedDefault != NULL)
            *usedDefault = lost;
    }
    if ((int)text.size() > outSize) {
        lastError = 122;  // ERROR_INSUFFICIENT_BUFFER
        return 0;
    }
    memcpy(out, text.data(), text.size());
    return (int)text.size();
}

namespace standin {

std::vector<PALETTEENTRY> StaticSystemPalette()
{
    static const BYTE colours[20][3] = {
        { 0, 0, 0 },       { 128, 0, 0 },     { 0, 128, 0 },     { 128, 128, 0 },   { 0, 0, 128 },
        { 128, 0, 128 },   { 0, 128, 128 },   { 192, 192, 192 }, { 192, 220, 192 }, { 166, 202, 240 },
        { 255, 251, 240 }, { 160, 160, 164 }, { 128, 128, 128 }, { 255, 0, 0 },     { 0, 255, 0 },
        { 255, 255, 0 },   { 0, 0, 255 },     { 255, 0, 255 },   { 0, 255, 255 },   { 255, 255, 255 },
    };
    std::vector<PALETTEENTRY> system(256, PALETTEENTRY{ 0, 0, 0, 0 });
    for (int i = 0; i < 20; ++i) {
        int slot = i < 10 ? i : 236 + i;
        system[(size_t)slot] = PALETTEENTRY{ colours[i][0], colours[i][1], colours[i][2], 0 };
    }
    return system;
}

static bool SameColour(const PALETTEENTRY& a, const PALETTEENTRY& b)
{
    return a.peRed == b.peRed && a.peGreen == b.peGreen && a.peBlue == b.peBlue;
}

std::vector<int> RealizeForeground(const std::vector<PALETTEENTRY>& logical)
{
    const std::vector<PALETTEENTRY> statics = StaticSystemPalette();
    std::vector<bool> used(256, false);
    for (int i = 0; i < 256; ++i)
        used[(size_t)i] = i < 10 || i >= 246;
    SystemPalette = statics;
    std::vector<int> slots(logical.size(), -1);
    auto collapses = [](const PALETTEENTRY& e) { return (e.peFlags & (PC_NOCOLLAPSE | PC_RESERVED)) == 0; };
    auto exactMatch = [&](const PALETTEENTRY& e) {
        for (int s = 0; s < 256; ++s)
            if (used[(size_t)s] && SameColour(SystemPalette[(size_t)s], e))
                return s;
        return -1;
    };
    for (size_t i = 0; i < logical.size(); ++i)
        if (collapses(logical[i]))
            slots[i] = exactMatch(logical[i]);
    int nextFree = 10;
    for (size_t i = 0; i < logical.size(); ++i) {
        if (slots[i] >= 0)
            continue;
        if (collapses(logical[i]) && (slots[i] = exactMatch(logical[i])) >= 0)
            continue;
        if (nextFree <= 245) {
            SystemPalette[(size_t)nextFree] = logical[i];
            SystemPalette[(size_t)nextFree].peFlags = 0;
            used[(size_t)nextFree] = true;
            slots[i] = nextFree++;
            continue;
        }
        long best = -1;
        for (int s = 0; s < 256; ++s) {
            if (!used[(size_t)s])
                continue;
            long dr = SystemPalette[(size_t)s].peRed - logical[i].peRed;
            long dg = SystemPalette[(size_t)s].peGreen - logical[i].peGreen;
            long db = SystemPalette[(size_t)s].peBlue - logical[i].peBlue;
            long distance = dr * dr + dg * dg + db * db;
            if (best < 0 || distance < best) {
                best = distance;
                slots[i] = s;
            }
        }
    }
    return slots;
}

std::vector<int> RealizedSlots(HPALETTE palette)
{
    GdiObject* object = Object(palette);
    return object != NULL ? object->slots : std::vector<int>();
}

}  // namespace standin
// ---------------------------------------------------------------- keyboard, activation, own file, DLL search

namespace standin {

bool ShiftDown;
HWND ForegroundWindow;
bool ForegroundRefused;
HWND TopWindow;
std::vector<HWND> Flashes;
std::string ModulePath;
std::map<std::string, std::string> ShortPaths;
UINT AnsiCodePage;
std::string SystemDirectory;
std::set<std::string> KernelExports;
std::vector<std::string> DllSearchCalls;

void ResetDesktop()
{
    ShiftDown = false;
    ForegroundWindow = NULL;
    ForegroundRefused = false;
    TopWindow = NULL;
    Flashes.clear();
    ModulePath = "C:\\Program Files\\Kit\\autorun.exe";
    ShortPaths.clear();
    AnsiCodePage = 1252;
    SystemDirectory = "C:\\WINDOWS\\system32";
    KernelExports = { "SetDefaultDllDirectories", "SetDllDirectoryA", "CreateToolhelp32Snapshot", "Process32First",
                      "Process32Next", "GetProcessId", "GetModuleFileNameW", "GetShortPathNameW",
                      "GetUserDefaultUILanguage" };
    DllSearchCalls.clear();
    AccessLibraries = { "oleacc.dll", "ole32.dll", "oleaut32.dll" };
    AccessExports = { "LresultFromObject", "AccessibleObjectFromWindow", "CoInitialize", "CoUninitialize",
                      "CoDisconnectObject", "SysAllocStringLen" };
    User32Exports = { "NotifyWinEvent" };
    LibraryLoads.clear();
    ComInitializeAnswer = S_OK;
    ComInitializes = ComUninitializes = 0;
    Disconnected.clear();
    ObjectResults.clear();
    WinEvents.clear();
    LiveStrings = 0;
}

}  // namespace standin

// The high bit of the answer is set while the key is down.
short GetKeyState(int key)
{
    return key == VK_SHIFT && ShiftDown ? (short)0x8000 : 0;
}

BOOL IsIconic(HWND handle)
{
    Window* window = FindWindowRecord(handle);
    return window != NULL && window->alive && window->iconic;
}

BOOL BringWindowToTop(HWND handle)
{
    Log("BringWindowToTop");
    if (!IsWindow(handle))
        return FALSE;
    TopWindow = handle;
    return TRUE;
}

BOOL SetForegroundWindow(HWND handle)
{
    Log("SetForegroundWindow");
    if (!IsWindow(handle) || ForegroundRefused)
        return FALSE;
    ForegroundWindow = handle;
    TopWindow = handle;
    return TRUE;
}

BOOL FlashWindow(HWND handle, BOOL)
{
    Log("FlashWindow");
    Flashes.push_back(handle);
    return FALSE;
}

// As Windows: the length copied without the zero; a path that does not fit
// is cut to the buffer, and XP then leaves it unterminated.
DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size)
{
    Log("GetModuleFileNameA");
    if (module != NULL || ModulePath.empty() || size == 0)
        return 0;
    std::string ansi = ModulePath;
    if (AnsiCodePage != CP_UTF8) {
        ansi.clear();
        for (char16_t c : Utf16(ModulePath))
            ansi += c < 256 ? (char)c : '?';
    }
    DWORD length = (DWORD)std::min<size_t>(ansi.size(), size);
    memcpy(buffer, ansi.data(), length);
    if (length < size)
        buffer[length] = '\0';
    return length;
}

// The wide forms copy as the ANSI ones do: GetModuleFileNameW cuts to the
// buffer; GetShortPathNameW answers the size needed when it does not fit.
static DWORD WINAPI StandinGetModuleFileNameW(HMODULE module, WCHAR* buffer, DWORD size)
{
    std::u16string wide = Utf16(ModulePath);
    if (module != NULL || wide.empty() || size == 0)
        return 0;
    DWORD length = (DWORD)std::min<size_t>(wide.size(), size);
    memcpy(buffer, wide.data(), length * sizeof(WCHAR));
    if (length < size)
        buffer[length] = 0;
    return length;
}

static DWORD WINAPI StandinGetShortPathNameW(const WCHAR* path, WCHAR* buffer, DWORD size)
{
    std::u16string given((const char16_t*)path);
    auto found = ShortPaths.find(Utf8(given));
    std::u16string answer = found != ShortPaths.end() ? Utf16(found->second) : given;
    if (answer.size() + 1 > size)
        return (DWORD)answer.size() + 1;
    memcpy(buffer, answer.c_str(), (answer.size() + 1) * sizeof(WCHAR));
    return (DWORD)answer.size();
}

// Only the folders given (one or more, separated by ';'); the extension is
// added to a name without one.
DWORD SearchPathA(LPCSTR path, LPCSTR name, LPCSTR extension, DWORD size, LPSTR buffer, LPSTR* filePart)
{
    Log(std::string("SearchPathA ") + (path ? path : "(null)") + " " + name);
    std::string file = name;
    if (extension != NULL && file.find('.') == std::string::npos)
        file += extension;
    std::string folders = path != NULL ? path : "";
    for (size_t start = 0; start <= folders.size();) {
        size_t end = folders.find(';', start);
        if (end == std::string::npos)
            end = folders.size();
        std::string candidate = folders.substr(start, end - start) + "\\" + file;
        if (end > start && files.count(Lower(candidate))) {
            if (candidate.size() + 1 > size)
                return (DWORD)candidate.size() + 1;
            memcpy(buffer, candidate.c_str(), candidate.size() + 1);
            *filePart = buffer + candidate.rfind('\\') + 1;
            return (DWORD)candidate.size();
        }
        start = end + 1;
    }
    lastError = ERROR_FILE_NOT_FOUND;
    return 0;
}

// From the same table ExpandEnvironmentStringsA reads.
DWORD GetEnvironmentVariableA(LPCSTR name, LPSTR buffer, DWORD size)
{
    auto found = Environment.find(Upper(name));
    if (found == Environment.end())
        return 0;
    if (found->second.size() + 1 > size)
        return (DWORD)found->second.size() + 1;
    memcpy(buffer, found->second.c_str(), found->second.size() + 1);
    return (DWORD)found->second.size();
}

UINT GetSystemDirectoryA(LPSTR buffer, UINT size)
{
    Log("GetSystemDirectoryA");
    if (SystemDirectory.empty())
        return 0;
    if (SystemDirectory.size() + 1 > size)
        return (UINT)SystemDirectory.size() + 1;
    memcpy(buffer, SystemDirectory.c_str(), SystemDirectory.size() + 1);
    return (UINT)SystemDirectory.size();
}

static BOOL WINAPI StandinSetDefaultDllDirectories(DWORD flags)
{
    DllSearchCalls.push_back("SetDefaultDllDirectories " + std::to_string(flags));
    return TRUE;
}

static BOOL WINAPI StandinSetDllDirectoryA(LPCSTR path)
{
    DllSearchCalls.push_back(std::string("SetDllDirectoryA ") + (path ? path : "(null)"));
    return TRUE;
}

static HANDLE WINAPI StandinCreateToolhelp32Snapshot(DWORD flags, DWORD)
{
    Log("CreateToolhelp32Snapshot");
    if (flags != TH32CS_SNAPPROCESS)
        return INVALID_HANDLE_VALUE;
    Snapshot snapshot = {};
    for (const auto& process : Processes)
        if (process.second.running)
            snapshot.processes.push_back({ process.first, process.second.parent });
    HANDLE handle = NewKernelHandle();
    snapshots[(uintptr_t)handle] = snapshot;
    ++OpenSnapshots;
    return handle;
}

// As Windows: the entry's size must be set, and the walk ends with FALSE.
static BOOL ProcessStep(HANDLE handle, PROCESSENTRY32* entry, bool first)
{
    auto found = snapshots.find((uintptr_t)handle);
    if (found == snapshots.end() || entry->dwSize != sizeof(PROCESSENTRY32))
        return FALSE;
    if (first)
        found->second.next = 0;
    if (found->second.next >= found->second.processes.size())
        return FALSE;
    const auto& process = found->second.processes[found->second.next++];
    memset((char*)entry + sizeof entry->dwSize, 0x5a, sizeof *entry - sizeof entry->dwSize);
    entry->th32ProcessID = process.first;
    entry->th32ParentProcessID = process.second;
    entry->szExeFile[0] = '\0';
    return TRUE;
}

static BOOL WINAPI StandinProcess32First(HANDLE handle, PROCESSENTRY32* entry)
{
    return ProcessStep(handle, entry, true);
}

static BOOL WINAPI StandinProcess32Next(HANDLE handle, PROCESSENTRY32* entry)
{
    return ProcessStep(handle, entry, false);
}

static DWORD WINAPI StandinGetProcessId(HANDLE handle)
{
    auto found = processHandles.find((uintptr_t)handle);
    return found == processHandles.end() ? 0 : found->second.id;
}

static LANGID WINAPI StandinGetUserDefaultUILanguage()
{
    return UiLanguage;
}

FARPROC KernelExport(const char* name)
{
    if (KernelExports.count(name) == 0)
        return NULL;
    if (strcmp(name, "GetUserDefaultUILanguage") == 0)
        return (FARPROC)(void*)&StandinGetUserDefaultUILanguage;
    if (strcmp(name, "CreateToolhelp32Snapshot") == 0)
        return (FARPROC)(void*)&StandinCreateToolhelp32Snapshot;
    if (strcmp(name, "Process32First") == 0)
        return (FARPROC)(void*)&StandinProcess32First;
    if (strcmp(name, "Process32Next") == 0)
        return (FARPROC)(void*)&StandinProcess32Next;
    if (strcmp(name, "GetProcessId") == 0)
        return (FARPROC)(void*)&StandinGetProcessId;
    if (strcmp(name, "SetDefaultDllDirectories") == 0)
        return (FARPROC)(void*)&StandinSetDefaultDllDirectories;
    if (strcmp(name, "SetDllDirectoryA") == 0)
        return (FARPROC)(void*)&StandinSetDllDirectoryA;
    if (strcmp(name, "GetModuleFileNameW") == 0)
        return (FARPROC)(void*)&StandinGetModuleFileNameW;
    if (strcmp(name, "GetShortPathNameW") == 0)
        return (FARPROC)(void*)&StandinGetShortPathNameW;
    return NULL;
}

// ---------------------------------------------------------------- the family and Notepad's windows

namespace standin {

DWORD StartProcess(DWORD parent, bool idle)
{
    DWORD id = NextProcessId++;
    Processes[id] = Process{ true, false, STILL_ACTIVE, ++nextGeneration };
    Processes[id].parent = parent;
    Processes[id].idle = idle;
    return id;
}

}  // namespace standin

// A process that exists (ended or not: its object lives while a handle is
// held) opens, unless the test refuses it, or refuses the query right.
HANDLE OpenProcess(DWORD access, BOOL, DWORD id)
{
    Log("OpenProcess " + std::to_string(id) + " " + std::to_string(access));
    auto found = Processes.find(id);
    if (found == Processes.end() || !found->second.openable ||
        (found->second.queryDenied && (access & PROCESS_QUERY_INFORMATION) != 0)) {
        lastError = ERROR_ACCESS_DENIED;
        return NULL;
    }
    HANDLE handle = NewKernelHandle();
    processHandles[(uintptr_t)handle] = ProcessHandle{ id, found->second.generation, access };
    ++OpenProcessHandles;
    return handle;
}

// The top-level windows, in the order they were made; the callback stops
// the walk by answering FALSE.
BOOL EnumWindows(WNDENUMPROC proc, LPARAM lParam)
{
    Log("EnumWindows");
    std::vector<HWND> handles;
    for (const Window& window : Windows)
        if (window.alive)
            handles.push_back(window.handle);
    for (HWND handle : handles)
        if (!proc(handle, lParam))
            return FALSE;
    return TRUE;
}

DWORD GetWindowThreadProcessId(HWND handle, DWORD* processId)
{
    Window* window = FindWindowRecord(handle);
    if (window == NULL || !window->alive)
        return 0;
    if (processId != NULL)
        *processId = window->processId;
    return 1;
}

BOOL IsWindowVisible(HWND handle)
{
    Window* window = FindWindowRecord(handle);
    return window != NULL && window->alive && window->shown;
}

// Needs the query right, as on Windows; a process that has finished
// starting answers 0 at once, one still starting WAIT_TIMEOUT.
// Another process's window answers with its title as the system keeps it.
int GetWindowTextA(HWND handle, LPSTR text, int size)
{
    Window* window = FindWindowRecord(handle);
    if (window == nullptr || !window->alive || size <= 0)
        return 0;
    int length = std::min((int)window->title.size(), size - 1);
    memcpy(text, window->title.data(), (size_t)length);
    text[length] = '\0';
    return length;
}

DWORD WaitForInputIdle(HANDLE handle, DWORD)
{
    auto found = processHandles.find((uintptr_t)handle);
    if (found == processHandles.end() || (found->second.access & PROCESS_QUERY_INFORMATION) == 0)
        return WAIT_FAILED;
    return Processes[found->second.id].idle ? 0 : WAIT_TIMEOUT;
}

// Top-level windows only (parent null), after the given one in the order
// they were made.
HWND FindWindowExA(HWND parent, HWND after, LPCSTR className, LPCSTR windowName)
{
    Log(std::string("FindWindowExA ") + (className ? className : "(null)"));
    if (parent != NULL)
        return NULL;
    bool past = after == NULL;
    for (const Window& window : Windows) {
        if (!past) {
            past = window.handle == after;
            continue;
        }
        if (!window.alive || (className != NULL && Lower(window.className) != Lower(className)) ||
            (windowName != NULL && window.title != windowName))
            continue;
        return window.handle;
    }
    return NULL;
}

// ---------------------------------------------------------------- screen readers

namespace standin {

std::set<std::string> AccessLibraries;
std::set<std::string> AccessExports;
std::set<std::string> User32Exports;
std::vector<LibraryLoad> LibraryLoads;
HRESULT ComInitializeAnswer;
int ComInitializes, ComUninitializes;
std::vector<void*> Disconnected;
std::vector<ObjectResult> ObjectResults;
void* WindowObject = (void*)&WindowObject;
std::vector<WinEvent> WinEvents;
int LiveStrings;

std::string TakeString(BSTR text)
{
    if (text == NULL)
        return "(null)";
    std::u16string wide;
    for (const OLECHAR* c = text; *c != 0; ++c)
        wide += (char16_t)*c;
    delete[] ((uint32_t*)text - 1);
    --LiveStrings;
    return Utf8(wide);
}

}  // namespace standin

// Each library stands for itself by its place in this list; only the
// system directory's copy is there.
static const char* const AccessLibraryNames[] = { "oleacc.dll", "ole32.dll", "oleaut32.dll" };
const uintptr_t AccessLibraryBase = 0x7400;

HMODULE AccessLibrary(const std::string& path)
{
    for (uintptr_t i = 0; i < 3; ++i)
        if (Lower(path) == Lower(SystemDirectory + "\\" + AccessLibraryNames[i]) &&
            AccessLibraries.count(AccessLibraryNames[i]))
            return (HMODULE)(AccessLibraryBase + i);
    return NULL;
}

static LRESULT StandinLresultFromObject(REFIID id, WPARAM wParam, IUnknown* object)
{
    Log("LresultFromObject " + std::to_string(wParam));
    ObjectResults.push_back(ObjectResult{ id.Data1 == 0x618736E0 && id.Data4[7] == 0x71, wParam, object });
    return ObjectReference;
}

static HRESULT StandinAccessibleObjectFromWindow(HWND window, DWORD objectId, REFIID, void** object)
{
    Log("AccessibleObjectFromWindow " + std::to_string(objectId));
    *object = FindWindowRecord(window) != NULL ? WindowObject : NULL;
    return *object != NULL ? S_OK : E_FAIL;
}

static HRESULT StandinCoInitialize(LPVOID)
{
    Log("CoInitialize");
    ++ComInitializes;
    return ComInitializeAnswer;
}

static void StandinCoUninitialize()
{
    Log("CoUninitialize");
    ++ComUninitializes;
}

static HRESULT StandinCoDisconnectObject(IUnknown* object, DWORD)
{
    Log("CoDisconnectObject");
    Disconnected.push_back(object);
    return S_OK;
}

// A BSTR's length stands in the four bytes before its text.
static BSTR StandinSysAllocStringLen(const OLECHAR* text, UINT units)
{
    size_t length = units;
    uint32_t* block = new uint32_t[1 + (length + 2) / 2];
    block[0] = (uint32_t)(length * sizeof(OLECHAR));
    BSTR made = (BSTR)(block + 1);
    for (size_t i = 0; i < length; ++i)
        made[i] = text[i];
    made[length] = 0;
    ++LiveStrings;
    return made;
}

static void StandinNotifyWinEvent(DWORD event, HWND window, LONG objectId, LONG childId)
{
    WinEvents.push_back(WinEvent{ event, window, objectId, childId });
}

FARPROC AccessExport(HMODULE module, const char* name)
{
    uintptr_t library = (uintptr_t)module;
    if (library == User32)
        return User32Exports.count(name) && strcmp(name, "NotifyWinEvent") == 0
                   ? (FARPROC)(void*)&StandinNotifyWinEvent
                   : NULL;
    if (library < AccessLibraryBase || library >= AccessLibraryBase + 3 || AccessExports.count(name) == 0)
        return NULL;
    static const struct {
        uintptr_t library;
        const char* name;
        void* function;
    } exports[] = {
        { 0, "LresultFromObject", (void*)&StandinLresultFromObject },
        { 0, "AccessibleObjectFromWindow", (void*)&StandinAccessibleObjectFromWindow },
        { 1, "CoInitialize", (void*)&StandinCoInitialize },
        { 1, "CoUninitialize", (void*)&StandinCoUninitialize },
        { 1, "CoDisconnectObject", (void*)&StandinCoDisconnectObject },
        { 2, "SysAllocStringLen", (void*)&StandinSysAllocStringLen },
    };
    for (const auto& entry : exports)
        if (AccessLibraryBase + entry.library == library && strcmp(entry.name, name) == 0)
            return (FARPROC)entry.function;
    return NULL;
}

BOOL GetClientRect(HWND window, RECT* rect)
{
    Window* record = FindWindowRecord(window);
    if (record == NULL)
        return FALSE;
    *rect = ClientRect(*record);
    return TRUE;
}

// The launcher has one window: it has the keyboard focus while it is the
// window the user works with.
HWND GetFocus()
{
    return ForegroundWindow;
}

// Between a window's client pixels and the screen's: its client area starts
// inside the dialog frame.
int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count)
{
    int dx = 0, dy = 0;
    if (Window* source = FindWindowRecord(from)) {
        dx += source->x + DialogFrame;
        dy += source->y + DialogFrame;
    }
    if (Window* target = FindWindowRecord(to)) {
        dx -= target->x + DialogFrame;
        dy -= target->y + DialogFrame;
    }
    for (UINT i = 0; i < count; ++i) {
        points[i].x += dx;
        points[i].y += dy;
    }
    return (int)(WORD)dx | (int)(WORD)dy << 16;
}


// The ANSI code page of the tests is ASCII.
int MultiByteToWideChar(UINT, DWORD, LPCSTR text, int textCount, WCHAR* wide, int wideSize)
{
    int length = textCount < 0 ? (int)strlen(text) + 1 : textCount;
    if (length > wideSize)
        return 0;
    for (int i = 0; i < length; ++i)
        wide[i] = (WCHAR)(BYTE)text[i];
    return length;
}
