// A worker saving hives while the UI thread measures, tests and deletes files, as the scan does.
#include "TestImage.h"

#include "platform/image/ImagePlatform.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace hivelet::image {
namespace {

using namespace testing;
using namespace hivelet::platform;

TEST(ImageThreads, SavingOnAWorkerWhileTheUiThreadLooksAtFiles) {
    TempFolder folder;
    WriteStandardImage(folder.path());
    ImagePlatform image(folder.path());
    std::atomic<bool> done{false};
    std::atomic<int> saved{0};
    std::thread worker([&] {
        auto token = image.OpenProcessToken(token::AdjustAndQuery);
        image.AdjustTokenPrivilege(token.get(), *image.LookupPrivilegeValue(token::BackupPrivilege),
                                   token::PrivilegeEnabled);
        token.Close();
        for (int round = 0; round < 3; ++round) {
            for (const auto& [name, file] : StandardHives) {
                const auto [root, sub] = RootOf(name);
                RegistryKey key;
                if (!image.OpenKey(root, sub, key).ok()) {
                    continue;
                }
                const std::string target = DriveCPath(std::string(file).substr(2) + ".hvt");
                image.DeleteFile(target);
                if (image.SaveKey(key.get(), target).ok()) {
                    ++saved;
                }
                key.Close();
            }
        }
        done = true;
    });
    const std::string snapshot = "C:\\Windows\\System32\\config\\SYSTEM.hvt";
    int looks = 0;
    std::string drives;
    while (!done) {
        image.FindFileSize(snapshot);
        image.FileExists(snapshot);
        image.OpenExclusive("C:\\Windows\\System32\\config\\SAM.hvt");
        image.GetLogicalDriveStrings(104, drives);
        image.OpenWebPage("https://example.org/" + std::to_string(looks), 0, platform::show::Show);
        ++looks;
    }
    worker.join();
    EXPECT_EQ(saved, 3 * static_cast<int>(std::size(StandardHives)));
    EXPECT_EQ(image.ReadLog(WebPageLog).size(), static_cast<size_t>(looks));
    EXPECT_TRUE(
        regf::VerifyHiveFile((folder.path() / "C/Windows/System32/config/SYSTEM.hvt").string())
            .ok());
}

} // namespace
} // namespace hivelet::image
