#include "info/About.h"

#include "i18n/ApplyLanguage.h"
#include "i18n/LanguageFile.h"
#include "info/AboutArtwork.h"
#include "info/Product.h"
#include "info/WebPage.h"
#include "settings/OptionsSetting.h"

#include <string>

namespace hivelet::info {

TfrmAbout::TfrmAbout(ui::Application& app, ui::Form* owner, platform::Platform& platform,
                     ui::Bitmap icon)
    : ui::Form(app, "frmAbout", owner), Platform(platform) {
    SetClassName("TfrmAbout");
    SetCaption(std::string("About ") + ProductTitle);
    SetBorderStyle(ui::BorderStyle::Dialog);
    SetPosition(ui::FormPosition::OwnerCenter);
    SetClientSize(360, 249);
    SetFont(ui::Font{}); // MS Sans Serif, 8 pt

    Image2 = Make<ui::TImage>("Image2");
    Image2->SetBounds(0, 0, AboutBannerWidth, AboutBannerHeight);
    Image2->SetPicture(DrawAboutBanner());

    Image1 = Make<ui::TImage>("Image1");
    Image1->SetBounds(20, 61, 32, 32);
    Image1->SetPicture(std::move(icon));

    Label1 = Make<ui::TLabel>("Label1");
    Label1->SetLeft(80);
    Label1->SetTop(62);
    ui::Font title = Font();
    title.bold = true;
    Label1->SetFont(title);
    Label1->SetCaption("Label1"); // the title is set when the dialog is shown

    lCopywrite = Make<ui::TLabel>("lCopywrite");
    lCopywrite->SetLeft(80);
    lCopywrite->SetTop(129);
    lCopywrite->SetCaption(OwnershipNotice);

    Label3 = Make<ui::TLabel>("Label3");
    Label3->SetLeft(80);
    Label3->SetTop(152);
    Label3->SetCaption(std::string("Email: ") + SupportEmail);

    lbEAddress = Make<ui::TLabel>("lbEAddress");
    lbEAddress->SetLeft(80);
    lbEAddress->SetTop(186);
    ui::Font link = Font();
    link.color = ui::kBlue;
    link.underline = true;
    lbEAddress->SetFont(link);
    lbEAddress->SetCursor(ui::Cursor::Hand);
    lbEAddress->SetCaption(MakerWebCaption);
    lbEAddress->OnClick = [this] { lbEAddressClick(); };

    Label2 = Make<ui::TLabel>("Label2");
    Label2->SetLeft(80);
    Label2->SetTop(84);
    Label2->SetCaption(std::string("Version: ") + VersionText + "   Build " + BuildText);

    Panel2 = Make<ui::TPanel>("Panel2");
    Panel2->SetBounds(80, 176, 262, 2);
    Panel2->SetBevelOuter(ui::Bevel::Lowered);

    bOK = Make<ui::TsuiButton>("bOK");
    bOK->SetBounds(256, 211, 80, 27);
    bOK->SetCaption("&OK");
    bOK->SetModalResult(ui::mrOk);
    bOK->SetTabOrder(0);
}

void TfrmAbout::FormShow() {
    Label1->SetCaption(ProductTitle);
    const std::string language = settings::OptionsSetting().Lan;
    if (!i18n::IsBuiltInLanguage(language))
        i18n::ApplyLanguage(Platform, *this, language);
}

void TfrmAbout::lbEAddressClick() {
    OpenWebPage(Platform, *this, HomePage);
}

} // namespace hivelet::info
