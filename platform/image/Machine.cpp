#include "platform/image/Machine.h"
#include "platform/HexDigit.h"
#include "platform/TextCase.h"
#include "platform/ini/ProfileFile.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <stdexcept>
#include <system_error>

namespace hivelet::image {

namespace fs = std::filesystem;
using ini::SameNoCase;
using platform::StartsWithNoCase;
using platform::UpperAscii;

namespace {

// Values of [Machine] and [Drives] may carry a comment: a ';' at the start or after a blank.
std::string WithoutComment(const std::string& value) {
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] == ';' && (i == 0 || value[i - 1] == ' ' || value[i - 1] == '\t')) {
            return std::string(ini::TrimBlanks(std::string_view(value).substr(0, i)));
        }
    }
    return value;
}

class Reader {
public:
    Reader(fs::path file, ini::Profile profile)
        : file_(std::move(file)), profile_(std::move(profile)) {}

    [[noreturn]] void Fail(int line, const std::string& what) const {
        std::string where = file_.string();
        if (line > 0) {
            where += " line " + std::to_string(line);
        }
        throw std::runtime_error(where + ": " + what);
    }

    const ini::Entry* Find(const std::vector<ini::Entry>& entries, std::string_view key) const {
        const ini::Entry* found = nullptr;
        for (const ini::Entry& e : entries) {
            if (SameNoCase(e.key, key)) {
                if (found) {
                    Fail(e.line, "\"" + e.key + "\" is given twice (first on line " +
                                     std::to_string(found->line) + ")");
                }
                found = &e;
            }
        }
        return found;
    }

    uint32_t Number(const ini::Entry& e, uint32_t max) const {
        std::string v = WithoutComment(e.value);
        uint32_t n = 0;
        auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), n);
        if (v.empty() || ec != std::errc() || end != v.data() + v.size() || n > max) {
            Fail(e.line, e.key + " must be a whole number up to " + std::to_string(max) +
                             ", not \"" + v + "\"");
        }
        return n;
    }

    bool Flag(const ini::Entry& e) const {
        std::string v = WithoutComment(e.value);
        if (v == "0" || v == "1") {
            return v == "1";
        }
        Fail(e.line, e.key + " must be 0 or 1, not \"" + v + "\"");
    }

    void CheckSingleSection(std::string_view name) const {
        if (profile_.SectionCount(name) > 1) {
            Fail(0, "section [" + std::string(name) + "] is given more than once");
        }
    }

    const fs::path& file() const { return file_; }
    const ini::Profile& profile() const { return profile_; }

private:
    fs::path file_;
    ini::Profile profile_;
};

void ReadMachineSection(const Reader& r, Machine& m) {
    if (r.profile().SectionCount("Machine") == 0) {
        r.Fail(0, "no [Machine] section");
    }
    r.CheckSingleSection("Machine");
    const std::vector<ini::Entry> entries = r.profile().Entries("Machine");
    static const char* const known[] = {
        "Platform",          "Major",      "Minor",         "Build",     "ServicePack", "Wow64",
        "HasIsWow64Process", "Privileges", "SystemRestore", "SystemRoot"};
    for (const ini::Entry& e : entries) {
        bool ok = std::any_of(std::begin(known), std::end(known),
                              [&](const char* k) { return SameNoCase(e.key, k); });
        if (!ok) {
            r.Fail(e.line, "unknown key \"" + e.key + "\" in [Machine]");
        }
    }
    if (const ini::Entry* e = r.Find(entries, "Platform")) {
        std::string v = WithoutComment(e->value);
        if (SameNoCase(v, "NT")) {
            m.platformId = platform::PlatformWin32Nt;
        } else if (SameNoCase(v, "9x")) {
            m.platformId = platform::PlatformWin32Windows;
        } else {
            r.Fail(e->line, "Platform must be NT or 9x, not \"" + v + "\"");
        }
    }
    const ini::Entry* major = r.Find(entries, "Major");
    const ini::Entry* minor = r.Find(entries, "Minor");
    if (!major || !minor) {
        r.Fail(r.profile().SectionLine("Machine"), "[Machine] needs Major and Minor");
    }
    m.major = r.Number(*major, 1000);
    m.minor = r.Number(*minor, 1000);
    if (const ini::Entry* e = r.Find(entries, "Build")) {
        m.build = r.Number(*e, 0x7fffffff);
    }
    if (const ini::Entry* e = r.Find(entries, "ServicePack")) {
        m.servicePack = WithoutComment(e->value);
        if (m.servicePack.size() > 127) {
            r.Fail(e->line, "ServicePack is longer than 127 characters");
        }
    }
    if (const ini::Entry* e = r.Find(entries, "Wow64")) {
        m.wow64 = r.Flag(*e);
    }
    if (const ini::Entry* e = r.Find(entries, "HasIsWow64Process")) {
        m.hasIsWow64Process = r.Flag(*e);
    }
    if (const ini::Entry* e = r.Find(entries, "Privileges")) {
        m.privileges = r.Flag(*e);
    }
    if (const ini::Entry* e = r.Find(entries, "SystemRestore")) {
        std::string v = WithoutComment(e->value);
        if (v == "1") {
            m.systemRestore = RestoreSupport::Works;
        } else if (v == "0") {
            m.systemRestore = RestoreSupport::Refuses;
        } else if (SameNoCase(v, "absent")) {
            m.systemRestore = RestoreSupport::Absent;
        } else {
            r.Fail(e->line, "SystemRestore must be 1, 0 or absent, not \"" + v + "\"");
        }
    }
    if (const ini::Entry* e = r.Find(entries, "SystemRoot")) {
        std::string v = WithoutComment(e->value);
        if (v.size() < 3 || !std::isalpha(static_cast<unsigned char>(v[0])) || v[1] != ':' ||
            v[2] != '\\') {
            r.Fail(e->line,
                   "SystemRoot must be a drive-letter path such as C:\\Windows, not \"" + v + "\"");
        }
        while (v.size() > 3 && v.back() == '\\') {
            v.pop_back();
        }
        m.systemRoot = v;
    }
}

uint32_t DriveType(std::string_view name) {
    static const std::pair<const char*, uint32_t> types[] = {
        {"fixed", platform::drive::Fixed},     {"removable", platform::drive::Removable},
        {"remote", platform::drive::Remote},   {"cdrom", platform::drive::CdRom},
        {"ramdisk", platform::drive::RamDisk}, {"unknown", platform::drive::Unknown}};
    for (const auto& [n, t] : types) {
        if (SameNoCase(name, n)) {
            return t;
        }
    }
    return platform::drive::NoRootDir;
}

void ReadDrives(const Reader& r, const fs::path& root, Machine& m) {
    r.CheckSingleSection("Drives");
    for (const ini::Entry& e : r.profile().Entries("Drives")) {
        std::string_view letter = e.key;
        if (letter.size() == 2 && letter[1] == ':') {
            letter.remove_suffix(1);
        }
        if (letter.size() != 1 || !std::isalpha(static_cast<unsigned char>(letter[0]))) {
            r.Fail(e.line, "a drive is named by one letter, not \"" + e.key + "\"");
        }
        Drive d;
        d.letter = UpperAscii(letter[0]);
        d.line = e.line;
        for (const Drive& other : m.drives) {
            if (other.letter == d.letter) {
                r.Fail(e.line, std::string("drive ") + d.letter +
                                   ": is given twice (first on line " + std::to_string(other.line) +
                                   ")");
            }
        }
        std::string v = WithoutComment(e.value);
        std::vector<std::string> fields;
        size_t start = 0;
        for (;;) {
            size_t comma = v.find(',', start);
            fields.emplace_back(ini::TrimBlanks(std::string_view(v).substr(
                start, comma == std::string::npos ? std::string::npos : comma - start)));
            if (comma == std::string::npos) {
                break;
            }
            start = comma + 1;
        }
        if (fields.size() != 3) {
            r.Fail(e.line, std::string("drive ") + d.letter +
                               ": expected type, device name, folder (three fields separated by "
                               "commas), got \"" +
                               v + "\"");
        }
        d.type = DriveType(fields[0]);
        if (d.type == platform::drive::NoRootDir) {
            r.Fail(e.line, "unknown drive type \"" + fields[0] +
                               "\" (fixed, removable, remote, cdrom, ramdisk or unknown)");
        }
        d.device = fields[1];
        if (!d.device.empty() && d.device.front() != '\\') {
            r.Fail(e.line, "device name \"" + d.device + "\" must begin with a backslash");
        }
        if (!fields[2].empty()) {
            fs::path folder = fs::path(fields[2]).lexically_normal();
            bool escapes = folder.is_absolute() || folder.has_root_name() ||
                           folder.has_root_directory() ||
                           (!folder.empty() && *folder.begin() == "..");
            if (escapes) {
                r.Fail(e.line, "drive folder \"" + fields[2] + "\" must lie inside the image");
            }
            std::error_code ec;
            if (!fs::is_directory(root / folder, ec)) {
                r.Fail(e.line, "drive folder \"" + fields[2] + "\" does not exist in the image");
            }
            d.folder = folder;
        }
        m.drives.push_back(std::move(d));
    }
    std::sort(m.drives.begin(), m.drives.end(),
              [](const Drive& a, const Drive& b) { return a.letter < b.letter; });
}

} // namespace

platform::RegistryValue ParseHivelistData(const std::string& text) {
    platform::RegistryValue v;
    auto strings = [](std::string_view s) { return std::string(s) + '\0'; };
    if (StartsWithNoCase(text, "expand:")) {
        v.type = platform::reg::ExpandSz;
        v.data = strings(std::string_view(text).substr(7));
    } else if (StartsWithNoCase(text, "sz:")) {
        v.type = platform::reg::Sz;
        v.data = strings(std::string_view(text).substr(3));
    } else if (StartsWithNoCase(text, "multi:")) {
        v.type = platform::reg::MultiSz;
        std::string_view rest = std::string_view(text).substr(6);
        while (!rest.empty()) {
            size_t bar = rest.find('|');
            v.data += strings(rest.substr(0, bar));
            rest = bar == std::string_view::npos ? std::string_view{} : rest.substr(bar + 1);
        }
        v.data += '\0';
    } else if (StartsWithNoCase(text, "binary:")) {
        v.type = platform::reg::Binary;
        int high = -1;
        for (char c : std::string_view(text).substr(7)) {
            if (c == ',' || c == ' ' || c == '\t') {
                if (high >= 0) {
                    throw std::invalid_argument("binary data has a lone hex digit");
                }
                continue;
            }
            int d = platform::HexDigit(c);
            if (d < 0) {
                throw std::invalid_argument(std::string("binary data holds '") + c +
                                            "', not a hex digit");
            }
            if (high < 0) {
                high = d;
            } else {
                v.data += static_cast<char>(high * 16 + d);
                high = -1;
            }
        }
        if (high >= 0) {
            throw std::invalid_argument("binary data has an odd number of hex digits");
        }
    } else {
        v.type = platform::reg::Sz;
        v.data = strings(text);
    }
    return v;
}

Machine LoadMachine(const fs::path& imageRoot) {
    std::error_code ec;
    if (!fs::is_directory(imageRoot, ec)) {
        throw std::runtime_error(imageRoot.string() +
                                 ": no such folder (a system image is a folder)");
    }
    fs::path file = imageRoot / MachineFileName;
    if (!fs::exists(file, ec)) {
        throw std::runtime_error(file.string() +
                                 ": missing (a system image needs its machine file at its root)");
    }
    std::optional<ini::Profile> profile = ini::ReadProfileFile(file);
    if (!profile) {
        throw std::runtime_error(file.string() + ": cannot be read");
    }
    Reader r(file, std::move(*profile));
    Machine m;
    ReadMachineSection(r, m);
    ReadDrives(r, imageRoot, m);
    r.CheckSingleSection("hivelist");
    for (const ini::Entry& e : r.profile().Entries("hivelist")) {
        HivelistValue h;
        h.name = e.key;
        h.line = e.line;
        try {
            h.value = ParseHivelistData(e.value);
        } catch (const std::invalid_argument& why) {
            r.Fail(e.line, h.name + ": " + why.what());
        }
        m.hivelist.push_back(std::move(h));
    }
    bool rootDrive = std::any_of(m.drives.begin(), m.drives.end(), [&](const Drive& d) {
        return d.letter == UpperAscii(m.systemRoot[0]);
    });
    if (!rootDrive) {
        r.Fail(0, "the Windows folder " + m.systemRoot + " is on a drive that [Drives] lacks");
    }
    return m;
}

} // namespace hivelet::image
