// Process entry: the command line, the single-instance handshake and what the Linux build prints.
#include "MainWindowFixture.h"

#include "shell/CommandLine.h"
#include "shell/Console.h"
#include "shell/Entry.h"

#include <sstream>

namespace hivelet::shell::test {
namespace {

TEST(CommandLineTest, ImageComesFirstAndTheRestIsTheProgramsCommandLine) {
    CommandLine cl = ParseCommandLine({"--image", "/srv/win7", "/Scan", "r.ini"});
    EXPECT_TRUE(cl.error.empty());
    EXPECT_EQ(cl.imageDir, "/srv/win7");
    EXPECT_EQ(cl.arguments, (std::vector<std::string>{"/Scan", "r.ini"}));
    EXPECT_EQ(FirstArgumentSwitch(cl.arguments), UnattendedSwitch::Scan);

    cl = ParseCommandLine({"/Silent"});
    EXPECT_FALSE(cl.imageDir);
    EXPECT_EQ(FirstArgumentSwitch(cl.arguments), UnattendedSwitch::Silent);

    // Anywhere but first, "--image" is an ordinary argument (here the /Scan result file).
    cl = ParseCommandLine({"/Scan", "--image", "x"});
    EXPECT_FALSE(cl.imageDir);
    EXPECT_EQ(cl.arguments, (std::vector<std::string>{"/Scan", "--image", "x"}));
}

TEST(CommandLineTest, ImageWithoutAFolderIsRefused) {
    EXPECT_FALSE(ParseCommandLine({"--image"}).error.empty());
    EXPECT_FALSE(ParseCommandLine({"--image", ""}).error.empty());
}

TEST(CommandLineTest, AWindowsInstallationComesFirstAndUndoOnlyRightAfterIt) {
    CommandLine cl = ParseCommandLine({"--windows", "D:\\", "/Scan", "Z:\\r.ini"});
    EXPECT_TRUE(cl.error.empty());
    EXPECT_EQ(cl.windowsRoot, "D:\\");
    EXPECT_FALSE(cl.imageDir);
    EXPECT_FALSE(cl.undo);
    EXPECT_EQ(cl.arguments, (std::vector<std::string>{"/Scan", "Z:\\r.ini"}));

    cl = ParseCommandLine({"--windows", "/mnt/c", "--undo"});
    EXPECT_TRUE(cl.error.empty());
    EXPECT_TRUE(cl.undo);
    EXPECT_TRUE(cl.arguments.empty());

    EXPECT_FALSE(ParseCommandLine({"--windows", "/mnt/c", "--undo", "/Silent"}).error.empty());
    EXPECT_FALSE(ParseCommandLine({"--windows"}).error.empty());
    EXPECT_FALSE(ParseCommandLine({"--image", "a", "--windows", "b", "/Scan"}).error.empty())
        << "one machine at a time";
    EXPECT_FALSE(ParseCommandLine({"--windows", ""}).error.empty());
    // After a switch, "--undo" is an ordinary argument.
    cl = ParseCommandLine({"--windows", "/mnt/c", "/Scan", "--undo"});
    EXPECT_FALSE(cl.undo);
    EXPECT_EQ(cl.arguments, (std::vector<std::string>{"/Scan", "--undo"}));
}

TEST(CommandLineTest, SwitchesMatchTheWholeArgumentIgnoringCase) {
    EXPECT_EQ(FirstArgumentSwitch({"/sIlEnT"}), UnattendedSwitch::Silent);
    EXPECT_EQ(FirstArgumentSwitch({"/scan"}), UnattendedSwitch::Scan);
    EXPECT_EQ(FirstArgumentSwitch({"/Silent:now"}), UnattendedSwitch::None);
    EXPECT_EQ(FirstArgumentSwitch({" /Silent"}), UnattendedSwitch::None);
    EXPECT_EQ(FirstArgumentSwitch({"/Scanner"}), UnattendedSwitch::None);
    EXPECT_EQ(FirstArgumentSwitch({"", "/Silent"}), UnattendedSwitch::None);
    EXPECT_EQ(FirstArgumentSwitch({}), UnattendedSwitch::None);
}

class SingleInstanceTest : public MainWindowTest {};

TEST_F(SingleInstanceTest, ARunningInstanceIsWokenAndNoWindowIsMade) {
    const ui::NativeWindow running =
        headless->AddForeignWindow("ORVANE HIVELET MADE BY ORVANE SOFTWARE");
    headless->AddForeignWindow("Notepad");
    EXPECT_TRUE(WakeRunningInstance(app->GetBackend()));
    ASSERT_EQ(headless->ForeignPosts().size(), 1u);
    const ui::test::ForeignPost& post = headless->ForeignPosts()[0];
    EXPECT_EQ(post.window, running);
    EXPECT_EQ(post.msg, 0x6604u);
    EXPECT_EQ(post.wParam, 0u);
    EXPECT_EQ(post.lParam, 0);
    EXPECT_EQ(headless->BroughtToFront(), (std::vector<ui::NativeWindow>{running}));
}

// The application object makes the application window, so it must not exist before the lookup.
TEST(StartApplicationTest, ASecondInstanceNeverMakesItsApplication) {
    struct CountingBackend : ui::test::ScriptedBackend {
        explicit CountingBackend(int& attached) : attached_(attached) {}
        void Attach(ui::Application& app) override {
            ++attached_;
            ScriptedBackend::Attach(app);
        }
        int& attached_;
    };
    int attached = 0;
    auto running = std::make_unique<CountingBackend>(attached);
    running->AddForeignWindow("Orvane Hivelet Made by Orvane Software");
    EXPECT_EQ(StartApplication(std::move(running)), nullptr);
    EXPECT_EQ(attached, 0) << "the second instance made its application window";

    std::unique_ptr<ui::Application> first =
        StartApplication(std::make_unique<CountingBackend>(attached));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(attached, 1);
}

// A scheduler reads the exit code: a /Scan or /Silent that only woke another instance did no work.
TEST(StartApplicationTest, ASecondInstanceOfAnUnattendedRunEndsAsNotDone) {
    std::ostringstream err;
    EXPECT_EQ(SecondInstanceExit({}, err), 0);
    EXPECT_EQ(SecondInstanceExit({"C:\\r.ini", "/Scan"}, err), 0);
    EXPECT_EQ(err.str(), "");
    EXPECT_EQ(SecondInstanceExit({"/Scan", "C:\\r.ini"}, err), 1);
    EXPECT_NE(err.str().find("another Hivelet is running"), std::string::npos);
    EXPECT_EQ(SecondInstanceExit({"/silent"}, err), 1);
}

TEST_F(SingleInstanceTest, AWindowOfAnotherClassDoesNotCount) {
    // Same title, different class: Hivelet starts as usual.
    headless->AddForeignWindow("Orvane Hivelet");
    EXPECT_FALSE(WakeRunningInstance(app->GetBackend()));
    EXPECT_TRUE(headless->ForeignPosts().empty());
    EXPECT_TRUE(headless->BroughtToFront().empty());
}

TEST_F(SingleInstanceTest, TheMainWindowIsFoundByItsClassOnceItExists) {
    std::unique_ptr<TfrmMain> main = CreateMainWindow(*app, platform, {});
    EXPECT_EQ(app->Title(), "Orvane Hivelet");
    EXPECT_FALSE(WakeRunningInstance(app->GetBackend()))
        << "no window before the main window is shown";
    main->Show();
    EXPECT_EQ(app->FindWindowByClass("Orvane Hivelet Made by Orvane Software"),
              headless->WindowOf(*main));
    main.reset();
}

TEST_F(SingleInstanceTest, TheLinkLabelOpensTheMakersSiteThroughThePlatform) {
    std::unique_ptr<TfrmMain> main = CreateMainWindow(*app, platform, {});
    main->Show();
    ASSERT_TRUE(headless->Click(*main->suiURLLabel1));
    ASSERT_EQ(platform.WebPages().size(), 1u);
    EXPECT_EQ(platform.WebPages()[0].address, "https://www.orvane.example/");
    EXPECT_EQ(platform.WebPages()[0].ownerWindow, 0u);
    EXPECT_EQ(platform.WebPages()[0].showCommand, platform::show::Show);
    main.reset();
}

TEST(ConsoleTest, UnansweredBoxesTakeTheirDefaultButton) {
    EXPECT_EQ(DefaultMessageBoxAnswer(ui::mb::Ok), ui::mrOk);
    EXPECT_EQ(DefaultMessageBoxAnswer(ui::mb::Ok | ui::mb::IconError), ui::mrOk);
    EXPECT_EQ(DefaultMessageBoxAnswer(ui::mb::YesNo), ui::mrYes);
    // The restore-point question: Yes/No, information icon, No as the default.
    EXPECT_EQ(DefaultMessageBoxAnswer(0x144), ui::mrNo);
    EXPECT_EQ(DefaultMessageBoxAnswer(ui::mb::YesNoCancel | ui::mb::DefButton3), ui::mrCancel);
    // A default beyond the buttons there are falls back to the first.
    EXPECT_EQ(DefaultMessageBoxAnswer(ui::mb::Ok | ui::mb::DefButton3), ui::mrOk);
}

TEST(ConsoleTest, MessageBoxesBecomeOneLine) {
    EXPECT_EQ(MessageBoxLine("Orvane Hivelet", "a\r\n\r\nPlease visit b"),
              "Orvane Hivelet: a Please visit b");
}

TEST_F(MainWindowTest, TheReportShowsTheRowsAndTotalsAsTheWindowDoes) {
    TfrmMain& f = Show();
    f.lvMain->SetSubItem(0, 0, "12,288 KB");
    f.lvMain->SetSubItem(0, 1, "8,192 KB");
    f.lvMain->SetSubItem(0, 2, "33%");
    f.lCurrentRegistrySize->SetCaption("12,800 KB");
    f.lCompactPercent->SetCaption("30.0%");
    const std::string report = AnalysisReport(f);
    EXPECT_NE(report.find("Hive Name"), std::string::npos);
    EXPECT_NE(report.find(std::string(SystemHive) + "  "), std::string::npos);
    // Right-aligned size columns end in the same column as their headings.
    const auto lineOf = [&](const std::string& needle) {
        const size_t at = report.find(needle);
        const size_t start = report.rfind('\n', at) + 1;
        return report.substr(start, report.find('\n', at) - start);
    };
    const std::string heading = lineOf("Hive Name");
    const std::string row = lineOf(SystemHive);
    EXPECT_EQ(heading.find("Reduction") + 9, row.find("33%") + 3);
    EXPECT_NE(report.find("Current Registry Size: 12,800 KB"), std::string::npos);
    EXPECT_NE(report.find("Compact Percent:       30.0%"), std::string::npos);
}

TEST(ConsoleTest, TheHiveListNamesEachHiveAndItsFile) {
    const std::string text =
        HiveListReport({"\\REGISTRY\\MACHINE\\SAM", "\\REGISTRY\\USER\\.DEFAULT"},
                       {"C:\\w\\SAM", "C:\\w\\DEFAULT"});
    EXPECT_NE(text.find("\\REGISTRY\\MACHINE\\SAM    C:\\w\\SAM\n"), std::string::npos);
    EXPECT_NE(text.find("\\REGISTRY\\USER\\.DEFAULT  C:\\w\\DEFAULT\n"), std::string::npos);
    EXPECT_NE(text.find("/Scan"), std::string::npos);
    EXPECT_NE(HiveListReport({}, {}).find("No hive"), std::string::npos);
}

} // namespace
} // namespace hivelet::shell::test
