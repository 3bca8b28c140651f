// Construction, system information, privileges, drives, restore points, shell and clock.
#include "platform/image/ImagePlatform.h"

#include "platform/TextCase.h"
#include "platform/ini/Profile.h"

#include <cctype>
#include <cstdlib>
#include <ctime>
#include <system_error>

namespace hivelet::image {

namespace fs = std::filesystem;
using namespace hivelet::platform;
using ini::SameNoCase;

namespace {

std::string RunningExecutable() {
#ifdef _WIN32
    return _pgmptr ? std::string(_pgmptr) : std::string();
#else
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : exe.string();
#endif
}

std::string ExecutableOf(const ImageOptions& options) {
    return options.executablePath.empty() ? RunningExecutable() : options.executablePath;
}

fs::path FolderOf(const std::string& exe) {
    size_t sep = exe.find_last_of("\\/");
    return sep == std::string::npos ? fs::path() : fs::path(exe.substr(0, sep + 1));
}

// The image's clock shows local time as yyyy-MM-dd HH:mm:ss, whatever the host's settings.
std::string LocalDateTime() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    char text[32];
    size_t n = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return std::string(text, n);
}

const char* PrivilegeName(uint32_t luid) {
    switch (luid) {
    case ImagePlatform::BackupLuid:
        return token::BackupPrivilege;
    case ImagePlatform::RestoreLuid:
        return token::RestorePrivilege;
    case ImagePlatform::ShutdownLuid:
        return token::ShutdownPrivilege;
    default:
        return nullptr;
    }
}

// "C:", "c:\" or "C:/" -> 'C'; 0 for anything else.
char DriveLetterOfRoot(const std::string& root, bool allowSeparator) {
    if (root.size() < 2 || root.size() > 3 || root[1] != ':' ||
        !std::isalpha(static_cast<unsigned char>(root[0]))) {
        return 0;
    }
    if (root.size() == 3 && (!allowSeparator || (root[2] != '\\' && root[2] != '/'))) {
        return 0;
    }
    return platform::UpperAscii(root[0]);
}

} // namespace

ImagePlatform::ImagePlatform(const fs::path& imageRoot, ImageOptions options)
    : ImagePlatform(imageRoot, LoadMachine(imageRoot), std::move(options)) {}

ImagePlatform::ImagePlatform(const Installation& installation, ImageOptions options)
    : ImagePlatform(installation.root, installation.machine, std::move(options)) {}

ImagePlatform::ImagePlatform(fs::path root, Machine machine, ImageOptions options)
    : root_(std::move(root)), options_(std::move(options)), machine_(std::move(machine)),
      paths_(root_, machine_, FolderOf(ExecutableOf(options_))),
      started_(std::chrono::steady_clock::now()),
      state_(machine_.offline ? ImageState::ForInstallation(root_) : ImageState(root_)) {
    lastBoot_ = MakeRestart().Recover();
    if (machine_.offline && !state_.pending().empty()) {
        DropUnappliedReplacements();
    }
}

Restart ImagePlatform::MakeRestart() {
    return Restart(root_, state_, options_.faultHook, LocalDateTime,
                   machine_.offline ? "replacement" : "boot");
}

void ImagePlatform::DropUnappliedReplacements() {
    // An earlier run scheduled these and ended before it replaced anything: the hives are
    // untouched, and without a restart to wait for, the schedule has no one to keep it for.
    std::string dropped;
    std::error_code ec;
    for (const Replacement& r : state_.pending()) {
        fs::remove(root_ / fs::path(r.fresh), ec);
        dropped += (dropped.empty() ? "" : ", ") + r.hive;
    }
    if (!state_.Save({}, state_.boots())) {
        throw std::runtime_error((state_.folder() / "state.ini").string() +
                                 ": cannot drop the replacements an earlier run left unapplied");
    }
    state_.AppendLog(state_.runLog(), "dropped, never applied: " + dropped, LocalDateTime());
}

ImagePlatform::~ImagePlatform() = default;

std::optional<BootOutcome> ImagePlatform::lastBoot() const {
    std::lock_guard lock(mutex_);
    return lastBoot_;
}

std::vector<Replacement> ImagePlatform::pendingReplacements() const {
    std::lock_guard lock(mutex_);
    return state_.pending();
}

std::vector<std::string> ImagePlatform::ReadLog(std::string_view log) const {
    std::lock_guard lock(mutex_);
    return state_.ReadLog(log);
}

// --- Privileges -------------------------------------------------------------------------------

std::optional<TokenHandle> ImagePlatform::OpenProcessTokenHandle(uint32_t access) {
    std::lock_guard lock(mutex_);
    uint64_t h = nextHandle_++;
    tokens_[h] = access;
    return TokenHandle{h};
}

std::optional<Luid> ImagePlatform::LookupPrivilegeValue(const std::string& name) {
    for (uint32_t luid : {BackupLuid, RestoreLuid, ShutdownLuid}) {
        if (SameNoCase(name, PrivilegeName(luid))) {
            return Luid{luid, 0};
        }
    }
    return std::nullopt;
}

Status ImagePlatform::AdjustTokenPrivilege(TokenHandle token, Luid luid, uint32_t attributes) {
    std::lock_guard lock(mutex_);
    auto it = tokens_.find(token.value);
    if (it == tokens_.end()) {
        return Status::Fail(error::InvalidHandle);
    }
    if ((it->second & token::AdjustPrivileges) == 0) {
        return Status::Fail(error::AccessDenied, "token opened without TOKEN_ADJUST_PRIVILEGES");
    }
    const char* name = luid.high == 0 ? PrivilegeName(luid.low) : nullptr;
    if (!name) {
        return Status::Fail(error::NotAllAssigned, "unknown privilege");
    }
    // Like AdjustTokenPrivileges, an unheld privilege is not an error of the call itself: the
    // answer is ERROR_NOT_ALL_ASSIGNED and nothing changes.
    if (!machine_.privileges) {
        return Status::Fail(error::NotAllAssigned, std::string("the user does not hold ") + name);
    }
    if (attributes & token::PrivilegeEnabled) {
        enabled_.insert(luid.low);
    } else {
        enabled_.erase(luid.low);
    }
    return Status::Ok();
}

bool ImagePlatform::CloseTokenHandle(TokenHandle token) {
    std::lock_guard lock(mutex_);
    return tokens_.erase(token.value) == 1;
}

bool ImagePlatform::PrivilegeEnabled(uint32_t luid) const {
    return enabled_.count(luid) == 1;
}

// --- System -----------------------------------------------------------------------------------

VersionInfo ImagePlatform::GetVersion() {
    VersionInfo v;
    v.ok = true;
    v.platformId = machine_.platformId;
    v.major = machine_.major;
    v.minor = machine_.minor;
    v.build = machine_.build;
    v.servicePack = machine_.servicePack;
    return v;
}

std::optional<bool> ImagePlatform::IsWow64Process() {
    if (!machine_.hasIsWow64Process) {
        return std::nullopt;
    }
    return machine_.wow64;
}

void ImagePlatform::SetSessionEndHandler(std::function<void()> handler) {
    std::lock_guard lock(mutex_);
    sessionEnd_ = std::move(handler);
}

Status ImagePlatform::ExitWindows(uint32_t flags, uint32_t /*reason*/) {
    constexpr uint32_t shutdownKinds = 0x1 /*EWX_SHUTDOWN*/ | exitflags::Reboot | 0x8 /*POWEROFF*/;
    std::function<void()> handler;
    {
        std::lock_guard lock(mutex_);
        if (!PrivilegeEnabled(ShutdownLuid)) {
            return Status::Fail(error::PrivilegeNotHeld, "SeShutdownPrivilege is not enabled");
        }
        if (machine_.offline) {
            return (flags & shutdownKinds) ? ReplaceAtOnce() : Status::Ok();
        }
        if (flags & shutdownKinds) {
            Restart restart = MakeRestart();
            try {
                lastBoot_ = restart.Boot();
            } catch (const std::exception& e) {
                return Status::Fail(error::RegistryIoFailed, e.what());
            }
        }
        // A new session: nothing of this process survives.
        enabled_.clear();
        keys_.clear();
        tokens_.clear();
        handler = sessionEnd_;
    }
    if (handler) {
        handler();
    }
    return Status::Ok();
}

Status ImagePlatform::ReplaceAtOnce() {
    if (!machine_.changeRefusal.empty()) {
        return Status::Fail(error::AccessDenied, machine_.changeRefusal);
    }
    try {
        lastBoot_ = MakeRestart().Boot();
    } catch (const std::exception& e) {
        return Status::Fail(error::RegistryIoFailed, e.what());
    }
    if (!lastBoot_->keptPending.empty() || !lastBoot_->finished) {
        const std::string why = lastBoot_->KeptPendingText();
        return Status::Fail(error::RegistryIoFailed,
                            "not every hive could be replaced: " +
                                (why.empty() ? "the records could not be written" : why));
    }
    // Nothing was restarted: the program's session goes on.
    return Status::Ok();
}

BootOutcome ImagePlatform::UndoLastCompaction(const std::string& backupSuffix) {
    std::lock_guard lock(mutex_);
    if (!machine_.offline) {
        throw std::runtime_error("undo is for a Windows installation that is not running");
    }
    if (!machine_.changeRefusal.empty()) {
        throw std::runtime_error(machine_.changeRefusal);
    }
    const fs::path log = state_.folder() / state_.runLog();
    const std::optional<LoggedRun> last =
        LastLoggedRun(state_.ReadLog(state_.runLog()), {"replacement", "undo"});
    if (!last) {
        throw std::runtime_error("nothing to undo: " + log.string() +
                                 " records no compaction of this installation");
    }
    if (last->what == "undo") {
        throw std::runtime_error("nothing to undo: the last compaction was undone already (" +
                                 log.string() + ")");
    }
    std::vector<Replacement> undo;
    std::vector<std::string> missing;
    for (const std::string& name : last->replaced) {
        std::optional<ResolvedPath> live;
        size_t index = 0;
        for (size_t i = 0; i < machine_.hivelist.size() && !live; ++i) {
            if (SameNoCase(machine_.hivelist[i].name, name)) {
                live = HiveFile(i);
                index = i;
            }
        }
        // The backup was named after the hive's name in the hive list, matched ignoring case.
        std::optional<ResolvedPath> backup = HiveFile(index, backupSuffix);
        std::error_code ec;
        if (!live || !backup || !fs::is_regular_file(backup->host, ec)) {
            missing.push_back(name);
            continue;
        }
        const std::string rel = paths_.ImageRelative(live->host);
        Replacement r;
        r.hive = name;
        r.live = rel;
        r.fresh = paths_.ImageRelative(backup->host);
        r.backup = rel + ".hivelet-undone";
        r.discardBackup = true;
        undo.push_back(std::move(r));
    }
    if (undo.empty()) {
        throw std::runtime_error("nothing to undo: the hives of the last compaction have no " +
                                 std::string(backupSuffix) + " files any more");
    }
    BootOutcome out = MakeRestart().Apply(std::move(undo), "undo");
    for (const std::string& m : missing) {
        out.keptPending.push_back(m + " (no " + backupSuffix + " file)");
    }
    lastBoot_ = out;
    return out;
}

// --- Drives -------------------------------------------------------------------------------------

uint32_t ImagePlatform::GetLogicalDriveStrings(uint32_t bufferChars, std::string& buffer) {
    std::string all;
    for (const Drive& d : machine_.drives) {
        all += d.letter;
        all += ":\\";
        all += '\0';
    }
    const uint32_t needed = static_cast<uint32_t>(all.size()) + 1; // with the final terminator
    if (bufferChars < needed) {
        buffer.clear();
        return needed;
    }
    buffer = all;
    return static_cast<uint32_t>(all.size());
}

uint32_t ImagePlatform::GetDriveType(const std::string& root) {
    char letter = DriveLetterOfRoot(root, true);
    for (const Drive& d : machine_.drives) {
        if (d.letter == letter) {
            return d.type;
        }
    }
    return drive::NoRootDir;
}

bool ImagePlatform::QueryDosDevice(const std::string& device, uint32_t bufferChars,
                                   std::string& firstTarget) {
    char letter = DriveLetterOfRoot(device, false);
    for (const Drive& d : machine_.drives) {
        if (d.letter != letter || d.device.empty()) {
            continue;
        }
        // The answer is a list: the target, its terminator and the list's terminator.
        if (bufferChars < d.device.size() + 2) {
            return false;
        }
        firstTarget = d.device;
        return true;
    }
    return false;
}

// --- Restore points, shell, process, clock -----------------------------------------------------

RestorePointOutcome ImagePlatform::SetRestorePoint(const std::string& description,
                                                   uint32_t eventType, uint32_t restorePointType) {
    switch (machine_.systemRestore) {
    case RestoreSupport::Absent:
        return RestorePointOutcome::LibraryMissing;
    case RestoreSupport::Refuses:
        return RestorePointOutcome::Failed;
    case RestoreSupport::Works:
        break;
    }
    std::string text = description.substr(0, restore::DescriptionChars - 1);
    text = text.substr(0, text.find('\0'));
    std::lock_guard lock(mutex_);
    bool logged = state_.AppendLog(RestorePointLog,
                                   "event " + std::to_string(eventType) + ", type " +
                                       std::to_string(restorePointType) + ": " + text,
                                   LocalDateTime());
    return logged ? RestorePointOutcome::Created : RestorePointOutcome::Failed;
}

bool ImagePlatform::OpenWebPage(const std::string& address, uintptr_t /*ownerWindow*/,
                                int /*showCommand*/) {
    if (address.empty()) {
        return false;
    }
    std::lock_guard lock(mutex_);
    return state_.AppendLog(WebPageLog, address, LocalDateTime());
}

bool ImagePlatform::ReportErrorEvent(const std::string& source, const std::string& text) {
    std::lock_guard lock(mutex_);
    return state_.AppendLog(EventLog, source + ": " + text, LocalDateTime());
}

std::string ImagePlatform::ExecutablePath() {
    return ExecutableOf(options_);
}

int64_t ImagePlatform::MonotonicMilliseconds() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 started_)
        .count();
}

std::string ImagePlatform::LocalDateTimeText() {
    return LocalDateTime();
}

std::string ImagePlatform::DecimalSeparator() {
    return ".";
}

} // namespace hivelet::image
