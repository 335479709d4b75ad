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
//   UTF-16 and its values are turned into ANSI text; any other file is ANSI
//   text as it stands (a UTF-8 mark is then part of the first line, as the
//   profile functions read it).
#include "app/launcher.h"

struct ProfileText {
    const BYTE* Bytes;
    DWORD Units;    // characters: bytes, or UTF-16 code units
    int Wide;       // 0 for ANSI text, 1 for UTF-16
    int BigEndian;  // for UTF-16: the high byte first
};

static unsigned UnitAt(const ProfileText* text, DWORD index)
{
    if (!text->Wide)
        return text->Bytes[index];
    const BYTE* unit = text->Bytes + 2 * index;
    return text->BigEndian ? (unsigned)(unit[0] << 8 | unit[1]) : (unsigned)(unit[1] << 8 | unit[0]);
}

static int IsProfileBlank(unsigned unit)
{
    return unit == ' ' || unit == '\t' || unit == '\r' || unit == '\n' || unit == '\v' || unit == '\f' ||
           unit == 0x1a;
}

static void TrimSpan(const ProfileText* text, DWORD* start, DWORD* end)
{
    while (*start < *end && IsProfileBlank(UnitAt(text, *start)))
        ++*start;
    while (*end > *start && IsProfileBlank(UnitAt(text, *end - 1)))
        --*end;
}

static unsigned FoldCase(unsigned unit)
{
    return unit >= 'A' && unit <= 'Z' ? unit + ('a' - 'A') : unit;
}

// Whether the span, its blanks dropped, is the name (ASCII letters without
// regard to case).
static int SpanIsName(const ProfileText* text, DWORD start, DWORD end, const char* name)
{
    TrimSpan(text, &start, &end);
    DWORD i = 0;
    for (; start + i < end; ++i) {
        if (name[i] == '\0' || FoldCase(UnitAt(text, start + i)) != FoldCase((BYTE)name[i]))
            return 0;
    }
    return name[i] == '\0';
}

// Copies the span into value as ANSI text, cut to valueSize - 1 bytes as
// the profile functions cut it.
static void CopyValue(const ProfileText* text, DWORD start, DWORD end, char* value, int valueSize)
{
    DWORD limit = (DWORD)valueSize - 1;
    if (end - start > limit)
        end = start + limit;
    if (!text->Wide) {
        DWORD i = 0;
        for (; start + i < end; ++i)
            value[i] = (char)text->Bytes[start + i];
        value[i] = '\0';
        return;
    }
    WCHAR units[PathSize];
    int count = (int)(end - start);
    if (count > PathSize)
        count = PathSize;
    for (int i = 0; i < count; ++i)
        units[i] = (WCHAR)UnitAt(text, start + (DWORD)i);
    // A double-byte code page may need more bytes than there are characters:
    // then as many whole characters as fit are kept.
    int written = 0;
    while (count > 0 && (written = WideCharToMultiByte(CP_ACP, 0, units, count, value, (int)limit, NULL, NULL)) == 0)
        --count;
    value[written] = '\0';
}

int FindProfileValue(const BYTE* bytes, DWORD size, const char* section, const char* key, char* value,
                     int valueSize)
{
    if (value == NULL || valueSize <= 0)
        return 0;
    value[0] = '\0';
    if (bytes == NULL)
        return 0;
    ProfileText text = { bytes, size, 0, 0 };
    if (size >= 2 && ((bytes[0] == 0xff && bytes[1] == 0xfe) || (bytes[0] == 0xfe && bytes[1] == 0xff))) {
        text.Bytes = bytes + 2;
        text.Units = (size - 2) / 2;
        text.Wide = 1;
        text.BigEndian = bytes[0] == 0xfe;
    }

    int inSection = 0;
    DWORD next = 0;
    while (next < text.Units) {
        DWORD start = next;
        DWORD end = start;
        while (end < text.Units && UnitAt(&text, end) != '\n' && UnitAt(&text, end) != '\r')
            ++end;
        next = end + 1;
        TrimSpan(&text, &start, &end);
        if (start == end || UnitAt(&text, start) == ';')
            continue;
        if (UnitAt(&text, start) == '[') {
            DWORD close = end;
            while (close > start + 1 && UnitAt(&text, close - 1) != ']')
                --close;
            if (close > start + 1) {
                if (inSection)
                    return 0;  // the end of the first section of that name
                inSection = SpanIsName(&text, start + 1, close - 1, section);
                continue;
            }
        }
        if (!inSection)
            continue;
        DWORD equals = start;
        while (equals < end && UnitAt(&text, equals) != '=')
            ++equals;
        if (!SpanIsName(&text, start, equals, key))
            continue;
        if (equals == end)
            return 0;
        DWORD valueStart = equals + 1;
        TrimSpan(&text, &valueStart, &end);
        unsigned quote = valueStart < end ? UnitAt(&text, valueStart) : 0;
        if (end - valueStart >= 2 && (quote == '"' || quote == '\'') && UnitAt(&text, end - 1) == quote) {
            ++valueStart;
            --end;
        }
        CopyValue(&text, valueStart, end, value, valueSize);
        return 1;
    }
    return 0;
}
