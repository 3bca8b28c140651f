// Loading a library from the Windows system folder and from nowhere else.
//
// Hivelet runs elevated. Loading a system library by bare name lets the loader search the
// executable's folder and the current folder first, so a DLL planted there would run with
// administrator rights. These loads name the system folder explicitly.
#pragma once

#include "platform/win32/Handles.h"

#include <string>

namespace hivelet::platform::win32 {

enum class SystemFolderLoad {
    SearchFlag, // LoadLibraryExA with LOAD_LIBRARY_SEARCH_SYSTEM32 (Windows 8, or 7 with KB2533623)
    FullPath,   // LoadLibraryA with the full path built from GetSystemDirectoryA
};

// SearchFlag where the loader understands it (it then exports AddDllDirectory), else FullPath.
SystemFolderLoad PreferredSystemFolderLoad();

// Loads `fileName` (such as "SrClient.dll") from the system folder. When the search flag is
// refused as an unknown parameter, falls back to the full path. Empty when the library is not
// there or cannot be loaded.
UniqueModule LoadFromSystemFolder(const std::string& fileName, SystemFolderLoad how);

} // namespace hivelet::platform::win32
