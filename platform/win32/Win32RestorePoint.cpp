// Restore points through SrClient.dll, loaded from the system folder only.
#include "platform/win32/RestorePoint.h"
#include "platform/win32/RestorePointApi.h"
#include "platform/win32/Win32Platform.h"

#include <algorithm>
#include <cstring>

namespace hivelet::platform::win32 {

static_assert(restore::DescriptionChars == sizeof(RestorePointInfoA::description));

RestorePointOutcome SetRestorePointFrom(const std::string& libraryFile, SystemFolderLoad how,
                                        const std::string& description, uint32_t eventType,
                                        uint32_t restorePointType) {
    UniqueModule library = LoadFromSystemFolder(libraryFile, how);
    if (!library) {
        return RestorePointOutcome::LibraryMissing;
    }
    auto entry = reinterpret_cast<SetRestorePointAFn>(
        reinterpret_cast<void*>(GetProcAddress(library.get(), "SRSetRestorePointA")));
    if (!entry) {
        return RestorePointOutcome::EntryMissing;
    }
    RestorePointInfoA request{};
    request.eventType = eventType;
    request.restorePointType = restorePointType;
    request.sequenceNumber = 0;
    // Cut to leave room for the terminator; the rest of the field stays zero.
    std::memcpy(request.description, description.data(),
                std::min(description.size(), sizeof(request.description) - 1));
    StateManagerStatus status{};
    return entry(&request, &status) ? RestorePointOutcome::Created : RestorePointOutcome::Failed;
}

RestorePointOutcome Win32Platform::SetRestorePoint(const std::string& description,
                                                   uint32_t eventType, uint32_t restorePointType) {
    return SetRestorePointFrom("SrClient.dll", PreferredSystemFolderLoad(), description, eventType,
                               restorePointType);
}

} // namespace hivelet::platform::win32
