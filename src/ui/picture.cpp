// Checking a bitmap file before the system's loader is handed it. The loader
// trusts the headers: a file cut short (a scratched disc, a copy that did not
// finish) or headers that promise more than the file holds make it read past
// the end of the file and crash the program that asked. A file is sound when
// its headers agree with each other and the file holds every byte they
// promise: headers, colour masks, colour table and pixel rows.
#include "ui/picture.h"

static const DWORD FileHeaderSize = 14;
static const DWORD CoreHeaderSize = 12;
static const DWORD InfoHeaderSize = 40;
static const DWORD V4HeaderSize = 108;
static const DWORD V5HeaderSize = 124;
static const LONG LargestSide = 16384;  // keeps every size below in 32 bits

// Compression values of BITMAPINFOHEADER.
static const DWORD RgbPixels = 0;
static const DWORD Rle8Pixels = 1;
static const DWORD Rle4Pixels = 2;
static const DWORD BitFieldPixels = 3;

static DWORD Little(const BYTE* data, int bytes)
{
    DWORD value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = (value << 8) | data[i];
    return value;
}

// Fills layout and returns 1 when the info header at info (infoBytes of it
// at hand) is sound and the picture of size bytes holds all it promises.
// A file's info header follows its file header (fileHeader bytes), which
// gives where the pixels start (pixelOffset); a bitmap resource is the info
// header on (fileHeader 0), its pixels right after the colour table.
static int CheckBitmapInfo(const BYTE* info, DWORD infoBytes, DWORD fileHeader, DWORD pixelOffset, DWORD size,
                           BitmapLayout* layout)
{
    DWORD headerSize = infoBytes >= 4 ? Little(info, 4) : 0;
    if (headerSize != CoreHeaderSize && headerSize != InfoHeaderSize && headerSize != V4HeaderSize &&
        headerSize != V5HeaderSize)
        return 0;
    if (headerSize > infoBytes)
        return 0;

    BitmapLayout found = {};
    found.HeaderSize = headerSize;
    DWORD planes;
    DWORD coloursUsed = 0;
    DWORD imageSize = 0;
    if (headerSize == CoreHeaderSize) {
        found.Width = (LONG)Little(info + 4, 2);
        found.Height = (LONG)Little(info + 6, 2);
        planes = Little(info + 8, 2);
        found.BitCount = (WORD)Little(info + 10, 2);
        found.Compression = RgbPixels;
        found.ColourEntrySize = 3;
    } else {
        found.Width = (LONG)Little(info + 4, 4);
        found.Height = (LONG)Little(info + 8, 4);
        planes = Little(info + 12, 2);
        found.BitCount = (WORD)Little(info + 14, 2);
        found.Compression = Little(info + 16, 4);
        imageSize = Little(info + 20, 4);
        coloursUsed = Little(info + 32, 4);
        found.ColourEntrySize = 4;
    }
    DWORD rows = found.Height < 0 ? 0u - (DWORD)found.Height : (DWORD)found.Height;
    if (planes != 1 || found.Width <= 0 || found.Width > LargestSide || rows == 0 || rows > (DWORD)LargestSide)
        return 0;

    WORD bits = found.BitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return 0;
    DWORD compression = found.Compression;
    int encoded = compression == Rle8Pixels || compression == Rle4Pixels;
    if (!(compression == RgbPixels || (compression == Rle8Pixels && bits == 8) ||
          (compression == Rle4Pixels && bits == 4) || (compression == BitFieldPixels && (bits == 16 || bits == 32))))
        return 0;
    if (encoded && found.Height < 0)
        return 0;  // run-length pictures are bottom-up only

    // The three colour masks follow a BITMAPINFOHEADER; later headers hold them.
    DWORD masks = compression == BitFieldPixels && headerSize == InfoHeaderSize ? 12 : 0;
    DWORD tableLimit = bits <= 8 ? (DWORD)1 << bits : 256;
    if (coloursUsed > tableLimit)
        return 0;
    found.ColourCount = coloursUsed != 0 ? coloursUsed : (bits <= 8 ? tableLimit : 0);
    found.ColourTableOffset = fileHeader + headerSize + masks;
    DWORD tableEnd = found.ColourTableOffset + found.ColourCount * found.ColourEntrySize;

    found.PixelOffset = fileHeader != 0 ? pixelOffset : tableEnd;
    DWORD rowBytes = (((DWORD)found.Width * bits + 31) / 32) * 4;
    found.PixelBytes = encoded ? imageSize : rowBytes * rows;
    if (found.PixelBytes == 0 || found.PixelOffset < tableEnd || found.PixelOffset > size ||
        found.PixelBytes > size - found.PixelOffset)
        return 0;
    if (layout != NULL)
        *layout = found;
    return 1;
}

// The headers at start, startBytes of them read from a file of fileSize.
int CheckBitmapHeaders(const BYTE* start, DWORD startBytes, DWORD fileSize, BitmapLayout* layout)
{
    if (startBytes > fileSize || startBytes < FileHeaderSize + 4 || start[0] != 'B' || start[1] != 'M')
        return 0;
    return CheckBitmapInfo(start + FileHeaderSize, startBytes - FileHeaderSize, FileHeaderSize, Little(start + 10, 4),
                           fileSize, layout);
}

int CheckBitmapResource(const BYTE* info, DWORD size, BitmapLayout* layout)
{
    return CheckBitmapInfo(info, size, 0, 0, size, layout);
}

// Reads a bitmap file's headers and checks them against its size. Returns 1
// with layout filled when the file opens and is sound.
int ReadBitmapLayout(const char* path, BitmapLayout* layout)
{
    HANDLE file = OpenQuietly(path);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    BYTE start[BitmapHeaderBytes];
    DWORD read = 0;
    DWORD size = GetFileSize(file, NULL);
    int readable = size != INVALID_FILE_SIZE && ReadFile(file, start, BitmapHeaderBytes, &read, NULL);
    CloseHandle(file);
    return readable && CheckBitmapHeaders(start, read, size, layout);
}
