// The options dialog and the confirmation asked before compacting, driven as a user would.
#include "settings/AskDelete.h"
#include "settings/Options.h"

#include "i18n/ApplyLanguage.h"
#include "settings/DialogHarness.h"

#include <gtest/gtest.h>

namespace hivelet::settings {
namespace {

using hivelet::test::DialogHarness;
using hivelet::test::EnglishSection;

TEST(RestorePointSystems, TheCaptionIsCutAtTheFirstXpWhateverItsCase) {
    EXPECT_EQ(WithRestorePointSystems(
                  "Create a system restore point before defragment (XP, Vista, Seven)"),
              "Create a system restore point before defragment (XP, Vista, 7, 8, 10, 11)");
    EXPECT_EQ(WithRestorePointSystems("Punkt (xp) und (XP, Vista)"),
              "Punkt (XP, Vista, 7, 8, 10, 11)");
    EXPECT_EQ(WithRestorePointSystems("(XP"), "(XP, Vista, 7, 8, 10, 11)");
    EXPECT_EQ(WithRestorePointSystems("Wiederherstellungspunkt (Windows XP)"),
              "Wiederherstellungspunkt (Windows XP)");
    EXPECT_EQ(WithRestorePointSystems(""), "");
}

class OptionsDialogTest : public ::testing::Test {
protected:
    std::unique_ptr<TfrmOptions> Make() {
        return ui::CreateForm<TfrmOptions>(d.h.app, nullptr, d.platform, record);
    }
    // A dialog shown once and left with Cancel.
    std::unique_ptr<TfrmOptions> ShownAndCancelled() {
        auto dlg = Make();
        d.WhenShown([&] { d.h.headless->Click(*dlg->bCancel); });
        dlg->ShowModal();
        return dlg;
    }
    DialogHarness d;
    TOptionsSetting record{true, false, true, "English"};
};

TEST_F(OptionsDialogTest, BoxesStartFromTheRecordAndOnlyOkWritesThemBack) {
    const TOptionsSetting before = record;
    auto clickAll = [this](TfrmOptions& dlg) {
        for (ui::TsuiCheckBox* box : {dlg.cbAskBeforeDefrag, dlg.cbShowLines, dlg.cbCreateRestore})
            ASSERT_TRUE(d.h.headless->Click(*box));
    };

    auto dlg = Make();
    EXPECT_TRUE(dlg->cbAskBeforeDefrag->Checked());
    EXPECT_FALSE(dlg->cbShowLines->Checked());
    EXPECT_TRUE(dlg->cbCreateRestore->Checked());
    d.WhenShown([&] {
        clickAll(*dlg);
        d.h.headless->Click(*dlg->bCancel);
    });
    EXPECT_EQ(dlg->ShowModal(), ui::mrCancel);
    EXPECT_EQ(record.IsAskBeforeDefrag, before.IsAskBeforeDefrag);
    EXPECT_EQ(record.IsShowLine, before.IsShowLine);
    EXPECT_EQ(record.RestorePoint, before.RestorePoint);

    dlg = Make();
    d.WhenShown([&] {
        clickAll(*dlg);
        EXPECT_TRUE(d.h.headless->PressCloseBox(*dlg));
    });
    EXPECT_EQ(dlg->ShowModal(), ui::mrCancel);
    EXPECT_EQ(record.IsShowLine, before.IsShowLine);

    dlg = Make();
    d.WhenShown([&] {
        clickAll(*dlg);
        d.h.headless->Click(*dlg->bOK);
    });
    EXPECT_EQ(dlg->ShowModal(), ui::mrOk);
    EXPECT_FALSE(record.IsAskBeforeDefrag);
    EXPECT_TRUE(record.IsShowLine);
    EXPECT_FALSE(record.RestorePoint);
    EXPECT_EQ(record.Lan, "English");
    // The dialog itself never touches the file: saving is its caller's business.
    EXPECT_FALSE(d.platform.HasFile(hivelet::test::OptionsIni));
}

TEST_F(OptionsDialogTest, RestorePointBoxEndsWithTheSystemListAndItsHintIsTheWholeCaption) {
    auto dlg = ShownAndCancelled();
    const std::string expected =
        "Create a system restore point before defragment (XP, Vista, 7, 8, 10, 11)";
    EXPECT_EQ(dlg->cbCreateRestore->Caption(), expected);
    EXPECT_EQ(dlg->cbCreateRestore->Hint(), expected);
    EXPECT_TRUE(dlg->cbCreateRestore->ShowHint());
    // The box grew with its caption.
    EXPECT_GT(dlg->cbCreateRestore->Width(),
              d.h.app.TextWidth("Create a system restore point", dlg->Font()));
}

TEST_F(OptionsDialogTest, TranslatedCaptionsGetTheSameSystemListOrStayAsTheyAre) {
    record.Lan = "German";
    d.AddLanguage("German",
                  "[frmOptions]\r\nfrmOptions=Optionen\r\n"
                  "cbCreateRestore=Wiederherstellungspunkt anlegen (xp, Vista, Sieben)\r\n"
                  "cbCreateRestoreHint=\r\nbOK=&OK\r\n");
    auto dlg = ShownAndCancelled();
    EXPECT_EQ(dlg->Caption(), "Optionen");
    EXPECT_EQ(dlg->cbCreateRestore->Caption(),
              "Wiederherstellungspunkt anlegen (XP, Vista, 7, 8, 10, 11)");
    EXPECT_EQ(dlg->cbCreateRestore->Hint(), dlg->cbCreateRestore->Caption())
        << "the empty hint of the file is replaced by the caption";

    d.AddLanguage("German", "[frmOptions]\r\ncbCreateRestore=Vorher Wiederherstellungspunkt\r\n");
    dlg = ShownAndCancelled();
    EXPECT_EQ(dlg->cbCreateRestore->Caption(), "Vorher Wiederherstellungspunkt");
    EXPECT_EQ(dlg->cbCreateRestore->Hint(), "Vorher Wiederherstellungspunkt");
}

TEST_F(OptionsDialogTest, EnglishInAnyCaseReadsNoLanguageFile) {
    record.Lan = "eNGLISH";
    d.AddLanguage("eNGLISH", "[frmOptions]\r\nfrmOptions=Wrong\r\n");
    auto dlg = ShownAndCancelled();
    EXPECT_EQ(dlg->Caption(), "Options");
    for (const std::string& call : d.platform.Calls())
        EXPECT_EQ(call.find("GetProfileString"), std::string::npos) << call;
}

TEST(AskDeleteDialog, NoHasTheFocusSoEnterAnswersNo) {
    DialogHarness d;
    TOptionsSetting record{true, true, true, "English"};
    auto dlg = ui::CreateForm<TfrmAskDelete>(d.h.app, nullptr, d.platform, record);
    d.WhenShown([&] {
        EXPECT_EQ(dlg->ActiveControl(), dlg->bCancel);
        EXPECT_TRUE(d.h.headless->PressEnter(*dlg));
    });
    EXPECT_EQ(dlg->ShowModal(), ui::mrNo);
    EXPECT_TRUE(record.IsAskBeforeDefrag);
}

TEST(AskDeleteDialog, EachClickOnDontAskWritesTheRecordAtOnceAndTheAnswersAreYesNoCancel) {
    DialogHarness d;
    TOptionsSetting record{true, true, true, "English"};
    struct Case {
        int clicks;
        std::function<void(TfrmAskDelete&)> answer;
        ui::ModalResult result;
    };
    const Case cases[] = {
        {1, [&](TfrmAskDelete& f) { d.h.headless->Click(*f.bCancel); }, ui::mrNo},
        {2, [&](TfrmAskDelete& f) { d.h.headless->Click(*f.bOK); }, ui::mrYes},
        {3, [&](TfrmAskDelete& f) { d.h.headless->PressCloseBox(f); }, ui::mrCancel},
    };
    for (const Case& c : cases) {
        record.IsAskBeforeDefrag = true;
        auto dlg = ui::CreateForm<TfrmAskDelete>(d.h.app, nullptr, d.platform, record);
        std::vector<bool> seen;
        d.WhenShown([&] {
            EXPECT_FALSE(dlg->cbAsk->Checked()) << "unticked when shown";
            for (int i = 0; i < c.clicks; ++i) {
                d.h.headless->Click(*dlg->cbAsk);
                seen.push_back(record.IsAskBeforeDefrag);
            }
            c.answer(*dlg);
        });
        EXPECT_EQ(dlg->ShowModal(), c.result) << c.clicks << " clicks";
        std::vector<bool> expected;
        for (int i = 1; i <= c.clicks; ++i)
            expected.push_back(i % 2 == 0); // ticked: do not ask; unticked again: ask
        EXPECT_EQ(seen, expected);
        EXPECT_EQ(record.IsAskBeforeDefrag, c.clicks % 2 == 0);
    }
}

TEST(AskDeleteDialog, AppliesTheLanguageWhenShown) {
    DialogHarness d;
    TOptionsSetting record{true, true, true, "French"};
    d.AddLanguage("French",
                  "[frmAskDelete]\r\nfrmAskDelete=Compacter\r\nbOK=&Oui\r\nbCancel=&Non\r\n"
                  "cbAsk=Ne plus demander\r\n");
    auto dlg = ui::CreateForm<TfrmAskDelete>(d.h.app, nullptr, d.platform, record);
    d.WhenShown([&] { d.h.headless->Click(*dlg->bOK); });
    EXPECT_EQ(dlg->ShowModal(), ui::mrYes);
    EXPECT_EQ(dlg->Caption(), "Compacter");
    EXPECT_EQ(dlg->bOK->Caption(), "&Oui");
    EXPECT_EQ(dlg->bCancel->Caption(), "&Non");
    EXPECT_EQ(dlg->cbAsk->Caption(), "Ne plus demander");
}

// The shipped English file names every translatable control of the two dialogs, in creation
// order, with the text the dialog already shows: a renamed control or a mistyped caption fails.
TEST(SettingsDialogs, TheEnglishLanguageFileMatchesTheDesignedTexts) {
    DialogHarness d;
    TOptionsSetting record{true, true, true, "English"};
    auto options = ui::CreateForm<TfrmOptions>(d.h.app, nullptr, d.platform, record);
    auto ask = ui::CreateForm<TfrmAskDelete>(d.h.app, nullptr, d.platform, record);
    for (ui::Form* form : std::vector<ui::Form*>{options.get(), ask.get()}) {
        SCOPED_TRACE(form->Name());
        std::vector<std::pair<std::string, std::string>> designed{{form->Name(), form->Caption()}};
        for (ui::Component* c : form->Components())
            if (auto* control = c->As<ui::Control>();
                control && !c->IsKindOf<ui::TsuiProgressBar>())
                designed.emplace_back(control->Name(), control->Caption());
        auto shipped = EnglishSection(form->Name());
        std::erase_if(shipped, [](const auto& e) { return e.first.ends_with("Hint"); });
        EXPECT_EQ(shipped, designed);
    }
}

} // namespace
} // namespace hivelet::settings
