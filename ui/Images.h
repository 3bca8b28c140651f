// Pictures and the buttons made of pictures.
#pragma once

#include "ui/Control.h"

namespace hivelet::ui {

// A picture drawn by its parent, optionally stretched to the control's bounds.
class TImage : public Control {
public:
    HIVELET_UI_KIND(TImage, Control)
    using Control::Control;

    bool IsWindowed() const override { return false; }

    const Bitmap& Picture() const { return picture_; }
    void SetPicture(Bitmap b);
    bool Stretch() const { return stretch_; }
    void SetStretch(bool on);

private:
    Bitmap picture_;
    bool stretch_ = false;
};

// An image that acts as a button: drawn by its parent (it is an image, so the main window's drag
// test treats it as one), showing Hover while the mouse is over it and Pressed while held.
// Empty pictures fall back to Picture.
class TImageButton : public TImage {
public:
    HIVELET_UI_KIND(TImageButton, TImage)
    using TImage::TImage;

    const Bitmap& Hover() const { return hover_; }
    void SetHover(Bitmap b);
    const Bitmap& Pressed() const { return pressed_; }
    void SetPressed(Bitmap b);

private:
    Bitmap hover_;
    Bitmap pressed_;
};

// A windowed image button (its own native window, so it does its own hit test): Normal, Hover
// and Pressed pictures.
class TsuiImageButton : public Control {
public:
    HIVELET_UI_KIND(TsuiImageButton, Control)
    using Control::Control;

    const Bitmap& Normal() const { return normal_; }
    void SetNormal(Bitmap b);
    const Bitmap& Hover() const { return hover_; }
    void SetHover(Bitmap b);
    const Bitmap& Pressed() const { return pressed_; }
    void SetPressed(Bitmap b);

private:
    Bitmap normal_;
    Bitmap hover_;
    Bitmap pressed_;
};

} // namespace hivelet::ui
