// Reading autorun.inf from the file's own bytes, by the rules of the
// system's profile functions on a file that is not mapped.
#ifndef AUTORUN_PROFILE_H
#define AUTORUN_PROFILE_H

#include "base/base.h"

// How much of a profile file is read: Windows NT's profile functions read
// the whole file, and a section may lie anywhere in it. Windows 95 to Me's
// read the first 64 KB only.
const DWORD ProfileFileLimit = 16 * 1024 * 1024;
const DWORD Windows9xProfileLimit = 65536;

// The text to read: bytes as they stand, after a UTF-8 mark, or a UTF-16
// file's ANSI form in spare; size is updated to the text's.
const BYTE* ProfileAnsiText(BYTE* bytes, DWORD* size, BYTE* spare, DWORD spareSize);
// Reads a whole profile file (at most ProfileFileLimit bytes of it) into
// memory of its own and returns its text as ProfileAnsiText gives it, with
// the text's size; NULL and 0 when it does not open or no memory can be had.
// *memory is then to be released with FreeProfileFile.
const BYTE* ReadProfileFile(const char* path, DWORD* size, void** memory);
void FreeProfileFile(void* memory);
// The key's value in the first section of that name, cut to valueSize; 1
// when the key has a value, else 0 with value "".
int FindProfileValue(const BYTE* text, DWORD size, const char* section, const char* key, char* value,
                     int valueSize);
// The key names of a section, each ended by a zero and the list by another;
// returns the list's length without its last zero.
int ListProfileKeys(const BYTE* text, DWORD size, const char* section, char* keys, int keysSize);

#endif
