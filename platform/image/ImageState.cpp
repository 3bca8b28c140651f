#include "platform/image/ImageState.h"

#include "platform/image/HiveLogs.h"
#include "platform/image/PathMap.h"
#include "platform/ini/AtomicWrite.h"
#include "platform/ini/ProfileFile.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <stdexcept>
#include <system_error>

namespace hivelet::image {

namespace fs = std::filesystem;

namespace {

constexpr const char* StateFile = "state.ini";
constexpr const char* JournalFile = "journal.ini";

std::string Quoted(const std::string& s) {
    return "\"" + s + "\"";
}

std::string JoinLogs(const std::vector<std::string>& logs) {
    std::string out;
    for (const std::string& l : logs) {
        out += (out.empty() ? "" : "|") + l;
    }
    return out;
}

std::vector<std::string> SplitLogs(const std::string& s) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start < s.size()) {
        size_t bar = s.find('|', start);
        out.push_back(s.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
        start = bar == std::string::npos ? s.size() : bar + 1;
    }
    return out;
}

bool AddReplacements(ini::Profile& p, const std::vector<Replacement>& list, bool withLogs) {
    for (size_t i = 0; i < list.size(); ++i) {
        const Replacement& r = list[i];
        std::string s = "Replace" + std::to_string(i + 1);
        bool ok = p.Set(s, "Hive", Quoted(r.hive)) && p.Set(s, "Live", Quoted(r.live)) &&
                  p.Set(s, "New", Quoted(r.fresh)) && p.Set(s, "Backup", Quoted(r.backup)) &&
                  (!withLogs || (p.Set(s, "Logs", Quoted(JoinLogs(r.logs))) &&
                                 p.Set(s, "FreshLogs", Quoted(JoinLogs(r.freshLogs))) &&
                                 p.Set(s, "Discard", r.discardBackup ? "1" : "0")));
        if (!ok) {
            return false;
        }
    }
    return true;
}

[[noreturn]] void Malformed(const fs::path& file, int line, const std::string& what) {
    std::string where = file.string();
    if (line > 0) {
        where += " line " + std::to_string(line);
    }
    throw std::runtime_error(where + ": " + what);
}

unsigned ReadNumber(const ini::Profile& p, const fs::path& file, const char* section,
                    const char* key) {
    auto v = p.Find(section, key);
    unsigned n = 0;
    if (!v) {
        return 0;
    }
    auto [end, ec] = std::from_chars(v->data(), v->data() + v->size(), n);
    if (ec != std::errc() || end != v->data() + v->size()) {
        Malformed(file, p.SectionLine(section), std::string(key) + " is not a number");
    }
    return n;
}

// Whether `path`, read from a file on the image's disk, names a file inside the image: relative,
// without root, with no ".." anywhere.
bool NamesFileInside(const std::string& path) {
    const fs::path rel(path);
    if (rel.empty() || rel.is_absolute() || rel.has_root_name() || rel.has_root_directory() ||
        rel.filename().empty() || rel.filename() == ".") {
        return false;
    }
    return std::none_of(rel.begin(), rel.end(), [](const fs::path& part) { return part == ".."; });
}

// The log file names a journal lists for the file `owner`. A journal written before the names
// were kept lists suffixes (".LOG1"), which stand for `owner`'s name and the suffix. A name that
// is not one of `owner`'s log names (which keeps it in `owner`'s folder) makes the journal
// malformed.
std::vector<std::string> ReadLogNames(const ini::Profile& p, const fs::path& file,
                                      const std::string& section, const char* key,
                                      const std::string& owner) {
    std::vector<std::string> names = SplitLogs(p.Find(section, key).value_or(""));
    const fs::path ownerPath(owner);
    for (std::string& name : names) {
        if (LogSuffixOf(name, "").has_value()) {
            name = ownerPath.filename().string() + name;
        }
        if (LogSuffixIn(name, ownerPath).empty()) {
            Malformed(file, p.SectionLine(section),
                      "[" + section + "] " + key + ": \"" + name + "\" is not a log of " + owner);
        }
    }
    return names;
}

std::vector<Replacement> ReadReplacements(const ini::Profile& p, const fs::path& file,
                                          bool withLogs) {
    std::vector<Replacement> out;
    for (const std::string& section : p.SectionNames()) {
        if (section.rfind("Replace", 0) != 0) {
            continue;
        }
        Replacement r;
        auto get = [&](const char* key) {
            auto v = p.Find(section, key);
            if (!v || v->empty()) {
                Malformed(file, p.SectionLine(section), "[" + section + "] lacks " + key);
            }
            return *v;
        };
        r.hive = get("Hive");
        r.live = get("Live");
        r.fresh = get("New");
        r.backup = get("Backup");
        const int line = p.SectionLine(section);
        for (const std::string* path : {&r.live, &r.fresh, &r.backup}) {
            if (!NamesFileInside(*path)) {
                Malformed(file, line, "path \"" + *path + "\" leaves the image");
            }
        }
        if (SameHostPath(r.live, r.fresh) || SameHostPath(r.live, r.backup) ||
            SameHostPath(r.fresh, r.backup)) {
            Malformed(file, line,
                      "[" + section +
                          "] names one file twice: the hive, new and old files must differ");
        }
        if (withLogs) {
            r.logs = ReadLogNames(p, file, section, "Logs", r.live);
            r.freshLogs = ReadLogNames(p, file, section, "FreshLogs", r.fresh);
            r.discardBackup = p.Find(section, "Discard").value_or("0") == "1";
        }
        out.push_back(std::move(r));
    }
    return out;
}

std::string Escaped(std::string_view text) {
    static const char hex[] = "0123456789abcdef";
    std::string out;
    for (char c : text) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u < 32) {
            out += "\\x";
            out += hex[u >> 4];
            out += hex[u & 15];
        } else {
            out += c;
        }
    }
    return out;
}

// The highest run number in a log whose lines read "<what> <number>: ...".
unsigned LastNumberIn(const std::vector<std::string>& lines) {
    unsigned last = 0;
    for (const std::string& line : lines) {
        size_t blank = line.find(' ');
        size_t colon = line.find(':');
        unsigned n = 0;
        if (blank != std::string::npos && colon != std::string::npos && blank < colon) {
            auto [end, ec] = std::from_chars(line.data() + blank + 1, line.data() + colon, n);
            if (ec == std::errc() && end == line.data() + colon) {
                last = std::max(last, n);
            }
        }
    }
    return last;
}

} // namespace

ImageState::ImageState(fs::path imageRoot) : ImageState(std::move(imageRoot), false) {}

ImageState ImageState::ForInstallation(fs::path root) {
    return ImageState(std::move(root), true);
}

ImageState::ImageState(fs::path imageRoot, bool installation)
    : folder_(std::move(imageRoot) / StateFolderName), keepOnlyWhilePending_(installation),
      runLog_(installation ? ReplacementLog : BootLog) {
    if (installation) {
        boots_ = LastNumberIn(ReadLog(runLog_));
    }
    fs::path file = folder_ / StateFile;
    std::error_code ec;
    if (!fs::exists(file, ec)) {
        return;
    }
    std::optional<ini::Profile> p = ini::ReadProfileFile(file);
    if (!p) {
        Malformed(file, 0, "cannot be read");
    }
    boots_ = std::max(boots_, ReadNumber(*p, file, "Boot", "Count"));
    pending_ = ReadReplacements(*p, file, false);
}

bool ImageState::EnsureFolder() {
    std::error_code ec;
    fs::create_directories(folder_, ec);
    return fs::is_directory(folder_, ec);
}

bool ImageState::Save(std::vector<Replacement> pending, unsigned boots) {
    if (keepOnlyWhilePending_ && pending.empty()) {
        std::error_code ec;
        fs::remove(folder_ / StateFile, ec);
        if (ec) {
            return false;
        }
        pending_.clear();
        boots_ = boots;
        return true;
    }
    ini::Profile p;
    if (!p.Set("Boot", "Count", std::to_string(boots)) || !AddReplacements(p, pending, false) ||
        !EnsureFolder() || !ini::WriteProfileFile(p, folder_ / StateFile)) {
        return false;
    }
    pending_ = std::move(pending);
    boots_ = boots;
    return true;
}

bool ImageState::JournalExists() const {
    std::error_code ec;
    return fs::exists(folder_ / JournalFile, ec);
}

bool ImageState::WriteJournal(const Journal& journal) {
    ini::Profile p;
    return p.Set("Boot", "Number", std::to_string(journal.bootNumber)) &&
           (journal.what.empty() || p.Set("Boot", "What", journal.what)) &&
           AddReplacements(p, journal.replacements, true) && EnsureFolder() &&
           ini::WriteProfileFile(p, folder_ / JournalFile);
}

std::optional<Journal> ImageState::ReadJournal() const {
    fs::path file = folder_ / JournalFile;
    std::error_code ec;
    if (!fs::exists(file, ec)) {
        return std::nullopt;
    }
    std::optional<ini::Profile> p = ini::ReadProfileFile(file);
    if (!p) {
        Malformed(file, 0, "cannot be read");
    }
    Journal j;
    j.bootNumber = ReadNumber(*p, file, "Boot", "Number");
    j.what = p->Find("Boot", "What").value_or("");
    j.replacements = ReadReplacements(*p, file, true);
    return j;
}

bool ImageState::RemoveJournal() {
    std::error_code ec;
    fs::remove(folder_ / JournalFile, ec);
    return !ec;
}

bool ImageState::AppendLog(std::string_view log, std::string_view text, std::string_view dateTime) {
    if (!EnsureFolder()) {
        return false;
    }
    std::ofstream out(folder_ / std::string(log), std::ios::binary | std::ios::app);
    out << dateTime << '\t' << Escaped(text) << '\n';
    out.flush();
    return static_cast<bool>(out);
}

std::vector<std::string> ImageState::ReadLog(std::string_view log) const {
    std::vector<std::string> lines;
    std::ifstream in(folder_ / std::string(log), std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        size_t tab = line.find('\t');
        lines.push_back(tab == std::string::npos ? line : line.substr(tab + 1));
    }
    return lines;
}

} // namespace hivelet::image
