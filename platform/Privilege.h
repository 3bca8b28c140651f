// Enabling one privilege in the process token. The privilege belongs to the process, so enabling
// it on a worker serves every thread. The result says what happened; callers that go on without
// the privilege see it again as a failing save, replacement or restart.
#pragma once

#include "platform/Platform.h"

namespace hivelet::platform {

// Opens the process token with `tokenAccess`, looks up `privilege` on the local system and, only
// when the lookup succeeded, adjusts the token to enable that one privilege without touching the
// others. The token is closed in every case. Returns the adjustment's result; InvalidHandle when
// the token could not be opened, FileNotFound when the privilege is unknown.
Status EnableTokenPrivilege(Platform& platform, uint32_t tokenAccess, const char* privilege);

// SeBackupPrivilege, for saving hives (token opened with TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY).
Status EnableBackupPrivilege(Platform& platform);

// SeRestorePrivilege, for replacing hives (token opened with every standard token right,
// 0xF00FF).
Status EnableRestorePrivilege(Platform& platform);

// SeShutdownPrivilege, for the restart (token opened with TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY).
Status EnableShutdownPrivilege(Platform& platform);

} // namespace hivelet::platform
