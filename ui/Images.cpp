#include "ui/Images.h"

namespace hivelet::ui {

void TImage::SetPicture(Bitmap b) {
    picture_ = std::move(b);
    Changed(Prop::Picture);
}

void TImage::SetStretch(bool on) {
    if (on == stretch_)
        return;
    stretch_ = on;
    Changed(Prop::Picture);
}

void TImageButton::SetHover(Bitmap b) {
    hover_ = std::move(b);
    Changed(Prop::Picture);
}

void TImageButton::SetPressed(Bitmap b) {
    pressed_ = std::move(b);
    Changed(Prop::Picture);
}

void TsuiImageButton::SetNormal(Bitmap b) {
    normal_ = std::move(b);
    Changed(Prop::Picture);
}

void TsuiImageButton::SetHover(Bitmap b) {
    hover_ = std::move(b);
    Changed(Prop::Picture);
}

void TsuiImageButton::SetPressed(Bitmap b) {
    pressed_ = std::move(b);
    Changed(Prop::Picture);
}

} // namespace hivelet::ui
