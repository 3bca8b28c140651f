#include "platform/ini/Profile.h"

#include <algorithm>

namespace hivelet::ini {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

enum class Kind { Other, Comment, Section, Key };

struct Parsed {
    Kind kind = Kind::Other;
    std::string_view name;  // section name or key, trimmed
    std::string_view value; // key lines: trimmed, quotes not yet removed
};

Parsed ParseLine(std::string_view line) {
    std::string_view s = TrimBlanks(line);
    if (s.empty()) {
        return {};
    }
    if (s.front() == ';') {
        return {Kind::Comment, {}, {}};
    }
    if (s.front() == '[') {
        size_t close = s.find(']');
        if (close == std::string_view::npos) {
            return {};
        }
        return {Kind::Section, TrimBlanks(s.substr(1, close - 1)), {}};
    }
    size_t eq = s.find('=');
    if (eq == std::string_view::npos) {
        return {};
    }
    return {Kind::Key, TrimBlanks(s.substr(0, eq)), TrimBlanks(s.substr(eq + 1))};
}

std::string Joined(std::string_view a, std::string_view b, std::string_view c) {
    std::string s;
    s.reserve(a.size() + b.size() + c.size());
    s.append(a).append(b).append(c);
    return s;
}

std::string Unquote(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
        v = v.substr(1, v.size() - 2);
    }
    return std::string(v);
}

bool HasLineBreak(std::string_view s) {
    return s.find_first_of("\r\n") != std::string_view::npos;
}

} // namespace

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && IsBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

Profile Profile::Parse(std::string_view text) {
    Profile p;
    bool newlineKnown = false;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t nl = text.find('\n', pos);
        Line line;
        if (nl == std::string_view::npos) {
            line.text = std::string(text.substr(pos));
            pos = text.size();
        } else {
            size_t end = nl;
            bool crlf = end > pos && text[end - 1] == '\r';
            if (crlf) {
                --end;
            }
            if (!newlineKnown) {
                p.newline_ = crlf ? "\r\n" : "\n";
                newlineKnown = true;
            }
            line.text = std::string(text.substr(pos, end - pos));
            line.ending = crlf ? "\r\n" : "\n";
            pos = nl + 1;
        }
        p.lines_.push_back(std::move(line));
    }
    return p;
}

size_t Profile::FindSection(std::string_view section, size_t from) const {
    for (size_t i = from; i < lines_.size(); ++i) {
        Parsed l = ParseLine(lines_[i].text);
        if (l.kind == Kind::Section && SameNoCase(l.name, section)) {
            return i;
        }
    }
    return std::string::npos;
}

size_t Profile::SectionEnd(size_t header) const {
    for (size_t i = header + 1; i < lines_.size(); ++i) {
        if (ParseLine(lines_[i].text).kind == Kind::Section) {
            return i;
        }
    }
    return lines_.size();
}

std::optional<std::string> Profile::Find(std::string_view section, std::string_view key) const {
    size_t header = FindSection(section);
    if (header == std::string::npos) {
        return std::nullopt;
    }
    size_t end = SectionEnd(header);
    for (size_t i = header + 1; i < end; ++i) {
        Parsed l = ParseLine(lines_[i].text);
        if (l.kind == Kind::Key && SameNoCase(l.name, key)) {
            return Unquote(l.value);
        }
    }
    return std::nullopt;
}

std::vector<Entry> Profile::Entries(std::string_view section) const {
    std::vector<Entry> out;
    size_t header = FindSection(section);
    if (header == std::string::npos) {
        return out;
    }
    size_t end = SectionEnd(header);
    for (size_t i = header + 1; i < end; ++i) {
        Parsed l = ParseLine(lines_[i].text);
        if (l.kind == Kind::Key) {
            out.push_back({std::string(l.name), Unquote(l.value), static_cast<int>(i + 1)});
        }
    }
    return out;
}

int Profile::SectionCount(std::string_view section) const {
    int n = 0;
    for (size_t i = FindSection(section); i != std::string::npos; i = FindSection(section, i + 1)) {
        ++n;
    }
    return n;
}

int Profile::SectionLine(std::string_view section) const {
    size_t header = FindSection(section);
    return header == std::string::npos ? 0 : static_cast<int>(header + 1);
}

std::vector<std::string> Profile::SectionNames() const {
    std::vector<std::string> names;
    for (const Line& line : lines_) {
        Parsed l = ParseLine(line.text);
        if (l.kind == Kind::Section) {
            names.emplace_back(l.name);
        }
    }
    return names;
}

bool Profile::Set(std::string_view section, std::string_view key, std::string_view value) {
    std::string_view k = TrimBlanks(key);
    bool badSection = HasLineBreak(section) || section.find(']') != std::string_view::npos ||
                      TrimBlanks(section).size() != section.size();
    bool badKey = k.empty() || k.front() == '[' || k.front() == ';' || HasLineBreak(key) ||
                  key.find('=') != std::string_view::npos;
    if (badSection || badKey || HasLineBreak(value)) {
        return false;
    }
    size_t header = FindSection(section);
    if (header == std::string::npos) {
        if (!lines_.empty()) {
            if (lines_.back().ending.empty()) {
                lines_.back().ending = newline_;
            }
            if (!TrimBlanks(lines_.back().text).empty()) {
                lines_.push_back({"", newline_});
            }
        }
        lines_.push_back({Joined("[", section, "]"), newline_});
        lines_.push_back({Joined(k, "=", value), newline_});
        return true;
    }
    size_t end = SectionEnd(header);
    size_t lastContent = header;
    for (size_t i = header + 1; i < end; ++i) {
        Parsed l = ParseLine(lines_[i].text);
        if (l.kind == Kind::Key && SameNoCase(l.name, k)) {
            lines_[i].text = Joined(l.name, "=", value);
            return true;
        }
        if (!TrimBlanks(lines_[i].text).empty()) {
            lastContent = i;
        }
    }
    if (lines_[lastContent].ending.empty()) {
        lines_[lastContent].ending = newline_;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(lastContent + 1),
                  Line{Joined(k, "=", value), newline_});
    return true;
}

bool Profile::EraseSection(std::string_view section) {
    bool erased = false;
    for (size_t header = FindSection(section); header != std::string::npos;
         header = FindSection(section, header)) {
        size_t end = SectionEnd(header);
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(header),
                     lines_.begin() + static_cast<std::ptrdiff_t>(end));
        erased = true;
    }
    return erased;
}

std::string Profile::Text() const {
    std::string out;
    for (const Line& line : lines_) {
        out += line.text;
        out += line.ending;
    }
    return out;
}

} // namespace hivelet::ini
