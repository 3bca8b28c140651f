#include "info/AboutArtwork.h"

#include <algorithm>
#include <cmath>

namespace hivelet::info {
namespace {

constexpr ui::Color BannerLeft = 0x2F5D8C;
constexpr ui::Color BannerRight = 0x7FA7CF;
constexpr ui::Color CombColor = 0xFFFFFF;
constexpr ui::Color RuleColor = 0xC3CFDE;

double Channel(uint32_t c, int shift) {
    return double((c >> shift) & 0xFF);
}

uint32_t Mix(uint32_t a, uint32_t b, double t) {
    auto channel = [&](int shift) {
        const double v = Channel(a, shift) + (Channel(b, shift) - Channel(a, shift)) * t;
        return uint32_t(std::lround(std::clamp(v, 0.0, 255.0))) << shift;
    };
    return 0xFF000000u | channel(16) | channel(8) | channel(0);
}

// Distance-based coverage of the outline of a hexagon standing on a corner, for a soft edge.
double HexOutline(double x, double y, double cx, double cy, double radius, double width) {
    const double dx = std::abs(x - cx), dy = std::abs(y - cy);
    const double s = std::sqrt(3.0) / 2;
    // Distance to the boundary, in the hexagon's own metric (0 on the edge).
    const double d = std::max(dx - radius * s, (dx / std::sqrt(3.0) + dy) * s - radius * s);
    return std::clamp(1.0 - std::abs(d) / width, 0.0, 1.0);
}

} // namespace

ui::Bitmap DrawAboutBanner() {
    ui::Bitmap b(AboutBannerWidth, AboutBannerHeight);
    constexpr double Radius = 11.0;
    const double stepX = Radius * std::sqrt(3.0);
    const double stepY = Radius * 1.5;
    for (int y = 0; y < b.height; ++y) {
        for (int x = 0; x < b.width; ++x) {
            const double t = double(x) / (b.width - 1);
            uint32_t px = Mix(BannerLeft, BannerRight, t * t);
            // A honeycomb that fades in towards the right.
            const int row = int(std::floor(y / stepY + 0.5));
            double cover = 0;
            for (int r = row - 1; r <= row + 1; ++r) {
                const double offset = (r & 1) ? stepX / 2 : 0;
                const int col = int(std::floor((x - offset) / stepX + 0.5));
                for (int c = col - 1; c <= col + 1; ++c)
                    cover = std::max(cover, HexOutline(x + 0.5, y + 0.5, c * stepX + offset,
                                                       r * stepY, Radius, 1.2));
            }
            const double fade = std::clamp((t - 0.35) / 0.65, 0.0, 1.0) * 0.35;
            px = Mix(px, CombColor, cover * fade);
            b.At(x, y) = px;
        }
    }
    for (int x = 0; x < b.width; ++x)
        b.At(x, b.height - 1) = 0xFF000000u | RuleColor;
    return b;
}

} // namespace hivelet::info
