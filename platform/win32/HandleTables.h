// The keys and tokens that Win32Platform has handed out, each held by its RAII owner under an
// id of its own. Ids are never reused, so a stale or forged handle finds nothing instead of
// someone else's key, and opening a root with an empty sub-key (which hands back the root's
// own predefined handle) cannot collide with an earlier entry.
#pragma once

#include "platform/win32/Handles.h"
#include "platform/win32/Win32Platform.h"

#include <map>
#include <mutex>

namespace hivelet::platform::win32 {

struct Win32Platform::Tables {
    mutable std::mutex mutex;
    uint64_t nextId = 0;
    std::map<uint64_t, UniqueKey> keys;
    std::map<uint64_t, UniqueKernelHandle> tokens;

    HKEY findKey(KeyHandle key) const {
        std::lock_guard lock(mutex);
        auto it = keys.find(key.value);
        return it == keys.end() ? nullptr : it->second.get();
    }
    HANDLE findToken(TokenHandle token) const {
        std::lock_guard lock(mutex);
        auto it = tokens.find(token.value);
        return it == tokens.end() ? nullptr : it->second.get();
    }
    uint64_t addKey(UniqueKey key) {
        std::lock_guard lock(mutex);
        keys.emplace(++nextId, std::move(key));
        return nextId;
    }
    uint64_t addToken(UniqueKernelHandle token) {
        std::lock_guard lock(mutex);
        tokens.emplace(++nextId, std::move(token));
        return nextId;
    }
    // Hands the owner back to the caller, who closes it; empty when the id is unknown.
    UniqueKey takeKey(KeyHandle key) {
        std::lock_guard lock(mutex);
        auto it = keys.find(key.value);
        if (it == keys.end()) {
            return {};
        }
        UniqueKey owner = std::move(it->second);
        keys.erase(it);
        return owner;
    }
    UniqueKernelHandle takeToken(TokenHandle token) {
        std::lock_guard lock(mutex);
        auto it = tokens.find(token.value);
        if (it == tokens.end()) {
            return {};
        }
        UniqueKernelHandle owner = std::move(it->second);
        tokens.erase(it);
        return owner;
    }
};

} // namespace hivelet::platform::win32
