// The platform interface over the real Windows services (the ANSI "A" entry points).
//
// Key and token handles handed out through the interface stay owned here: each lives in a
// table of RAII owners until the caller's owner closes it, and whatever is still open is closed
// when the platform object goes. The tables are locked because the scan worker opens and closes
// keys while the UI thread uses the same object.
#pragma once

#include "platform/Platform.h"

#include <functional>
#include <memory>

namespace hivelet::platform::win32 {

// For a run no one watches: the system's own boxes (no disk in a drive, a program fault) would
// wait for somebody to press a button. SetErrorMode makes the calls fail instead, and a crash end
// the process.
void SuppressSystemErrorBoxes();

class Win32Platform final : public Platform {
public:
    Win32Platform();
    ~Win32Platform() override;
    Win32Platform(const Win32Platform&) = delete;
    Win32Platform& operator=(const Win32Platform&) = delete;

    Status EnumValueNames(KeyHandle key, std::vector<std::string>& names) override;
    Status QueryValue(KeyHandle key, const std::string& name, RegistryValue& value) override;
    Status SaveKey(KeyHandle key, const std::string& file) override;
    Status ReplaceKey(RootKey root, const std::string& subKey, const std::string& newFile,
                      const std::string& oldFile) override;

    std::optional<Luid> LookupPrivilegeValue(const std::string& name) override;
    Status AdjustTokenPrivilege(TokenHandle token, Luid luid, uint32_t attributes) override;

    VersionInfo GetVersion() override;
    std::optional<bool> IsWow64Process() override;
    Status ExitWindows(uint32_t flags, uint32_t reason) override;
    void SetSessionEndHandler(std::function<void()> handler) override;

    uint32_t GetLogicalDriveStrings(uint32_t bufferChars, std::string& buffer) override;
    uint32_t GetDriveType(const std::string& root) override;
    bool QueryDosDevice(const std::string& device, uint32_t bufferChars,
                        std::string& firstTarget) override;

    bool FileExists(const std::string& path) override;
    bool DeleteFile(const std::string& path) override;
    bool MoveFile(const std::string& from, const std::string& to) override;
    bool OpenExclusive(const std::string& path) override;
    std::optional<uint64_t> FindFileSize(const std::string& path) override;
    Status VerifyHiveFile(const std::string& path) override;

    std::string GetProfileString(const std::string& section, const std::string& key,
                                 const std::string& defaultValue, const std::string& file) override;
    bool WriteProfileString(const std::string& section, const std::string& key,
                            const std::string& value, const std::string& file) override;
    bool EraseProfileSection(const std::string& section, const std::string& file) override;
    bool FlushProfile(const std::string& file) override;

    RestorePointOutcome SetRestorePoint(const std::string& description, uint32_t eventType,
                                        uint32_t restorePointType) override;

    bool OpenWebPage(const std::string& address, uintptr_t ownerWindow, int showCommand) override;
    bool ReportErrorEvent(const std::string& source, const std::string& text) override;

    std::string ExecutablePath() override;
    int64_t MonotonicMilliseconds() override;
    std::string LocalDateTimeText() override;
    std::string DecimalSeparator() override;

    // Number of keys and tokens handed out and not yet closed.
    size_t OpenHandleCount() const;

protected:
    Status OpenKeyHandle(RootKey root, const std::string& subKey, KeyHandle& key) override;
    Status OpenKeyExHandle(RootKey root, const std::string& subKey, uint32_t access,
                           KeyHandle& key) override;
    Status CloseKeyHandle(KeyHandle key) override;
    std::optional<TokenHandle> OpenProcessTokenHandle(uint32_t access) override;
    bool CloseTokenHandle(TokenHandle token) override;

private:
    struct Tables;

    // Opens through `open` (which fills in a raw key) and records the key on success.
    template <typename OpenFn> Status RecordKey(OpenFn open, KeyHandle& key);

    std::unique_ptr<Tables> tables_;
    std::function<void()> sessionEndHandler_;
};

} // namespace hivelet::platform::win32
