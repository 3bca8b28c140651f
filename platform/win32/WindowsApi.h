// <windows.h> for code that also sees the platform interface.
//
// Several Platform methods share their names with windows.h macros that pick the A or W entry
// point (DeleteFile, GetDriveType, GetProfileString, ...), and ExitWindows is even a
// function-like macro. Left defined they would rename the methods in some translation units and
// not in others. The platform calls the A entry points by their full names, so the macros go.
#pragma once

#include <windows.h>

#undef DeleteFile
#undef ExitWindows
#undef GetDriveType
#undef GetLogicalDriveStrings
#undef GetProfileString
#undef LookupPrivilegeValue
#undef MoveFile
#undef QueryDosDevice
#undef WriteProfileString
