// The restore-point request, with the library's file name and the way of reaching the system
// folder chosen by the caller. The platform passes "SrClient.dll" and the preferred way; tests
// pass a library of their own and try both ways.
#pragma once

#include "platform/Platform.h"
#include "platform/win32/SystemLibrary.h"

#include <string>

namespace hivelet::platform::win32 {

// Loads `libraryFile` from the system folder, calls its SRSetRestorePointA with the request
// (description cut to 63 characters, zero-padded to 64) and releases the library.
RestorePointOutcome SetRestorePointFrom(const std::string& libraryFile, SystemFolderLoad how,
                                        const std::string& description, uint32_t eventType,
                                        uint32_t restorePointType);

} // namespace hivelet::platform::win32
