// Text drawn on its parent: the plain label and the link label.
#pragma once

#include "ui/Control.h"

namespace hivelet::ui {

// Common base of TLabel and TsuiURLLabel (siblings, as in the forms' original class tree: a link
// label is not a TLabel).
class TCustomLabel : public Control {
public:
    HIVELET_UI_KIND(TCustomLabel, Control)
    TCustomLabel(Form& owner, std::string name);

    bool IsWindowed() const override { return false; }

    // With AutoSize on (the default) the label takes the width and height of its caption in its
    // font whenever the caption or font changes.
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool on);
    ui::Alignment Alignment() const { return alignment_; }
    void SetAlignment(ui::Alignment a);

protected:
    void AutoSizeNow() override;

private:
    bool autoSize_ = true;
    ui::Alignment alignment_ = ui::Alignment::Left;
};

class TLabel : public TCustomLabel {
public:
    HIVELET_UI_KIND(TLabel, TCustomLabel)
    using TCustomLabel::TCustomLabel;
};

// A link: hand cursor, underlined, and a click opens its address through the application's URL
// opener (after OnClick, if any).
class TsuiURLLabel : public TCustomLabel {
public:
    HIVELET_UI_KIND(TsuiURLLabel, TCustomLabel)
    TsuiURLLabel(Form& owner, std::string name);

    const std::string& URL() const { return url_; }
    void SetURL(std::string url) { url_ = std::move(url); }
    void Click() override;

private:
    std::string url_;
};

} // namespace hivelet::ui
