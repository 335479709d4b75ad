// Opening files for reading without the system's error boxes, and the
// system's own folders.
#include "base/base.h"

// Opens a file for reading only, never creating it and sharing it with other
// readers and writers. INVALID_HANDLE_VALUE when it does not open.
HANDLE OpenQuietly(const char* path)
{
    UINT previous = SetErrorMode(QuietErrorMode);
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    SetErrorMode(previous);
    return file;
}

// Reads up to capacity bytes of a file; returns how many (0 when it does not
// open or cannot be read).
DWORD ReadFileStart(const char* path, BYTE* buffer, DWORD capacity)
{
    HANDLE file = OpenQuietly(path);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    DWORD read = 0;
    if (!ReadFile(file, buffer, capacity, &read, NULL))
        read = 0;
    CloseHandle(file);
    return read;
}

// Returns 1 when the file opens for reading; closes it again.
int OpenForReading(const char* path)
{
    HANDLE file = OpenQuietly(path);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    CloseHandle(file);
    return 1;
}

// Returns 1 when the path names a file (not a folder).
int IsExistingFile(const char* path)
{
    UINT previous = SetErrorMode(QuietErrorMode);
    DWORD attributes = GetFileAttributesA(path);
    SetErrorMode(previous);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

int InSystemFolder(int windows, const char* name, char* path)
{
    char folder[PathSize];
    UINT length = windows ? GetWindowsDirectoryA(folder, PathSize) : GetSystemDirectoryA(folder, PathSize);
    return length != 0 && length < (UINT)PathSize && FormatText(path, PathSize, "%s\\%s", folder, name);
}
