// The About dialog's banner, drawn by code so that every build shows the same pixels.
#pragma once

#include "ui/Types.h"

namespace hivelet::info {

inline constexpr int AboutBannerWidth = 360;
inline constexpr int AboutBannerHeight = 50;

ui::Bitmap DrawAboutBanner();

} // namespace hivelet::info
