// Translating a window from a language file.
//
// The window's section (named like the window) holds its caption, its controls' captions, its
// list-view column captions and the hints of controls whose hint display is on; section
// "Menu_" + window name holds the captions of its menu items. Every read falls back to the text
// the window shows now, so a missing key (or a missing file) leaves that text as it is.
#pragma once

#include "platform/Platform.h"
#include "ui/Form.h"

#include <string>

namespace hivelet::i18n {

inline constexpr const char* MenuSectionPrefix = "Menu_";
inline constexpr const char* ColumnKeyInfix = "_Column";
inline constexpr const char* HintKeySuffix = "Hint";

// Replaces the texts of `window` with those of `language`'s file (LanguageFileName). The file
// need not exist. Each value is read through the platform's profile service as it is needed;
// nothing is kept between calls. Positions, sizes and fonts are left alone.
void ApplyLanguage(platform::Platform& platform, ui::Form& window, const std::string& language);

} // namespace hivelet::i18n
