// Move-only owners for the Win32 handles the platform layer opens. Each owner closes its handle
// exactly once, on destruction or on an explicit close() whose result the caller wants to see.
#pragma once

#include "platform/win32/WindowsApi.h"

#include <utility>

namespace hivelet::platform::win32 {

// Traits: `Handle` is the raw type, `invalid()` the value meaning "nothing owned" and `close()`
// the release call, returning whatever the release call returns.
template <typename Traits> class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() = default;
    explicit UniqueHandle(Handle h) : handle_(h) {}
    ~UniqueHandle() { reset(); }

    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    Handle get() const { return handle_; }
    bool valid() const { return handle_ != Traits::invalid(); }
    explicit operator bool() const { return valid(); }

    // For calls that fill in a handle: releases the current one first.
    Handle* receive() {
        reset();
        return &handle_;
    }

    Handle release() { return std::exchange(handle_, Traits::invalid()); }

    void reset(Handle h = Traits::invalid()) {
        Handle old = std::exchange(handle_, h);
        if (old != Traits::invalid()) {
            Traits::close(old);
        }
    }

    // Closes now and reports the release call's result (for services whose result is part of
    // the platform interface, such as RegCloseKey). Only for an owner that holds a handle.
    auto close() { return Traits::close(release()); }

private:
    Handle handle_ = Traits::invalid();
};

struct KeyTraits {
    using Handle = HKEY;
    static Handle invalid() { return nullptr; }
    static LONG close(Handle h) { return RegCloseKey(h); }
};

// Kernel objects whose "none" is NULL: tokens, processes, threads, pipes.
struct KernelTraits {
    using Handle = HANDLE;
    static Handle invalid() { return nullptr; }
    static BOOL close(Handle h) { return CloseHandle(h); }
};

// CreateFileA reports failure with INVALID_HANDLE_VALUE, not NULL.
struct FileTraits {
    using Handle = HANDLE;
    static Handle invalid() { return INVALID_HANDLE_VALUE; }
    static BOOL close(Handle h) { return CloseHandle(h); }
};

struct FindTraits {
    using Handle = HANDLE;
    static Handle invalid() { return INVALID_HANDLE_VALUE; }
    static BOOL close(Handle h) { return FindClose(h); }
};

struct ModuleTraits {
    using Handle = HMODULE;
    static Handle invalid() { return nullptr; }
    static BOOL close(Handle h) { return FreeLibrary(h); }
};

using UniqueKey = UniqueHandle<KeyTraits>;
using UniqueKernelHandle = UniqueHandle<KernelTraits>;
using UniqueFile = UniqueHandle<FileTraits>;
using UniqueFind = UniqueHandle<FindTraits>;
using UniqueModule = UniqueHandle<ModuleTraits>;

} // namespace hivelet::platform::win32
