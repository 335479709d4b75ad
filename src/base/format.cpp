// Bounded formatted printing for paths and command lines (only the "%c" and
// "%s" conversions are needed; "%%" gives a percent sign), and splitting a
// command line into program and arguments.
#include <stdarg.h>
#include "base/base.h"

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

// The program of a command line as the system reads its first word: up to
// the closing quote when it starts with one, otherwise up to the first
// blank. Copies it into program (CommandLineSize bytes) and returns where
// the rest of the line starts, past the word and its closing quote; null
// when it does not fit.
const char* ProgramWord(const char* commandLine, char* program)
{
    const char* p = commandLine;
    while (*p == ' ' || *p == '\t')
        ++p;
    char stop = ' ';
    if (*p == '"') {
        stop = '"';
        ++p;
    }
    int length = 0;
    while (p[length] != '\0' && p[length] != stop && !(stop == ' ' && p[length] == '\t')) {
        if (length == CommandLineSize - 1)
            return NULL;
        program[length] = p[length];
        ++length;
    }
    program[length] = '\0';
    p += length;
    return *p == '"' ? p + 1 : p;
}

// Splits a command line into its program and its arguments, blanks before
// them dropped. Both outputs are CommandLineSize bytes; returns 0 when
// either does not fit.
int SplitCommandLine(const char* commandLine, char* program, char* arguments)
{
    const char* p = ProgramWord(commandLine, program);
    if (p == NULL)
        return 0;
    while (*p == ' ' || *p == '\t')
        ++p;
    return FormatText(arguments, CommandLineSize, "%s", p);
}
