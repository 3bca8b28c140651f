// The maker's web address shown by the main window's link label.
#pragma once

namespace hivelet::shell {

inline constexpr const char* MakerLinkCaption = "www.orvane.example";
inline constexpr const char* MakerLinkAddress = "https://www.orvane.example/";

} // namespace hivelet::shell
