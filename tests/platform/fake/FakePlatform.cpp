#include "FakePlatform.h"

#include "FakeProfileText.h"
#include "platform/ini/Profile.h"

#include <algorithm>

namespace hivelet::fake {

using platform::Luid;
using platform::RestorePointOutcome;
using platform::UpperAscii;
using platform::UpperCaseCopy;
using platform::VersionInfo;
namespace error = platform::error;

namespace {

const char* RootName(RootKey root) {
    return root == RootKey::LocalMachine ? "HKLM" : "HKU";
}

std::string Hex(uint64_t v) {
    static const char digits[] = "0123456789ABCDEF";
    std::string s;
    do {
        s.insert(s.begin(), digits[v % 16]);
        v /= 16;
    } while (v != 0);
    return "0x" + s;
}

std::string FolderOf(const std::string& path) {
    size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

} // namespace

bool NoCaseLess::operator()(const std::string& a, const std::string& b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return UpperAscii(x) < UpperAscii(y);
    });
}

// --- Gate ------------------------------------------------------------------------------------

void Gate::Release() {
    std::lock_guard lock(mutex_);
    released_ = true;
    changed_.notify_all();
}

void Gate::WaitArrived(int count) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return arrived_ >= count; });
}

int Gate::Arrived() const {
    std::lock_guard lock(mutex_);
    return arrived_;
}

void Gate::Pass() {
    std::unique_lock lock(mutex_);
    ++arrived_;
    changed_.notify_all();
    changed_.wait(lock, [&] { return released_; });
}

// --- Scripting -------------------------------------------------------------------------------

FakePlatform::FakePlatform() {
    version_.ok = true;
    version_.platformId = platform::PlatformWin32Nt;
    version_.major = 5;
    version_.minor = 1;
    version_.build = 2600;
}

FakePlatform::KeyId FakePlatform::IdOf(RootKey root, const std::string& subKey) {
    return {static_cast<int>(root), UpperCaseCopy(subKey)};
}

void FakePlatform::AddKey(RootKey root, const std::string& subKey) {
    std::lock_guard lock(mutex_);
    auto id = IdOf(root, subKey);
    if (keys_.find(id) == keys_.end()) {
        keys_.emplace(id, Key{root, subKey, {}, std::nullopt});
    }
}

void FakePlatform::SetValue(RootKey root, const std::string& subKey, const std::string& name,
                            uint32_t type, const std::string& data) {
    AddKey(root, subKey);
    std::lock_guard lock(mutex_);
    auto& values = keys_.at(IdOf(root, subKey)).values;
    for (auto& [n, v] : values) {
        if (SameNoCase(n, name)) {
            v = RegistryValue{type, data};
            return;
        }
    }
    values.emplace_back(name, RegistryValue{type, data});
}

void FakePlatform::FailOpen(RootKey root, const std::string& subKey, uint32_t code) {
    AddKey(root, subKey);
    std::lock_guard lock(mutex_);
    keys_.at(IdOf(root, subKey)).openFailure = code;
}

void FakePlatform::ScriptSave(RootKey root, const std::string& subKey, SaveScript script) {
    std::lock_guard lock(mutex_);
    saveScripts_[IdOf(root, subKey)] = std::move(script);
}

void FakePlatform::ScriptReplace(RootKey root, const std::string& subKey, Status result) {
    std::lock_guard lock(mutex_);
    replaceScripts_[IdOf(root, subKey)] = std::move(result);
}

void FakePlatform::OnSaveKey(std::function<void(const std::string&)> hook) {
    std::lock_guard lock(mutex_);
    saveHook_ = std::move(hook);
}

void FakePlatform::ScriptPrivilege(const std::string& name, PrivilegeScript script) {
    std::lock_guard lock(mutex_);
    privileges_[name] = std::move(script);
}

void FakePlatform::FailOpenProcessToken(bool fail) {
    std::lock_guard lock(mutex_);
    failToken_ = fail;
}

void FakePlatform::SetVersion(VersionInfo version) {
    std::lock_guard lock(mutex_);
    version_ = std::move(version);
}

void FakePlatform::SetVersion(uint32_t platformId, uint32_t major, uint32_t minor, uint32_t build) {
    VersionInfo v;
    v.ok = true;
    v.platformId = platformId;
    v.major = major;
    v.minor = minor;
    v.build = build;
    SetVersion(v);
}

void FakePlatform::SetIsWow64Process(std::optional<bool> answer) {
    std::lock_guard lock(mutex_);
    wow64_ = answer;
}

void FakePlatform::ScriptExitWindows(Status result) {
    std::lock_guard lock(mutex_);
    exitResult_ = std::move(result);
}

void FakePlatform::AddDrive(char letter, uint32_t type, const std::string& device) {
    FakeDrive d;
    d.letter = UpperAscii(letter);
    d.type = type;
    if (!device.empty()) {
        d.targets.push_back(device);
    }
    AddDrive(d);
}

void FakePlatform::AddDrive(FakeDrive drive) {
    std::lock_guard lock(mutex_);
    drive.letter = UpperAscii(drive.letter);
    drives_.push_back(std::move(drive));
}

void FakePlatform::AddFile(const std::string& path, uint64_t size) {
    std::lock_guard lock(mutex_);
    FakeFile f;
    f.sizeOverride = size;
    files_[path] = f;
}

void FakePlatform::AddTextFile(const std::string& path, const std::string& content) {
    std::lock_guard lock(mutex_);
    FakeFile f;
    f.content = content;
    files_[path] = f;
}

void FakePlatform::SetReadOnly(const std::string& path, bool readOnly) {
    std::lock_guard lock(mutex_);
    auto it = files_.find(path);
    if (it != files_.end()) {
        it->second.readOnly = readOnly;
    }
}

void FakePlatform::SetBadHive(const std::string& path, bool bad) {
    std::lock_guard lock(mutex_);
    auto it = files_.find(path);
    if (it != files_.end()) {
        it->second.badHive = bad;
    }
}

void FakePlatform::SetHeld(const std::string& path, bool held) {
    std::lock_guard lock(mutex_);
    auto it = files_.find(path);
    if (it != files_.end()) {
        it->second.held = held;
    }
}

void FakePlatform::RemoveFile(const std::string& path) {
    std::lock_guard lock(mutex_);
    files_.erase(path);
}

void FakePlatform::SetUnwritableFolder(const std::string& folder) {
    std::lock_guard lock(mutex_);
    unwritableFolders_.insert(folder);
}

void FakePlatform::FailProfileKey(const std::string& key) {
    std::lock_guard lock(mutex_);
    failingProfileKeys_.insert(key);
}

void FakePlatform::ScriptRestorePoint(RestorePointOutcome outcome, std::shared_ptr<Gate> gate) {
    std::lock_guard lock(mutex_);
    restoreOutcome_ = outcome;
    restoreGate_ = std::move(gate);
}

void FakePlatform::ScriptOpenWebPage(bool accepted) {
    std::lock_guard lock(mutex_);
    webPageAccepted_ = accepted;
}

void FakePlatform::SetExecutablePath(const std::string& path) {
    std::lock_guard lock(mutex_);
    executablePath_ = path;
}

void FakePlatform::SetMonotonicMilliseconds(int64_t ms) {
    std::lock_guard lock(mutex_);
    clock_ = ms;
}

void FakePlatform::AdvanceClock(int64_t ms) {
    std::lock_guard lock(mutex_);
    clock_ += ms;
}

void FakePlatform::SetLocalDateTimeText(const std::string& text) {
    std::lock_guard lock(mutex_);
    dateTimeText_ = text;
}

void FakePlatform::SetDecimalSeparator(const std::string& separator) {
    std::lock_guard lock(mutex_);
    decimalSeparator_ = separator;
}

bool FakePlatform::EndSession() {
    std::function<void()> handler;
    {
        std::lock_guard lock(mutex_);
        handler = sessionEnd_;
    }
    if (!handler) {
        return false;
    }
    handler();
    return true;
}

// --- Inspection -------------------------------------------------------------------------------

std::vector<std::string> FakePlatform::Calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
}

void FakePlatform::ClearCalls() {
    std::lock_guard lock(mutex_);
    calls_.clear();
}

std::vector<KeyOpenRecord> FakePlatform::KeyOpens() const {
    std::lock_guard lock(mutex_);
    return keyOpens_;
}

int FakePlatform::OpenKeyCount() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(std::count_if(keyOpens_.begin(), keyOpens_.end(),
                                          [](const auto& r) { return r.handle && !r.closed; }));
}

std::vector<TokenOpenRecord> FakePlatform::TokenOpens() const {
    std::lock_guard lock(mutex_);
    return tokenOpens_;
}

int FakePlatform::OpenTokenCount() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(std::count_if(tokenOpens_.begin(), tokenOpens_.end(),
                                          [](const auto& r) { return !r.closed; }));
}

std::vector<AdjustRecord> FakePlatform::Adjusts() const {
    std::lock_guard lock(mutex_);
    return adjusts_;
}

bool FakePlatform::PrivilegeEnabled(const std::string& name) const {
    std::lock_guard lock(mutex_);
    auto it = enabled_.find(name);
    return it != enabled_.end() && it->second;
}

std::vector<SaveRecord> FakePlatform::Saves() const {
    std::lock_guard lock(mutex_);
    return saves_;
}

std::vector<ReplaceRecord> FakePlatform::Replaces() const {
    std::lock_guard lock(mutex_);
    return replaces_;
}

std::vector<std::string> FakePlatform::Deletes() const {
    std::lock_guard lock(mutex_);
    return deletes_;
}

std::vector<ExitRecord> FakePlatform::Exits() const {
    std::lock_guard lock(mutex_);
    return exits_;
}

std::vector<RestorePointRecord> FakePlatform::RestorePoints() const {
    std::lock_guard lock(mutex_);
    return restorePoints_;
}

std::vector<WebPageRecord> FakePlatform::WebPages() const {
    std::lock_guard lock(mutex_);
    return webPages_;
}

std::vector<std::string> FakePlatform::Flushes() const {
    std::lock_guard lock(mutex_);
    return flushes_;
}

bool FakePlatform::HasFile(const std::string& path) const {
    std::lock_guard lock(mutex_);
    return files_.count(path) != 0;
}

std::optional<FakeFile> FakePlatform::File(const std::string& path) const {
    std::lock_guard lock(mutex_);
    auto it = files_.find(path);
    if (it == files_.end()) {
        return std::nullopt;
    }
    return it->second;
}

std::string FakePlatform::FileText(const std::string& path) const {
    auto f = File(path);
    return f ? f->content : std::string();
}

// --- Helpers ------------------------------------------------------------------------------------

void FakePlatform::LogLocked(std::string line) {
    calls_.push_back(std::move(line));
}

KeyOpenRecord* FakePlatform::LiveKeyLocked(KeyHandle key) {
    for (auto& r : keyOpens_) {
        if (r.handle.value == key.value && key && !r.closed) {
            return &r;
        }
    }
    return nullptr;
}

TokenOpenRecord* FakePlatform::LiveTokenLocked(TokenHandle token) {
    for (auto& r : tokenOpens_) {
        if (r.handle.value == token.value && token && !r.closed) {
            return &r;
        }
    }
    return nullptr;
}

bool FakePlatform::ProfileWritableLocked(const std::string& file) const {
    auto it = files_.find(file);
    if (it != files_.end()) {
        return !it->second.readOnly && !it->second.held;
    }
    return unwritableFolders_.count(FolderOf(file)) == 0;
}

// --- Registry -----------------------------------------------------------------------------------

Status FakePlatform::OpenLocked(RootKey root, const std::string& subKey,
                                std::optional<uint32_t> access, KeyHandle& key) {
    KeyOpenRecord record;
    record.root = root;
    record.subKey = subKey;
    record.access = access;
    auto it = keys_.find(IdOf(root, subKey));
    if (it == keys_.end()) {
        record.result = Status::Fail(error::FileNotFound);
    } else if (it->second.openFailure) {
        record.result = Status::Fail(*it->second.openFailure);
    } else {
        record.handle = KeyHandle{nextHandle_++};
    }
    key = record.handle;
    std::string line = std::string(access ? "OpenKeyEx " : "OpenKey ") + RootName(root) + " " +
                       subKey + (access ? " " + Hex(*access) : "") + " -> " +
                       std::to_string(record.result.code);
    LogLocked(line);
    keyOpens_.push_back(record);
    return record.result;
}

Status FakePlatform::OpenKeyHandle(RootKey root, const std::string& subKey, KeyHandle& key) {
    std::lock_guard lock(mutex_);
    return OpenLocked(root, subKey, std::nullopt, key);
}

Status FakePlatform::OpenKeyExHandle(RootKey root, const std::string& subKey, uint32_t access,
                                     KeyHandle& key) {
    std::lock_guard lock(mutex_);
    return OpenLocked(root, subKey, access, key);
}

Status FakePlatform::EnumValueNames(KeyHandle key, std::vector<std::string>& names) {
    std::lock_guard lock(mutex_);
    names.clear();
    auto* open = LiveKeyLocked(key);
    LogLocked("EnumValueNames " + (open ? open->subKey : std::string("?")));
    if (!open) {
        return Status::Fail(error::InvalidHandle);
    }
    for (const auto& [name, value] : keys_.at(IdOf(open->root, open->subKey)).values) {
        if (enumFailure_ && names.size() == enumFailsAfter_) {
            return Status::Fail(*enumFailure_);
        }
        names.push_back(name);
    }
    if (enumFailure_) {
        return Status::Fail(*enumFailure_);
    }
    return Status::Ok();
}

Status FakePlatform::QueryValue(KeyHandle key, const std::string& name, RegistryValue& value) {
    std::lock_guard lock(mutex_);
    auto* open = LiveKeyLocked(key);
    LogLocked("QueryValue " + name);
    if (!open) {
        return Status::Fail(error::InvalidHandle);
    }
    for (const auto& [n, v] : keys_.at(IdOf(open->root, open->subKey)).values) {
        if (SameNoCase(n, name)) {
            value = v;
            return Status::Ok();
        }
    }
    return Status::Fail(error::FileNotFound);
}

Status FakePlatform::SaveKey(KeyHandle key, const std::string& file) {
    std::function<void(const std::string&)> hook;
    {
        std::lock_guard lock(mutex_);
        hook = saveHook_;
    }
    if (hook) {
        hook(file);
    }

    std::unique_lock lock(mutex_);
    SaveRecord record;
    record.key = key;
    record.file = file;
    SaveScript script;
    auto* open = LiveKeyLocked(key);
    if (open) {
        record.root = open->root;
        record.subKey = open->subKey;
        record.access = open->access;
        auto s = saveScripts_.find(IdOf(open->root, open->subKey));
        if (s != saveScripts_.end()) {
            script = s->second;
        }
    }
    if (!open) {
        record.result = Status::Fail(error::InvalidHandle);
    } else if (files_.count(file) != 0) {
        record.result = Status::Fail(error::AlreadyExists);
    } else {
        record.result = script.result;
    }
    LogLocked("SaveKey " + record.subKey + " " + file + " -> " +
              std::to_string(record.result.code));
    size_t index = saves_.size();
    saves_.push_back(record);
    if (!record.result.ok()) {
        if (open && script.sizeLeftOnFailure > 0)
            files_[file] = FakeFile{{}, script.sizeLeftOnFailure};
        return record.result;
    }
    if (script.gate) {
        files_[file] = FakeFile{{}, script.sizeWhileHeld};
        lock.unlock();
        script.gate->Pass();
        lock.lock();
    }
    FakeFile written{{}, script.fileSize};
    written.badHive = script.writesBadHive;
    files_[file] = written;
    return saves_[index].result;
}

Status FakePlatform::ReplaceKey(RootKey root, const std::string& subKey, const std::string& newFile,
                                const std::string& oldFile) {
    std::lock_guard lock(mutex_);
    ReplaceRecord record{root, subKey, newFile, oldFile, Status::Ok()};
    auto scripted = replaceScripts_.find(IdOf(root, subKey));
    if (scripted != replaceScripts_.end()) {
        record.result = scripted->second;
    } else if (files_.count(newFile) == 0) {
        record.result = Status::Fail(error::FileNotFound);
    } else if (files_.count(oldFile) != 0) {
        record.result = Status::Fail(error::AlreadyExists);
    }
    if (record.result.ok()) {
        // The service now holds the snapshot until the next start.
        files_[newFile].held = true;
    }
    LogLocked(std::string("ReplaceKey ") + RootName(root) + " " + subKey + " " + newFile + " " +
              oldFile + " -> " + std::to_string(record.result.code));
    replaces_.push_back(record);
    return record.result;
}

Status FakePlatform::CloseKeyHandle(KeyHandle key) {
    std::lock_guard lock(mutex_);
    for (auto& r : keyOpens_) {
        if (key && r.handle.value == key.value) {
            ++r.closeCount;
            LogLocked("CloseKey " + r.subKey);
            if (r.closed) {
                return Status::Fail(error::InvalidHandle);
            }
            r.closed = true;
            return Status::Ok();
        }
    }
    LogLocked("CloseKey ?");
    return Status::Fail(error::InvalidHandle);
}

// --- Privileges ---------------------------------------------------------------------------------

std::optional<TokenHandle> FakePlatform::OpenProcessTokenHandle(uint32_t access) {
    std::lock_guard lock(mutex_);
    LogLocked("OpenProcessToken " + Hex(access) + (failToken_ ? " -> fail" : " -> ok"));
    if (failToken_) {
        return std::nullopt;
    }
    TokenOpenRecord record;
    record.handle = TokenHandle{nextHandle_++};
    record.access = access;
    tokenOpens_.push_back(record);
    return record.handle;
}

std::optional<Luid> FakePlatform::LookupPrivilegeValue(const std::string& name) {
    std::lock_guard lock(mutex_);
    auto it = privileges_.find(name);
    bool ok = it == privileges_.end() || it->second.lookupOk;
    LogLocked("LookupPrivilegeValue " + name + (ok ? " -> ok" : " -> fail"));
    if (!ok) {
        return std::nullopt;
    }
    for (size_t i = 0; i < luidNames_.size(); ++i) {
        if (SameNoCase(luidNames_[i], name)) {
            return Luid{static_cast<uint32_t>(i + 1), 0};
        }
    }
    luidNames_.push_back(name);
    return Luid{static_cast<uint32_t>(luidNames_.size()), 0};
}

Status FakePlatform::AdjustTokenPrivilege(TokenHandle token, Luid luid, uint32_t attributes) {
    std::lock_guard lock(mutex_);
    AdjustRecord record;
    record.token = token;
    record.attributes = attributes;
    if (luid.high == 0 && luid.low >= 1 && luid.low <= luidNames_.size()) {
        record.privilege = luidNames_[luid.low - 1];
    }
    PrivilegeScript script;
    auto it = privileges_.find(record.privilege);
    if (it != privileges_.end()) {
        script = it->second;
    }
    auto* open = LiveTokenLocked(token);
    if (!open) {
        record.result = Status::Fail(error::InvalidHandle);
    } else if (record.privilege.empty()) {
        record.result = Status::Fail(error::InvalidParameter);
    } else if ((open->access & platform::token::AdjustPrivileges) == 0) {
        record.result = Status::Fail(error::AccessDenied);
    } else {
        record.result = script.adjustResult;
        if (record.result.ok()) {
            if (script.held) {
                enabled_[record.privilege] = (attributes & platform::token::PrivilegeEnabled) != 0;
            } else {
                // Like Windows: the call succeeds, but nothing was assigned.
                record.result.detail = "not all assigned";
            }
        }
    }
    LogLocked("AdjustTokenPrivilege " + record.privilege + " " + Hex(attributes) + " -> " +
              std::to_string(record.result.code));
    adjusts_.push_back(record);
    return record.result;
}

bool FakePlatform::CloseTokenHandle(TokenHandle token) {
    std::lock_guard lock(mutex_);
    LogLocked("CloseToken");
    for (auto& r : tokenOpens_) {
        if (token && r.handle.value == token.value) {
            ++r.closeCount;
            bool wasOpen = !r.closed;
            r.closed = true;
            return wasOpen;
        }
    }
    return false;
}

// --- System -------------------------------------------------------------------------------------

VersionInfo FakePlatform::GetVersion() {
    std::lock_guard lock(mutex_);
    LogLocked("GetVersion");
    return version_;
}

std::optional<bool> FakePlatform::IsWow64Process() {
    std::lock_guard lock(mutex_);
    LogLocked("IsWow64Process");
    return wow64_;
}

Status FakePlatform::ExitWindows(uint32_t flags, uint32_t reason) {
    std::lock_guard lock(mutex_);
    LogLocked("ExitWindows " + Hex(flags) + " " + std::to_string(reason) + " -> " +
              std::to_string(exitResult_.code));
    exits_.push_back({flags, reason});
    return exitResult_;
}

void FakePlatform::SetSessionEndHandler(std::function<void()> handler) {
    std::lock_guard lock(mutex_);
    sessionEnd_ = std::move(handler);
}

// --- Drives
// ---------------------------------------------------------------------------------------

uint32_t FakePlatform::GetLogicalDriveStrings(uint32_t bufferChars, std::string& buffer) {
    std::lock_guard lock(mutex_);
    std::string all;
    for (const auto& d : drives_) {
        all += d.letter;
        all += ":\\";
        all += '\0';
    }
    uint32_t length = static_cast<uint32_t>(all.size());
    LogLocked("GetLogicalDriveStrings " + std::to_string(bufferChars));
    // The list needs one more character for its final terminator; when it does not fit, Windows
    // copies nothing and returns the size needed.
    if (length + 1 > bufferChars) {
        buffer.clear();
        return length + 1;
    }
    buffer = all;
    return length;
}

uint32_t FakePlatform::GetDriveType(const std::string& root) {
    std::lock_guard lock(mutex_);
    LogLocked("GetDriveType " + root);
    if (root.size() == 3 && root[1] == ':' && root[2] == '\\') {
        for (const auto& d : drives_) {
            if (d.letter == UpperAscii(root[0])) {
                return d.type;
            }
        }
    }
    return platform::drive::NoRootDir;
}

bool FakePlatform::QueryDosDevice(const std::string& device, uint32_t bufferChars,
                                  std::string& firstTarget) {
    std::lock_guard lock(mutex_);
    LogLocked("QueryDosDevice " + device + " " + std::to_string(bufferChars));
    if (device.size() != 2 || device[1] != ':') {
        return false;
    }
    for (const auto& d : drives_) {
        if (d.letter != UpperAscii(device[0]) || d.targets.empty()) {
            continue;
        }
        // The answer is a list: every target with its terminator, then one more terminator.
        size_t needed = 1;
        for (const auto& t : d.targets) {
            needed += t.size() + 1;
        }
        if (needed > bufferChars) {
            return false; // ERROR_INSUFFICIENT_BUFFER
        }
        firstTarget = d.targets.front();
        return true;
    }
    return false;
}

// --- Files
// -----------------------------------------------------------------------------------------

bool FakePlatform::FileExists(const std::string& path) {
    std::lock_guard lock(mutex_);
    bool exists = files_.count(path) != 0;
    LogLocked("FileExists " + path + " -> " + (exists ? "1" : "0"));
    return exists;
}

bool FakePlatform::DeleteFile(const std::string& path) {
    std::lock_guard lock(mutex_);
    deletes_.push_back(path);
    auto it = files_.find(path);
    bool ok = it != files_.end() && !it->second.readOnly && !it->second.held;
    if (ok) {
        files_.erase(it);
    }
    LogLocked("DeleteFile " + path + " -> " + (ok ? "1" : "0"));
    return ok;
}

bool FakePlatform::MoveFile(const std::string& from, const std::string& to) {
    std::lock_guard lock(mutex_);
    auto it = files_.find(from);
    bool ok =
        it != files_.end() && !it->second.readOnly && !it->second.held && files_.count(to) == 0;
    if (ok) {
        FakeFile file = it->second;
        files_.erase(it);
        files_[to] = std::move(file);
    }
    LogLocked("MoveFile " + from + " " + to + " -> " + (ok ? "1" : "0"));
    return ok;
}

bool FakePlatform::OpenExclusive(const std::string& path) {
    std::lock_guard lock(mutex_);
    auto it = files_.find(path);
    bool ok = it != files_.end() && !it->second.readOnly && !it->second.held;
    LogLocked("OpenExclusive " + path + " -> " + (ok ? "1" : "0"));
    return ok;
}

Status FakePlatform::VerifyHiveFile(const std::string& path) {
    std::lock_guard lock(mutex_);
    auto it = files_.find(path);
    Status result;
    if (it == files_.end())
        result = Status::Fail(error::FileNotFound, path + ": no such file");
    else if (it->second.badHive)
        result = Status::Fail(error::BadDb, path + ": corrupt: scripted as a bad hive");
    LogLocked("VerifyHiveFile " + path + " -> " + std::to_string(result.code));
    return result;
}

std::optional<uint64_t> FakePlatform::FindFileSize(const std::string& path) {
    std::lock_guard lock(mutex_);
    LogLocked("FindFileSize " + path);
    auto it = files_.find(path);
    if (it == files_.end()) {
        return std::nullopt;
    }
    return it->second.size();
}

// --- Profile files
// -----------------------------------------------------------------------------------

std::string FakePlatform::GetProfileString(const std::string& section, const std::string& key,
                                           const std::string& defaultValue,
                                           const std::string& file) {
    std::lock_guard lock(mutex_);
    LogLocked("GetProfileString " + section + " " + key + " " + file);
    std::optional<std::string> value;
    auto it = files_.find(file);
    if (it != files_.end()) {
        value = ProfileLookup(it->second.content, section, key);
    }
    std::string result = value ? *value : defaultValue;
    if (result.size() > ini::MaxValueChars) {
        result.resize(ini::MaxValueChars);
    }
    return result;
}

bool FakePlatform::WriteProfileString(const std::string& section, const std::string& key,
                                      const std::string& value, const std::string& file) {
    std::lock_guard lock(mutex_);
    bool ok = ProfileWritableLocked(file) && failingProfileKeys_.count(key) == 0;
    std::optional<std::string> text;
    if (ok) {
        auto existing = files_.find(file);
        text = ProfileWrite(existing == files_.end() ? std::string() : existing->second.content,
                            section, key, value);
        ok = text.has_value();
    }
    LogLocked("WriteProfileString " + section + " " + key + "=" + value + " " + file + " -> " +
              (ok ? "1" : "0"));
    if (ok) {
        auto& f = files_[file];
        f.content = *text;
        f.sizeOverride.reset();
    }
    return ok;
}

bool FakePlatform::EraseProfileSection(const std::string& section, const std::string& file) {
    std::lock_guard lock(mutex_);
    bool ok = ProfileWritableLocked(file);
    LogLocked("EraseProfileSection " + section + " " + file + " -> " + (ok ? "1" : "0"));
    if (ok) {
        auto it = files_.find(file);
        if (it != files_.end()) {
            it->second.content = ProfileEraseSection(it->second.content, section);
            it->second.sizeOverride.reset();
        }
    }
    return ok;
}

bool FakePlatform::FlushProfile(const std::string& file) {
    std::lock_guard lock(mutex_);
    LogLocked("FlushProfile " + file);
    flushes_.push_back(file);
    return true;
}

// --- Restore points, shell, process, clock
// ---------------------------------------------------------

RestorePointOutcome FakePlatform::SetRestorePoint(const std::string& description,
                                                  uint32_t eventType, uint32_t restorePointType) {
    std::shared_ptr<Gate> gate;
    RestorePointOutcome outcome;
    {
        std::lock_guard lock(mutex_);
        LogLocked("SetRestorePoint " + description);
        restorePoints_.push_back({description.substr(0, platform::restore::DescriptionChars - 1),
                                  eventType, restorePointType});
        gate = restoreGate_;
        outcome = restoreOutcome_;
    }
    if (gate) {
        gate->Pass();
    }
    return outcome;
}

bool FakePlatform::OpenWebPage(const std::string& address, uintptr_t ownerWindow, int showCommand) {
    std::lock_guard lock(mutex_);
    LogLocked("OpenWebPage " + address);
    webPages_.push_back({address, ownerWindow, showCommand});
    return webPageAccepted_;
}

bool FakePlatform::ReportErrorEvent(const std::string& source, const std::string& text) {
    std::lock_guard lock(mutex_);
    LogLocked("ReportErrorEvent " + source + ": " + text);
    events_.push_back(source + ": " + text);
    return true;
}

std::vector<std::string> FakePlatform::Events() const {
    std::lock_guard lock(mutex_);
    return events_;
}

std::string FakePlatform::ExecutablePath() {
    std::lock_guard lock(mutex_);
    return executablePath_;
}

int64_t FakePlatform::MonotonicMilliseconds() {
    std::lock_guard lock(mutex_);
    return clock_;
}

std::string FakePlatform::LocalDateTimeText() {
    std::lock_guard lock(mutex_);
    return dateTimeText_;
}

std::string FakePlatform::DecimalSeparator() {
    std::lock_guard lock(mutex_);
    return decimalSeparator_;
}

} // namespace hivelet::fake
