// Process token privileges (backup, restore, shutdown).
#include "platform/win32/HandleTables.h"

namespace hivelet::platform::win32 {

std::optional<TokenHandle> Win32Platform::OpenProcessTokenHandle(uint32_t access) {
    UniqueKernelHandle token;
    if (!::OpenProcessToken(GetCurrentProcess(), access, token.receive())) {
        token.release();
        return std::nullopt;
    }
    return TokenHandle{tables_->addToken(std::move(token))};
}

std::optional<Luid> Win32Platform::LookupPrivilegeValue(const std::string& name) {
    LUID luid{};
    if (!LookupPrivilegeValueA(nullptr, name.c_str(), &luid)) {
        return std::nullopt;
    }
    return Luid{luid.LowPart, luid.HighPart};
}

Status Win32Platform::AdjustTokenPrivilege(TokenHandle token, Luid luid, uint32_t attributes) {
    HANDLE raw = tables_->findToken(token);
    if (!raw) {
        return Status::Fail(error::InvalidHandle);
    }
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Luid.LowPart = luid.low;
    privileges.Privileges[0].Luid.HighPart = luid.high;
    privileges.Privileges[0].Attributes = attributes;
    if (!AdjustTokenPrivileges(raw, FALSE, &privileges, sizeof(privileges), nullptr, nullptr)) {
        return Status::Fail(GetLastError());
    }
    // The call succeeds even when the token does not hold the privilege; only the last error
    // tells.
    if (GetLastError() == ERROR_NOT_ALL_ASSIGNED) {
        return Status::Fail(error::NotAllAssigned, "the token does not hold the privilege");
    }
    return Status::Ok();
}

bool Win32Platform::CloseTokenHandle(TokenHandle token) {
    UniqueKernelHandle owner = tables_->takeToken(token);
    return owner && owner.close();
}

} // namespace hivelet::platform::win32
