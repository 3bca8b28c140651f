// The executable's path, the regional formats, the clock and the shell.
#include "platform/win32/Win32Platform.h"
#include "platform/win32/Win32TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <regex>

namespace hivelet::platform::win32 {
namespace {

// Sets one of the user's regional settings for the scope, restoring the old value after.
class RegionalSetting {
public:
    RegionalSetting(LCTYPE type, const std::string& value) : type_(type) {
        char old[128] = {};
        if (GetLocaleInfoA(LOCALE_USER_DEFAULT, type_, old, sizeof(old)) > 0) {
            previous_ = old;
        }
        changed_ = SetLocaleInfoA(LOCALE_USER_DEFAULT, type_, value.c_str());
    }
    ~RegionalSetting() {
        if (changed_) {
            SetLocaleInfoA(LOCALE_USER_DEFAULT, type_, previous_.c_str());
        }
    }
    bool changed() const { return changed_; }

private:
    LCTYPE type_;
    std::string previous_;
    bool changed_ = false;
};

TEST(Win32Process, ExecutablePathNamesThisProgram) {
    Win32Platform platform;
    std::string path = platform.ExecutablePath();
    ASSERT_GT(path.size(), 3u);
    EXPECT_EQ(path.substr(1, 2), ":\\") << path;
    std::string lower = path;
    CharLowerBuffA(lower.data(), static_cast<DWORD>(lower.size()));
    const std::string name = "\\platform_win32_test.exe";
    ASSERT_GE(lower.size(), name.size());
    EXPECT_EQ(lower.substr(lower.size() - name.size()), name);
    EXPECT_TRUE(platform.FileExists(path));
}

TEST(Win32Process, DecimalSeparatorFollowsTheUsersSettings) {
    Win32Platform platform;
    {
        RegionalSetting comma(LOCALE_SDECIMAL, ",");
        ASSERT_TRUE(comma.changed());
        EXPECT_EQ(platform.DecimalSeparator(), ",");
    }
    {
        RegionalSetting point(LOCALE_SDECIMAL, ".");
        ASSERT_TRUE(point.changed());
        EXPECT_EQ(platform.DecimalSeparator(), ".");
    }
}

TEST(Win32Process, DateTimeIsTheShortDateABlankAndTheLongTime) {
    Win32Platform platform;
    RegionalSetting date(LOCALE_SSHORTDATE, "yyyy-MM-dd");
    RegionalSetting time(LOCALE_STIMEFORMAT, "HH'h'mm'm'ss");
    ASSERT_TRUE(date.changed() && time.changed());
    std::string text = platform.LocalDateTimeText();
    EXPECT_TRUE(std::regex_match(text, std::regex(R"(\d{4}-\d{2}-\d{2} \d{2}h\d{2}m\d{2})")))
        << text;

    SYSTEMTIME now{};
    GetLocalTime(&now);
    EXPECT_EQ(text.substr(0, 4), std::to_string(now.wYear)) << "this year, local time";
}

TEST(Win32Process, TheMonotonicClockNeverGoesBack) {
    Win32Platform platform;
    int64_t first = platform.MonotonicMilliseconds();
    int64_t second = platform.MonotonicMilliseconds();
    EXPECT_GT(first, 0);
    EXPECT_GE(second, first);
}

TEST(Win32Shell, OpeningReportsWhetherTheShellAcceptedTheRequest) {
    Win32Platform platform;
    EXPECT_FALSE(platform.OpenWebPage("C:\\no such folder\\page.html", 0, show::Show));
    // Opening a program starts it; the probe ends at once when given no arguments.
    EXPECT_TRUE(
        platform.OpenWebPage(testing::BuiltFile("platform_win32_probe.exe"), 0, show::Show));
}

// The show command reaches what the shell starts: the probe writes the one it was given.
TEST(Win32Shell, TheShowCommandIsPassedToWhatOpens) {
    Win32Platform platform;
    char temp[MAX_PATH] = {};
    ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
    const std::string file = std::string(temp) + "hivelet-probe-show.txt";
    ASSERT_TRUE(SetEnvironmentVariableA("HIVELET_PROBE_SHOW", file.c_str()));
    for (int command : {show::ShowNormal, show::Show}) {
        SCOPED_TRACE(command);
        DeleteFileA(file.c_str());
        ASSERT_TRUE(
            platform.OpenWebPage(testing::BuiltFile("platform_win32_probe.exe"), 0, command));
        std::string text;
        for (int i = 0; i < 200 && text.empty(); ++i) {
            Sleep(25);
            if (FILE* in = std::fopen(file.c_str(), "r")) {
                char buffer[16] = {};
                text = std::fgets(buffer, sizeof buffer, in) ? buffer : "";
                std::fclose(in);
            }
        }
        EXPECT_EQ(text, std::to_string(command));
    }
    SetEnvironmentVariableA("HIVELET_PROBE_SHOW", nullptr);
    DeleteFileA(file.c_str());
}

} // namespace
} // namespace hivelet::platform::win32
