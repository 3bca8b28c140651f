#include "ui/win32/Gdi.h"

namespace hivelet::ui::win32 {

HFONT GdiCache::FontFor(const Font& f) {
    auto key = std::make_tuple(f.name, f.height, f.bold, f.underline);
    auto it = fonts_.find(key);
    if (it != fonts_.end())
        return it->second.get();
    HFONT h = CreateFontA(f.height, 0, 0, 0, f.bold ? FW_BOLD : FW_NORMAL, FALSE, f.underline,
                          FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                          DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, f.name.c_str());
    if (!h)
        h = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    return fonts_.emplace(key, GdiObject<HFONT>(h)).first->second.get();
}

HBRUSH GdiCache::BrushFor(Color c) {
    auto it = brushes_.find(c);
    if (it != brushes_.end())
        return it->second.get();
    HBRUSH h = CreateSolidBrush(ToColorRef(c));
    return brushes_.emplace(c, GdiObject<HBRUSH>(h)).first->second.get();
}

BufferedPaint::BufferedPaint(HDC target, int width, int height)
    : target_(target), width_(width < 1 ? 1 : width), height_(height < 1 ? 1 : height) {
    mem_ = CreateCompatibleDC(target);
    bitmap_ = CreateCompatibleBitmap(target, width_, height_);
    old_ = SelectObject(mem_, bitmap_);
}

BufferedPaint::~BufferedPaint() {
    BitBlt(target_, 0, 0, width_, height_, mem_, 0, 0, SRCCOPY);
    SelectObject(mem_, old_);
    DeleteObject(bitmap_);
    DeleteDC(mem_);
}

} // namespace hivelet::ui::win32
