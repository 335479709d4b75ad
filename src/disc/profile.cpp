// Reading the disc's autorun.inf from the file's own bytes. The system's
// profile functions are not used for it: a managed machine that turns
// AutoRun off maps every autorun.inf to nothing (IniFileMapping
// "Autorun.inf" = "@SYS:DoesNotExist"), and they would then read the disc's
// file as empty. The rules are those of the profile functions on a file that
// is not mapped:
// - lines end at a line feed or a carriage return; blanks (and the
//   end-of-file mark Ctrl+Z that some discs carry) around lines, names and
//   values are dropped;
// - "[name]" starts a section, named up to the line's last "]"; a line that
//   opens a bracket without closing it is an ordinary line;
// - sections and keys are found without regard to case; only the first
//   section of a name is read, and the first line of a key in it;
// - a line that starts with ';' is a comment; a key line without '=' has no
//   value, so the key reads as not set;
// - a value wholly inside matching single or double quotes loses them;
// - a file that starts with a UTF-16 byte-order mark (either byte order) is
//   UTF-16, read as its ANSI form; any other file is ANSI text as it stands.
// One rule is not the profile functions': a file that starts with a UTF-8
// byte-order mark (which editors, Notepad's among them, offer to write) has
// the mark skipped and the rest read as ANSI. The profile functions take the
// mark as part of the first line, and miss a section named there; nothing
// can rely on that.
#include "disc/profile.h"

static int IsProfileBlank(BYTE c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == 0x1a;
}

static void TrimSpan(const BYTE** start, const BYTE** end)
{
    while (*start < *end && IsProfileBlank(**start))
        ++*start;
    while (*end > *start && IsProfileBlank((*end)[-1]))
        --*end;
}

// Whether the span, its blanks dropped, is the name (ASCII letters without
// regard to case).
static int SpanIsName(const BYTE* start, const BYTE* end, const char* name)
{
    TrimSpan(&start, &end);
    for (; start < end; ++start, ++name) {
        if (*name == '\0' || FoldCase(*start) != FoldCase((BYTE)*name))
            return 0;
    }
    return *name == '\0';
}

const BYTE* ProfileAnsiText(BYTE* bytes, DWORD* size, BYTE* spare, DWORD spareSize)
{
    if (*size >= 3 && bytes[0] == 0xef && bytes[1] == 0xbb && bytes[2] == 0xbf) {
        *size -= 3;
        return bytes + 3;
    }
    if (*size < 2 || !((bytes[0] == 0xff && bytes[1] == 0xfe) || (bytes[0] == 0xfe && bytes[1] == 0xff)))
        return bytes;
    int units = (int)((*size - 2) / 2);
    if (bytes[0] == 0xfe) {
        for (int i = 0; i < units; ++i) {
            BYTE high = bytes[2 + 2 * i];
            bytes[2 + 2 * i] = bytes[3 + 2 * i];
            bytes[3 + 2 * i] = high;
        }
    }
    // One two-byte unit takes up to two bytes in a double-byte code page and
    // three in UTF-8 (the ANSI code page Windows 10 1903 and later offer):
    // spare has room for that when it is half as large again as bytes.
    // With no characters at all, the call fails and answers 0: an empty text.
    *size = (DWORD)WideCharToMultiByte(CP_ACP, 0, (const WCHAR*)(bytes + 2), units, (char*)spare, (int)spareSize,
                                       NULL, NULL);
    return spare;
}

const BYTE* ReadProfileFile(const char* path, DWORD* size, void** memory)
{
    *size = 0;
    *memory = NULL;
    HANDLE file = OpenQuietly(path);
    if (file == INVALID_HANDLE_VALUE)
        return NULL;
    DWORD fileSize = GetFileSize(file, NULL);
    if (fileSize > ProfileFileLimit)
        fileSize = ProfileFileLimit;  // INVALID_FILE_SIZE, too, reads as much as there is
    // The file, then room for its ANSI form when it is UTF-16: three bytes
    // for each of its two-byte units.
    DWORD spare = fileSize / 2 * 3 + 1;
    BYTE* bytes = (BYTE*)VirtualAlloc(NULL, fileSize + spare, MEM_COMMIT, PAGE_READWRITE);
    if (bytes != NULL && !ReadFile(file, bytes, fileSize, size, NULL))
        *size = 0;
    CloseHandle(file);
    *memory = bytes;
    return bytes != NULL ? ProfileAnsiText(bytes, size, bytes + fileSize, spare) : NULL;
}

void FreeProfileFile(void* memory)
{
    if (memory != NULL)
        VirtualFree(memory, 0, MEM_RELEASE);
}

// Steps to the next key line of the first section of that name: start and
// end then span the line, blanks dropped, and equals its first '=' (end when
// it has none). *inSection is 0 before the first call. Returns 0 at the end
// of that section or of the text.
static int NextKeyLine(const BYTE** next, const BYTE* textEnd, const char* section, int* inSection,
                       const BYTE** start, const BYTE** equals, const BYTE** end)
{
    while (*next < textEnd) {
        *start = *next;
        *end = *start;
        while (*end < textEnd && **end != '\n' && **end != '\r')
            ++*end;
        *next = *end + 1;
        TrimSpan(start, end);
        if (*start == *end || **start == ';')
            continue;
        if (**start == '[') {
            const BYTE* close = *end;
            while (close > *start + 1 && close[-1] != ']')
                --close;
            if (close > *start + 1) {
                if (*inSection)
                    return 0;  // the end of the first section of that name
                *inSection = SpanIsName(*start + 1, close - 1, section);
                continue;
            }
        }
        if (!*inSection)
            continue;
        *equals = *start;
        while (*equals < *end && **equals != '=')
            ++*equals;
        return 1;
    }
    return 0;
}

int FindProfileValue(const BYTE* text, DWORD size, const char* section, const char* key, char* value,
                     int valueSize)
{
    if (valueSize <= 0)
        return 0;
    value[0] = '\0';
    int inSection = 0;
    const BYTE *next = text, *start, *equals, *end;
    while (NextKeyLine(&next, text + size, section, &inSection, &start, &equals, &end)) {
        if (!SpanIsName(start, equals, key))
            continue;
        if (equals == end)
            return 0;
        start = equals + 1;
        TrimSpan(&start, &end);
        if (end - start >= 2 && (*start == '"' || *start == '\'') && end[-1] == *start) {
            ++start;
            --end;
        }
        // Cut to fit, as the profile functions cut a value.
        int length = 0;
        for (; start < end && length < valueSize - 1; ++start)
            value[length++] = (char)*start;
        value[length] = '\0';
        return 1;
    }
    return 0;
}

int ListProfileKeys(const BYTE* text, DWORD size, const char* section, char* keys, int keysSize)
{
    if (keys == NULL || keysSize < 2)
        return 0;
    int length = 0;
    int inSection = 0;
    const BYTE *next = text, *start, *equals, *end;
    while (NextKeyLine(&next, text + size, section, &inSection, &start, &equals, &end)) {
        TrimSpan(&start, &equals);
        if (length + (equals - start) + 2 > keysSize)
            break;  // the names that do not fit are left out
        while (start < equals)
            keys[length++] = (char)*start++;
        keys[length++] = '\0';
    }
    keys[length] = '\0';
    return length;
}
