#include "ui/Containers.h"

namespace hivelet::ui {

void TPanel::SetBevelOuter(Bevel b) {
    if (b == bevelOuter_)
        return;
    bevelOuter_ = b;
    Changed(Prop::Style);
}

} // namespace hivelet::ui
