// The main window in other languages: the language applied at showing, the language menu, and
// the flat buttons fitted to their translated captions.
#include "i18n/LanguageFile.h"
#include "info/Product.h"
#include "languages/Inventory.h"
#include "shell/MainWindowFixture.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace hivelet::shell::test {
namespace {

const std::string ExeFolder = "C:\\Program Files\\Hivelet\\";
std::string InLanguages(const std::string& language) {
    return ExeFolder + "Languages\\DLan_" + language + ".ini";
}

// A shipped language file, as it is in the source tree.
std::string ShippedFile(const std::string& language) {
    std::ifstream in(std::string(HIVELET_SOURCE_DIR) + "/Languages/DLan_" + language + ".ini",
                     std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string WithoutLine(std::string text, const std::string& startingWith) {
    const size_t at = text.find("\n" + startingWith);
    if (at != std::string::npos)
        text.erase(at + 1, text.find('\n', at + 1) - at);
    return text;
}

// The language-file keys read, as "section/key", in order.
std::vector<std::string> KeysRead(const fake::FakePlatform& platform, const std::string& file) {
    std::vector<std::string> keys;
    const std::string prefix = "GetProfileString ";
    const std::string suffix = " " + file;
    for (const std::string& call : platform.Calls()) {
        if (call.rfind(prefix, 0) != 0 || call.size() < suffix.size() ||
            call.compare(call.size() - suffix.size(), suffix.size(), suffix) != 0)
            continue;
        const std::string rest =
            call.substr(prefix.size(), call.size() - prefix.size() - suffix.size());
        const size_t blank = rest.find(' ');
        keys.push_back(rest.substr(0, blank) + "/" + rest.substr(blank + 1));
    }
    return keys;
}

class MainLanguageTest : public MainWindowTest {
protected:
    void SetLanguage(const std::string& lan) { WriteOptionsFile("Lan=" + lan + "\r\n"); }
    // Every flat button is as wide as its caption in the window's font + 17.
    void ExpectFitted(const TfrmMain& f) {
        for (ui::TFlatSpeedButton* b : {f.bAnalyzeRegistry, f.bDefragRegistry, f.bOptions,
                                        f.bLanguage, f.bAbout, f.bHomepage, f.bExit})
            EXPECT_EQ(b->Width(), app->TextWidth(b->Caption(), f.Font()) + 17) << b->Name();
    }
};

TEST_F(MainLanguageTest, AFileWithOnlyExitTranslatesThatButtonAndFitsEveryButton) {
    SetLanguage("German");
    platform.AddTextFile(InLanguages("German"), "[frmMain]\r\nbExit=Beenden\r\n");
    TfrmMain& f = Create();
    const ui::Rect designed = f.bExit->Bounds();
    ShowOnly();

    EXPECT_EQ(f.bExit->Caption(), "Beenden");
    EXPECT_EQ(f.bExit->Width(), app->TextWidth("Beenden", f.Font()) + 17);
    EXPECT_NE(f.bExit->Width(), designed.width);
    EXPECT_EQ(f.bExit->Left(), designed.left); // only the width changes
    EXPECT_EQ(f.bExit->Top(), designed.top);
    EXPECT_EQ(f.bExit->Height(), designed.height);
    ExpectFitted(f);
    // Everything else keeps its English text, the title keeping its appended version.
    EXPECT_EQ(f.lTitle->Caption(), "Orvane Hivelet 3.0");
    EXPECT_EQ(f.bLanguage->Caption(), "Language");
    EXPECT_EQ(f.bExit->Hint(), "Exit");
    EXPECT_EQ(f.lvMain->Column(3).caption, "Reduction");
    EXPECT_EQ(f.miGerman->Caption(), "&German");
    EXPECT_EQ(CheckedLanguages(f), (std::vector<std::string>{"miGerman"}));
}

TEST_F(MainLanguageTest, ShowingInEnglishOpensNoLanguageFileButStillFitsTheButtons) {
    SetLanguage("ENGLISH");
    platform.AddTextFile(InLanguages("English"), "[frmMain]\r\nbExit=Leave\r\n");
    TfrmMain& f = Create();
    platform.ClearCalls();
    ShowOnly();
    EXPECT_TRUE(KeysRead(platform, InLanguages("English")).empty());
    EXPECT_EQ(f.bExit->Caption(), "Exit");
    EXPECT_EQ(CheckedLanguages(f), (std::vector<std::string>{"miEnglish"}));
    ExpectFitted(f);
}

// The version check ends the showing before the language: a file that is there is not even
// opened, and the buttons keep their designed widths.
TEST_F(MainLanguageTest, AnUnsupportedSystemAppliesNoLanguageAndFitsNoButtons) {
    platform.SetVersion(platform::PlatformWin32Nt, 10, 0);
    SetLanguage("German");
    platform.AddTextFile(InLanguages("German"), ShippedFile("German"));
    TfrmMain& f = Create();
    const std::vector<ui::TFlatSpeedButton*> buttons{
        f.bAnalyzeRegistry, f.bDefragRegistry, f.bOptions, f.bLanguage, f.bAbout, f.bExit};
    std::vector<int> designed;
    bool fittingWouldChangeOne = false;
    for (ui::TFlatSpeedButton* b : buttons) {
        designed.push_back(b->Width());
        fittingWouldChangeOne |= b->Width() != app->TextWidth(b->Caption(), f.Font()) + 17;
    }
    ASSERT_TRUE(fittingWouldChangeOne) << "the check below could not tell";
    platform.ClearCalls();
    ShowOnly();

    ASSERT_EQ(headless->MessageBoxes().size(), 1u);
    EXPECT_EQ(headless->MessageBoxes()[0].text,
              "The software does not support the current Windows system!");
    EXPECT_TRUE(KeysRead(platform, InLanguages("German")).empty());
    EXPECT_EQ(f.bExit->Caption(), "Exit");
    EXPECT_EQ(f.lTitle1->Caption(), "Main");
    for (size_t i = 0; i < buttons.size(); ++i)
        EXPECT_EQ(buttons[i]->Width(), designed[i]) << buttons[i]->Name();
}

TEST_F(MainLanguageTest, StoredLanguageInSmallLettersIsCheckedAndItsFileApplied) {
    SetLanguage("german");
    platform.AddTextFile(InLanguages("German"), ShippedFile("German"));
    TfrmMain& f = Show();
    EXPECT_EQ(CheckedLanguages(f), (std::vector<std::string>{"miGerman"}));
    EXPECT_EQ(f.bExit->Caption(), "Beenden");
    EXPECT_EQ(f.lTitle1->Caption(), "Aufgaben");
    ExpectFitted(f);
}

TEST_F(MainLanguageTest, TheWholeWindowIsReadInItsDesignOrderAndSeparatorsAreNeverRead) {
    SetLanguage("German");
    platform.AddTextFile(InLanguages("German"), ShippedFile("German"));
    TfrmMain& f = Create();
    platform.ClearCalls();
    ShowOnly();

    std::vector<std::string> expected;
    for (const languages::InventorySection& section : languages::Inventory())
        if (section.name == "frmMain" || section.name == "Menu_frmMain")
            for (std::string_view key : section.keys)
                expected.push_back(std::string(section.name) + "/" + std::string(key));
    EXPECT_EQ(KeysRead(platform, InLanguages("German")), expected);
    EXPECT_EQ(f.lvMain->Column(0).caption, "Struktur");
    EXPECT_EQ(f.bMinimize->Hint(), "Minimieren");
    EXPECT_EQ(f.N6->Caption(), "-");
}

TEST_F(MainLanguageTest, ChoosingALanguageSwitchesAndSwitchingBackKeepsTextsTheFileLacks) {
    SetLanguage("English");
    platform.AddTextFile(InLanguages("German"), ShippedFile("German"));
    platform.AddTextFile(InLanguages("English"), WithoutLine(ShippedFile("English"), "lTitle1="));
    TfrmMain& f = Show();

    f.miEnglishClick(*f.miGerman);
    EXPECT_EQ(settings::OptionsSetting().Lan, "German");
    EXPECT_EQ(CheckedLanguages(f), (std::vector<std::string>{"miGerman"}));
    EXPECT_EQ(f.lTitle1->Caption(), "Aufgaben");
    EXPECT_EQ(f.bAnalyzeRegistry->Caption(), "Analysieren");
    ExpectFitted(f);

    f.miEnglishClick(*f.miEnglish);
    EXPECT_EQ(settings::OptionsSetting().Lan, "English");
    EXPECT_EQ(CheckedLanguages(f), (std::vector<std::string>{"miEnglish"}));
    EXPECT_EQ(f.lTitle1->Caption(), "Aufgaben"); // the English file lacks it
    EXPECT_EQ(f.bAnalyzeRegistry->Caption(), "Analyze Registry");
    EXPECT_EQ(f.bExit->Caption(), "Exit");
    ExpectFitted(f);
    EXPECT_TRUE(headless->MessageBoxes().empty());
    EXPECT_TRUE(platform.WebPages().empty());

    // The new language is what the settings file gets at the close.
    f.miEnglishClick(*f.miGerman);
    f.Close();
    EXPECT_NE(platform.FileText(OptionsFile).find("Lan=German"), std::string::npos);
}

TEST_F(MainLanguageTest, OtherWithoutAFileNamesThePathAndLeadsToTheTranslationPage) {
    SetLanguage("English");
    TfrmMain& f = Show();
    bool pageOpenedBeforeTheBoxClosed = true;
    headless->OnMessageBox = [&](const ui::test::MessageBoxRecord&) {
        pageOpenedBeforeTheBoxClosed = !platform.WebPages().empty();
        return ui::mrOk;
    };

    f.miEnglishClick(*f.miOther);

    ASSERT_EQ(headless->MessageBoxes().size(), 1u);
    const auto& box = headless->MessageBoxes()[0];
    EXPECT_EQ(box.text, "C:\\Program Files\\Hivelet\\Languages\\DLan_Other.ini can not be found."
                        "\r\n\r\nPlease visit https://www.orvane.example/hivelet/translate/");
    EXPECT_EQ(box.caption, "Orvane Hivelet");
    EXPECT_EQ(box.flags, ui::mb::Ok); // OK only, no icon
    EXPECT_FALSE(pageOpenedBeforeTheBoxClosed);
    ASSERT_EQ(platform.WebPages().size(), 1u);
    EXPECT_EQ(platform.WebPages()[0].address, info::TranslationPage);
    EXPECT_EQ(platform.WebPages()[0].ownerWindow, headless->WindowOf(f));
    EXPECT_EQ(platform.WebPages()[0].showCommand, platform::show::ShowNormal);
    EXPECT_EQ(settings::OptionsSetting().Lan, "English");
    EXPECT_EQ(CheckedLanguages(f), (std::vector<std::string>{"miEnglish"}));
}

TEST_F(MainLanguageTest, ARemovedFileIsReportedInTheCurrentLanguageWithoutTheExtraLines) {
    SetLanguage("French");
    platform.AddTextFile(InLanguages("French"), ShippedFile("French"));
    platform.AddTextFile(InLanguages("German"), ShippedFile("German"));
    TfrmMain& f = Show();
    const std::string frenchExit = f.bExit->Caption();
    platform.RemoveFile(InLanguages("German"));

    f.miEnglishClick(*f.miGerman);

    const std::string notFound = i18n::GetLanguageString(platform, i18n::RES_Not_Found, "?");
    ASSERT_NE(notFound, "can not be found."); // the shipped French file translates it
    ASSERT_EQ(headless->MessageBoxes().size(), 1u);
    EXPECT_EQ(headless->MessageBoxes()[0].text, InLanguages("German") + " " + notFound);
    ASSERT_EQ(platform.WebPages().size(), 1u);
    EXPECT_EQ(platform.WebPages()[0].address, info::TranslationPage);
    EXPECT_EQ(platform.WebPages()[0].showCommand, platform::show::ShowNormal);
    EXPECT_EQ(settings::OptionsSetting().Lan, "French");
    EXPECT_EQ(CheckedLanguages(f), (std::vector<std::string>{"miFrench"}));
    EXPECT_EQ(f.bExit->Caption(), frenchExit);
}

TEST_F(MainLanguageTest, AFileBesideTheExecutableServesAndOtherIsAnOrdinaryLanguage) {
    SetLanguage("English");
    platform.AddTextFile(ExeFolder + "DLan_Other.ini", "[frmMain]\r\nbExit=Quit\r\n"
                                                       "[Menu_frmMain]\r\nmiOther=Ot&her\r\n");
    TfrmMain& f = Show();
    f.miEnglishClick(*f.miOther);
    EXPECT_EQ(settings::OptionsSetting().Lan, "Other");
    EXPECT_EQ(CheckedLanguages(f), (std::vector<std::string>{"miOther"}));
    EXPECT_EQ(f.bExit->Caption(), "Quit");
    EXPECT_EQ(f.miOther->Caption(), "Ot&her");
    EXPECT_TRUE(headless->MessageBoxes().empty());
    EXPECT_TRUE(platform.WebPages().empty());
}

TEST_F(MainLanguageTest, LanguageButtonPopsTheMenuAtTheCursorAndTheItemNameDecides) {
    SetLanguage("German");
    platform.AddTextFile(InLanguages("German"), ShippedFile("German"));
    platform.AddTextFile(InLanguages("French"), ShippedFile("French"));
    TfrmMain& f = Show();
    ASSERT_NE(f.miFrench->Caption(), "&French"); // translated: the caption cannot be what decides

    headless->SetCursorPos({321, 234});
    headless->ChooseMenuItem("miFrench");
    ASSERT_TRUE(headless->Click(*f.bLanguage));
    ASSERT_FALSE(headless->Menus().empty());
    EXPECT_EQ(headless->Menus().back().menu, "pmLanguage");
    EXPECT_EQ(headless->Menus().back().at, (ui::Point{321, 234}));
    EXPECT_EQ(settings::OptionsSetting().Lan, "French");
    EXPECT_EQ(CheckedLanguages(f), (std::vector<std::string>{"miFrench"}));
}

TEST_F(MainLanguageTest, AFailureInTheLanguageMenuIsDroppedSilently) {
    SetLanguage("English");
    TfrmMain& f = Show();
    headless->OnMessageBox = [](const ui::test::MessageBoxRecord&) -> int {
        throw std::runtime_error("the box failed");
    };
    EXPECT_NO_THROW(f.miEnglishClick(*f.miOther));
    EXPECT_TRUE(platform.WebPages().empty()); // the steps after the failure do not run
    EXPECT_EQ(settings::OptionsSetting().Lan, "English");

    // The menu still works afterwards.
    headless->OnMessageBox = nullptr;
    platform.AddTextFile(InLanguages("German"), "[frmMain]\r\nbExit=Beenden\r\n");
    f.miEnglishClick(*f.miGerman);
    EXPECT_EQ(f.bExit->Caption(), "Beenden");
}

} // namespace
} // namespace hivelet::shell::test
