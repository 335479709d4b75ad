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

// The system directory (windows 0) or the Windows directory (windows 1),
// PathSize bytes; 1 when it fits.
static int SystemFolder(int windows, char* folder)
{
    UINT length = windows ? GetWindowsDirectoryA(folder, PathSize) : GetSystemDirectoryA(folder, PathSize);
    return length != 0 && length < (UINT)PathSize;
}

// By its full path the library itself cannot come from the launcher's
// folder, but the libraries it imports are looked for by the standard order,
// the program's folder first, where the search cannot be limited to the
// system directory (XP, Vista, 7 without KB2533623; Windows 9x). With
// LOAD_WITH_ALTERED_SEARCH_PATH (Windows 95 has it) its imports are looked
// for from its own folder, the system directory, first.
HMODULE LoadSystemLibrary(const char* name)
{
    char folder[PathSize];
    char path[PathSize];
    return SystemFolder(0, folder) && FormatText(path, PathSize, "%s\\%s", folder, name)
               ? LoadLibraryExA(path, NULL, LOAD_WITH_ALTERED_SEARCH_PATH)
               : NULL;
}

// SearchPathA given a folder list looks in those folders only.
static int SearchFolders(const char* folders, const char* name, char* path)
{
    char* part;
    DWORD length = SearchPathA(folders, name, ".exe", PathSize, path, &part);
    return length != 0 && length < (DWORD)PathSize && IsExistingFile(path);
}

int FindProgramOutsideOwnFolder(const char* name, char* path)
{
    char folder[PathSize];
    for (int windows = 0; windows < 2; ++windows)
        if (SystemFolder(windows, folder) && SearchFolders(folder, name, path))
            return 1;
    // PATH may be up to 32,767 characters long.
    DWORD size = GetEnvironmentVariableA("PATH", NULL, 0);
    if (size == 0)
        return 0;
    char* folders = (char*)VirtualAlloc(NULL, size + 1, MEM_COMMIT, PAGE_READWRITE);
    if (folders == NULL)
        return 0;
    DWORD length = GetEnvironmentVariableA("PATH", folders, size + 1);
    int found = length != 0 && length <= size && SearchFolders(folders, name, path);
    VirtualFree(folders, 0, MEM_RELEASE);
    return found;
}

// The length of a wide path's ANSI form, 0 when it has none: no character
// may be left out or replaced by a look-alike (best fit would turn "Ł" into
// "L", another folder). A UTF-8 ANSI code page (Windows 10 1903 and later)
// spells every character, and takes neither the flag nor the question.
DWORD AnsiForm(const WCHAR* wide, DWORD length, char* path)
{
    BOOL lost = FALSE;
    int utf8 = GetACP() == CP_UTF8;
    int written = length > 0 && length < (DWORD)PathSize
                      ? WideCharToMultiByte(CP_ACP, utf8 ? 0 : WC_NO_BEST_FIT_CHARS, wide, (int)length, path,
                                            PathSize - 1, NULL, utf8 ? NULL : &lost)
                      : 0;
    path[written] = '\0';
    return !lost ? (DWORD)written : 0;
}
