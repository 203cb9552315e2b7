// <windows.h> for the Win32 backend and the Windows entry point, and nowhere
// else. The framework's own names that <windows.h> turns into macros
// (LoadString, LoadIcon, IDOK, IDCANCEL) are freed again, so that the
// framework's declarations keep their meaning in the files that include it;
// the values of IDOK and IDCANCEL are the framework's (1 and 2, the same).
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#undef LoadString
#undef LoadIcon
#undef IDOK
#undef IDCANCEL
