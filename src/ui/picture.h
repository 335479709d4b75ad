// Checking a bitmap file's headers against the file before the system's
// loader is handed it.
#ifndef AUTORUN_PICTURE_H
#define AUTORUN_PICTURE_H

#include "base/base.h"

// What a bitmap file's headers promise, once they have been found sound.
struct BitmapLayout {
    DWORD HeaderSize;          // 12 (core), 40, 108 (V4) or 124 (V5)
    LONG Width;
    LONG Height;               // negative for a top-down picture
    WORD BitCount;
    DWORD Compression;         // BI_RGB, BI_RLE8, BI_RLE4 or BI_BITFIELDS
    DWORD ColourTableOffset;   // from the start of the file
    DWORD ColourCount;
    DWORD ColourEntrySize;     // 3 (core) or 4
    DWORD PixelOffset;
    DWORD PixelBytes;
};
// The bytes that CheckBitmapHeaders needs from the start of a file: the file
// header, the largest info header and three colour masks.
const DWORD BitmapHeaderBytes = 14 + 124 + 12;
int CheckBitmapHeaders(const BYTE* start, DWORD startBytes, DWORD fileSize, BitmapLayout* layout);
int ReadBitmapLayout(const char* path, BitmapLayout* layout);
// The same for a bitmap resource of size bytes: a DIB without the file
// header, its pixels right after the colour table; offsets count from info.
int CheckBitmapResource(const BYTE* info, DWORD size, BitmapLayout* layout);

#endif
