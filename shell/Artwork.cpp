#include "shell/Artwork.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <iterator>
#include <stdexcept>

namespace hivelet::shell {

namespace {

// The title band at the top and its rules.
constexpr int HeaderBottom = 56; // first row below the band
constexpr ui::Color HeaderTop = 0xF5F8FC;
constexpr ui::Color HeaderLow = 0xE6ECF4;
constexpr ui::Color HeaderRule = 0xC3CFDE;
constexpr ui::Color HeaderHighlight = 0xFFFFFF;

// The side bar holding the command buttons, and the area right of it.
constexpr int SideBarRight = 114; // the divider column, just left of the totals
constexpr ui::Color SideBarDivider = 0xD2D5D9;
constexpr ui::Color ContentColor = 0xF8F8F7;
constexpr ui::Color ContentRule = 0xE0E3E7;
constexpr ui::Color FrameColor = 0x8C98A8;

// Side bar colour keys (row, colour). Between the flat buttons' designed places the colour runs
// linearly; over each place it is the border colour of the button designed there.
struct ColorKey {
    int y;
    ui::Color color;
};
constexpr ColorKey SideBarKeys[] = {
    {57, 0xDCDCDA},  {93, 0xE0E0DE},  {146, 0xE0E0DE}, // Analyze, Defrag
    {151, 0xE4E4E2}, {175, 0xE4E4E2},                  // Options
    {221, 0xF1EFEE}, {245, 0xF1EFEE},                  // Homepage
    {252, 0xF5F6F4}, {276, 0xF5F6F4},                  // Language
    {283, 0xF1F2F0}, {307, 0xF1F2F0},                  // Help
    {314, 0xEAE9E9}, {338, 0xEAE9E9},                  // Exit
    {392, 0xE3E3E1},
};

int Channel(ui::Color c, int shift) {
    return int((c >> shift) & 0xFF);
}

ui::Color Mix(ui::Color a, ui::Color b, double t) {
    auto channel = [&](int shift) {
        const double v = Channel(a, shift) + (Channel(b, shift) - Channel(a, shift)) * t;
        return ui::Color(std::lround(std::clamp(v, 0.0, 255.0))) << shift;
    };
    return channel(16) | channel(8) | channel(0);
}

uint32_t Opaque(ui::Color c) {
    return 0xFF000000u | (c & 0xFFFFFFu);
}

ui::Color HeaderColorAt(int y) {
    return Mix(HeaderTop, HeaderLow, std::clamp(y, 0, HeaderBottom - 1) / double(HeaderBottom - 1));
}

// Paints `color` over each pixel of rows [rowFrom, rowTo) by the share of a 4 x 4 grid of samples
// that `inside` accepts, blending with what is there (alpha included, for the icon).
void PaintShape(ui::Bitmap& b, ui::Color color, double opacity,
                const std::function<bool(double, double)>& inside, int rowFrom = 0,
                int rowTo = -1) {
    constexpr int Grid = 4;
    rowTo = rowTo < 0 ? b.height : std::min(rowTo, b.height);
    for (int y = std::max(rowFrom, 0); y < rowTo; ++y) {
        for (int x = 0; x < b.width; ++x) {
            int hits = 0;
            for (int sy = 0; sy < Grid; ++sy)
                for (int sx = 0; sx < Grid; ++sx)
                    hits += inside(x + (sx + 0.5) / Grid, y + (sy + 0.5) / Grid) ? 1 : 0;
            if (hits == 0)
                continue;
            const double a = opacity * hits / (Grid * Grid);
            uint32_t& px = b.At(x, y);
            const double dstA = (px >> 24) / 255.0;
            const double outA = a + dstA * (1 - a);
            auto blend = [&](int shift) {
                const double s = Channel(color, shift), d = Channel(px, shift);
                const double v = outA > 0 ? (s * a + d * dstA * (1 - a)) / outA : 0;
                return uint32_t(std::lround(v)) << shift;
            };
            px = (uint32_t(std::lround(outA * 255)) << 24) | blend(16) | blend(8) | blend(0);
        }
    }
}

bool InRoundedRect(double x, double y, double left, double top, double right, double bottom,
                   double radius) {
    if (x < left || x > right || y < top || y > bottom)
        return false;
    const double cx = std::clamp(x, left + radius, right - radius);
    const double cy = std::clamp(y, top + radius, bottom - radius);
    return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius;
}

// A hexagon standing on a corner, `radius` from its centre to each corner.
bool InHexagon(double x, double y, double cx, double cy, double radius) {
    const double dx = std::abs(x - cx), dy = std::abs(y - cy);
    return dx <= radius * std::sqrt(3.0) / 2 && dy <= radius - dx / std::sqrt(3.0);
}

bool OnSegment(double x, double y, double x1, double y1, double x2, double y2, double halfWidth) {
    const double vx = x2 - x1, vy = y2 - y1;
    const double t = std::clamp(((x - x1) * vx + (y - y1) * vy) / (vx * vx + vy * vy), 0.0, 1.0);
    const double px = x1 + t * vx - x, py = y1 + t * vy - y;
    return px * px + py * py <= halfWidth * halfWidth;
}

// The frame buttons sit on the title band at rows 9 to 32.
constexpr int FrameButtonTop = 9;
constexpr int FrameButtonSize = 24;

ui::Bitmap FrameButtonBase(FrameButtonState state, ui::Color hoverFill, ui::Color pressedFill) {
    ui::Bitmap b(FrameButtonSize, FrameButtonSize);
    for (int y = 0; y < b.height; ++y)
        for (int x = 0; x < b.width; ++x)
            b.At(x, y) = Opaque(HeaderColorAt(FrameButtonTop + y));
    if (state == FrameButtonState::Normal)
        return b;
    const ui::Color fill = state == FrameButtonState::Hover ? hoverFill : pressedFill;
    PaintShape(b, fill, 1.0, [](double x, double y) {
        return InRoundedRect(x, y, 1, 1, FrameButtonSize - 1, FrameButtonSize - 1, 3);
    });
    return b;
}

} // namespace

ui::Color SideBarColorAt(int y) {
    const auto first = std::begin(SideBarKeys);
    const auto last = std::end(SideBarKeys) - 1;
    if (y <= first->y)
        return first->color;
    if (y >= last->y)
        return last->color;
    for (auto k = first; k != last; ++k) {
        const auto next = k + 1;
        if (y <= next->y)
            return Mix(k->color, next->color, double(y - k->y) / double(next->y - k->y));
    }
    return last->color;
}

ui::Bitmap DrawMainBackground() {
    ui::Bitmap b(MainBackgroundWidth, MainBackgroundHeight);
    for (int y = 0; y < b.height; ++y) {
        const ui::Color side = SideBarColorAt(y);
        const ui::Color header = HeaderColorAt(y);
        for (int x = 0; x < b.width; ++x) {
            ui::Color c;
            if (y < HeaderBottom)
                c = header;
            else if (y == HeaderBottom)
                c = HeaderRule;
            else if (y == HeaderBottom + 1)
                c = HeaderHighlight;
            else if (x < SideBarRight)
                c = side;
            else if (x == SideBarRight)
                c = SideBarDivider;
            else
                c = ContentColor;
            b.At(x, y) = Opaque(c);
        }
    }
    // A quiet rule between the hive list and the totals, and one before the step hints.
    for (int x = 119; x <= 541; ++x)
        b.At(x, 306) = Opaque(ContentRule);
    for (int y = 312; y <= 380; ++y)
        b.At(330, y) = Opaque(ContentRule);
    // The window has no frame of its own: a 1-pixel edge keeps it apart from the desktop. The
    // client area is one row shorter than the picture, so the bottom edge is drawn on both rows.
    for (int x = 0; x < b.width; ++x) {
        b.At(x, 0) = Opaque(FrameColor);
        b.At(x, b.height - 2) = Opaque(FrameColor);
        b.At(x, b.height - 1) = Opaque(FrameColor);
    }
    for (int y = 0; y < b.height; ++y) {
        b.At(0, y) = Opaque(FrameColor);
        b.At(b.width - 1, y) = Opaque(FrameColor);
    }
    return b;
}

ui::Bitmap DrawMinimizeButton(FrameButtonState state) {
    ui::Bitmap b = FrameButtonBase(state, 0xDCE3EC, 0xC5D0DD);
    PaintShape(b, 0x4A5563, 1.0,
               [](double x, double y) { return x >= 7 && x <= 17 && y >= 15 && y <= 16.6; });
    return b;
}

ui::Bitmap DrawCloseButton(FrameButtonState state) {
    const bool lit = state != FrameButtonState::Normal;
    ui::Bitmap b = FrameButtonBase(state, 0xC8514B, 0xA63F3A);
    PaintShape(b, lit ? 0xFFFFFF : 0x4A5563, 1.0, [](double x, double y) {
        return OnSegment(x, y, 7.5, 7.5, 16.5, 16.5, 0.85) ||
               OnSegment(x, y, 16.5, 7.5, 7.5, 16.5, 0.85);
    });
    return b;
}

ui::Bitmap DrawProgramIcon(int size) {
    ui::Bitmap b(size, size, 0x00000000u);
    const double s = size;
    const double inset = std::max(0.5, s / 32.0);
    // A blue tile, darker towards the bottom, one row at a time.
    for (int row = 0; row < size; ++row) {
        const ui::Color c = Mix(0x3E7FCF, 0x1D4C86, double(row) / std::max(1, size - 1));
        PaintShape(
            b, c, 1.0,
            [&](double x, double y) {
                return InRoundedRect(x, y, inset, inset, s - inset, s - inset, s * 0.2);
            },
            row, row + 1);
    }
    // A hive cell with a smaller, solid cell inside: the compacted hive.
    const double c = s / 2, outer = s * 0.34, stroke = std::max(1.0, s * 0.075);
    PaintShape(b, 0xFFFFFF, 1.0, [&](double x, double y) {
        return InHexagon(x, y, c, c, outer) && !InHexagon(x, y, c, c, outer - stroke * 1.15);
    });
    PaintShape(b, 0xCFE2FA, 1.0,
               [&](double x, double y) { return InHexagon(x, y, c, c, outer * 0.45); });
    return b;
}

std::vector<uint8_t> EncodeIconFile(const std::vector<ui::Bitmap>& pictures) {
    std::vector<uint8_t> out;
    auto u16 = [&](uint32_t v) {
        out.push_back(uint8_t(v));
        out.push_back(uint8_t(v >> 8));
    };
    auto u32 = [&](uint32_t v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    };
    // ICONDIR, then one ICONDIRENTRY (16 bytes) per picture, then the pictures as DIBs: a
    // BITMAPINFOHEADER of twice the height, BGRA rows bottom-up, and the AND mask (rows padded to
    // 32 bits) that marks fully transparent pixels for systems that ignore the alpha channel.
    u16(0);
    u16(1);
    u16(uint32_t(pictures.size()));
    uint32_t offset = 6 + 16 * uint32_t(pictures.size());
    auto maskStride = [](int w) { return uint32_t(((w + 31) / 32) * 4); };
    for (const ui::Bitmap& p : pictures) {
        if (p.Empty() || p.width > 256 || p.height > 256)
            throw std::invalid_argument("icon pictures must be 1 to 256 pixels wide and high");
        const uint32_t bytes =
            40 + uint32_t(p.width * p.height * 4) + maskStride(p.width) * uint32_t(p.height);
        out.push_back(uint8_t(p.width == 256 ? 0 : p.width));
        out.push_back(uint8_t(p.height == 256 ? 0 : p.height));
        out.push_back(0); // colours in the palette
        out.push_back(0);
        u16(1);  // planes
        u16(32); // bits per pixel
        u32(bytes);
        u32(offset);
        offset += bytes;
    }
    for (const ui::Bitmap& p : pictures) {
        u32(40);
        u32(uint32_t(p.width));
        u32(uint32_t(p.height * 2));
        u16(1);
        u16(32);
        u32(0); // BI_RGB
        u32(uint32_t(p.width * p.height * 4) + maskStride(p.width) * uint32_t(p.height));
        u32(0);
        u32(0);
        u32(0);
        u32(0);
        for (int y = p.height - 1; y >= 0; --y)
            for (int x = 0; x < p.width; ++x) {
                const uint32_t px = p.At(x, y);
                out.push_back(uint8_t(px));       // blue
                out.push_back(uint8_t(px >> 8));  // green
                out.push_back(uint8_t(px >> 16)); // red
                out.push_back(uint8_t(px >> 24)); // alpha
            }
        for (int y = p.height - 1; y >= 0; --y) {
            std::vector<uint8_t> row(maskStride(p.width), 0);
            for (int x = 0; x < p.width; ++x)
                if ((p.At(x, y) >> 24) == 0)
                    row[size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
            out.insert(out.end(), row.begin(), row.end());
        }
    }
    return out;
}

std::vector<uint8_t> ProgramIconFile() {
    return EncodeIconFile(
        {DrawProgramIcon(16), DrawProgramIcon(24), DrawProgramIcon(32), DrawProgramIcon(48)});
}

} // namespace hivelet::shell
