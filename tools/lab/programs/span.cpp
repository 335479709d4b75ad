// The timed builds' clock: by the performance counter, the time from the
// program's entry to each mark and to the end of its first paint, written in
// microseconds, marks first and the whole span last, to the file that
// STARTUP_SPAN_FILE names. Built into the benchmark's timed copies of the
// launcher and of the two bare windows only.
#include <windows.h>

void StartupSpanBegin();
void StartupSpanMark();
void StartupSpanEnd();

static LARGE_INTEGER Begin;
static int Done;
static unsigned long long Marks[16];
static int MarkCount;

static unsigned long long MicrosecondsSinceBegin()
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return (unsigned long long)(now.QuadPart - Begin.QuadPart) * 1000000ull / (unsigned long long)frequency.QuadPart;
}

static int AppendNumber(char* text, int length, unsigned long long value)
{
    char digits[24];
    int count = 0;
    do {
        digits[count++] = (char)('0' + value % 10);
        value /= 10;
    } while (value != 0);
    while (count > 0)
        text[length++] = digits[--count];
    text[length++] = ' ';
    return length;
}

void StartupSpanBegin()
{
    QueryPerformanceCounter(&Begin);
}

void StartupSpanMark()
{
    if (!Done && MarkCount < 16)
        Marks[MarkCount++] = MicrosecondsSinceBegin();
}

void StartupSpanEnd()
{
    if (Done)
        return;
    Done = 1;
    unsigned long long span = MicrosecondsSinceBegin();
    char text[16 * 24 + 24];
    int length = 0;
    for (int i = 0; i < MarkCount; ++i)
        length = AppendNumber(text, length, Marks[i]);
    length = AppendNumber(text, length, span);
    char path[MAX_PATH];
    DWORD got = GetEnvironmentVariableA("STARTUP_SPAN_FILE", path, MAX_PATH);
    if (got == 0 || got >= MAX_PATH)
        return;
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written;
    WriteFile(file, text, (DWORD)length, &written, NULL);
    CloseHandle(file);
}
