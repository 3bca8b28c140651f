// The maker's addresses and notice: every web page Hivelet opens and every contact it shows.
#pragma once

namespace hivelet::info {

// The product's page: the Homepage menu item and button, and the About dialog's address label.
inline constexpr const char* HomePage = "https://www.orvane.example/hivelet/";
// The online help: the Help menu item.
inline constexpr const char* HelpPage = "https://www.orvane.example/hivelet/help/";
// Where newer versions are offered: Check for Update.
inline constexpr const char* UpdatePage = "https://www.orvane.example/hivelet/update/";
// Where language files are offered: the language menu when a file is missing.
inline constexpr const char* TranslationPage = "https://www.orvane.example/hivelet/translate/";

// The maker's web site: the caption of the address labels, and where the main window's link
// label leads.
inline constexpr const char* MakerWebCaption = "www.orvane.example";
inline constexpr const char* MakerWebAddress = "https://www.orvane.example/";

inline constexpr const char* SupportEmail = "support@orvane.example";
inline constexpr const char* OwnershipNotice =
    "Copyright (C) 2026 Orvane Software. All rights reserved.";

} // namespace hivelet::info
