#include "i18n/LanguageFile.h"

#include "settings/ExecutableFolder.h"
#include "settings/OptionsSetting.h"

#include <algorithm>

namespace hivelet::i18n {
namespace {

char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

} // namespace

bool IsBuiltInLanguage(const std::string& language) {
    const std::string english = BuiltInLanguage;
    return language.size() == english.size() &&
           std::equal(language.begin(), language.end(), english.begin(),
                      [](char a, char b) { return Upper(a) == Upper(b); });
}

std::string LanguageFileName(platform::Platform& platform, const std::string& language) {
    const std::string folder = settings::ExecutableFolder(platform);
    const std::string name = "DLan_" + language + ".ini";
    if (platform.FileExists(folder + name)) {
        return folder + name;
    }
    return folder + LanguagesFolder + settings::FolderSeparator(folder) + name;
}

std::string GetLanguageString(platform::Platform& platform, const std::string& key,
                              const std::string& defaultText) {
    const std::string language = settings::OptionsSetting().Lan;
    if (IsBuiltInLanguage(language)) {
        return defaultText;
    }
    return platform.GetProfileString(ResourceSection, key, defaultText,
                                     LanguageFileName(platform, language));
}

} // namespace hivelet::i18n
