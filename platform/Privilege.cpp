#include "platform/Privilege.h"

namespace hivelet::platform {

Status EnableTokenPrivilege(Platform& platform, uint32_t tokenAccess, const char* privilege) {
    ProcessToken token = platform.OpenProcessToken(tokenAccess);
    if (!token) {
        return Status::Fail(error::InvalidHandle, "no process token");
    }
    auto luid = platform.LookupPrivilegeValue(privilege);
    if (!luid) {
        return Status::Fail(error::FileNotFound, "unknown privilege");
    }
    return platform.AdjustTokenPrivilege(token.get(), *luid, token::PrivilegeEnabled);
}

Status EnableBackupPrivilege(Platform& platform) {
    return EnableTokenPrivilege(platform, token::AdjustAndQuery, token::BackupPrivilege);
}

Status EnableRestorePrivilege(Platform& platform) {
    return EnableTokenPrivilege(platform, token::AllStandardRights, token::RestorePrivilege);
}

Status EnableShutdownPrivilege(Platform& platform) {
    return EnableTokenPrivilege(platform, token::AdjustAndQuery, token::ShutdownPrivilege);
}

} // namespace hivelet::platform
