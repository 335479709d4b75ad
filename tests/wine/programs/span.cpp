// The timed builds' clock: the span from the program's entry to the end of
// its first paint, by the performance counter, written in microseconds to
// the file that STARTUP_SPAN_FILE names. Built into the benchmark's timed
// copies of the launcher and of the two bare windows only.
#include <windows.h>

void StartupSpanBegin();
void StartupSpanEnd();

static LARGE_INTEGER Begin;
static int Done;

void StartupSpanBegin()
{
    QueryPerformanceCounter(&Begin);
}

void StartupSpanEnd()
{
    if (Done)
        return;
    Done = 1;
    LARGE_INTEGER end, frequency;
    QueryPerformanceCounter(&end);
    QueryPerformanceFrequency(&frequency);
    unsigned long long micro = (unsigned long long)(end.QuadPart - Begin.QuadPart) * 1000000ull /
                               (unsigned long long)frequency.QuadPart;
    char text[24];
    int length = 0;
    char digits[24];
    int count = 0;
    do {
        digits[count++] = (char)('0' + micro % 10);
        micro /= 10;
    } while (micro != 0);
    while (count > 0)
        text[length++] = digits[--count];
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
