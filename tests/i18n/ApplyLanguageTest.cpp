#include "i18n/ApplyLanguage.h"

#include "platform/fake/FakePlatform.h"
#include "ui/TestForm.h"
#include "ui/Ui.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace hivelet::i18n {
namespace {

using fake::FakePlatform;
using ui::test::EventForm;
using ui::test::HeadlessApp;

const std::string Folder = "C:\\Program Files\\Hivelet\\";
const std::string GermanFile = Folder + "Languages\\DLan_German.ini";

// The profile keys read, as "section/key", in order.
std::vector<std::string> KeysRead(const FakePlatform& fake) {
    std::vector<std::string> keys;
    const std::string prefix = "GetProfileString ";
    for (const std::string& call : fake.Calls()) {
        if (call.rfind(prefix, 0) != 0)
            continue;
        std::string rest = call.substr(prefix.size());
        const size_t blank1 = rest.find(' ');
        const size_t blank2 = rest.find(' ', blank1 + 1);
        keys.push_back(rest.substr(0, blank1) + "/" + rest.substr(blank1 + 1, blank2 - blank1 - 1));
    }
    return keys;
}

// One component of every kind the language files know, and a few they do not.
class KindsForm : public EventForm {
public:
    explicit KindsForm(ui::Application& app) : EventForm(app, "frmKinds") {
        SetCaption("Kinds");
        label = Make<ui::TLabel>("Label1");
        label->SetCaption("label");
        group = Make<ui::TGroupBox>("GroupBox1");
        group->SetCaption("group");
        inGroup = Make<ui::TButton>("bInGroup", group);
        inGroup->SetCaption("in group");
        suiGroup = Make<ui::TsuiGroupBox>("suiGroupBox1");
        suiGroup->SetCaption("sui group");
        panel = Make<ui::TPanel>("Panel2");
        link = Make<ui::TsuiURLLabel>("suiURLLabel1");
        link->SetCaption("link");
        flat = Make<ui::TFlatSpeedButton>("bExit");
        flat->SetCaption("Exit");
        flat->SetHint("Exit hint");
        flat->SetShowHint(true);
        check = Make<ui::TsuiCheckBox>("cbAsk");
        check->SetCaption("ask");
        check->SetHint("designed hint");
        check->SetShowHint(false);
        suiButton = Make<ui::TsuiButton>("bOK");
        suiButton->SetCaption("&OK");
        list = Make<ui::TListView>("lvMain");
        list->AddColumn("Hive Name", 205);
        list->AddColumn("Current Size", 72, ui::Alignment::Right);
        image = Make<ui::TImage>("Image1");
        image->SetHint("image hint");
        image->SetShowHint(true);
        progress = Make<ui::TsuiProgressBar>("ProgressBar1");
        menu = Make<ui::TPopupMenu>("pmHelp");
        help = Make<ui::TMenuItem>("pmiHelp");
        help->SetCaption("&Help");
        separator = Make<ui::TMenuItem>("N5");
        separator->SetCaption("-");
        about = Make<ui::TMenuItem>("About1");
        about->SetCaption("&About...");
        for (ui::TMenuItem* item : {help, separator, about})
            menu->Add(item);
    }

    ui::TLabel* label;
    ui::TGroupBox* group;
    ui::TButton* inGroup;
    ui::TsuiGroupBox* suiGroup;
    ui::TPanel* panel;
    ui::TsuiURLLabel* link;
    ui::TFlatSpeedButton* flat;
    ui::TsuiCheckBox* check;
    ui::TsuiButton* suiButton;
    ui::TListView* list;
    ui::TImage* image;
    ui::TsuiProgressBar* progress;
    ui::TPopupMenu* menu;
    ui::TMenuItem* help;
    ui::TMenuItem* separator;
    ui::TMenuItem* about;
};

class ApplyLanguageTest : public ::testing::Test {
protected:
    void SetUp() override { fake.SetExecutablePath(Folder + "Hivelet.exe"); }
    HeadlessApp h;
    FakePlatform fake;
    KindsForm form{h.app};
};

TEST_F(ApplyLanguageTest, EveryKindReadsItsKeysInCreationOrder) {
    fake.AddTextFile(GermanFile, "[frmKinds]\r\n"
                                 "frmKinds=Arten\r\n"
                                 "Label1=Beschriftung\r\n"
                                 "GroupBox1=Gruppe\r\n"
                                 "bInGroup=in der Gruppe\r\n"
                                 "suiGroupBox1=sui-Gruppe\r\n"
                                 "Panel2=Tafel\r\n"
                                 "suiURLLabel1=Verweis\r\n"
                                 "bExit=Beenden\r\n"
                                 "bExitHint=Programm beenden\r\n"
                                 "cbAsk=fragen\r\n"
                                 "bOK=&In Ordnung\r\n"
                                 "lvMain_Column0=Struktur\r\n"
                                 "lvMain_Column1=Aktuelle Gr\xF6\xDF"
                                 "e\r\n"
                                 "Image1Hint=Bild\r\n"
                                 "[Menu_frmKinds]\r\n"
                                 "pmiHelp=&Hilfe\r\n"
                                 "About1=\xDC&ber...\r\n");
    fake.ClearCalls();
    ApplyLanguage(fake, form, "German");

    EXPECT_EQ(form.Caption(), "Arten");
    EXPECT_EQ(form.label->Caption(), "Beschriftung");
    EXPECT_EQ(form.group->Caption(), "Gruppe");
    EXPECT_EQ(form.inGroup->Caption(), "in der Gruppe");
    EXPECT_EQ(form.suiGroup->Caption(), "sui-Gruppe");
    EXPECT_EQ(form.panel->Caption(), "Tafel");
    EXPECT_EQ(form.link->Caption(), "Verweis");
    EXPECT_EQ(form.flat->Caption(), "Beenden");
    EXPECT_EQ(form.flat->Hint(), "Programm beenden");
    EXPECT_EQ(form.check->Caption(), "fragen");
    EXPECT_EQ(form.suiButton->Caption(), "&In Ordnung");
    EXPECT_EQ(form.list->Column(0).caption, "Struktur");
    EXPECT_EQ(form.list->Column(1).caption, "Aktuelle Gr\xF6\xDF"
                                            "e");
    EXPECT_EQ(form.list->Column(1).width, 72); // only texts change
    EXPECT_EQ(form.image->Hint(), "Bild");
    EXPECT_EQ(form.help->Caption(), "&Hilfe");
    EXPECT_EQ(form.about->Caption(), "\xDC&ber...");
    EXPECT_EQ(form.separator->Caption(), "-");

    // Creation order; the hint step right after each component's own keys; no key for the
    // separator, the popup menu, the progress bar or the check box whose hint display is off.
    EXPECT_EQ(KeysRead(fake), (std::vector<std::string>{
                                  "frmKinds/frmKinds",
                                  "frmKinds/Label1",
                                  "frmKinds/GroupBox1",
                                  "frmKinds/bInGroup",
                                  "frmKinds/suiGroupBox1",
                                  "frmKinds/Panel2",
                                  "frmKinds/suiURLLabel1",
                                  "frmKinds/bExit",
                                  "frmKinds/bExitHint",
                                  "frmKinds/cbAsk",
                                  "frmKinds/bOK",
                                  "frmKinds/lvMain_Column0",
                                  "frmKinds/lvMain_Column1",
                                  "frmKinds/Image1Hint",
                                  "Menu_frmKinds/pmiHelp",
                                  "Menu_frmKinds/About1",
                              }));
}

TEST_F(ApplyLanguageTest, MissingFileOrKeysKeepTheCurrentTextsAndEmptyValuesAreApplied) {
    form.label->SetCaption("set before");
    ApplyLanguage(fake, form, "German"); // no file at all
    EXPECT_EQ(form.Caption(), "Kinds");
    EXPECT_EQ(form.label->Caption(), "set before");
    EXPECT_EQ(form.flat->Hint(), "Exit hint");
    EXPECT_EQ(form.list->Column(0).caption, "Hive Name");
    EXPECT_EQ(form.help->Caption(), "&Help");

    // Only bExit: every other text stays; an empty value empties its text; section and key
    // names match in any letter case.
    fake.AddTextFile(GermanFile, "[FRMKINDS]\r\nbexit=Beenden\r\nLABEL1=\r\n");
    ApplyLanguage(fake, form, "German");
    EXPECT_EQ(form.flat->Caption(), "Beenden");
    EXPECT_EQ(form.label->Caption(), "");
    EXPECT_EQ(form.Caption(), "Kinds");
    EXPECT_EQ(form.suiButton->Caption(), "&OK");
    EXPECT_EQ(form.flat->Hint(), "Exit hint");
}

TEST_F(ApplyLanguageTest, HintDisplayOffKeepsTheDesignedHintAndSeparatorsAreNeverRead) {
    // A file that names the separator and the switched-off hint must not reach either.
    fake.AddTextFile(GermanFile, "[frmKinds]\r\ncbAskHint=aus der Datei\r\n"
                                 "ProgressBar1Hint=never\r\n"
                                 "[Menu_frmKinds]\r\nN5=kein Trenner\r\n");
    ApplyLanguage(fake, form, "German");
    EXPECT_EQ(form.check->Hint(), "designed hint");
    EXPECT_EQ(form.separator->Caption(), "-");
    EXPECT_TRUE(form.separator->IsSeparator());
    EXPECT_EQ(form.progress->Hint(), "");

    // The switch is looked at when the language is applied, not when the control was made.
    form.check->SetShowHint(true);
    ApplyLanguage(fake, form, "German");
    EXPECT_EQ(form.check->Hint(), "aus der Datei");
}

TEST_F(ApplyLanguageTest, SwitchingBackKeepsTextsTheOtherFileLacksAndNothingIsCached) {
    fake.AddTextFile(GermanFile, "[frmKinds]\r\nLabel1=Beschriftung\r\nbExit=Beenden\r\n");
    fake.AddTextFile(Folder + "Languages\\DLan_English.ini", "[frmKinds]\r\nbExit=Exit\r\n");
    ApplyLanguage(fake, form, "German");
    ApplyLanguage(fake, form, "English");
    EXPECT_EQ(form.flat->Caption(), "Exit");
    EXPECT_EQ(form.label->Caption(), "Beschriftung");

    // A file replaced between two calls is read anew; a file beside the executable wins.
    fake.AddTextFile(GermanFile, "[frmKinds]\r\nbExit=Schlie\xDF"
                                 "en\r\n");
    ApplyLanguage(fake, form, "German");
    EXPECT_EQ(form.flat->Caption(), "Schlie\xDF"
                                    "en");
    fake.AddTextFile(Folder + "DLan_German.ini", "[frmKinds]\r\nbExit=daneben\r\n");
    ApplyLanguage(fake, form, "German");
    EXPECT_EQ(form.flat->Caption(), "daneben");
}

} // namespace
} // namespace hivelet::i18n
