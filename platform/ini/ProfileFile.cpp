#include "platform/ini/ProfileFile.h"

#include "platform/ini/AtomicWrite.h"

#include <fstream>
#include <iterator>
#include <system_error>

namespace hivelet::ini {

namespace fs = std::filesystem;

namespace {

enum class Presence { Missing, Present, Unreadable };

Presence Probe(const fs::path& file) {
    std::error_code ec;
    fs::file_status st = fs::status(file, ec);
    if (!fs::exists(st)) {
        return Presence::Missing;
    }
    return fs::is_regular_file(st) ? Presence::Present : Presence::Unreadable;
}

std::optional<std::string> ReadAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        return std::nullopt;
    }
    return text;
}

std::string Cut(std::string s) {
    if (s.size() > MaxValueChars) {
        s.resize(MaxValueChars);
    }
    return s;
}

} // namespace

std::optional<Profile> ReadProfileFile(const fs::path& file) {
    if (Probe(file) != Presence::Present) {
        return std::nullopt;
    }
    std::optional<std::string> text = ReadAll(file);
    if (!text) {
        return std::nullopt;
    }
    return Profile::Parse(*text);
}

bool WriteProfileFile(const Profile& profile, const fs::path& file) {
    return WriteFileAtomically(file, profile.Text());
}

std::string GetProfileString(const std::string& section, const std::string& key,
                             const std::string& defaultValue, const fs::path& file) {
    std::optional<Profile> profile = ReadProfileFile(file);
    if (!profile) {
        return Cut(defaultValue);
    }
    std::optional<std::string> value = profile->Find(section, key);
    return Cut(value ? std::move(*value) : defaultValue);
}

bool WriteProfileString(const std::string& section, const std::string& key,
                        const std::string& value, const fs::path& file) {
    Profile profile;
    switch (Probe(file)) {
    case Presence::Missing:
        break;
    case Presence::Unreadable:
        return false;
    case Presence::Present: {
        std::optional<Profile> read = ReadProfileFile(file);
        if (!read) {
            return false;
        }
        profile = std::move(*read);
        break;
    }
    }
    if (!profile.Set(section, key, value)) {
        return false;
    }
    return WriteProfileFile(profile, file);
}

bool EraseProfileSection(const std::string& section, const fs::path& file) {
    switch (Probe(file)) {
    case Presence::Missing:
        return true;
    case Presence::Unreadable:
        return false;
    case Presence::Present:
        break;
    }
    std::optional<Profile> profile = ReadProfileFile(file);
    if (!profile) {
        return false;
    }
    if (!profile->EraseSection(section)) {
        return true;
    }
    return WriteProfileFile(*profile, file);
}

} // namespace hivelet::ini
