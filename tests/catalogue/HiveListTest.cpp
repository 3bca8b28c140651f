#include "catalogue/HiveList.h"
#include "catalogue/HiveKeyPath.h"

#include "platform/fake/FakePlatform.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace hivelet::catalogue {
namespace {

using fake::FakePlatform;
using platform::RootKey;
namespace reg = platform::reg;

TEST(IsCompactableHive, MachineHivesNeedOnlyThePrefix) {
    EXPECT_TRUE(IsCompactableHive("\\REGISTRY\\MACHINE\\SYSTEM"));
    EXPECT_TRUE(IsCompactableHive("\\registry\\machine\\sam"));
    EXPECT_TRUE(IsCompactableHive("\\REGISTRY\\MACHINE"));
    EXPECT_TRUE(IsCompactableHive("\\REGISTRY\\MACHINEWHATEVER"));
    EXPECT_FALSE(IsCompactableHive("\\REGISTRY\\MACHIN"));
    EXPECT_FALSE(IsCompactableHive("REGISTRY\\MACHINE\\SYSTEM"));
    EXPECT_FALSE(IsCompactableHive("\\REGISTRY\\A\\{53b39e88-18c4-11ea-a811-000d3aa4692b}"));
    EXPECT_FALSE(IsCompactableHive(""));
}

TEST(IsCompactableHive, UserHivesAreDefaultOrSecurityIdentifiers) {
    EXPECT_TRUE(IsCompactableHive("\\REGISTRY\\USER\\.DEFAULT"));
    EXPECT_TRUE(IsCompactableHive("\\Registry\\User\\.default"));
    EXPECT_TRUE(IsCompactableHive("\\REGISTRY\\USER\\S-1-5-18"));
    EXPECT_TRUE(IsCompactableHive("\\REGISTRY\\USER\\s-1-5-21-1-2-3-1001_Classes"));
    EXPECT_TRUE(IsCompactableHive("\\REGISTRY\\USER\\S-"));
    EXPECT_FALSE(IsCompactableHive("\\REGISTRY\\USER\\"));
    EXPECT_FALSE(IsCompactableHive("\\REGISTRY\\USER"));
    EXPECT_FALSE(IsCompactableHive("\\REGISTRY\\USER\\S"));
    EXPECT_FALSE(IsCompactableHive("\\REGISTRY\\USER\\S1-5-18"));
    EXPECT_FALSE(IsCompactableHive("\\REGISTRY\\USER\\X-1-5-18"));
    EXPECT_FALSE(IsCompactableHive("\\REGISTRY\\USER\\.DEFAULTX"));
    EXPECT_FALSE(IsCompactableHive("\\REGISTRY\\USER\\AppContainer"));
}

TEST(SplitHiveKeyPath, RootFromThePrefixSubKeyInItsOwnCase) {
    auto software = SplitHiveKeyPath("\\REGISTRY\\MACHINE\\SOFTWARE");
    ASSERT_TRUE(software);
    EXPECT_EQ(software->root, RootKey::LocalMachine);
    EXPECT_EQ(software->subKey, "SOFTWARE");
    auto system = SplitHiveKeyPath("\\Registry\\Machine\\System");
    ASSERT_TRUE(system);
    EXPECT_EQ(system->subKey, "System");
    auto classes = SplitHiveKeyPath("\\REGISTRY\\USER\\S-1-5-21-1-2-3-1001_Classes");
    ASSERT_TRUE(classes);
    EXPECT_EQ(classes->root, RootKey::Users);
    EXPECT_EQ(classes->subKey, "S-1-5-21-1-2-3-1001_Classes");
    auto defaultUser = SplitHiveKeyPath("registry\\user\\.DEFAULT");
    ASSERT_TRUE(defaultUser);
    EXPECT_EQ(defaultUser->subKey, ".DEFAULT");
    EXPECT_FALSE(SplitHiveKeyPath("\\REGISTRY\\MACHINE"));
    EXPECT_FALSE(SplitHiveKeyPath("\\REGISTRY\\A\\B"));
}

class LoadHiveListTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake.AddDrive('C', platform::drive::Fixed, "\\Device\\HarddiskVolume1");
        fake.AddKey(RootKey::LocalMachine, HiveListKey);
    }
    void Add(const std::string& name, const std::string& data, uint32_t type = reg::Sz) {
        fake.SetValue(RootKey::LocalMachine, HiveListKey, name, type, data);
    }
    FakePlatform fake;
    HiveList list;
};

TEST_F(LoadHiveListTest, KeepsEnumerationOrderAndSkipsWhatCannotBeCompacted) {
    fake.AddFile("C:\\Windows\\System32\\config\\SYSTEM", 1);
    fake.AddFile("C:\\Windows\\System32\\config\\SOFTWARE", 1);
    fake.AddFile("C:\\Windows\\System32\\config\\DEFAULT", 1);
    fake.AddFile("C:\\Users\\u\\NTUSER.DAT", 1);
    fake.AddFile("C:\\Windows\\System32\\config\\SAM", 1);
    const std::string cfg = "\\Device\\HarddiskVolume1\\Windows\\System32\\config\\";

    Add("\\REGISTRY\\MACHINE\\SYSTEM", cfg + "SYSTEM");
    Add("\\REGISTRY\\MACHINE\\HARDWARE", "");                          // memory only
    Add("\\REGISTRY\\A\\{guid}", cfg + "SOFTWARE");                    // other root
    Add("\\REGISTRY\\USER\\.DEFAULT", cfg + "DEFAULT", reg::ExpandSz); // expandable is fine
    Add("\\REGISTRY\\MACHINE\\SOFTWARE", cfg + "SOFTWARE", reg::MultiSz);
    Add("\\REGISTRY\\MACHINE\\BCD00000000", cfg + "SAM", reg::Binary);
    Add("\\REGISTRY\\USER\\S-1-5-21-5_Classes", "\\Device\\HarddiskVolume7\\Users\\u\\x.dat");
    Add("\\REGISTRY\\MACHINE\\ELAM", cfg + "ELAM"); // file missing
    Add("\\REGISTRY\\USER\\S-1-5-21-5",
        std::string("\\Device\\HarddiskVolume1\\Users\\u\\NTUSER.DAT") +
            '\0'); // data with its terminator
    Add("\\registry\\machine\\sam", cfg + "SAM");

    LoadHiveList(fake, false, list);
    EXPECT_EQ(list.HiveNames, (std::vector<std::string>{
                                  "\\REGISTRY\\MACHINE\\SYSTEM", "\\REGISTRY\\USER\\.DEFAULT",
                                  "\\REGISTRY\\USER\\S-1-5-21-5", "\\registry\\machine\\sam"}));
    EXPECT_EQ(list.HiveFiles, (std::vector<std::string>{"C:\\Windows\\System32\\config\\SYSTEM",
                                                        "C:\\Windows\\System32\\config\\DEFAULT",
                                                        "C:\\Users\\u\\NTUSER.DAT",
                                                        "C:\\Windows\\System32\\config\\SAM"}));

    auto opens = fake.KeyOpens();
    ASSERT_EQ(opens.size(), 1u);
    EXPECT_EQ(opens[0].root, RootKey::LocalMachine);
    EXPECT_EQ(opens[0].subKey, "SYSTEM\\CurrentControlSet\\Control\\hivelist");
    EXPECT_EQ(opens[0].access, reg::KeyRead);
    EXPECT_EQ(fake.OpenKeyCount(), 0);
}

TEST_F(LoadHiveListTest, ReloadReplacesAndAnUnreadableKeyEmptiesTheList) {
    fake.AddFile("C:\\S", 1);
    Add("\\REGISTRY\\MACHINE\\SYSTEM", "\\Device\\HarddiskVolume1\\S");
    LoadHiveList(fake, false, list);
    LoadHiveList(fake, false, list);
    EXPECT_EQ(list.size(), 1u);

    fake.FailOpen(RootKey::LocalMachine, HiveListKey, platform::error::AccessDenied);
    LoadHiveList(fake, false, list);
    EXPECT_TRUE(list.empty());
    EXPECT_TRUE(list.HiveFiles.empty());
    EXPECT_EQ(fake.OpenKeyCount(), 0);
}

// A platform whose device-name lookup throws, as a call that runs out of memory does.
class ThrowingDevicePlatform : public FakePlatform {
public:
    bool QueryDosDevice(const std::string&, uint32_t, std::string&) override {
        throw std::runtime_error("device lookup failed");
    }
};

TEST(LoadHiveList, TheHiveListKeyIsClosedWhenALaterCallThrows) {
    ThrowingDevicePlatform platform;
    platform.AddDrive('C', platform::drive::Fixed, "\\Device\\HarddiskVolume1");
    platform.AddKey(RootKey::LocalMachine, HiveListKey);
    platform.SetValue(RootKey::LocalMachine, HiveListKey, "\\REGISTRY\\MACHINE\\SYSTEM", reg::Sz,
                      "\\Device\\HarddiskVolume1\\S");
    HiveList list;
    EXPECT_THROW(LoadHiveList(platform, false, list), std::runtime_error);
    ASSERT_EQ(platform.KeyOpens().size(), 1u);
    EXPECT_EQ(platform.OpenKeyCount(), 0);
}

TEST_F(LoadHiveListTest, AnEnumerationThatFailsPartWayKeepsWhatItRead) {
    const std::string cfg = "\\Device\\HarddiskVolume1\\Windows\\System32\\config\\";
    for (const char* hive : {"SYSTEM", "SOFTWARE", "SAM", "SECURITY"}) {
        fake.AddFile(std::string("C:\\Windows\\System32\\config\\") + hive, 1);
        Add(std::string("\\REGISTRY\\MACHINE\\") + hive, cfg + hive);
    }
    fake.FailEnumValues(platform::error::AccessDenied, 2);
    LoadHiveList(fake, false, list);
    EXPECT_EQ(list.HiveNames, (std::vector<std::string>{"\\REGISTRY\\MACHINE\\SYSTEM",
                                                        "\\REGISTRY\\MACHINE\\SOFTWARE"}));
    EXPECT_EQ(list.HiveFiles.size(), 2u);
    EXPECT_EQ(fake.OpenKeyCount(), 0) << "the key is closed after a failed enumeration too";

    fake.FailEnumValues(platform::error::AccessDenied, 0);
    LoadHiveList(fake, false, list);
    EXPECT_TRUE(list.empty());
}

TEST_F(LoadHiveListTest, Wow64ListsSystemHivesThroughSysnative) {
    fake.AddFile("C:\\Windows\\System32\\config\\SYSTEM", 1);
    fake.AddFile("C:\\Windows\\Sysnative\\config\\SYSTEM", 1);
    Add("\\REGISTRY\\MACHINE\\SYSTEM",
        "\\Device\\HarddiskVolume1\\Windows\\System32\\config\\SYSTEM");
    LoadHiveList(fake, true, list);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list.HiveFiles[0], "C:\\Windows\\sysnative\\config\\SYSTEM");
}

} // namespace
} // namespace hivelet::catalogue
