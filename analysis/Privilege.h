// Enabling one privilege in the process token. Best effort: nothing is reported; a privilege that
// could not be enabled shows up later as a failing save, replacement or restart.
#pragma once

#include "platform/Platform.h"

namespace hivelet::analysis {

// Opens the process token with `tokenAccess`, looks up `privilege` on the local system and, only
// when the lookup succeeded, adjusts the token to enable that one privilege without touching the
// others. The token is closed in every case. Returns the adjustment's result; InvalidHandle when
// the token could not be opened, FileNotFound when the privilege is unknown.
platform::Status EnableTokenPrivilege(platform::Platform& platform, uint32_t tokenAccess,
                                      const char* privilege);

} // namespace hivelet::analysis
