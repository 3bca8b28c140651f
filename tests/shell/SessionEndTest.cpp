// The system ending the session: a system image restarts within the call that asks for it, and
// the program hears of it only once that call and its handler have returned, as on Windows.
#include "MainWindowFixture.h"

#include "shell/SessionEnd.h"

namespace hivelet::shell::test {
namespace {

// A compaction whose restart ends the session inside the call, as the image's restart does.
class RestartingMain : public ScriptedMain {
public:
    using ScriptedMain::ScriptedMain;
    fake::FakePlatform* machine = nullptr;
    void bDefragRegistryClick() override {
        events.push_back("restart");
        machine->EndSession();
        events.push_back("restart returned");
    }
};

class SessionEndTest : public MainWindowTest {
protected:
    RestartingMain& Make(std::vector<std::string> arguments) {
        RestartingMain& f = Create<RestartingMain>(std::move(arguments));
        f.machine = &platform;
        return f;
    }
};

TEST_F(SessionEndTest, SilentClosesItsWindowAfterTheRestartAndSavesTheSettings) {
    RestartingMain& f = Make({"/Silent"});
    const std::string snapshot = std::string(UserFile) + ".hvt";
    f.duringAnalysis = [&] { platform.AddFile(snapshot, 4096); };
    SessionEnd session(platform, f, [&] { f.events.push_back("ended while running"); });
    RunMainWindow();
    EXPECT_EQ(f.events, (std::vector<std::string>{"analysis", "restart", "restart returned"}));
    EXPECT_TRUE(session.Ended());
    EXPECT_FALSE(headless->HasWindow(f));
    EXPECT_FALSE(platform.HasFile(snapshot)) << "the close ran";
    EXPECT_TRUE(platform.HasFile(OptionsFile)) << "the close ran";
}

TEST_F(SessionEndTest, AnOpenWindowHearsOfItOnceTheRestartingHandlerHasReturned) {
    RestartingMain& f = Make({});
    bool openWhenTold = false;
    SessionEnd session(platform, f, [&] {
        f.events.push_back("ended while running");
        openWhenTold = headless->HasWindow(f);
        app->Terminate(); // the system ends the program; nothing closes the window
    });
    headless->WhenIdle([&] { f.bDefragRegistryClick(); });
    app->Run(f);
    EXPECT_EQ(f.events,
              (std::vector<std::string>{"restart", "restart returned", "ended while running"}));
    EXPECT_TRUE(session.Ended());
    EXPECT_TRUE(openWhenTold);
    EXPECT_FALSE(platform.HasFile(OptionsFile)) << "the window was never closed";
}

TEST_F(SessionEndTest, WithoutARestartNothingIsTold) {
    RestartingMain& f = Make({"/Scan"});
    {
        SessionEnd session(platform, f, [&] { f.events.push_back("ended while running"); });
        RunMainWindow();
        EXPECT_FALSE(session.Ended());
    }
    EXPECT_EQ(f.events, (std::vector<std::string>{"analysis"}));
    EXPECT_FALSE(platform.EndSession()) << "the handler goes with the connection";
}

} // namespace
} // namespace hivelet::shell::test
