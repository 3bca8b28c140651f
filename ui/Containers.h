// Controls that hold other controls, and the separator line.
#pragma once

#include "ui/Control.h"

namespace hivelet::ui {

// Base of the group boxes: a frame with an optional title; an empty caption draws no title.
class TCustomGroupBox : public Control {
public:
    HIVELET_UI_KIND(TCustomGroupBox, Control)
    using Control::Control;
    bool IsContainer() const override { return true; }
};

class TGroupBox : public TCustomGroupBox {
public:
    HIVELET_UI_KIND(TGroupBox, TCustomGroupBox)
    using TCustomGroupBox::TCustomGroupBox;
};

// The skinned group box (a sibling of TGroupBox, not derived from it).
class TsuiGroupBox : public TCustomGroupBox {
public:
    HIVELET_UI_KIND(TsuiGroupBox, TCustomGroupBox)
    using TCustomGroupBox::TCustomGroupBox;
};

enum class Bevel { None, Lowered, Raised };

// A plain panel. With BevelOuter Lowered and a height of 2 it is the dialogs' separator line.
class TPanel : public Control {
public:
    HIVELET_UI_KIND(TPanel, Control)
    using Control::Control;
    bool IsContainer() const override { return true; }

    Bevel BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(Bevel b);

private:
    Bevel bevelOuter_ = Bevel::Raised;
};

// A flat line of one colour filling its bounds (the main window's 1-pixel section rules).
class TSeparator : public Control {
public:
    HIVELET_UI_KIND(TSeparator, Control)
    using Control::Control;
};

} // namespace hivelet::ui
