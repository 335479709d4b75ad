// What the compiler may call on its own in a program built without the C
// runtime: it turns struct copies and zero-filled buffers into calls to
// memcpy and memset, and a loop that counts up to a zero byte into strlen.
// Built into the Windows executable only; elsewhere the C library has them.
// This file is compiled so that these loops are not themselves turned back
// into such calls.
#include <stddef.h>

extern "C" void* memset(void* destination, int value, size_t count)
{
    unsigned char* out = (unsigned char*)destination;
    while (count-- > 0)
        *out++ = (unsigned char)value;
    return destination;
}

extern "C" void* memcpy(void* destination, const void* source, size_t count)
{
    unsigned char* out = (unsigned char*)destination;
    const unsigned char* in = (const unsigned char*)source;
    while (count-- > 0)
        *out++ = *in++;
    return destination;
}

extern "C" size_t strlen(const char* text)
{
    size_t length = 0;
    while (text[length] != '\0')
        ++length;
    return length;
}
