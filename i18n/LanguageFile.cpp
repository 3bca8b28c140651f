#include "i18n/LanguageFile.h"

#include "platform/TextCase.h"
#include "settings/ExecutableFolder.h"
#include "settings/OptionsSetting.h"

namespace hivelet::i18n {

bool IsBuiltInLanguage(const std::string& language) {
    return platform::SameNoCase(language, BuiltInLanguage);
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
