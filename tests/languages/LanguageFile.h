// A shipped language file as the checks see it: its raw bytes and its parsed profile.
#pragma once

#include "platform/ini/Profile.h"

#include <filesystem>
#include <string>
#include <vector>

namespace hivelet::languages {

std::filesystem::path LanguagesFolder();

// Language names of the files "DLan_<name>.ini" in the Languages folder, sorted.
std::vector<std::string> ShippedLanguages();

struct LanguageFile {
    std::string language;
    std::filesystem::path path;
    std::string bytes;
    ini::Profile profile;
    int codePage = 0; // the page the language must be written in; 0 when it has none
};

// Reads the file of `language`; an empty `bytes` when it cannot be read.
LanguageFile LoadLanguageFile(const std::string& language);

// The text without its line endings, one entry per line; `endings` gets each line's ending.
std::vector<std::string> SplitLines(const std::string& bytes, std::vector<std::string>* endings);

} // namespace hivelet::languages
