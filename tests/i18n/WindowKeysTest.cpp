// Every window of Hivelet reads exactly the keys translators are given, in the order of the
// language files: a renamed control, a control made out of order or a hint display switched on
// or off where it should not be all change what a translation can reach.
#include "analysis/GetNewHiveProgress.h"
#include "defrag/SystemPiont.h"
#include "i18n/ApplyLanguage.h"
#include "info/About.h"
#include "settings/AskDelete.h"
#include "settings/Options.h"
#include "shell/Main.h"

#include "languages/Inventory.h"
#include "platform/fake/FakePlatform.h"
#include "ui/TestForm.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace hivelet::i18n {
namespace {

const std::string File = "C:\\Program Files\\Hivelet\\Languages\\DLan_German.ini";

// The keys ApplyLanguage reads from `window`, as "section/key", in order (no file exists, so
// nothing changes).
std::vector<std::string> KeysRead(ui::Form& window) {
    fake::FakePlatform platform;
    ApplyLanguage(platform, window, "German");
    std::vector<std::string> keys;
    const std::string prefix = "GetProfileString ";
    for (const std::string& call : platform.Calls()) {
        if (call.rfind(prefix, 0) != 0)
            continue;
        EXPECT_TRUE(call.ends_with(" " + File)) << call;
        const std::string rest =
            call.substr(prefix.size(), call.size() - prefix.size() - File.size() - 1);
        keys.push_back(rest.substr(0, rest.find(' ')) + "/" + rest.substr(rest.find(' ') + 1));
    }
    return keys;
}

// The keys of `section` in the translators' inventory, as "section/key", in order.
std::vector<std::string> InventoryKeys(std::string_view section) {
    std::vector<std::string> out;
    for (const languages::InventorySection& s : languages::Inventory()) {
        if (s.name != section)
            continue;
        for (std::string_view key : s.keys)
            out.push_back(std::string(section) + "/" + std::string(key));
    }
    EXPECT_FALSE(out.empty()) << section;
    return out;
}

class WindowKeysTest : public ::testing::Test {
protected:
    ui::test::HeadlessApp h;
    fake::FakePlatform platform;
    settings::TOptionsSetting record{true, true, true, "English"};
};

TEST_F(WindowKeysTest, MainWindow) {
    shell::TfrmMain main(h.app, platform);
    auto expected = InventoryKeys("frmMain");
    const auto menu = InventoryKeys("Menu_frmMain");
    expected.insert(expected.end(), menu.begin(), menu.end());
    EXPECT_EQ(KeysRead(main), expected);
}

TEST_F(WindowKeysTest, Dialogs) {
    info::TfrmAbout about(h.app, nullptr, platform);
    EXPECT_EQ(KeysRead(about), InventoryKeys("frmAbout"));

    // The restore-point box's hint key is read, though the dialog then puts its caption there.
    auto options = ui::CreateForm<settings::TfrmOptions>(h.app, nullptr, platform, record);
    EXPECT_EQ(KeysRead(*options), InventoryKeys("frmOptions"));

    auto ask = ui::CreateForm<settings::TfrmAskDelete>(h.app, nullptr, platform, record);
    EXPECT_EQ(KeysRead(*ask), InventoryKeys("frmAskDelete"));

    defrag::TfrmSystemPoint point(h.app, nullptr, platform, record, [](std::function<void()>) {});
    EXPECT_EQ(KeysRead(point), InventoryKeys("frmSystemPoint"));

    // Never shown here, so its worker never starts.
    platform::WorkerThreads workers;
    auto progress = ui::CreateForm<analysis::TfrmGetNewHiveProgess>(
        h.app, nullptr, platform, workers, analysis::ScanJob{{}, {}, false, false, "German"});
    EXPECT_EQ(KeysRead(*progress), InventoryKeys("frmGetNewHiveProgess"));
}

} // namespace
} // namespace hivelet::i18n
