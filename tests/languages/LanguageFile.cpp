#include "languages/LanguageFile.h"

#include "languages/Encoding.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <system_error>

namespace hivelet::languages {

std::filesystem::path LanguagesFolder() {
    return std::filesystem::path(HIVELET_SOURCE_DIR) / "Languages";
}

std::vector<std::string> ShippedLanguages() {
    constexpr std::string_view prefix = "DLan_";
    constexpr std::string_view suffix = ".ini";
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(LanguagesFolder(), error)) {
        std::string file = entry.path().filename().string();
        if (file.size() > prefix.size() + suffix.size() && file.starts_with(prefix) &&
            file.ends_with(suffix))
            names.push_back(
                file.substr(prefix.size(), file.size() - prefix.size() - suffix.size()));
    }
    std::sort(names.begin(), names.end());
    return names;
}

LanguageFile LoadLanguageFile(const std::string& language) {
    LanguageFile file;
    file.language = language;
    file.path = LanguagesFolder() / ("DLan_" + language + ".ini");
    std::ifstream in(file.path, std::ios::binary);
    file.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    file.profile = ini::Profile::Parse(file.bytes);
    file.codePage = ExpectedCodePage(language).value_or(0);
    return file;
}

std::vector<std::string> SplitLines(const std::string& bytes, std::vector<std::string>* endings) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t newline = bytes.find('\n', start);
        size_t end = newline == std::string::npos ? bytes.size() : newline;
        std::string ending = newline == std::string::npos ? "" : "\n";
        if (end > start && bytes[end - 1] == '\r') {
            --end;
            ending = "\r" + ending;
        }
        lines.push_back(bytes.substr(start, end - start));
        if (endings)
            endings->push_back(ending);
        start = newline == std::string::npos ? bytes.size() : newline + 1;
    }
    return lines;
}

} // namespace hivelet::languages
