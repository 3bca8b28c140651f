// A scriptable, in-memory Platform for unit tests.
//
// Everything a test needs to arrange (registry keys and values, privileges, drives, files, profile
// files, service results) is set through the scripting methods; everything the code under test did
// (opens with their access masks, closes, deletes, saves, replacements, restarts, pages) is
// recorded and read back through the inspection methods. The fake is thread-safe: a worker thread
// may save hives while the test thread measures files, and a `Gate` lets a test hold a save or a
// restore-point request in the middle until it releases it.
//
// Defaults where nothing is scripted: every privilege is known and held; SaveKey writes an
// 8192-byte file (which VerifyHiveFile accepts, as it does every existing file not scripted as a
// bad hive) and fails with AlreadyExists when the target exists; ReplaceKey fails with
// FileNotFound without the new file and AlreadyExists when the old (backup) name is taken, and on
// success holds the new file (no delete, no exclusive open) as Windows does until the restart;
// the version is NT 5.1; IsWow64Process answers false; profile files follow platform/ini's rules.
//
// Path and name comparisons ignore the case of A-Z, as Windows does. Files live in one flat
// table keyed by their full path; there are no folders, except that a folder can be scripted as
// unwritable for profile files.
#pragma once

#include "platform/Platform.h"
#include "platform/TextCase.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace hivelet::fake {

using platform::KeyHandle;
using platform::ProcessToken;
using platform::RegistryKey;
using platform::RegistryValue;
using platform::RootKey;
using platform::Status;
using platform::TokenHandle;

// Orders strings ignoring the case of A-Z.
struct NoCaseLess {
    bool operator()(const std::string& a, const std::string& b) const;
};
using platform::SameNoCase;

// Holds a call of the fake in the middle until the test releases it. The call first reports that
// it arrived (`WaitArrived` returns), then waits for `Release`. Once released, a gate stays open.
class Gate {
public:
    void Release();
    // Blocks until `count` calls have arrived at the gate.
    void WaitArrived(int count = 1);
    int Arrived() const;
    // Used by the fake: reports the arrival and waits until released.
    void Pass();

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool released_ = false;
    int arrived_ = 0;
};

// What SaveKey does for one key (matched by root and sub-key, ignoring case).
struct SaveScript {
    Status result;            // the service's answer; a failure writes no file
    uint64_t fileSize = 8192; // size of the hive file written on success
    // When set, the save creates the target with `sizeWhileHeld` bytes, arrives at the gate and
    // waits there; after the release it gives the file its final size and returns.
    std::shared_ptr<Gate> gate;
    uint64_t sizeWhileHeld = 0;
    // A failed save that leaves a file of this many bytes behind (0: none), as a save that
    // breaks off part-way does.
    uint64_t sizeLeftOnFailure = 0;
    // The save succeeds, but what it writes is not a sound hive (VerifyHiveFile fails).
    bool writesBadHive = false;
};

// One file of the fake file system.
struct FakeFile {
    std::string content;                  // text content (profile files); empty for hives
    std::optional<uint64_t> sizeOverride; // size reported instead of content.size()
    bool readOnly = false;                // cannot be deleted, written or opened for writing
    bool held = false;                    // open without sharing elsewhere: no delete, no open
    bool badHive = false;                 // VerifyHiveFile finds it is not a sound hive
    uint64_t size() const { return sizeOverride ? *sizeOverride : content.size(); }
};

struct KeyOpenRecord {
    KeyHandle handle; // 0 when the open failed
    RootKey root;
    std::string subKey;
    std::optional<uint32_t> access; // nullopt for the plain RegOpenKeyA
    Status result;
    bool closed = false;
    int closeCount = 0;
};

struct TokenOpenRecord {
    TokenHandle handle;
    uint32_t access = 0;
    bool closed = false;
    int closeCount = 0;
};

struct AdjustRecord {
    TokenHandle token;
    std::string privilege; // name looked up for the LUID; empty when the LUID is unknown
    uint32_t attributes = 0;
    Status result;
};

struct SaveRecord {
    KeyHandle key;
    RootKey root = RootKey::LocalMachine;
    std::string subKey;             // of the key the handle belongs to; empty if unknown
    std::optional<uint32_t> access; // access of the open that produced the handle
    std::string file;
    Status result;
};

struct ReplaceRecord {
    RootKey root;
    std::string subKey;
    std::string newFile;
    std::string oldFile;
    Status result;
};

struct ExitRecord {
    uint32_t flags = 0;
    uint32_t reason = 0;
};

struct RestorePointRecord {
    std::string description;
    uint32_t eventType = 0;
    uint32_t restorePointType = 0;
};

struct WebPageRecord {
    std::string address;
    uintptr_t ownerWindow = 0;
    int showCommand = 0;
};

struct FakeDrive {
    char letter = 'C'; // upper case, as GetLogicalDriveStrings reports it
    uint32_t type = platform::drive::Fixed;
    std::vector<std::string> targets; // QueryDosDevice answer; empty makes the query fail
};

struct PrivilegeScript {
    bool lookupOk = true; // LookupPrivilegeValue finds it
    Status adjustResult;  // what AdjustTokenPrivileges returns
    bool held = true;     // the user holds it: a successful adjust enables it
};

class FakePlatform : public platform::Platform {
public:
    FakePlatform();

    // --- Scripting: registry ------------------------------------------------------------------
    // Creates the key (and nothing above it: keys are addressed by full path).
    void AddKey(RootKey root, const std::string& subKey);
    // Adds or replaces a value; values keep the order in which they were first added.
    void SetValue(RootKey root, const std::string& subKey, const std::string& name, uint32_t type,
                  const std::string& data);
    void SetStringValue(RootKey root, const std::string& subKey, const std::string& name,
                        const std::string& data) {
        SetValue(root, subKey, name, platform::reg::Sz, data);
    }
    // The next opens of this key fail with `code`.
    void FailOpen(RootKey root, const std::string& subKey, uint32_t code);
    // Enumeration fails with `code` after `namesBefore` names (0: at once), as RegEnumValueA
    // does when the key changes or an entry cannot be read part-way through.
    void FailEnumValues(uint32_t code, size_t namesBefore = 0) {
        enumFailure_ = code;
        enumFailsAfter_ = namesBefore;
    }
    void ScriptSave(RootKey root, const std::string& subKey, SaveScript script);
    void ScriptReplace(RootKey root, const std::string& subKey, Status result);
    // Called at the start of every SaveKey with the target file, outside the fake's lock.
    void OnSaveKey(std::function<void(const std::string& file)> hook);

    // --- Scripting: privileges and system -----------------------------------------------------
    void ScriptPrivilege(const std::string& name, PrivilegeScript script);
    void FailOpenProcessToken(bool fail);
    void SetVersion(platform::VersionInfo version);
    void SetVersion(uint32_t platformId, uint32_t major, uint32_t minor, uint32_t build = 0);
    void SetIsWow64Process(std::optional<bool> answer); // nullopt: kernel32 lacks it
    void ScriptExitWindows(Status result);
    // An installation that is not running: the restart replaces the hives at once.
    void SetReplacesHivesAtOnce(bool atOnce) { replacesAtOnce_ = atOnce; }

    // --- Scripting: drives ---------------------------------------------------------------------
    // Drives are listed in the order they were added.
    void AddDrive(char letter, uint32_t type, const std::string& device);
    void AddDrive(FakeDrive drive);

    // --- Scripting: files ------------------------------------------------------------------------
    void AddFile(const std::string& path, uint64_t size);
    void AddTextFile(const std::string& path, const std::string& content);
    void SetReadOnly(const std::string& path, bool readOnly);
    void SetHeld(const std::string& path, bool held);
    // VerifyHiveFile finds the file is not a sound hive (a copy changed after it was made).
    void SetBadHive(const std::string& path, bool bad);
    void RemoveFile(const std::string& path);
    // Profile files in this folder (path up to and including the last backslash) cannot be
    // created; existing ones there are still writable unless read-only.
    void SetUnwritableFolder(const std::string& folder);
    // WriteProfileString fails for these keys (any section, any file).
    void FailProfileKey(const std::string& key);

    // --- Scripting: restore points, shell, process, clock ----------------------------------------
    void ScriptRestorePoint(platform::RestorePointOutcome outcome,
                            std::shared_ptr<Gate> gate = nullptr);
    void ScriptOpenWebPage(bool accepted);
    void SetExecutablePath(const std::string& path);
    void SetMonotonicMilliseconds(int64_t ms);
    void AdvanceClock(int64_t ms);
    void SetLocalDateTimeText(const std::string& text);
    void SetDecimalSeparator(const std::string& separator);
    // Runs the session-end handler the program registered, if any.
    bool EndSession();

    // --- Inspection ------------------------------------------------------------------------------
    // Every call in order, one line each, e.g. "DeleteFile C:\\x.hvt -> 1".
    std::vector<std::string> Calls() const;
    void ClearCalls();
    std::vector<KeyOpenRecord> KeyOpens() const;
    int OpenKeyCount() const; // keys opened and not yet closed
    std::vector<TokenOpenRecord> TokenOpens() const;
    int OpenTokenCount() const;
    std::vector<AdjustRecord> Adjusts() const;
    bool PrivilegeEnabled(const std::string& name) const;
    std::vector<SaveRecord> Saves() const;
    std::vector<ReplaceRecord> Replaces() const;
    std::vector<std::string> Deletes() const; // paths passed to DeleteFile, in order
    std::vector<ExitRecord> Exits() const;
    std::vector<RestorePointRecord> RestorePoints() const;
    std::vector<WebPageRecord> WebPages() const;
    // Events reported to the event log, "source: text" each.
    std::vector<std::string> Events() const;
    std::vector<std::string> Flushes() const;
    bool HasFile(const std::string& path) const;
    std::optional<FakeFile> File(const std::string& path) const;
    // Text content of a file, empty when missing.
    std::string FileText(const std::string& path) const;

    // --- Platform
    // ---------------------------------------------------------------------------------
    Status EnumValueNames(KeyHandle key, std::vector<std::string>& names) override;
    Status QueryValue(KeyHandle key, const std::string& name, RegistryValue& value) override;
    Status SaveKey(KeyHandle key, const std::string& file) override;
    Status ReplaceKey(RootKey root, const std::string& subKey, const std::string& newFile,
                      const std::string& oldFile) override;

    std::optional<platform::Luid> LookupPrivilegeValue(const std::string& name) override;
    Status AdjustTokenPrivilege(TokenHandle token, platform::Luid luid,
                                uint32_t attributes) override;

    platform::VersionInfo GetVersion() override;
    std::optional<bool> IsWow64Process() override;
    Status ExitWindows(uint32_t flags, uint32_t reason) override;
    bool ReplacesHivesAtOnce() override { return replacesAtOnce_; }
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

    platform::RestorePointOutcome SetRestorePoint(const std::string& description,
                                                  uint32_t eventType,
                                                  uint32_t restorePointType) override;
    bool OpenWebPage(const std::string& address, uintptr_t ownerWindow, int showCommand) override;
    bool ReportErrorEvent(const std::string& source, const std::string& text) override;

    std::string ExecutablePath() override;
    int64_t MonotonicMilliseconds() override;
    std::string LocalDateTimeText() override;
    std::string DecimalSeparator() override;

protected:
    Status OpenKeyHandle(RootKey root, const std::string& subKey, KeyHandle& key) override;
    Status OpenKeyExHandle(RootKey root, const std::string& subKey, uint32_t access,
                           KeyHandle& key) override;
    Status CloseKeyHandle(KeyHandle key) override;
    std::optional<TokenHandle> OpenProcessTokenHandle(uint32_t access) override;
    bool CloseTokenHandle(TokenHandle token) override;

private:
    struct Key {
        RootKey root;
        std::string subKey;
        std::vector<std::pair<std::string, RegistryValue>> values;
        std::optional<uint32_t> openFailure;
    };
    using KeyId = std::pair<int, std::string>; // root as int, sub-key upper-cased

    static KeyId IdOf(RootKey root, const std::string& subKey);
    Status OpenLocked(RootKey root, const std::string& subKey, std::optional<uint32_t> access,
                      KeyHandle& key);
    KeyOpenRecord* LiveKeyLocked(KeyHandle key);
    TokenOpenRecord* LiveTokenLocked(TokenHandle token);
    void LogLocked(std::string line);
    bool ProfileWritableLocked(const std::string& file) const;

    mutable std::mutex mutex_;
    std::vector<std::string> calls_;

    std::map<KeyId, Key> keys_;
    std::optional<uint32_t> enumFailure_;
    size_t enumFailsAfter_ = 0;
    std::map<KeyId, SaveScript> saveScripts_;
    std::map<KeyId, Status> replaceScripts_;
    std::function<void(const std::string&)> saveHook_;
    std::vector<KeyOpenRecord> keyOpens_;
    std::vector<SaveRecord> saves_;
    std::vector<ReplaceRecord> replaces_;
    uint64_t nextHandle_ = 0x100;

    std::map<std::string, PrivilegeScript, NoCaseLess> privileges_;
    std::map<std::string, bool, NoCaseLess> enabled_;
    std::vector<std::string> luidNames_; // LUID low part - 1 indexes this list
    bool failToken_ = false;
    std::vector<TokenOpenRecord> tokenOpens_;
    std::vector<AdjustRecord> adjusts_;

    platform::VersionInfo version_;
    std::optional<bool> wow64_ = false;
    Status exitResult_;
    bool replacesAtOnce_ = false;
    std::vector<ExitRecord> exits_;
    std::function<void()> sessionEnd_;

    std::vector<FakeDrive> drives_;

    std::map<std::string, FakeFile, NoCaseLess> files_;
    std::vector<std::string> deletes_;
    std::set<std::string, NoCaseLess> unwritableFolders_;
    std::set<std::string, NoCaseLess> failingProfileKeys_;
    std::vector<std::string> flushes_;

    platform::RestorePointOutcome restoreOutcome_ = platform::RestorePointOutcome::Created;
    std::shared_ptr<Gate> restoreGate_;
    std::vector<RestorePointRecord> restorePoints_;
    bool webPageAccepted_ = true;
    std::vector<WebPageRecord> webPages_;
    std::vector<std::string> events_;

    std::string executablePath_ = "C:\\Program Files\\Hivelet\\Hivelet.exe";
    int64_t clock_ = 1000;
    std::string dateTimeText_ = "2026-02-10 12:00:00";
    std::string decimalSeparator_ = ".";
};

} // namespace hivelet::fake
