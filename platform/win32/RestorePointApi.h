// The System Restore client's request and status records, as SrClient.dll lays them out (the
// SDK header packs them to one byte). Declared here so the build needs no SDK header.
#pragma once

#include "platform/win32/WindowsApi.h"

#include <cstddef>
#include <cstdint>

namespace hivelet::platform::win32 {

#pragma pack(push, 1)
struct RestorePointInfoA {
    DWORD eventType;        // 0x00 BEGIN_SYSTEM_CHANGE, END_SYSTEM_CHANGE, ...
    DWORD restorePointType; // 0x04 APPLICATION_INSTALL, ...
    int64_t sequenceNumber; // 0x08
    char description[64];   // 0x10 MAX_DESC, zero-terminated and zero-padded
};
struct StateManagerStatus {
    DWORD status;           // 0x00 a Windows error code
    int64_t sequenceNumber; // 0x04
};
#pragma pack(pop)

static_assert(offsetof(RestorePointInfoA, restorePointType) == 0x04);
static_assert(offsetof(RestorePointInfoA, sequenceNumber) == 0x08);
static_assert(offsetof(RestorePointInfoA, description) == 0x10);
static_assert(sizeof(RestorePointInfoA) == 0x50);
static_assert(offsetof(StateManagerStatus, sequenceNumber) == 0x04);
static_assert(sizeof(StateManagerStatus) == 0x0C);

using SetRestorePointAFn = BOOL(WINAPI*)(RestorePointInfoA*, StateManagerStatus*);

} // namespace hivelet::platform::win32
