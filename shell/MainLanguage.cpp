// The language menu and the fitting of the flat buttons to their captions.
#include "shell/Main.h"

#include "i18n/ApplyLanguage.h"
#include "i18n/LanguageFile.h"
#include "info/Product.h"
#include "info/WebPage.h"
#include "settings/OptionsSetting.h"

namespace hivelet::shell {

namespace {

// Language items are named "mi" + the language name.
constexpr size_t LanguageItemPrefixLength = 2;
// Pixels added to a flat button's caption width: the frame and a margin on either side.
constexpr int FlatButtonPadding = 17;
// The one language name whose missing file leads the user to the translation page in words.
constexpr const char* OtherLanguage = "Other";

} // namespace

void TfrmMain::bLanguageClick() {
    pmLanguage->Popup(App().CursorPos());
}

void TfrmMain::miEnglishClick(ui::TMenuItem& item) {
    // A failure here must leave the menu usable and the language as it was; nothing is shown.
    try {
        const std::string& name = item.Name();
        const std::string language =
            name.size() > LanguageItemPrefixLength ? name.substr(LanguageItemPrefixLength) : "";
        const std::string path = i18n::LanguageFileName(Platform, language);

        if (Platform.FileExists(path)) {
            settings::OptionsSetting().Lan = language;
            for (ui::TMenuItem* each : pmLanguage->Items())
                each->SetChecked(false);
            item.SetChecked(true);
            i18n::ApplyLanguage(Platform, *this, language);
            FitButtonWidths();
            return;
        }

        // Said in the language still in use, not the one that could not be found.
        std::string text =
            path + " " +
            i18n::GetLanguageString(Platform, i18n::RES_Not_Found, i18n::RES_Not_Found_Default);
        if (language == OtherLanguage)
            text += std::string("\r\n\r\nPlease visit ") + info::TranslationPage;
        App().MessageBox(text, info::ProductTitle, ui::mb::Ok);
        // Unlike the help pages, the translation page asks for a window shown normally.
        info::OpenWebPage(Platform, *this, info::TranslationPage, platform::show::ShowNormal);
    } catch (...) {
    }
}

void TfrmMain::FitButtonWidths() {
    for (ui::Component* component : Components()) {
        if (auto* button = component->As<ui::TFlatSpeedButton>())
            button->SetWidth(App().TextWidth(button->Caption(), Font()) + FlatButtonPadding);
    }
}

} // namespace hivelet::shell
