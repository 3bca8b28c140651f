#include "FakeProfileText.h"

#include "FakePlatform.h"

#include <vector>

namespace hivelet::fake {
namespace {

std::string Trim(const std::string& s) {
    size_t b = 0;
    size_t e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t')) {
        ++b;
    }
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) {
        --e;
    }
    return s.substr(b, e - b);
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

// The section name of a "[name]" line, nullopt for other lines.
std::optional<std::string> SectionOf(const std::string& line) {
    std::string t = Trim(line);
    if (t.empty() || t[0] != '[') {
        return std::nullopt;
    }
    size_t close = t.find(']');
    std::string name = close == std::string::npos ? t.substr(1) : t.substr(1, close - 1);
    return Trim(name);
}

// The key of a "key=value" line, nullopt for other lines.
std::optional<std::string> KeyOf(const std::string& line) {
    size_t eq = line.find('=');
    if (eq == std::string::npos || SectionOf(line)) {
        return std::nullopt;
    }
    return Trim(line.substr(0, eq));
}

std::string ValueOf(const std::string& line) {
    std::string v = Trim(line.substr(line.find('=') + 1));
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
        v = v.substr(1, v.size() - 2);
    }
    return v;
}

// Index of the section's header line, or lines.size().
size_t FindSection(const std::vector<std::string>& lines, const std::string& section) {
    for (size_t i = 0; i < lines.size(); ++i) {
        auto name = SectionOf(lines[i]);
        if (name && SameTextNoCase(*name, section)) {
            return i;
        }
    }
    return lines.size();
}

// One past the section's last line.
size_t SectionEnd(const std::vector<std::string>& lines, size_t header) {
    size_t i = header + 1;
    while (i < lines.size() && !SectionOf(lines[i])) {
        ++i;
    }
    return i;
}

} // namespace

std::optional<std::string> ProfileLookup(const std::string& text, const std::string& section,
                                         const std::string& key) {
    auto lines = SplitLines(text);
    size_t header = FindSection(lines, section);
    if (header == lines.size()) {
        return std::nullopt;
    }
    size_t end = SectionEnd(lines, header);
    for (size_t i = header + 1; i < end; ++i) {
        auto k = KeyOf(lines[i]);
        if (k && SameTextNoCase(*k, Trim(key))) {
            return ValueOf(lines[i]);
        }
    }
    return std::nullopt;
}

std::string ProfileWrite(const std::string& text, const std::string& section,
                         const std::string& key, const std::string& value) {
    auto lines = SplitLines(text);
    std::string entry = key + "=" + value;
    size_t header = FindSection(lines, section);
    if (header == lines.size()) {
        lines.push_back("[" + section + "]");
        lines.push_back(entry);
        return JoinLines(lines);
    }
    size_t end = SectionEnd(lines, header);
    size_t lastKey = header;
    for (size_t i = header + 1; i < end; ++i) {
        auto k = KeyOf(lines[i]);
        if (k && SameTextNoCase(*k, key)) {
            lines[i] = entry;
            return JoinLines(lines);
        }
        if (!Trim(lines[i]).empty()) {
            lastKey = i;
        }
    }
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(lastKey + 1), entry);
    return JoinLines(lines);
}

std::string ProfileEraseSection(const std::string& text, const std::string& section) {
    auto lines = SplitLines(text);
    size_t header = FindSection(lines, section);
    if (header == lines.size()) {
        return text;
    }
    size_t end = SectionEnd(lines, header);
    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(header),
                lines.begin() + static_cast<std::ptrdiff_t>(end));
    return JoinLines(lines);
}

} // namespace hivelet::fake
