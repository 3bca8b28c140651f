// Registry services: the hive list key, opening hive roots, saving and replacing hives.
#include "platform/regf/Regf.h"
#include "platform/win32/HandleTables.h"

#include <algorithm>
#include <vector>

namespace hivelet::platform::win32 {

namespace {

HKEY RootHandle(RootKey root) {
    return root == RootKey::Users ? HKEY_USERS : HKEY_LOCAL_MACHINE;
}

Status FromError(LONG code) {
    return code == ERROR_SUCCESS ? Status::Ok() : Status::Fail(static_cast<uint32_t>(code));
}

// Longest value name the registry allows, plus its terminator.
constexpr DWORD MaxValueNameChars = 16384;

} // namespace

Win32Platform::Win32Platform() : tables_(std::make_unique<Tables>()) {}

Win32Platform::~Win32Platform() = default;

size_t Win32Platform::OpenHandleCount() const {
    std::lock_guard lock(tables_->mutex);
    return tables_->keys.size() + tables_->tokens.size();
}

template <typename OpenFn> Status Win32Platform::RecordKey(OpenFn open, KeyHandle& key) {
    key = {};
    UniqueKey owner;
    LONG result = open(owner.receive());
    if (result != ERROR_SUCCESS) {
        // A failed open leaves its out-parameter undefined: never close what it holds.
        owner.release();
        return FromError(result);
    }
    key.value = tables_->addKey(std::move(owner));
    return Status::Ok();
}

Status Win32Platform::OpenKeyHandle(RootKey root, const std::string& subKey, KeyHandle& key) {
    return RecordKey([&](HKEY* out) { return RegOpenKeyA(RootHandle(root), subKey.c_str(), out); },
                     key);
}

Status Win32Platform::OpenKeyExHandle(RootKey root, const std::string& subKey, uint32_t access,
                                      KeyHandle& key) {
    return RecordKey(
        [&](HKEY* out) { return RegOpenKeyExA(RootHandle(root), subKey.c_str(), 0, access, out); },
        key);
}

Status Win32Platform::EnumValueNames(KeyHandle key, std::vector<std::string>& names) {
    names.clear();
    HKEY raw = tables_->findKey(key);
    if (!raw) {
        return Status::Fail(error::InvalidHandle);
    }
    std::vector<char> name(MaxValueNameChars);
    for (DWORD index = 0;; ++index) {
        DWORD length = MaxValueNameChars;
        LONG result =
            RegEnumValueA(raw, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS) {
            return Status::Ok();
        }
        if (result != ERROR_SUCCESS) {
            return FromError(result);
        }
        names.emplace_back(name.data(), length);
    }
}

Status Win32Platform::QueryValue(KeyHandle key, const std::string& name, RegistryValue& value) {
    value = {};
    HKEY raw = tables_->findKey(key);
    if (!raw) {
        return Status::Fail(error::InvalidHandle);
    }
    DWORD type = REG_NONE;
    DWORD size = 0;
    LONG result = RegQueryValueExA(raw, name.c_str(), nullptr, &type, nullptr, &size);
    // The value may grow between the size query and the read; ask again until it fits.
    while (result == ERROR_SUCCESS || result == ERROR_MORE_DATA) {
        std::string data(size, '\0');
        DWORD got = size;
        result = RegQueryValueExA(raw, name.c_str(), nullptr, &type,
                                  reinterpret_cast<BYTE*>(data.data()), &got);
        if (result == ERROR_SUCCESS) {
            data.resize(got < size ? got : size);
            value.type = type;
            value.data = std::move(data);
            return Status::Ok();
        }
        if (result == ERROR_MORE_DATA && got <= size) {
            got = size * 2 + 16; // the service did not say how much it needs
        }
        size = got;
    }
    return FromError(result);
}

Status Win32Platform::SaveKey(KeyHandle key, const std::string& file) {
    HKEY raw = tables_->findKey(key);
    if (!raw) {
        return Status::Fail(error::InvalidHandle);
    }
    // Windows refuses to write over an existing file; Wine writes over it. Refuse here as well
    // so that a forgotten delete shows up the same way on both.
    if (GetFileAttributesA(file.c_str()) != INVALID_FILE_ATTRIBUTES) {
        return Status::Fail(error::AlreadyExists, "the target file exists");
    }
    LONG result = RegSaveKeyA(raw, file.c_str(), nullptr);
    if (result != ERROR_SUCCESS) {
        // Wine leaves an empty file behind when the save fails; the file did not exist before
        // the call, so whatever is there now is that remnant.
        DeleteFileA(file.c_str());
    }
    return FromError(result);
}

Status Win32Platform::VerifyHiveFile(const std::string& path) {
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        return Status::Fail(error::FileNotFound, path + ": no such file");
    }
    // The verifier's file names are not in the ANSI code page: a name with other characters is
    // handed over by its short (8.3) form. Without one the check fails, and the snapshot with it.
    std::string readable = path;
    if (std::any_of(path.begin(), path.end(), [](char c) { return (unsigned char)c > 0x7F; })) {
        std::vector<char> shortName(MAX_PATH + 1);
        const DWORD n = GetShortPathNameA(path.c_str(), shortName.data(), MAX_PATH + 1);
        if (n > 0 && n <= MAX_PATH) {
            readable.assign(shortName.data(), n);
        }
    }
    const regf::Status verified = regf::VerifyHiveFile(readable);
    if (!verified.ok()) {
        return Status::Fail(error::BadDb, verified.message);
    }
    return Status::Ok();
}

Status Win32Platform::ReplaceKey(RootKey root, const std::string& subKey,
                                 const std::string& newFile, const std::string& oldFile) {
    return FromError(
        RegReplaceKeyA(RootHandle(root), subKey.c_str(), newFile.c_str(), oldFile.c_str()));
}

Status Win32Platform::CloseKeyHandle(KeyHandle key) {
    UniqueKey owner = tables_->takeKey(key);
    if (!owner) {
        return Status::Fail(error::InvalidHandle);
    }
    return FromError(owner.close());
}

} // namespace hivelet::platform::win32
