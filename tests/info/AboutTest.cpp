// The information commands of the main window: the help menu and where it is popped up, the
// maker's pages and their owner windows, and the About dialog.
#include "info/About.h"
#include "info/Product.h"
#include "shell/MainWindowFixture.h"

namespace hivelet::shell::test {
namespace {

const std::string GermanFile = "C:\\Program Files\\Hivelet\\Languages\\DLan_German.ini";

class InfoTest : public MainWindowTest {
protected:
    // Shows the About dialog through the main window, runs `whileShown` on it, then presses OK.
    void ShowAbout(TfrmMain& f, const std::function<void(info::TfrmAbout&)>& whileShown) {
        headless->WhenIdle([this, whileShown] {
            auto* about = dynamic_cast<info::TfrmAbout*>(app->ActiveForm());
            ASSERT_NE(about, nullptr);
            whileShown(*about);
            EXPECT_TRUE(headless->Click(*about->bOK));
        });
        f.bAboutClick();
        EXPECT_EQ(headless->IdleActionsLeft(), 0u);
    }
    std::vector<std::string> Addresses() const {
        std::vector<std::string> out;
        for (const auto& page : platform.WebPages())
            out.push_back(page.address);
        return out;
    }
};

TEST_F(InfoTest, AboutDialogLayout) {
    TfrmMain& f = Create();
    info::TfrmAbout about(*app, &f, platform);
    EXPECT_EQ(about.Name(), "frmAbout");
    EXPECT_EQ(about.ClassName(), "TfrmAbout");
    EXPECT_EQ(about.Caption(), "About Orvane Hivelet");
    EXPECT_EQ(about.ClientWidth(), 360);
    EXPECT_EQ(about.ClientHeight(), 249);
    EXPECT_EQ(about.BorderStyle(), ui::BorderStyle::Dialog);
    EXPECT_EQ(about.Position(), ui::FormPosition::OwnerCenter);
    EXPECT_EQ(about.Owner(), &f);

    EXPECT_EQ(about.Image2->Bounds(), (ui::Rect{0, 0, 360, 50}));
    EXPECT_EQ(about.Image2->Picture().width, 360);
    EXPECT_EQ(about.Image2->Picture().height, 50);
    EXPECT_EQ(about.Image1->Bounds(), (ui::Rect{20, 61, 32, 32}));
    EXPECT_EQ(about.Label2->Caption(), "Version: 3.0   Build 20260210");
    EXPECT_EQ(about.lCopywrite->Caption(),
              "Copyright (C) 2026 Orvane Software. All rights reserved.");
    EXPECT_EQ(about.Label3->Caption(), "Email: support@orvane.example");
    EXPECT_EQ(about.lbEAddress->Caption(), "www.orvane.example");
    EXPECT_EQ(about.lbEAddress->Font().color, ui::kBlue);
    EXPECT_TRUE(about.lbEAddress->Font().underline);
    EXPECT_EQ(about.lbEAddress->Cursor(), ui::Cursor::Hand);
    EXPECT_EQ(about.Panel2->Bounds(), (ui::Rect{80, 176, 262, 2}));
    EXPECT_EQ(about.Panel2->BevelOuter(), ui::Bevel::Lowered);
    EXPECT_EQ(about.Panel2->Caption(), "");
    EXPECT_EQ(about.bOK->Bounds(), (ui::Rect{256, 211, 80, 27}));
    EXPECT_EQ(about.bOK->Caption(), "&OK");
    EXPECT_EQ(about.bOK->ModalResult(), ui::mrOk);
    for (ui::TLabel* label :
         {about.Label1, about.Label2, about.lCopywrite, about.Label3, about.lbEAddress})
        EXPECT_EQ(label->Left(), 80) << label->Name();
    EXPECT_EQ(about.Label1->Top(), 62);
    EXPECT_EQ(about.Label2->Top(), 84);
    EXPECT_EQ(about.lCopywrite->Top(), 129);
    EXPECT_EQ(about.Label3->Top(), 152);
    EXPECT_EQ(about.lbEAddress->Top(), 186);
}

TEST_F(InfoTest, AboutIsBuiltAnewForEveryShowingAndClosesWithOk) {
    TfrmMain& f = Show();
    ShowAbout(f, [&](info::TfrmAbout& about) {
        EXPECT_EQ(about.Label1->Caption(), "Orvane Hivelet"); // set when shown
        EXPECT_TRUE(about.IsModal());
        EXPECT_FALSE(headless->IsWindowEnabled(f));
        about.Label2->SetCaption("changed during the first showing");
        about.Label1->SetCaption("changed too");
    });
    EXPECT_EQ(dynamic_cast<info::TfrmAbout*>(app->ActiveForm()), nullptr); // gone with its showing
    EXPECT_TRUE(headless->IsWindowEnabled(f));
    ShowAbout(f, [&](info::TfrmAbout& about) {
        EXPECT_EQ(about.Label2->Caption(), "Version: 3.0   Build 20260210");
        EXPECT_EQ(about.Label1->Caption(), "Orvane Hivelet");
    });
    // The About item of the help menu shows it too.
    headless->ChooseMenuItem("About1");
    bool shown = false;
    headless->WhenIdle([&] {
        auto* about = dynamic_cast<info::TfrmAbout*>(app->ActiveForm());
        ASSERT_NE(about, nullptr);
        shown = true;
        headless->Click(*about->bOK);
    });
    f.bHelpClick();
    EXPECT_TRUE(shown);
}

TEST_F(InfoTest, AboutTakesItsTextsFromItsOwnSectionWhenTheLanguageIsNotEnglish) {
    WriteOptionsFile("Lan=German\r\n");
    platform.AddTextFile(GermanFile, "[frmAbout]\r\nfrmAbout=\xDC"
                                     "ber Orvane Hivelet\r\n"
                                     "lCopywrite=Alle Rechte vorbehalten.\r\n"
                                     "Label3=E-Mail: support@orvane.example\r\n"
                                     "bOK=&Gut\r\n"
                                     "[frmMain]\r\nLabel2=not this section\r\n");
    TfrmMain& f = Show();
    ShowAbout(f, [&](info::TfrmAbout& about) {
        EXPECT_EQ(about.Caption(), "\xDC"
                                   "ber Orvane Hivelet");
        EXPECT_EQ(about.lCopywrite->Caption(), "Alle Rechte vorbehalten.");
        EXPECT_EQ(about.Label3->Caption(), "E-Mail: support@orvane.example");
        EXPECT_EQ(about.bOK->Caption(), "&Gut");
        EXPECT_EQ(about.Label1->Caption(), "Orvane Hivelet"); // no key: the title set at showing
        EXPECT_EQ(about.Label2->Caption(), "Version: 3.0   Build 20260210");
    });

    // A Label1 key wins over the title set at showing.
    platform.AddTextFile(GermanFile, "[frmAbout]\r\nLabel1=Hivelet auf Deutsch\r\n");
    ShowAbout(f, [&](info::TfrmAbout& about) {
        EXPECT_EQ(about.Label1->Caption(), "Hivelet auf Deutsch");
        EXPECT_EQ(about.Caption(), "About Orvane Hivelet");
    });

    // In English no language file is opened at all.
    settings::OptionsSetting().Lan = "english";
    platform.ClearCalls();
    ShowAbout(
        f, [&](info::TfrmAbout& about) { EXPECT_EQ(about.Label1->Caption(), "Orvane Hivelet"); });
    for (const std::string& call : platform.Calls())
        EXPECT_EQ(call.find("DLan_"), std::string::npos) << call;
}

TEST_F(InfoTest, PagesOpenWithTheWindowOfTheClickedControlAsOwner) {
    TfrmMain& f = Show();
    const uintptr_t mainWindow = headless->WindowOf(f);
    f.pmiHelpClick();
    f.Homepage1Click();
    f.pmiCheckUpdateClick();
    f.bHomepageClick();
    uintptr_t aboutWindow = 0;
    ShowAbout(f, [&](info::TfrmAbout& about) {
        aboutWindow = headless->WindowOf(about);
        ASSERT_TRUE(headless->Click(*about.lbEAddress));
    });

    EXPECT_EQ(Addresses(),
              (std::vector<std::string>{info::HelpPage, info::HomePage, info::UpdatePage,
                                        info::HomePage, info::HomePage}));
    const auto pages = platform.WebPages();
    for (size_t i = 0; i < 4; ++i)
        EXPECT_EQ(pages[i].ownerWindow, mainWindow) << i;
    EXPECT_NE(aboutWindow, 0u);
    EXPECT_NE(aboutWindow, mainWindow);
    EXPECT_EQ(pages[4].ownerWindow, aboutWindow);
    for (const auto& page : pages)
        EXPECT_EQ(page.showCommand, platform::show::Show) << page.address;
    EXPECT_TRUE(headless->MessageBoxes().empty());
}

TEST_F(InfoTest, HelpButtonAndBackgroundRightClickPopTheHelpMenuAtTheCursor) {
    TfrmMain& f = Show();
    headless->SetCursorPos({400, 300});
    headless->ChooseMenuItem("pmiCheckUpdate");
    ASSERT_TRUE(headless->Click(*f.bAbout));
    headless->SetCursorPos({150, 360});
    headless->ChooseMenuItem("Homepage1");
    ASSERT_TRUE(headless->RightClick(*f.Image1));

    ASSERT_EQ(headless->Menus().size(), 2u);
    EXPECT_EQ(headless->Menus()[0].menu, "pmHelp");
    EXPECT_EQ(headless->Menus()[0].at, (ui::Point{400, 300}));
    EXPECT_EQ(headless->Menus()[1].menu, "pmHelp");
    EXPECT_EQ(headless->Menus()[1].at, (ui::Point{150, 360}));
    EXPECT_EQ(Addresses(), (std::vector<std::string>{info::UpdatePage, info::HomePage}));
}

TEST_F(InfoTest, TheMainWindowLinkLabelLeadsToTheMakersSite) {
    TfrmMain& f = Create();
    EXPECT_EQ(f.suiURLLabel1->Caption(), info::MakerWebCaption);
    EXPECT_EQ(f.suiURLLabel1->URL(), info::MakerWebAddress);
}

} // namespace
} // namespace hivelet::shell::test
