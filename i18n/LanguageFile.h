// Language files ("DLan_" + language + ".ini") and the lookup of the translatable messages. Files
// are read through the platform's profile service at every call; nothing is cached, so a file
// replaced while Hivelet runs takes effect at the next lookup.
#pragma once

#include "platform/Platform.h"

#include <string>

namespace hivelet::i18n {

inline constexpr const char* LanguagesFolder = "Languages";
inline constexpr const char* ResourceSection = "ResourceString";
inline constexpr const char* BuiltInLanguage = "English";

// Messages looked up in section ResourceString, with their built-in texts.
inline constexpr const char* RES_Not_Found = "RES_Not_Found";
inline constexpr const char* RES_Not_Found_Default = "can not be found.";
inline constexpr const char* RES_Analyze_NoSuccess = "RES_Analyze_NoSuccess";
inline constexpr const char* RES_Analyze_NoSuccess_Default = "Failed to analyze the registry!";

// The file of `language`: beside the executable when it exists there, otherwise in the executable's
// Languages folder (not checked). The language name is used as stored.
std::string LanguageFileName(platform::Platform& platform, const std::string& language);

// The translation of `key` in section ResourceString of the current language's file (the Lan
// field of the process-wide settings record, read at every call); `defaultText` when the language
// is English in any letter case (no file is opened), or when the file, section or key is missing.
std::string GetLanguageString(platform::Platform& platform, const std::string& key,
                              const std::string& defaultText);

// True when `language` names the built-in English texts (ignoring the case of A-Z).
bool IsBuiltInLanguage(const std::string& language);

} // namespace hivelet::i18n
