// Every window of Hivelet reads exactly the keys translators are given, in the order of the
// language files: a renamed control, a control made out of order or a hint display switched on
// or off where it should not be all change what a translation can reach.
#include "defrag/SystemPiont.h"
#include "i18n/ApplyLanguage.h"
#include "info/About.h"
#include "settings/AskDelete.h"
#include "settings/Options.h"
#include "shell/Main.h"

#include "platform/fake/FakePlatform.h"
#include "ui/TestForm.h"

#include <gtest/gtest.h>

#include <string>
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

std::vector<std::string> InSection(const std::string& section,
                                   const std::vector<std::string>& keys) {
    std::vector<std::string> out;
    for (const std::string& key : keys)
        out.push_back(section + "/" + key);
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
    auto expected = InSection("frmMain", {"frmMain",          "lTitle1",
                                          "bAnalyzeRegistry", "bAnalyzeRegistryHint",
                                          "bDefragRegistry",  "bDefragRegistryHint",
                                          "bOptions",         "bOptionsHint",
                                          "Label1",           "Label3",
                                          "Label2",           "lTitle3",
                                          "bLanguage",        "bLanguageHint",
                                          "bAbout",           "bAboutHint",
                                          "bHomepage",        "bHomepageHint",
                                          "lLastWashed",      "Label4",
                                          "Label5",           "lCurrentRegistrySize",
                                          "lNewRegistrySize", "lSizeReduction",
                                          "lCompactPercent1", "lCompactPercent",
                                          "suiURLLabel1",     "bCloseHint",
                                          "Label6",           "bExit",
                                          "bExitHint",        "lTitle",
                                          "lvMain_Column0",   "lvMain_Column1",
                                          "lvMain_Column2",   "lvMain_Column3",
                                          "bMinimizeHint"});
    const auto menu =
        InSection("Menu_frmMain", {"pmiHelp",     "Homepage1", "pmiCheckUpdate",
                                   "About1",      "miArabic",  "miBrazilianPortuguese",
                                   "miChinese",   "miCzech",   "miDanish",
                                   "miDutch",     "miEnglish", "miFinnish",
                                   "miFrench",    "miGerman",  "miGreek",
                                   "miHungarian", "miItalian", "miJapanese",
                                   "miKurdish",   "miPolish",  "miPortuguese",
                                   "miRussian",   "miSerbian", "miSlovenian",
                                   "miSpanish",   "miSwedish", "miTurkish",
                                   "miUkranian",  "miOther"});
    expected.insert(expected.end(), menu.begin(), menu.end());
    EXPECT_EQ(KeysRead(main), expected);
}

TEST_F(WindowKeysTest, Dialogs) {
    info::TfrmAbout about(h.app, nullptr, platform);
    EXPECT_EQ(KeysRead(about), InSection("frmAbout", {"frmAbout", "Label1", "lCopywrite", "Label3",
                                                      "lbEAddress", "Label2", "Panel2", "bOK"}));

    // The restore-point box's hint key is read, though the dialog then puts its caption there.
    auto options = ui::CreateForm<settings::TfrmOptions>(h.app, nullptr, platform, record);
    EXPECT_EQ(
        KeysRead(*options),
        InSection("frmOptions", {"frmOptions", "GroupBox2", "cbAskBeforeDefrag", "cbShowLines",
                                 "cbCreateRestore", "cbCreateRestoreHint", "bOK", "bCancel"}));

    auto ask = ui::CreateForm<settings::TfrmAskDelete>(h.app, nullptr, platform, record);
    EXPECT_EQ(KeysRead(*ask),
              InSection("frmAskDelete", {"frmAskDelete", "Label2", "Label3", "cbAsk", "GroupBox1",
                                         "Label1", "bOK", "bCancel", "Panel2"}));

    defrag::TfrmSystemPoint point(h.app, nullptr, platform, record, [](std::function<void()>) {});
    EXPECT_EQ(KeysRead(point),
              InSection("frmSystemPoint", {"frmSystemPoint", "suiGroupBox1", "lScanTask", "Label1",
                                           "Label2", "Label3"}));
}

} // namespace
} // namespace hivelet::i18n
