// Fuzzes the picture header checks, of a background file and of a bitmap
// resource: any bytes, cut anywhere, are either refused or promise only what
// the file (the resource) holds (headers, colour table and pixels inside
// it), and the check never reads past what was read.
#include "fuzz_support.h"
#include "ui/picture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    size_t read = size < BitmapHeaderBytes ? size : BitmapHeaderBytes;
    BYTE* start = (BYTE*)malloc(read ? read : 1);  // exactly sized, so a read past it is caught
    memcpy(start, data, read);
    BitmapLayout layout = {};
    if (CheckBitmapHeaders(start, (DWORD)read, (DWORD)size, &layout)) {
        REQUIRE(layout.Width > 0);
        REQUIRE(layout.Height != 0);
        REQUIRE(layout.ColourTableOffset + layout.ColourCount * layout.ColourEntrySize <= layout.PixelOffset);
        REQUIRE(layout.PixelBytes > 0);
        REQUIRE((uint64_t)layout.PixelOffset + layout.PixelBytes <= size);
    }
    free(start);
    // A resource is all there: the whole input, exactly sized.
    BYTE* resource = (BYTE*)malloc(size ? size : 1);
    memcpy(resource, data, size);
    if (CheckBitmapResource(resource, (DWORD)size, &layout)) {
        REQUIRE(layout.Width > 0);
        REQUIRE(layout.ColourTableOffset + layout.ColourCount * layout.ColourEntrySize == layout.PixelOffset);
        REQUIRE((uint64_t)layout.PixelOffset + layout.PixelBytes <= size);
    }
    free(resource);
    return 0;
}
