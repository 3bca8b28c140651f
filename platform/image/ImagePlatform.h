// The platform interface over a Windows system image: a folder standing for one Windows machine,
// described by its machine.ini (see README.md, "System images"). A real, persistent substitute
// for the live system: hives are saved as real compacted hive files, replacements are recorded
// in the image and applied by a journaled restart, restore points and web pages are logged.
//
// Thread-safe: a worker may save hives while the UI thread measures files.
#pragma once

#include "platform/Platform.h"
#include "platform/image/ImageState.h"
#include "platform/image/Installation.h"
#include "platform/image/Machine.h"
#include "platform/image/PathMap.h"
#include "platform/image/Restart.h"
#include "platform/regf/Regf.h"

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <set>

namespace hivelet::image {

struct ImageOptions {
    // The running executable's full path; empty: found from the process itself. Its folder is
    // outside the image: options.ini and the language files stay there.
    std::string executablePath;
    // Lets tests interrupt the restart (and the repair of an interrupted one) at every step.
    // Called with the image locked: it must not call back into the platform.
    FaultHook faultHook;
};

class ImagePlatform : public platform::Platform {
public:
    // Reads the machine file and the image's state, and finishes a restart that an earlier run
    // left half done. Throws std::runtime_error with a one-line message (naming the file and
    // line where one applies) when the folder or machine file is missing or malformed, or the
    // state cannot be repaired.
    explicit ImagePlatform(const std::filesystem::path& imageRoot, ImageOptions options = {});
    // A Windows installation that is not running, its state kept in ROOT/.hivelet-state. Nothing
    // is loaded there: hive files are not locked, ExitWindows replaces the pending hives at once
    // (journaled as a restart) and restarts nothing, and a compaction that an earlier run left
    // scheduled but never applied is dropped (its hives were never touched).
    explicit ImagePlatform(const Installation& installation, ImageOptions options = {});
    ~ImagePlatform() override;

    // An installation that is not running: puts back, from `hive + backupSuffix`, every hive the
    // last replacement run replaced, with the logs the backups kept, journaled like a
    // replacement; the compacted files go. Throws std::runtime_error with one line when there is
    // nothing to undo or no change may be made.
    BootOutcome UndoLastCompaction(const std::string& backupSuffix);

    const Machine& machine() const { return machine_; }
    const PathMap& paths() const { return paths_; }
    // What the last ExitWindows did (for tests and the command line).
    std::optional<BootOutcome> lastBoot() const;
    // The replacements scheduled for the next restart.
    std::vector<Replacement> pendingReplacements() const;
    // Lines of one of the image's logs (boot, restore points, web pages), oldest first.
    std::vector<std::string> ReadLog(std::string_view log) const;
    // What the last save of the hive `hiveName` (its hivelist name, matched ignoring case)
    // should tell a user: how the hive was recovered from its transaction logs, or why it was
    // not saved; empty when it was saved as it was or never saved.
    std::string SaveNote(const std::string& hiveName) const;

    // --- Registry ---
    platform::Status EnumValueNames(platform::KeyHandle key,
                                    std::vector<std::string>& names) override;
    platform::Status QueryValue(platform::KeyHandle key, const std::string& name,
                                platform::RegistryValue& value) override;
    platform::Status SaveKey(platform::KeyHandle key, const std::string& file) override;
    platform::Status ReplaceKey(platform::RootKey root, const std::string& subKey,
                                const std::string& newFile, const std::string& oldFile) override;

    // --- Privileges ---
    std::optional<platform::Luid> LookupPrivilegeValue(const std::string& name) override;
    platform::Status AdjustTokenPrivilege(platform::TokenHandle token, platform::Luid luid,
                                          uint32_t attributes) override;

    // --- System ---
    platform::VersionInfo GetVersion() override;
    std::optional<bool> IsWow64Process() override;
    platform::Status ExitWindows(uint32_t flags, uint32_t reason) override;
    bool ReplacesHivesAtOnce() override { return machine_.offline; }
    void SetSessionEndHandler(std::function<void()> handler) override;

    // --- Drives ---
    uint32_t GetLogicalDriveStrings(uint32_t bufferChars, std::string& buffer) override;
    uint32_t GetDriveType(const std::string& root) override;
    bool QueryDosDevice(const std::string& device, uint32_t bufferChars,
                        std::string& firstTarget) override;

    // --- Files ---
    bool FileExists(const std::string& path) override;
    bool DeleteFile(const std::string& path) override;
    bool MoveFile(const std::string& from, const std::string& to) override;
    bool OpenExclusive(const std::string& path) override;
    std::optional<uint64_t> FindFileSize(const std::string& path) override;
    platform::Status VerifyHiveFile(const std::string& path) override;

    // --- Profile files ---
    std::string GetProfileString(const std::string& section, const std::string& key,
                                 const std::string& defaultValue, const std::string& file) override;
    bool WriteProfileString(const std::string& section, const std::string& key,
                            const std::string& value, const std::string& file) override;
    bool EraseProfileSection(const std::string& section, const std::string& file) override;
    bool FlushProfile(const std::string& file) override;

    // --- Restore points, shell, process, clock ---
    platform::RestorePointOutcome SetRestorePoint(const std::string& description,
                                                  uint32_t eventType,
                                                  uint32_t restorePointType) override;
    bool OpenWebPage(const std::string& address, uintptr_t ownerWindow, int showCommand) override;
    bool ReportErrorEvent(const std::string& source, const std::string& text) override;
    std::string ExecutablePath() override;
    int64_t MonotonicMilliseconds() override;
    std::string LocalDateTimeText() override;
    std::string DecimalSeparator() override;

    // Privilege identifiers this system hands out (the values Windows uses).
    static constexpr uint32_t BackupLuid = 17;
    static constexpr uint32_t RestoreLuid = 18;
    static constexpr uint32_t ShutdownLuid = 19;

protected:
    platform::Status OpenKeyHandle(platform::RootKey root, const std::string& subKey,
                                   platform::KeyHandle& key) override;
    platform::Status OpenKeyExHandle(platform::RootKey root, const std::string& subKey,
                                     uint32_t access, platform::KeyHandle& key) override;
    platform::Status CloseKeyHandle(platform::KeyHandle key) override;
    std::optional<platform::TokenHandle> OpenProcessTokenHandle(uint32_t access) override;
    bool CloseTokenHandle(platform::TokenHandle token) override;

private:
    enum class KeyKind { Hivelist, Hive };
    struct OpenKeyRecord {
        KeyKind kind = KeyKind::Hive;
        size_t hive = 0;     // index into machine_.hivelist
        std::string subtree; // below the hive root ("Wow6432Node" for the 32-bit view)
    };

    ImagePlatform(std::filesystem::path root, Machine machine, ImageOptions options);
    Restart MakeRestart();
    void DropUnappliedReplacements();
    platform::Status ReplaceAtOnce();

    platform::Status Open(platform::RootKey root, const std::string& subKey, uint32_t access,
                          platform::KeyHandle& key);
    std::optional<size_t> FindHive(platform::RootKey root, const std::string& subKey) const;
    // The hive's file, or with `suffix` the file named after it (its backup, its logs).
    std::optional<ResolvedPath> HiveFile(size_t hive, const std::string& suffix = {}) const;
    // Held: a snapshot given to a pending replacement. Locked: a live hive file or one of its
    // logs, which the running system keeps open without sharing.
    bool IsHeldOrLocked(const ResolvedPath& p) const;
    bool PrivilegeEnabled(uint32_t luid) const;
    // SaveKey without its note; `noteFor` names the hive once the key is known.
    platform::Status SaveCompacted(platform::KeyHandle key, const std::string& file,
                                   regf::Recovery& recovery, std::string& noteFor);

    const std::filesystem::path root_;
    const ImageOptions options_;
    const Machine machine_;
    const PathMap paths_;
    const std::chrono::steady_clock::time_point started_;

    mutable std::mutex mutex_; // guards everything below
    ImageState state_;
    std::map<uint64_t, OpenKeyRecord> keys_;
    std::map<uint64_t, uint32_t> tokens_; // handle -> access
    std::set<uint32_t> enabled_;          // privileges enabled in the process token
    uint64_t nextHandle_ = 0x100;
    std::function<void()> sessionEnd_;
    std::optional<BootOutcome> lastBoot_;
    std::map<std::string, std::string> saveNotes_; // by upper-cased hivelist name
};

} // namespace hivelet::image
