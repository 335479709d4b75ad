// The one place that decides where the Win32 declarations come from: the
// real headers when building the product for Windows, the test stand-in
// when building natively for the unit tests.
#ifndef AUTORUN_PLATFORM_H
#define AUTORUN_PLATFORM_H

#if defined(_WIN32)
// The COM interfaces as C structures: the window's accessible object is a
// structure whose first member points at a table of its methods.
#define CINTERFACE
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <shellapi.h>
#include <dbt.h>
#include <tlhelp32.h>
#include <ole2.h>
#include <oleacc.h>
// Vista's answer to CreateProcess for a program that needs elevation; older
// headers may lack it.
#ifndef ERROR_ELEVATION_REQUIRED
#define ERROR_ELEVATION_REQUIRED 740
#endif
#else
#include "win32_standin.h"
#endif

#endif
