#include "settings/AskDelete.h"

#include "i18n/ApplyLanguage.h"
#include "i18n/LanguageFile.h"

namespace hivelet::settings {
namespace {

// The designed widths (255, 297 and 305) are those of the English texts in the dialog's font;
// the labels size themselves to their texts, so a wider font or a translation is not wrapped
// into the line below.
ui::TLabel* Label(ui::Form& form, const char* name, ui::Control* parent, int left, int top,
                  const char* caption) {
    auto* label = form.Make<ui::TLabel>(name, parent);
    label->SetLeft(left);
    label->SetTop(top);
    label->SetCaption(caption);
    return label;
}

ui::TsuiButton* Button(ui::Form& form, const char* name, ui::Control* parent, int left,
                       int tabOrder, const char* caption, ui::ModalResult result) {
    auto* button = form.Make<ui::TsuiButton>(name, parent);
    button->SetBounds(left, 57, 80, 24);
    button->SetTabOrder(tabOrder);
    button->SetCaption(caption);
    button->SetModalResult(result);
    return button;
}

} // namespace

TfrmAskDelete::TfrmAskDelete(ui::Application& app, ui::Form* owner, platform::Platform& platform,
                             TOptionsSetting& options)
    : ui::Form(app, "frmAskDelete", owner), platform_(platform), options_(options) {
    SetClassName("TfrmAskDelete");
    SetCaption("Defrag Now");
    SetBorderStyle(ui::BorderStyle::Dialog);
    SetPosition(ui::FormPosition::OwnerCenter);
    SetClientSize(316, 193);
    SetFont(ui::Font{}); // MS Sans Serif, 8 pt

    Label2 = Label(*this, "Label2", nullptr, 8, 115,
                   "You must restart your computer for the changes to take effect");
    Label3 = Label(*this, "Label3", nullptr, 8, 133, "after you finish the Registry defragment.");

    cbAsk = Make<ui::TsuiCheckBox>("cbAsk");
    cbAsk->SetAutoSize(false);
    cbAsk->SetBounds(8, 166, 128, 19);
    cbAsk->SetTabOrder(1);
    cbAsk->SetCaption("Don't ask me next time");
    cbAsk->SetChecked(false);
    cbAsk->OnClick = [this] { cbAskClick(); };

    GroupBox1 = Make<ui::TGroupBox>("GroupBox1");
    GroupBox1->SetBounds(8, 8, 298, 100);
    GroupBox1->SetTabOrder(0);
    Label1 = Label(*this, "Label1", GroupBox1, 24, 24,
                   "Are you sure you want to start to defrag your registry?");
    bOK = Button(*this, "bOK", GroupBox1, 53, 1, "&Yes", ui::mrYes);
    bCancel = Button(*this, "bCancel", GroupBox1, 165, 0, "&No", ui::mrNo);

    Panel2 = Make<ui::TPanel>("Panel2");
    Panel2->SetBounds(8, 157, 295, 2);
    Panel2->SetBevelOuter(ui::Bevel::Lowered);
    Panel2->SetTabOrder(2);
}

void TfrmAskDelete::FormShow() {
    if (!i18n::IsBuiltInLanguage(options_.Lan))
        i18n::ApplyLanguage(platform_, *this, options_.Lan);
}

void TfrmAskDelete::cbAskClick() {
    options_.IsAskBeforeDefrag = !cbAsk->Checked();
}

} // namespace hivelet::settings
