// Hivelet's pictures, drawn by code: the main window's background, its minimise and close
// buttons, and the program icon. Nothing is loaded from files, so every build draws the same
// pixels.
#pragma once

#include "ui/Types.h"

#include <cstdint>
#include <string>
#include <vector>

namespace hivelet::shell {

inline constexpr int MainBackgroundWidth = 556;
inline constexpr int MainBackgroundHeight = 393;

// Colour of the 1-pixel rules under the section headings.
inline constexpr ui::Color SectionRuleColor = 0x7A96B8;

// The background of the main window. The side bar's colour at each flat button's designed place
// is that button's border colour, so a button's frame disappears into the picture until the
// mouse is over it.
ui::Bitmap DrawMainBackground();

// The colour of the side bar on row `y` (what a flat button there takes as its border colour).
ui::Color SideBarColorAt(int y);

enum class FrameButtonState { Normal, Hover, Pressed };

// 24 x 24 pictures of the frame buttons drawn on the title band of the background.
ui::Bitmap DrawMinimizeButton(FrameButtonState state);
ui::Bitmap DrawCloseButton(FrameButtonState state);

// The program icon at `size` x `size` pixels, with transparency.
ui::Bitmap DrawProgramIcon(int size);

// A Windows icon file holding the pictures given (32-bit, each at most 256 x 256).
std::vector<uint8_t> EncodeIconFile(const std::vector<ui::Bitmap>& pictures);

// The program icon file (16, 24, 32 and 48 pixels) that the Windows build carries as icon
// resource 1. shell/Hivelet.ico holds its bytes; hivelet-icon writes them anew.
std::vector<uint8_t> ProgramIconFile();

} // namespace hivelet::shell
