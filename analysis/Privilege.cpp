#include "analysis/Privilege.h"

namespace hivelet::analysis {
namespace {

// Closes the token when it goes out of scope, also when a platform call throws.
class TokenOwner {
public:
    TokenOwner(platform::Platform& platform, platform::TokenHandle token)
        : platform_(platform), token_(token) {}
    ~TokenOwner() { platform_.CloseToken(token_); }
    TokenOwner(const TokenOwner&) = delete;
    TokenOwner& operator=(const TokenOwner&) = delete;
    platform::TokenHandle get() const { return token_; }

private:
    platform::Platform& platform_;
    platform::TokenHandle token_;
};

} // namespace

platform::Status EnableTokenPrivilege(platform::Platform& platform, uint32_t tokenAccess,
                                      const char* privilege) {
    auto token = platform.OpenProcessToken(tokenAccess);
    if (!token || !*token) {
        return platform::Status::Fail(platform::error::InvalidHandle, "no process token");
    }
    TokenOwner owner(platform, *token);
    auto luid = platform.LookupPrivilegeValue(privilege);
    if (!luid) {
        return platform::Status::Fail(platform::error::FileNotFound, "unknown privilege");
    }
    return platform.AdjustTokenPrivilege(owner.get(), *luid, platform::token::PrivilegeEnabled);
}

} // namespace hivelet::analysis
