// /Scan from end to end on a system image whose hives are real sample hives: the main window,
// the progress dialog, the worker and the image's save service together. Every snapshot must be
// a sound hive holding exactly its hive's tree, and the result file must agree with the window.
#include "analysis/ResultText.h"
#include "analysis/Snapshot.h"
#include "platform/image/ImagePlatform.h"
#include "platform/image/TestImage.h"
#include "platform/regf/Regf.h"
#include "settings/OptionsSetting.h"
#include "shell/Entry.h"
#include "shell/Main.h"
#include "ui/Ui.h"
#include "ui/scripted/ScriptedBackend.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>

namespace hivelet::analysis {
namespace {

namespace fs = std::filesystem;
using image::testing::TempFolder;

// Clean sample hives of several kinds and sizes, standing in for the image's hives.
const std::map<std::string, std::string> SampleFor = {
    {"C/Windows/System32/config/SYSTEM", "yarp/hives_for_tests/ManySubkeysHive"},
    {"C/Windows/System32/config/SOFTWARE", "regipy/regipy_tests/data/NTUSER.DAT"},
    {"C/Windows/System32/config/SAM", "dfwinreg/test_data/SAM"},
    {"C/Users/ann/NTUSER.DAT", "Registry/Registry.Test/Hives/NTUSER1.DAT"},
    {"C/Users/ann/AppData/Local/Microsoft/Windows/UsrClass.dat",
     "Registry/Registry.Test/Hives/Acronis_0x52_Usrclass.dat"},
};

class ScanImageTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        const fs::path samples = HIVELET_SAMPLE_HIVES;
        for (const auto& [file, sample] : SampleFor)
            if (!fs::exists(samples / sample))
                GTEST_SKIP() << "sample hive " << sample << " not found in " << samples;
        image::testing::WriteStandardImage(folder.path() / "image", GetParam());
        for (const auto& [file, sample] : SampleFor) {
            const fs::path target = folder.path() / "image" / file;
            fs::remove(target);
            fs::copy_file(samples / sample, target);
            fs::permissions(target, fs::perms::owner_write, fs::perm_options::add);
        }
        fs::create_directories(folder.path() / "bin");
        settings::OptionsSetting() = {};
    }
    void TearDown() override { settings::OptionsSetting() = {}; }

    TempFolder folder;
};

TEST_P(ScanImageTest, SnapshotsHoldTheirHivesAndTheResultFileAgreesWithTheWindow) {
    image::ImageOptions options;
    options.executablePath = (folder.path() / "bin" / "hivelet").string();
    image::ImagePlatform platform(folder.path() / "image", options);
    const std::string result = (folder.path() / "scan.ini").string();

    ui::test::ScriptOptions headlessOptions;
    headlessOptions.stallSeconds = 300; // the saves run on the worker at their own pace
    auto backend = ui::test::MakeScriptedBackend(headlessOptions);
    ui::test::ScriptedBackend& headless = *backend;
    ui::Application app(std::move(backend));
    auto form = shell::CreateMainWindow(app, platform, {"/Scan", result});

    // Once the dialog has closed, before the results are read: every snapshot the scan wrote.
    std::vector<std::string> files; // the hive list, which closing the window empties
    std::vector<uint64_t> live, written;
    std::vector<std::string> problems;
    form->OnScanProgress = [&](const std::string& percent, const std::string& hive) {
        if (!percent.empty() || !hive.empty())
            return;
        files = form->HiveFiles;
        for (const std::string& file : files) {
            const auto hiveHost = platform.paths().Resolve(file)->host.string();
            const auto snapHost = platform.paths().Resolve(file + SnapshotSuffix)->host.string();
            live.push_back(GetFileSize64(platform, file));
            written.push_back(GetFileSize64(platform, file + SnapshotSuffix));
            if (written.back() == 0) {
                problems.push_back(file + ": no snapshot");
                continue;
            }
            if (regf::Status s = regf::VerifyCompactHiveFile(snapHost); !s.ok())
                problems.push_back(s.message);
            std::string hiveDump, snapDump;
            regf::DumpHiveFile(hiveHost, hiveDump);
            regf::DumpHiveFile(snapHost, snapDump);
            if (hiveDump.empty() || hiveDump != snapDump)
                problems.push_back(file + ": the snapshot does not hold the hive's tree");
        }
    };
    headless.WhenIdle([&] {
        if (!form->Unattended)
            form->Close();
    });
    app.Run(*form);

    EXPECT_TRUE(headless.MessageBoxes().empty()) << headless.MessageBoxes()[0].text;
    ASSERT_EQ(files.size(), SampleFor.size()) << "the scan did not complete";
    ASSERT_EQ(form->lvMain->ItemCount(), files.size());
    EXPECT_TRUE(problems.empty()) << problems[0];

    // The cells and totals from the files themselves.
    uint64_t currentTotal = 0, newTotal = 0, cellKbCurrent = 0;
    for (size_t i = 0; i < written.size(); ++i) {
        SCOPED_TRACE(files[i]);
        EXPECT_LE(written[i], live[i]) << "a sample hive never grows by compaction";
        currentTotal += live[i];
        newTotal += written[i];
        EXPECT_EQ(form->lvMain->Item(i).subItems,
                  (std::vector<std::string>{FormatSizeKB(live[i]), FormatSizeKB(written[i]),
                                            ReductionText(live[i], written[i])}));
        cellKbCurrent += (live[i] + 1023) / 1024;
    }
    const std::string percent =
        FormatCompactPercent(CompactPercent(currentTotal, newTotal), platform.DecimalSeparator());
    const std::map<std::string, std::string> expected = {
        {"Current Size", FormatSizeKB(currentTotal)},
        {"New Size", FormatSizeKB(newTotal)},
        {"Size Reduction", FormatSizeKB(currentTotal - newTotal)},
        {"Compact Percent", percent},
    };
    for (const auto& [key, value] : expected)
        EXPECT_EQ(platform.GetProfileString("Scan Result", key, "<missing>", result), value) << key;
    EXPECT_EQ(form->lCurrentRegistrySize->Caption(), expected.at("Current Size"));
    EXPECT_EQ(form->lCompactPercent->Caption(), percent);
    EXPECT_NE(platform.GetProfileString("Scan Result", "Time", "", result), "");
    // Rounding each cell up to whole KB adds less than 1 KB per hive to the total's KB.
    EXPECT_GE(cellKbCurrent, (currentTotal + 1023) / 1024);
    EXPECT_LT(cellKbCurrent, (currentTotal + 1023) / 1024 + written.size());

    // Closing after the scan removed every snapshot.
    for (const std::string& file : files)
        EXPECT_FALSE(platform.FileExists(file + SnapshotSuffix)) << file;
}

INSTANTIATE_TEST_SUITE_P(Wow64, ScanImageTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "Wow64" : "Native";
                         });

} // namespace
} // namespace hivelet::analysis
