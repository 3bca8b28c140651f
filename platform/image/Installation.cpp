#include "platform/image/Installation.h"

#include "platform/RandomBytes.h"
#include "platform/TextCase.h"
#include "platform/image/PathMap.h"
#include "platform/ini/AtomicWrite.h"
#include "platform/ini/Profile.h"
#include "platform/regf/ReadKey.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <fstream>
#include <stdexcept>
#include <system_error>

namespace hivelet::image {

namespace fs = std::filesystem;
using ini::SameNoCase;

namespace {

constexpr const char* CurrentVersionKey = "Microsoft\\Windows NT\\CurrentVersion";
constexpr const char* ProfileListKey = "Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

// Machine hives in the order Windows loads them, under their hivelist names.
constexpr const char* MachineHives[] = {"SYSTEM",     "SOFTWARE", "SAM",  "SECURITY",
                                        "COMPONENTS", "DRIVERS",  "ELAM", "BBI"};

// Where a profile keeps its classes hive: since Vista, and before.
constexpr const char* UsrClassPath = "AppData\\Local\\Microsoft\\Windows\\UsrClass.dat";
constexpr const char* UsrClassPathXp =
    "Local Settings\\Application Data\\Microsoft\\Windows\\UsrClass.dat";

bool IsDirectory(const fs::path& p) {
    std::error_code ec;
    return fs::is_directory(p, ec);
}

bool IsFile(const fs::path& p) {
    std::error_code ec;
    return fs::is_regular_file(p, ec);
}

// A path below the drive root ("Users\ann", '\'-separated) found under ROOT ignoring case.
fs::path Below(const fs::path& root, std::string_view rest) {
    fs::path host = root;
    size_t pos = 0;
    while (pos <= rest.size()) {
        size_t sep = rest.find('\\', pos);
        std::string name(rest.substr(pos, sep == std::string_view::npos ? rest.npos : sep - pos));
        pos = sep == std::string_view::npos ? rest.size() + 1 : sep + 1;
        if (!name.empty() && name != ".") {
            host /= MatchEntry(host, name);
        }
    }
    return host;
}

const regf::Value* FindValue(const regf::KeyContents& key, std::string_view name) {
    for (const regf::Value& v : key.values) {
        if (SameNoCase(v.name, name)) {
            return &v;
        }
    }
    return nullptr;
}

std::string Text(const regf::KeyContents& key, std::string_view name) {
    const regf::Value* v = FindValue(key, name);
    if (!v || (v->type != platform::reg::Sz && v->type != platform::reg::ExpandSz)) {
        return {};
    }
    return regf::StringValueText(*v);
}

bool ParseNumber(std::string_view s, uint32_t& n) {
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), n);
    return !s.empty() && ec == std::errc() && end == s.data() + s.size();
}

bool IsDrivePath(std::string_view p) {
    return p.size() >= 3 && std::isalpha(static_cast<unsigned char>(p[0])) && p[1] == ':' &&
           p[2] == '\\';
}

platform::RegistryValue SzValue(const std::string& text) {
    return platform::RegistryValue{platform::reg::Sz, text + '\0'};
}

class Deriving {
public:
    Deriving(fs::path root, Installation& out) : root_(std::move(root)), out_(out) {}

    void Run() {
        const std::string where = root_.string();
        if (!IsDirectory(root_)) {
            Fail(where + ": no such folder (give the folder that holds a Windows installation's "
                         "Windows folder)");
        }
        windows_ = root_ / MatchEntry(root_, "Windows");
        if (!IsDirectory(windows_)) {
            Fail(where + ": no Windows folder here (give the folder that holds the installation's "
                         "Windows folder, its system drive)");
        }
        config_ = Below(windows_, "System32\\config");
        if (!IsDirectory(config_)) {
            Fail(windows_.string() + ": no System32\\config folder: not a Windows installation");
        }
        const fs::path software = config_ / MatchEntry(config_, "SOFTWARE");
        if (!IsFile(software)) {
            Fail(software.string() + ": missing: the installation's SOFTWARE hive is needed for "
                                     "its version and its users");
        }
        if (regf::Status s = software_.open(software.string()); !s.ok()) {
            Fail(s.kind == regf::ErrorKind::Dirty
                     ? "the SOFTWARE hive cannot be read: " + s.message
                     : "not a Windows installation: the SOFTWARE hive cannot be read: " +
                           s.message);
        }
        ReadVersion(software);
        Machine& m = out_.machine;
        m.offline = true;
        m.wow64 = IsDirectory(windows_ / MatchEntry(windows_, "SysWOW64"));
        m.hasIsWow64Process = m.major > 5 || (m.major == 5 && m.minor >= 1);
        m.privileges = true;
        m.systemRestore = RestoreSupport::Absent;
        Drive d;
        d.letter = m.systemRoot[0];
        d.device = InstallationDevice;
        d.folder = ".";
        m.drives.push_back(d);
        AddHives();
        AddProfiles();
    }

private:
    [[noreturn]] void Fail(const std::string& what) { throw std::runtime_error(what); }

    void ReadVersion(const fs::path& software) {
        regf::KeyContents cv;
        if (regf::Status s = software_.read(CurrentVersionKey, cv); !s.ok()) {
            Fail("not a Windows installation: " + software.string() + " has no " +
                 CurrentVersionKey + " (" + s.message + ")");
        }
        std::string build = Text(cv, "CurrentBuildNumber");
        if (build.empty()) {
            build = Text(cv, "CurrentBuild");
        }
        ReportedVersion v;
        if (!ParseReportedVersion(Text(cv, "CurrentVersion"),
                                  FindValue(cv, "CurrentMajorVersionNumber") != nullptr, build,
                                  Text(cv, "CSDVersion"), v)) {
            Fail("not a Windows installation: " + software.string() + " names no version in " +
                 CurrentVersionKey);
        }
        Machine& m = out_.machine;
        m.platformId = platform::PlatformWin32Nt;
        m.major = v.major;
        m.minor = v.minor;
        m.build = v.build;
        m.servicePack = v.servicePack;
        // The Windows folder is the one found under ROOT; SystemRoot gives its drive letter
        // (and its spelling, when it names that folder).
        const std::string folderName = windows_.filename().string();
        std::string systemRoot = Text(cv, "SystemRoot");
        while (systemRoot.size() > 3 && systemRoot.back() == '\\') {
            systemRoot.pop_back();
        }
        if (IsDrivePath(systemRoot) && SameNoCase(systemRoot.substr(3), folderName)) {
            m.systemRoot =
                std::string(1, platform::UpperAscii(systemRoot[0])) + systemRoot.substr(1);
        } else {
            char letter = IsDrivePath(systemRoot) ? platform::UpperAscii(systemRoot[0]) : 'C';
            m.systemRoot = std::string(1, letter) + ":\\" + folderName;
        }
        systemRootValue_ = IsDrivePath(systemRoot) ? systemRoot : m.systemRoot;
    }

    std::string Device(std::string_view belowDrive) const {
        return std::string(InstallationDevice) + "\\" + std::string(belowDrive);
    }

    void Add(const std::string& name, const std::string& belowDrive) {
        HivelistValue h;
        h.name = name;
        h.value = SzValue(Device(belowDrive));
        out_.machine.hivelist.push_back(std::move(h));
    }

    void AddHives() {
        const std::string configPath = out_.machine.systemRoot.substr(3) + "\\System32\\config\\";
        for (const char* name : MachineHives) {
            if (IsFile(config_ / MatchEntry(config_, name))) {
                Add(std::string("\\REGISTRY\\MACHINE\\") + name, configPath + name);
            }
        }
        if (IsFile(config_ / MatchEntry(config_, "DEFAULT"))) {
            Add("\\REGISTRY\\USER\\.DEFAULT", configPath + "DEFAULT");
        }
    }

    void Note(const std::string& sid, const std::string& why) {
        out_.notes.push_back("profile " + sid + " left out: " + why);
    }

    void AddProfiles() {
        regf::KeyContents list;
        if (regf::Status s = software_.read(ProfileListKey, list); !s.ok()) {
            out_.notes.push_back(std::string("no user profiles: SOFTWARE has no ") +
                                 ProfileListKey);
            return;
        }
        const char letter = out_.machine.systemRoot[0];
        for (const std::string& sid : list.subkeys) {
            if (sid == "S-1-5-18") {
                Note(sid, "LocalSystem's settings are the \\REGISTRY\\USER\\.DEFAULT hive");
                continue;
            }
            if (sid.size() > 4 &&
                SameNoCase(std::string_view(sid).substr(sid.size() - 4), ".bak")) {
                Note(sid, "a backup entry Windows keeps of a profile, never loaded");
                continue;
            }
            regf::KeyContents profile;
            if (regf::Status s = software_.read(std::string(ProfileListKey) + "\\" + sid, profile);
                !s.ok()) {
                Note(sid, s.message);
                continue;
            }
            const std::string raw = Text(profile, "ProfileImagePath");
            std::string path;
            if (raw.empty()) {
                Note(sid, "it has no ProfileImagePath");
                continue;
            }
            if (!ExpandProfilePath(raw, systemRootValue_, path)) {
                Note(sid, raw + " names a variable only the running system knows");
                continue;
            }
            while (path.size() > 3 && path.back() == '\\') {
                path.pop_back();
            }
            if (!IsDrivePath(path)) {
                Note(sid, path + " is not on a drive of this installation");
                continue;
            }
            if (platform::UpperAscii(path[0]) != letter) {
                Note(sid, path + " is on drive " + std::string(1, platform::UpperAscii(path[0])) +
                              ":, not on the installation's drive " + std::string(1, letter) + ":");
                continue;
            }
            const std::string below = path.substr(3);
            const fs::path folder = Below(root_, below);
            if (!IsDirectory(folder)) {
                Note(sid, "its folder " + path + " is missing");
                continue;
            }
            if (!IsFile(folder / MatchEntry(folder, "NTUSER.DAT"))) {
                Note(sid, "its folder " + path + " has no NTUSER.DAT");
                continue;
            }
            if (std::find(seen_.begin(), seen_.end(), folder) != seen_.end()) {
                Note(sid, "its folder " + path + " belongs to a profile listed before");
                continue;
            }
            seen_.push_back(folder);
            Add("\\REGISTRY\\USER\\" + sid, below + "\\NTUSER.DAT");
            const char* classes = out_.machine.major >= 6 ? UsrClassPath : UsrClassPathXp;
            if (IsFile(Below(folder, classes))) {
                Add("\\REGISTRY\\USER\\" + sid + "_Classes", below + "\\" + classes);
            } else {
                out_.notes.push_back("profile " + sid + ": its classes hive " + path + "\\" +
                                     classes + " is missing, so only NTUSER.DAT is listed");
            }
        }
    }

    fs::path root_;
    Installation& out_;
    fs::path windows_;
    fs::path config_;
    regf::HiveKeyReader software_;
    std::string systemRootValue_;
    std::vector<fs::path> seen_;
};

fs::path Normalized(const fs::path& root) {
    std::error_code ec;
    fs::path abs = fs::absolute(root, ec);
    if (ec) {
        abs = root;
    }
    abs = abs.lexically_normal();
    if (abs.has_relative_path() && abs.filename().empty()) {
        abs = abs.parent_path(); // no trailing separator: records are relative to it
    }
    return abs;
}

} // namespace

bool ParseReportedVersion(const std::string& currentVersion, bool hasMajorVersionNumber,
                          const std::string& buildNumber, const std::string& csdVersion,
                          ReportedVersion& version) {
    version = {};
    uint32_t major = 0, minor = 0;
    size_t dot = currentVersion.find('.');
    bool parsed = dot != std::string::npos &&
                  ParseNumber(std::string_view(currentVersion).substr(0, dot), major) &&
                  ParseNumber(std::string_view(currentVersion).substr(dot + 1), minor);
    if (!parsed && !hasMajorVersionNumber) {
        return false;
    }
    if (hasMajorVersionNumber || major > 6 || (major == 6 && minor >= 2)) {
        // Without a manifest naming it, Windows 8 and later report themselves as Windows 8.
        version.major = 6;
        version.minor = 2;
        version.build = 9200;
        return true;
    }
    version.major = major;
    version.minor = minor;
    uint32_t build = 0;
    if (ParseNumber(buildNumber, build)) {
        version.build = build;
    }
    version.servicePack = csdVersion.substr(0, 127);
    return true;
}

bool ExpandProfilePath(const std::string& text, const std::string& systemRoot,
                       std::string& expanded) {
    expanded.clear();
    size_t pos = 0;
    while (pos < text.size()) {
        size_t open = text.find('%', pos);
        if (open == std::string::npos) {
            expanded += text.substr(pos);
            break;
        }
        size_t close = text.find('%', open + 1);
        if (close == std::string::npos) {
            expanded += text.substr(pos);
            break;
        }
        expanded += text.substr(pos, open - pos);
        std::string_view name = std::string_view(text).substr(open + 1, close - open - 1);
        if (SameNoCase(name, "SystemRoot") || SameNoCase(name, "windir")) {
            expanded += systemRoot;
        } else if (SameNoCase(name, "SystemDrive")) {
            expanded += systemRoot.substr(0, 2);
        } else {
            return false;
        }
        pos = close + 1;
    }
    return true;
}

Installation DeriveInstallation(const fs::path& root) {
    Installation out;
    out.root = Normalized(root);
    Deriving(out.root, out).Run();
    out.hibernated = HibernationRefusal(out.root);
    out.readOnly = ReadOnlyRefusal(out.root);
    out.machine.changeRefusal = out.hibernated.empty() ? out.readOnly : out.hibernated;
    return out;
}

std::string HibernationRefusal(const fs::path& root) {
    const fs::path file = Normalized(root) / MatchEntry(Normalized(root), "hiberfil.sys");
    std::ifstream in(file, std::ios::binary);
    char head[4] = {};
    if (!in.read(head, sizeof head)) {
        return {};
    }
    if (!SameNoCase(std::string_view(head, 4), "hibr")) {
        return {};
    }
    return file.string() +
           " says this Windows is hibernated or was shut down with Fast Startup: its registry "
           "is still loaded in that file and would overwrite new hives when it resumes. Start "
           "it and shut it down fully (Shift+Shut down, or \"shutdown /s /t 0\"; or turn Fast "
           "Startup off), then try again. Nothing was changed.";
}

std::string ReadOnlyRefusal(const fs::path& root) {
    const fs::path dir = Normalized(root);
    std::string why = dir.string() + " is read-only: Hivelet writes the compacted copies and " +
                      "replaces hives there. Mount it writable and try again. Nothing was " +
                      "changed.";
    if (ini::IsReadOnly(dir)) {
        return why;
    }
    const fs::path probe = dir / (".hivelet-write-test-" + std::to_string(platform::RandomWord()));
    {
        std::ofstream out(probe, std::ios::binary | std::ios::app);
        if (!out.is_open()) {
            return why;
        }
    }
    std::error_code ec;
    fs::remove(probe, ec);
    return {};
}

} // namespace hivelet::image
