// Plain value types shared by the component model and its backends.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace hivelet::ui {

// A colour as 0xRRGGBB. `kDefaultColor` means "whatever the backend's theme uses".
using Color = uint32_t;
inline constexpr Color kDefaultColor = 0xFFFFFFFFu;
inline constexpr Color kSilver = 0xC0C0C0;
inline constexpr Color kBlue = 0x0000FF;
inline constexpr Color kBlack = 0x000000;
inline constexpr Color kWhite = 0xFFFFFF;

struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point&) const = default;
};

struct Rect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int Right() const { return left + width; }
    int Bottom() const { return top + height; }
    // Inclusive on all four sides: the drag test of the main window counts the edges as inside.
    bool ContainsInclusive(Point p) const {
        return p.x >= left && p.x <= left + width && p.y >= top && p.y <= top + height;
    }
    bool operator==(const Rect&) const = default;
};

// Font as the forms describe it: face name, height in pixels (negative = character height, as
// Windows' LOGFONT; -11 is 8 pt at 96 dpi), bold, underline, colour.
struct Font {
    std::string name = "MS Sans Serif";
    int height = -11;
    bool bold = false;
    bool underline = false;
    Color color = kDefaultColor;
    bool operator==(const Font&) const = default;
};

enum class Cursor { Default, Hand };
enum class Alignment { Left, Right, Center };

// A 32-bit picture in memory (0xAARRGGBB per pixel, rows top to bottom). Forms draw their own
// artwork into these; an empty bitmap draws nothing.
struct Bitmap {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;

    Bitmap() = default;
    Bitmap(int w, int h, uint32_t fill = 0xFF000000u)
        : width(w), height(h), pixels(size_t(w > 0 ? w : 0) * size_t(h > 0 ? h : 0), fill) {}
    bool Empty() const { return width <= 0 || height <= 0; }
    uint32_t& At(int x, int y) { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
    uint32_t At(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};

// Dialog results, the Windows numbers (IDOK ...). 0 means "still open".
using ModalResult = int;
inline constexpr ModalResult mrNone = 0;
inline constexpr ModalResult mrOk = 1;
inline constexpr ModalResult mrCancel = 2;
inline constexpr ModalResult mrYes = 6;
inline constexpr ModalResult mrNo = 7;

// Message box flags, the Windows numbers (MB_...).
namespace mb {
inline constexpr uint32_t Ok = 0x0;
inline constexpr uint32_t OkCancel = 0x1;
inline constexpr uint32_t YesNoCancel = 0x3;
inline constexpr uint32_t YesNo = 0x4;
inline constexpr uint32_t ButtonsMask = 0xF;
inline constexpr uint32_t IconError = 0x10;
inline constexpr uint32_t IconQuestion = 0x20;
inline constexpr uint32_t IconWarning = 0x30;
inline constexpr uint32_t IconInformation = 0x40;
inline constexpr uint32_t IconMask = 0xF0;
inline constexpr uint32_t DefButton2 = 0x100;
inline constexpr uint32_t DefButton3 = 0x200;
inline constexpr uint32_t DefButtonMask = 0xF00;
} // namespace mb

// A message box as asked for, for whoever answers it when no box can be shown.
struct MessageBoxRequest {
    std::string text;
    std::string caption;
    uint32_t flags = 0;
};

// Window messages the toolkit itself understands (the Windows numbers).
namespace wm {
inline constexpr uint32_t Close = 0x0010;
inline constexpr uint32_t SysCommand = 0x0112;
inline constexpr uint32_t User = 0x0400;
inline constexpr uint32_t App = 0x8000;
} // namespace wm
namespace sc {
inline constexpr uint64_t Minimize = 0xF020;
inline constexpr uint64_t Restore = 0xF120;
inline constexpr uint64_t Close = 0xF060;
} // namespace sc
// Hit-test answers (HT...).
namespace ht {
inline constexpr int Transparent = -1;
inline constexpr int Nowhere = 0;
inline constexpr int Client = 1;
inline constexpr int Caption = 2;
} // namespace ht

// A window of any process, as the single-instance lookup finds it (an HWND on Windows).
using NativeWindow = uintptr_t;

} // namespace hivelet::ui
