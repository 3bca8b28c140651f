// <windows.h> for the Win32 backend, with the macros that would rename the toolkit's own methods
// (MessageBox, DispatchMessage ...) taken back out.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#undef MessageBox
#undef DispatchMessage
#undef CreateWindow
#undef DrawText
#undef GetClassName
#undef PostMessage
#undef FindWindow
