// Reading autorun.inf from the file's own bytes, by the rules of the
// system's profile functions on a file that is not mapped.
#ifndef AUTORUN_PROFILE_H
#define AUTORUN_PROFILE_H

#include "base/base.h"

// How much of autorun.inf is read (a launcher's takes a few hundred bytes).
const DWORD ProfileTextLimit = 65536;

// The text to read: bytes as they stand, after a UTF-8 mark, or a UTF-16
// file's ANSI form in spare; size is updated to the text's.
const BYTE* ProfileAnsiText(BYTE* bytes, DWORD* size, BYTE* spare, DWORD spareSize);
// The key's value in the first section of that name, cut to valueSize; 1
// when the key has a value, else 0 with value "".
int FindProfileValue(const BYTE* text, DWORD size, const char* section, const char* key, char* value,
                     int valueSize);
// The key names of a section, each ended by a zero and the list by another;
// returns the list's length without its last zero.
int ListProfileKeys(const BYTE* text, DWORD size, const char* section, char* keys, int keysSize);

#endif
