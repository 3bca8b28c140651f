// libFuzzer target: profile text of any bytes is parsed, looked up, edited and written back, and
// an edit must change only what it names.
#include "platform/ini/Profile.h"

#include <cstdint>
#include <cstdlib>
#include <string>

using hivelet::ini::Profile;

namespace {

std::string Expected(std::string_view v) {
    v = hivelet::ini::TrimBlanks(v);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
        v = v.substr(1, v.size() - 2);
    }
    return std::string(v);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view all(reinterpret_cast<const char*>(data), size);
    // The first bytes choose the edit: section, key and value separated by NUL bytes.
    size_t a = all.find('\0'), b = a == all.npos ? a : all.find('\0', a + 1),
           c = b == all.npos ? b : all.find('\0', b + 1);
    if (c == all.npos) {
        Profile::Parse(all).Text();
        return 0;
    }
    std::string_view section = all.substr(0, a), key = all.substr(a + 1, b - a - 1),
                     value = all.substr(b + 1, c - b - 1), text = all.substr(c + 1);
    Profile p = Profile::Parse(text);
    if (p.Text() != text) {
        std::abort(); // parsing and writing back must not change a byte
    }
    std::vector<std::string> sections = p.SectionNames();
    std::vector<std::vector<hivelet::ini::Entry>> before;
    for (const std::string& s : sections) {
        before.push_back(p.Entries(s));
    }
    if (!p.Set(section, key, value)) {
        return 0;
    }
    Profile again = Profile::Parse(p.Text());
    auto found = again.Find(section, hivelet::ini::TrimBlanks(key));
    if (!found || *found != Expected(value)) {
        std::abort();
    }
    for (size_t i = 0; i < sections.size(); ++i) {
        if (hivelet::ini::SameNoCase(sections[i], hivelet::ini::TrimBlanks(section))) {
            continue;
        }
        auto after = again.Entries(sections[i]);
        if (after.size() != before[i].size()) {
            std::abort();
        }
        for (size_t k = 0; k < after.size(); ++k) {
            if (after[k].key != before[i][k].key || after[k].value != before[i][k].value) {
                std::abort();
            }
        }
    }
    return 0;
}
