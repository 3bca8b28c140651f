// Move-only owners of GDI handles and the caches of fonts and brushes the backend shares.
#pragma once

#include "ui/Types.h"
#include "ui/win32/Win.h"

#include <map>
#include <string>
#include <tuple>

namespace hivelet::ui::win32 {

template <class H> class GdiObject {
public:
    GdiObject() = default;
    explicit GdiObject(H h) : h_(h) {}
    ~GdiObject() { reset(); }
    GdiObject(GdiObject&& o) noexcept : h_(o.h_) { o.h_ = nullptr; }
    GdiObject& operator=(GdiObject&& o) noexcept {
        if (this != &o) {
            reset();
            h_ = o.h_;
            o.h_ = nullptr;
        }
        return *this;
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    H get() const { return h_; }
    void reset() {
        if (h_)
            DeleteObject(h_);
        h_ = nullptr;
    }

private:
    H h_ = nullptr;
};

// A Color (0xRRGGBB) as a COLORREF (0x00BBGGRR).
inline COLORREF ToColorRef(Color c) {
    return RGB((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF);
}

class GdiCache {
public:
    HFONT FontFor(const Font& f);
    HBRUSH BrushFor(Color c);

private:
    std::map<std::tuple<std::string, int, bool, bool>, GdiObject<HFONT>> fonts_;
    std::map<Color, GdiObject<HBRUSH>> brushes_;
};

// Memory bitmap the size of a window's client area; painting goes here and is copied at once.
class BufferedPaint {
public:
    BufferedPaint(HDC target, int width, int height);
    ~BufferedPaint();
    BufferedPaint(const BufferedPaint&) = delete;
    BufferedPaint& operator=(const BufferedPaint&) = delete;
    HDC dc() const { return mem_; }

private:
    HDC target_;
    HDC mem_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
    int width_;
    int height_;
};

} // namespace hivelet::ui::win32
