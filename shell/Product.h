// The product's fixed identity: title, version text and the main window's class name.
#pragma once

namespace hivelet::shell {

// Title of the application (taskbar button, caption of every message box and the error box).
inline constexpr const char* ProductTitle = "Orvane Hivelet";
// Version text appended to the main window's title label.
inline constexpr const char* VersionText = "3.0";
// Window class of the main window: a second instance finds the first one by it.
inline constexpr const char* MainWindowClassName = "Orvane Hivelet Made by Orvane Software";

} // namespace hivelet::shell
