#include "FakeProfileText.h"

#include "platform/ini/Profile.h"

namespace hivelet::fake {

std::optional<std::string> ProfileLookup(const std::string& text, const std::string& section,
                                         const std::string& key) {
    return ini::Profile::Parse(text).Find(section, key);
}

std::optional<std::string> ProfileWrite(const std::string& text, const std::string& section,
                                        const std::string& key, const std::string& value) {
    auto profile = ini::Profile::Parse(text);
    if (!profile.Set(section, key, value)) {
        return std::nullopt;
    }
    return profile.Text();
}

std::string ProfileEraseSection(const std::string& text, const std::string& section) {
    auto profile = ini::Profile::Parse(text);
    profile.EraseSection(section);
    return profile.Text();
}

} // namespace hivelet::fake
