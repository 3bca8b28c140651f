#include "settings/Options.h"

#include "i18n/ApplyLanguage.h"
#include "i18n/LanguageFile.h"
#include "platform/TextCase.h"

namespace hivelet::settings {
namespace {

ui::TsuiCheckBox* CheckBox(ui::Form& form, const char* name, ui::Control* parent, int top,
                           int tabOrder, const char* caption) {
    auto* box = form.Make<ui::TsuiCheckBox>(name, parent);
    box->SetLeft(16);
    box->SetTop(top);
    box->SetTabOrder(tabOrder);
    box->SetCaption(caption); // sizes the box to its caption
    return box;
}

ui::TsuiButton* Button(ui::Form& form, const char* name, int left, int tabOrder,
                       const char* caption) {
    auto* button = form.Make<ui::TsuiButton>(name);
    button->SetBounds(left, 140, 80, 27);
    button->SetTabOrder(tabOrder);
    button->SetCaption(caption);
    return button;
}

} // namespace

std::string WithRestorePointSystems(const std::string& caption) {
    const size_t at = platform::FindNoCase(caption, "(XP");
    if (at == std::string::npos)
        return caption;
    return caption.substr(0, at) + RestorePointSystems;
}

TfrmOptions::TfrmOptions(ui::Application& app, ui::Form* owner, platform::Platform& platform,
                         TOptionsSetting& options)
    : ui::Form(app, "frmOptions", owner), platform_(platform), options_(options) {
    SetClassName("TfrmOptions");
    SetCaption("Options");
    SetBorderStyle(ui::BorderStyle::Dialog);
    SetPosition(ui::FormPosition::OwnerCenter);
    SetClientSize(474, 178);
    SetFont(ui::Font{}); // MS Sans Serif, 8 pt

    GroupBox2 = Make<ui::TGroupBox>("GroupBox2");
    GroupBox2->SetBounds(8, 8, 457, 119);
    GroupBox2->SetTabOrder(0);
    cbAskBeforeDefrag =
        CheckBox(*this, "cbAskBeforeDefrag", GroupBox2, 48, 0, "Ask before defraging the registy");
    cbShowLines =
        CheckBox(*this, "cbShowLines", GroupBox2, 81, 1, "Show Grid Lines for the hive name list");
    cbCreateRestore =
        CheckBox(*this, "cbCreateRestore", GroupBox2, 16, 2,
                 "Create a system restore point before defragment (XP, Vista, Seven)");
    cbCreateRestore->SetShowHint(true);

    bOK = Button(*this, "bOK", 284, 1, "&OK");
    bOK->OnClick = [this] { bOKClick(); };
    bCancel = Button(*this, "bCancel", 385, 2, "&Cancel");
    bCancel->SetModalResult(ui::mrCancel);
}

void TfrmOptions::FormCreate() {
    cbCreateRestore->SetChecked(options_.RestorePoint);
    cbAskBeforeDefrag->SetChecked(options_.IsAskBeforeDefrag);
    cbShowLines->SetChecked(options_.IsShowLine);
}

void TfrmOptions::FormShow() {
    if (!i18n::IsBuiltInLanguage(options_.Lan))
        i18n::ApplyLanguage(platform_, *this, options_.Lan);
    cbCreateRestore->SetCaption(WithRestorePointSystems(cbCreateRestore->Caption()));
    cbCreateRestore->SetHint(cbCreateRestore->Caption());
}

void TfrmOptions::bOKClick() {
    options_.RestorePoint = cbCreateRestore->Checked();
    options_.IsAskBeforeDefrag = cbAskBeforeDefrag->Checked();
    options_.IsShowLine = cbShowLines->Checked();
    SetModalResult(ui::mrOk);
}

} // namespace hivelet::settings
