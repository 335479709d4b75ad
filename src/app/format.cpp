// Bounded formatted printing for paths and command lines. Only the "%c" and
// "%s" conversions are needed; "%%" gives a percent sign.
#include <stdarg.h>
#include "app/launcher.h"

// Formats into out (size bytes). Returns 1 when the whole text and its
// terminating zero fit; otherwise returns 0 and leaves out as "" so that a
// cut-down path or command can never be used by mistake.
int FormatText(char* out, int size, const char* format, ...)
{
    if (out == NULL || size <= 0)
        return 0;
    va_list args;
    va_start(args, format);
    int length = 0;
    int fits = 1;
    for (const char* f = format; *f != '\0' && fits; ++f) {
        const char* piece = f;
        int pieceLength = 1;
        char letter;
        if (f[0] == '%' && f[1] == 'c') {
            letter = (char)va_arg(args, int);
            piece = &letter;
            ++f;
        } else if (f[0] == '%' && f[1] == 's') {
            piece = va_arg(args, const char*);
            if (piece == NULL)
                piece = "";
            pieceLength = 0;
            while (piece[pieceLength] != '\0')
                ++pieceLength;
            ++f;
        } else if (f[0] == '%' && f[1] == '%') {
            ++f;
        }
        if (pieceLength > size - 1 - length) {
            fits = 0;
            break;
        }
        for (int i = 0; i < pieceLength; ++i)
            out[length++] = piece[i];
    }
    va_end(args);
    out[fits ? length : 0] = '\0';
    return fits;
}
