// The demo image: realistic enough to show what compaction gives, valid for every reader.
#include "TestImage.h"

#include "platform/image/ImagePlatform.h"
#include "platform/image/demo/DemoHives.h"
#include "platform/image/demo/DemoImage.h"
#include "platform/image/demo/DemoInstallation.h"
#include "platform/image/demo/TreeBuilding.h"

#include <gtest/gtest.h>

#include <set>

namespace hivelet::image {
namespace {

using namespace testing;

void Collect(const regf::Key& k, std::set<uint32_t>& types, std::set<int>& sizeClasses,
             size_t& nonLatinNames) {
    for (const regf::Value& v : k.values) {
        types.insert(v.type);
        size_t n = v.data.size();
        sizeClasses.insert(n == 0 ? 0 : n <= 4 ? 1 : n <= 16344 ? 2 : 3);
    }
    for (const regf::Key& s : k.subkeys) {
        for (unsigned char c : s.name) {
            if (c >= 0xc4) { // a lead byte of a character beyond Latin-1
                ++nonLatinNames;
                break;
            }
        }
        Collect(s, types, sizeClasses, nonLatinNames);
    }
}

TEST(DemoImage, HivesHoldEveryValueTypeAndSizeClass) {
    std::vector<demo::DemoHive> hives = demo::MakeDemoHives(1);
    ASSERT_EQ(hives.size(), 7u);
    std::set<uint32_t> types;
    std::set<int> sizes;
    size_t nonLatin = 0, keys = 0, values = 0;
    for (const demo::DemoHive& h : hives) {
        Collect(h.tree, types, sizes, nonLatin);
        demo::TreeCounts c = demo::Count(h.tree);
        keys += c.keys;
        values += c.values;
        EXPECT_GE(h.options.freeFraction, 0.05) << h.name;
        EXPECT_LE(h.options.freeFraction, 0.30) << h.name;
    }
    for (uint32_t t = 0; t <= 11; ++t) {
        EXPECT_TRUE(types.count(t)) << "no value of type " << t;
    }
    EXPECT_EQ(sizes, (std::set<int>{0, 1, 2, 3}));
    EXPECT_GT(nonLatin, 0u);
    EXPECT_GT(keys, 10000u);
    EXPECT_GT(values, 30000u);
    // The 32-bit view of SOFTWARE exists and is substantial.
    const regf::Key& software = hives[1].tree;
    auto wow = std::find_if(software.subkeys.begin(), software.subkeys.end(),
                            [](const regf::Key& k) { return k.name == "Wow6432Node"; });
    ASSERT_NE(wow, software.subkeys.end());
    EXPECT_GT(demo::Count(*wow).keys, 1000u);
}

TEST(DemoImage, WrittenImageVerifiesCarriesFreeSpaceAndServesThePlatform) {
    TempFolder folder;
    const fs::path root = folder.path() / "demo";
    std::vector<demo::DemoHiveReport> reports = demo::WriteDemoImage(root);
    ASSERT_EQ(reports.size(), 7u);
    for (const demo::DemoHiveReport& r : reports) {
        SCOPED_TRACE(r.file);
        regf::Status v = regf::VerifyHiveFile((root / r.file).string());
        EXPECT_TRUE(v.ok()) << v.message;
        EXPECT_GE(r.reclaimablePercent(), 5.0);
        EXPECT_LE(r.reclaimablePercent(), 30.0);
        HivexExport(root / r.file); // fails the test if hivex cannot read it
    }
    // An existing demo image is replaced; any other non-empty folder is left alone.
    EXPECT_NO_THROW(demo::WriteDemoImage(root));
    WriteBytes(folder.path() / "other/keep.txt", "mine");
    EXPECT_THROW(demo::WriteDemoImage(folder.path() / "other"), std::runtime_error);
    EXPECT_EQ(ReadBytes(folder.path() / "other/keep.txt"), "mine");

    // Hivelet's view of it: every hive with a file on a lettered drive can be saved.
    ImagePlatform image(root);
    EXPECT_EQ(image.IsWow64Process(), std::optional<bool>(true));
    auto token = image.OpenProcessToken(platform::token::AdjustAndQuery);
    ASSERT_TRUE(image
                    .AdjustTokenPrivilege(token.get(),
                                          *image.LookupPrivilegeValue("SeBackupPrivilege"),
                                          platform::token::PrivilegeEnabled)
                    .ok());
    platform::RegistryKey key;
    ASSERT_TRUE(image.OpenKeyEx(platform::RootKey::LocalMachine, "SOFTWARE", 0x101, key).ok());
    ASSERT_TRUE(image.SaveKey(key.get(), "C:\\Windows\\sysnative\\config\\SOFTWARE.hvt").ok());
    EXPECT_EQ(fs::file_size(root / "C/Windows/System32/config/SOFTWARE.hvt"),
              reports[1].compactBytes);
}

// The installation's user hive is left as a power cut leaves it: its newest pages only in its
// log. Read through the log it is the same hive the demo image holds clean.
TEST(DemoImage, TheInstallationHasADirtyUserHiveThatItsLogRecovers) {
    TempFolder folder;
    demo::WriteDemoImage(folder.path() / "image");
    const fs::path windows = folder.path() / "windows";
    demo::WriteDemoInstallation(windows);
    const fs::path dirty = windows / "Users/Demo/NTUSER.DAT";
    regf::HiveFacts facts;
    ASSERT_TRUE(regf::InspectHiveFile(dirty.string(), facts).ok());
    EXPECT_NE(facts.primarySequence, facts.secondarySequence);
    EXPECT_TRUE(facts.recovery.recovered) << facts.recovery.summary();
    EXPECT_EQ(facts.recovery.entries, 1u) << facts.recovery.summary();
    EXPECT_FALSE(facts.recovery.damaged) << facts.recovery.summary();

    EXPECT_EQ(DumpHive(dirty), DumpHive(folder.path() / "image/C/Users/Demo/NTUSER.DAT"));
    regf::HiveFacts other;
    ASSERT_TRUE(
        regf::InspectHiveFile((windows / "Windows/System32/config/SYSTEM").string(), other).ok());
    EXPECT_FALSE(other.recovery.dirty) << "only the one hive is dirty";
}

} // namespace
} // namespace hivelet::image
