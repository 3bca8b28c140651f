// The one door through which Hivelet reaches the operating system.
//
// Every call that touches Windows (registry, privileges, version, WOW64, drives, files, profile
// files, restart, the restore-point library, the shell, the executable's folder, the clock) is a
// method of `Platform`. Implementations: platform/win32 (the real services), platform/image (a
// Windows system image in a folder) and a scriptable fake in tests/.
//
// Methods mirror the Windows services closely enough that callers keep the exact arguments
// (access masks, buffer sizes, flags) Hivelet has always passed; results the program ignores are
// still returned so that tests can see them. Window-system calls (FindWindow, PostMessage,
// message boxes, the cursor) belong to the widget toolkit in ui/, not here.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace hivelet::platform {

// Windows error codes the implementations report (winerror.h values).
namespace error {
inline constexpr uint32_t Success = 0;
inline constexpr uint32_t FileNotFound = 2;
inline constexpr uint32_t PathNotFound = 3;
inline constexpr uint32_t AccessDenied = 5;
inline constexpr uint32_t InvalidHandle = 6;
inline constexpr uint32_t NotEnoughMemory = 8;
inline constexpr uint32_t WriteFault = 29;
inline constexpr uint32_t SharingViolation = 32;
inline constexpr uint32_t InvalidParameter = 87;
inline constexpr uint32_t DiskFull = 112;
inline constexpr uint32_t AlreadyExists = 183;
inline constexpr uint32_t MoreData = 234;
inline constexpr uint32_t NoMoreItems = 259;
inline constexpr uint32_t BadDb = 1009;           // ERROR_BADDB: the hive file is not a valid hive
inline constexpr uint32_t RegistryCorrupt = 1015; // ERROR_REGISTRY_CORRUPT
inline constexpr uint32_t RegistryIoFailed = 1016;
inline constexpr uint32_t NotAllAssigned = 1300;
inline constexpr uint32_t PrivilegeNotHeld = 1314;
inline constexpr uint32_t ModNotFound = 126;
inline constexpr uint32_t ProcNotFound = 127;
} // namespace error

// Outcome of a service that reports a Windows error code. `detail` carries a human-readable reason
// where the implementation knows one (for example why a hive file could not be read); callers
// that follow Windows' behaviour look only at `code`.
struct Status {
    uint32_t code = error::Success;
    std::string detail;

    bool ok() const { return code == error::Success; }
    static Status Ok() { return {}; }
    static Status Fail(uint32_t c, std::string why = {}) { return {c, std::move(why)}; }
};

// Predefined registry roots Hivelet uses.
enum class RootKey { LocalMachine, Users };

// Registry access masks and value types (winnt.h values).
namespace reg {
inline constexpr uint32_t KeyQueryValue = 0x0001;
inline constexpr uint32_t KeyWow64_64Key = 0x0100;
inline constexpr uint32_t KeyWow64_32Key = 0x0200;
inline constexpr uint32_t KeyRead = 0x20019;
inline constexpr uint32_t None = 0;
inline constexpr uint32_t Sz = 1;
inline constexpr uint32_t ExpandSz = 2;
inline constexpr uint32_t Binary = 3;
inline constexpr uint32_t Dword = 4;
inline constexpr uint32_t MultiSz = 7;
inline constexpr uint32_t Qword = 11;
} // namespace reg

// Token access masks, privilege names and attributes (winnt.h values).
namespace token {
inline constexpr uint32_t AdjustPrivileges = 0x0020;
inline constexpr uint32_t Query = 0x0008;
inline constexpr uint32_t AdjustAndQuery = AdjustPrivileges | Query; // 0x28
inline constexpr uint32_t AllStandardRights = 0xF00FF;               // TOKEN_ALL_ACCESS (NT4)
inline constexpr uint32_t PrivilegeEnabled = 0x2;                    // SE_PRIVILEGE_ENABLED
inline constexpr const char* BackupPrivilege = "SeBackupPrivilege";
inline constexpr const char* RestorePrivilege = "SeRestorePrivilege";
inline constexpr const char* ShutdownPrivilege = "SeShutdownPrivilege";
} // namespace token

// Drive types of GetDriveTypeA.
namespace drive {
inline constexpr uint32_t Unknown = 0;
inline constexpr uint32_t NoRootDir = 1;
inline constexpr uint32_t Removable = 2;
inline constexpr uint32_t Fixed = 3;
inline constexpr uint32_t Remote = 4;
inline constexpr uint32_t CdRom = 5;
inline constexpr uint32_t RamDisk = 6;
} // namespace drive

// ShowWindow commands, for the window a shell request opens.
namespace show {
inline constexpr int ShowNormal = 1; // SW_SHOWNORMAL
inline constexpr int Show = 5;       // SW_SHOW
} // namespace show

// ExitWindowsEx flags.
namespace exitflags {
inline constexpr uint32_t Reboot = 0x2;
inline constexpr uint32_t Force = 0x4;
} // namespace exitflags

// System Restore request values (srrestoreptapi.h).
namespace restore {
inline constexpr uint32_t BeginSystemChange = 100;
inline constexpr uint32_t EndSystemChange = 101;
inline constexpr uint32_t ApplicationInstall = 0;
inline constexpr size_t DescriptionChars = 64; // MAX_DESC: field size including the terminator
} // namespace restore

// Opaque handles handed out by an implementation; 0 is never a valid handle. Callers receive them
// inside the owners below and pass them to the calls that use an open key or token.
struct KeyHandle {
    uint64_t value = 0;
    explicit operator bool() const { return value != 0; }
};
struct TokenHandle {
    uint64_t value = 0;
    explicit operator bool() const { return value != 0; }
};

class Platform;

// Move-only owner of one handle the platform opened: closes it exactly once, when the owner goes
// (also when a call in between throws) or on an explicit Close() whose result the caller wants.
// `Traits` names the handle, the close call's result and what a close of nothing answers. An
// owner must not outlive the platform that opened its handle.
template <typename Traits> class PlatformOwner {
public:
    using Handle = typename Traits::Handle;
    using Result = typename Traits::Result;

    PlatformOwner() = default;
    // Takes over a handle that `platform` handed out (implementations, and tests that forge one).
    PlatformOwner(Platform& platform, Handle handle) : platform_(&platform), handle_(handle) {}
    ~PlatformOwner() { Close(); }

    PlatformOwner(PlatformOwner&& other) noexcept
        : platform_(std::exchange(other.platform_, nullptr)),
          handle_(std::exchange(other.handle_, Handle{})) {}
    PlatformOwner& operator=(PlatformOwner&& other) noexcept {
        if (this != &other) {
            Close();
            platform_ = std::exchange(other.platform_, nullptr);
            handle_ = std::exchange(other.handle_, Handle{});
        }
        return *this;
    }
    PlatformOwner(const PlatformOwner&) = delete;
    PlatformOwner& operator=(const PlatformOwner&) = delete;

    // The handle, for the calls that use it; the owner keeps it.
    Handle get() const { return handle_; }
    explicit operator bool() const { return static_cast<bool>(handle_); }

    // Closes now and reports the platform's answer. An owner that holds nothing (never filled,
    // moved from or closed already) answers as the close of an unknown handle does.
    Result Close() {
        Platform* platform = std::exchange(platform_, nullptr);
        const Handle handle = std::exchange(handle_, Handle{});
        if (!platform || !handle) {
            return Traits::NothingOwned();
        }
        return Traits::Close(*platform, handle);
    }

private:
    Platform* platform_ = nullptr;
    Handle handle_{};
};

struct KeyOwnerTraits {
    using Handle = KeyHandle;
    using Result = Status;
    static Status Close(Platform& platform, KeyHandle key);
    static Status NothingOwned() { return Status::Fail(error::InvalidHandle); }
};
struct TokenOwnerTraits {
    using Handle = TokenHandle;
    using Result = bool;
    static bool Close(Platform& platform, TokenHandle token);
    static bool NothingOwned() { return false; }
};

// An open registry key (RegCloseKey when it goes) and an open process token (CloseHandle).
using RegistryKey = PlatformOwner<KeyOwnerTraits>;
using ProcessToken = PlatformOwner<TokenOwnerTraits>;

struct Luid {
    uint32_t low = 0;
    int32_t high = 0;
};

// GetVersionExA's answer (OSVERSIONINFOA, dwOSVersionInfoSize = 148).
struct VersionInfo {
    bool ok = false;
    uint32_t platformId = 0; // VER_PLATFORM_WIN32_NT is 2
    uint32_t major = 0;
    uint32_t minor = 0;
    uint32_t build = 0;
    std::string servicePack;
};
inline constexpr uint32_t PlatformWin32Nt = 2;
inline constexpr uint32_t PlatformWin32Windows = 1;

// What the restore-point library did with one request.
enum class RestorePointOutcome {
    Created,        // SRSetRestorePointA returned TRUE
    Failed,         // it returned FALSE
    LibraryMissing, // SrClient.dll could not be loaded from the system folder
    EntryMissing,   // the library has no SRSetRestorePointA
};

// A registry value as read from the hivelist key: its type and raw data bytes.
struct RegistryValue {
    uint32_t type = reg::None;
    std::string data; // raw bytes; REG_SZ data includes no terminator beyond what was stored
};

class Platform {
public:
    virtual ~Platform() = default;

    // --- Registry (advapi32) --------------------------------------------------------------
    // RegOpenKeyA: plain open with the caller's default access. On success `key` owns the open
    // key (a key it held before is closed); on failure it holds nothing.
    Status OpenKey(RootKey root, const std::string& subKey, RegistryKey& key) {
        KeyHandle handle;
        return AdoptKey(OpenKeyHandle(root, subKey, handle), handle, key);
    }
    // RegOpenKeyExA with an explicit access mask (KEY_READ for hivelist, 0x101 for SOFTWARE
    // under WOW64).
    Status OpenKeyEx(RootKey root, const std::string& subKey, uint32_t access, RegistryKey& key) {
        KeyHandle handle;
        return AdoptKey(OpenKeyExHandle(root, subKey, access, handle), handle, key);
    }
    // Names of every value of an open key, in the registry's enumeration order. When the
    // enumeration fails part-way, `names` holds the names read before the failure.
    virtual Status EnumValueNames(KeyHandle key, std::vector<std::string>& names) = 0;
    // Type and raw data of one value (no environment expansion).
    virtual Status QueryValue(KeyHandle key, const std::string& name, RegistryValue& value) = 0;
    // RegSaveKeyA(key, file, NULL): writes the key's whole tree as a new hive file. Fails with
    // AlreadyExists when the file exists.
    virtual Status SaveKey(KeyHandle key, const std::string& file) = 0;
    // RegReplaceKeyA(root, subKey, newFile, oldFile).
    virtual Status ReplaceKey(RootKey root, const std::string& subKey, const std::string& newFile,
                              const std::string& oldFile) = 0;

    // --- Privileges ---------------------------------------------------------------------------
    // OpenProcessToken(GetCurrentProcess(), access): an empty owner when it fails.
    ProcessToken OpenProcessToken(uint32_t access) {
        const std::optional<TokenHandle> token = OpenProcessTokenHandle(access);
        return token && *token ? ProcessToken(*this, *token) : ProcessToken();
    }
    // LookupPrivilegeValueA(NULL, name, &luid).
    virtual std::optional<Luid> LookupPrivilegeValue(const std::string& name) = 0;
    // AdjustTokenPrivileges(token, FALSE, {1 privilege, attributes}, ...). Returns the call's
    // error when it fails. When it succeeds without the token holding the privilege (Windows
    // then sets the last error ERROR_NOT_ALL_ASSIGNED), the result is NotAllAssigned.
    virtual Status AdjustTokenPrivilege(TokenHandle token, Luid luid, uint32_t attributes) = 0;

    // --- System --------------------------------------------------------------------------------
    // GetVersionExA with the structure size set to 148 and every other field zero.
    virtual VersionInfo GetVersion() = 0;
    // IsWow64Process looked up at run time in the loaded kernel32: nullopt when kernel32 lacks
    // it; false when the call fails or does not set its answer.
    virtual std::optional<bool> IsWow64Process() = 0;
    // ExitWindowsEx(flags, reason).
    virtual Status ExitWindows(uint32_t flags, uint32_t reason) = 0;
    // True for a Windows installation that is not running: a restart there replaces the
    // scheduled hives at once and restarts nothing, and the session goes on.
    virtual bool ReplacesHivesAtOnce() { return false; }
    // Called when the system ends the session (for a system image: after its restart has
    // applied every pending replacement, on the thread that called ExitWindows, before that call
    // returns). As with ExitWindowsEx, the call that restarts returns first: the handler passes
    // the news on (shell::SessionEnd posts it to the main window) and ends nothing itself. The
    // real system ends the process by itself.
    virtual void SetSessionEndHandler(std::function<void()> handler) = 0;

    // --- Drives and device names (kernel32) ---------------------------------------------------
    // GetLogicalDriveStringsA into a buffer of bufferChars characters. Returns the length the
    // call returned; `buffer` holds what was copied (entries "C:\\" separated by NUL). When the
    // buffer is too small Windows returns the needed size and copies nothing.
    virtual uint32_t GetLogicalDriveStrings(uint32_t bufferChars, std::string& buffer) = 0;
    // GetDriveTypeA of a root such as "C:\\".
    virtual uint32_t GetDriveType(const std::string& root) = 0;
    // QueryDosDeviceA(device, buffer of bufferChars). On success `firstTarget` is the text up to
    // the first terminator.
    virtual bool QueryDosDevice(const std::string& device, uint32_t bufferChars,
                                std::string& firstTarget) = 0;

    // --- Files -----------------------------------------------------------------------------------
    virtual bool FileExists(const std::string& path) = 0;
    virtual bool DeleteFile(const std::string& path) = 0;
    // MoveFileExA(from, to, 0): a new name for a file on the same volume; refused when `to`
    // exists. True when the file was renamed.
    virtual bool MoveFile(const std::string& from, const std::string& to) = 0;
    // CreateFileA(path, GENERIC_READ|GENERIC_WRITE, share 0, NULL, OPEN_EXISTING,
    // FILE_ATTRIBUTE_NORMAL, NULL); the handle, if any, is closed at once. True when it opened.
    virtual bool OpenExclusive(const std::string& path) = 0;
    // GetFullPathNameA, then FindFirstFileA admitting every attribute: the directory entry's size
    // (high * 2^32 + low). nullopt when no entry is found. The file is never opened.
    virtual std::optional<uint64_t> FindFileSize(const std::string& path) = 0;
    // Checks a hive file with Hivelet's own verifier (platform/regf VerifyHiveFile: base block
    // and checksum, bins, cells, the whole tree from the root), reading the file without writing
    // it. BadDb with the verifier's reason when the file is not a sound hive, FileNotFound when
    // it does not exist.
    virtual Status VerifyHiveFile(const std::string& path) = 0;

    // --- Profile (INI) files, with the Windows lookup rules --------------------------------------
    // GetPrivateProfileStringA with a 2048-character buffer: at most 2047 characters come back.
    virtual std::string GetProfileString(const std::string& section, const std::string& key,
                                         const std::string& defaultValue,
                                         const std::string& file) = 0;
    // WritePrivateProfileStringA(section, key, value, file). False when the file cannot be
    // written.
    virtual bool WriteProfileString(const std::string& section, const std::string& key,
                                    const std::string& value, const std::string& file) = 0;
    // WritePrivateProfileStringA(section, NULL, NULL, file): removes the section.
    virtual bool EraseProfileSection(const std::string& section, const std::string& file) = 0;
    // WritePrivateProfileStringA(NULL, NULL, NULL, file): flushes the cached file. Windows
    // answers false after a flush, so the result tells nothing.
    virtual bool FlushProfile(const std::string& file) = 0;

    // --- Restore points
    // --------------------------------------------------------------------------- Loads
    // SrClient.dll from the system folder only, calls SRSetRestorePointA with the request
    // (description cut to 63 characters and zero-padded to 64), and releases the library.
    virtual RestorePointOutcome SetRestorePoint(const std::string& description, uint32_t eventType,
                                                uint32_t restorePointType) = 0;

    // --- Shell -----------------------------------------------------------------------------------
    // ShellExecuteA(owner, "Open", address, NULL, NULL, showCommand). `ownerWindow` is the
    // native window handle (0 for none); `showCommand` one of show::. True when the shell
    // accepted the request.
    virtual bool OpenWebPage(const std::string& address, uintptr_t ownerWindow,
                             int showCommand) = 0;

    // --- Event log -------------------------------------------------------------------------------
    // RegisterEventSourceA(NULL, source), ReportEventA with one string as an error event
    // (EVENTLOG_ERROR_TYPE) in the Application log, DeregisterEventSource. True when reported.
    virtual bool ReportErrorEvent(const std::string& source, const std::string& text) = 0;

    // --- Process and clock
    // ------------------------------------------------------------------------- Full path of the
    // running executable (GetModuleFileNameA(NULL, ...)).
    virtual std::string ExecutablePath() = 0;
    // Milliseconds on a monotonic clock, for measuring how long a save took.
    virtual int64_t MonotonicMilliseconds() = 0;
    // The current local date and time in the system's short date format, a blank and the long
    // time format.
    virtual std::string LocalDateTimeText() = 0;
    // The user's regional decimal separator.
    virtual std::string DecimalSeparator() = 0;

protected:
    // What an implementation provides behind the owners: opens that hand out a handle, and the
    // closes the owners call. InvalidHandle (false for a token) when the handle is unknown or
    // closed already.
    virtual Status OpenKeyHandle(RootKey root, const std::string& subKey, KeyHandle& key) = 0;
    virtual Status OpenKeyExHandle(RootKey root, const std::string& subKey, uint32_t access,
                                   KeyHandle& key) = 0;
    virtual Status CloseKeyHandle(KeyHandle key) = 0;
    virtual std::optional<TokenHandle> OpenProcessTokenHandle(uint32_t access) = 0;
    virtual bool CloseTokenHandle(TokenHandle token) = 0;

private:
    friend struct KeyOwnerTraits;
    friend struct TokenOwnerTraits;

    // A failed open leaves nothing to own, whatever its handle says.
    Status AdoptKey(Status opened, KeyHandle handle, RegistryKey& key) {
        key = opened.ok() && handle ? RegistryKey(*this, handle) : RegistryKey();
        return opened;
    }
};

inline Status KeyOwnerTraits::Close(Platform& platform, KeyHandle key) {
    return platform.CloseKeyHandle(key);
}
inline bool TokenOwnerTraits::Close(Platform& platform, TokenHandle token) {
    return platform.CloseTokenHandle(token);
}

} // namespace hivelet::platform
