// The product's fixed identity: its title, version text and main window class, the maker's
// addresses and notice. Every window, box, web page and restore point that names Hivelet or its
// maker takes the text from here.
#pragma once

namespace hivelet::info {

// Title of the application (taskbar button, caption of every message box and the error box).
inline constexpr const char* ProductTitle = "Orvane Hivelet";
// Version text appended to the main window's title label.
inline constexpr const char* VersionText = "3.0";
// Window class of the main window: a second instance finds the first one by it.
inline constexpr const char* MainWindowClassName = "Orvane Hivelet Made by Orvane Software";

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
