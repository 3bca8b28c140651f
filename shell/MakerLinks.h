// The maker's web address shown by the main window's link label (kept with the maker's other
// addresses in info/MakerInfo.h).
#pragma once

#include "info/MakerInfo.h"

namespace hivelet::shell {

inline constexpr const char* MakerLinkCaption = info::MakerWebCaption;
inline constexpr const char* MakerLinkAddress = info::MakerWebAddress;

} // namespace hivelet::shell
