// Registry services against the real registry: a scratch key under HKLM\Software stands in for
// the hive list key, with values of every type the hive list can hold.
#include "platform/regf/Regf.h"
#include "platform/win32/Win32Platform.h"
#include "platform/win32/Win32TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

namespace hivelet::platform::win32 {
namespace {

using testing::ScratchFolder;

class Win32Registry : public ::testing::Test {
protected:
    void SetUp() override {
        subKey_ = "Software\\HiveletPlatformTest-" + std::to_string(GetCurrentProcessId());
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, subKey_.c_str(), 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, key_.receive(), nullptr),
                  ERROR_SUCCESS)
            << "cannot create a scratch key under HKLM (not elevated?)";
    }
    void TearDown() override {
        key_.reset();
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, subKey_.c_str());
    }
    void Set(const std::string& name, DWORD type, const std::string& bytes) {
        ASSERT_EQ(RegSetValueExA(key_.get(), name.c_str(), 0, type,
                                 reinterpret_cast<const BYTE*>(bytes.data()),
                                 static_cast<DWORD>(bytes.size())),
                  ERROR_SUCCESS);
    }

    Win32Platform platform_;
    std::string subKey_;
    UniqueKey key_;
};

TEST_F(Win32Registry, EnumeratesEveryValueNameIncludingVeryLongOnes) {
    std::string longName(2000, 'n'); // far beyond MAX_PATH; the registry allows 16383
    Set("\\REGISTRY\\MACHINE\\SYSTEM", REG_SZ, std::string("x\0", 2));
    Set("\\REGISTRY\\USER\\S-1-5-18", REG_EXPAND_SZ, std::string("y\0", 2));
    Set(longName, REG_BINARY, "z");

    RegistryKey key;
    ASSERT_TRUE(platform_.OpenKeyEx(RootKey::LocalMachine, subKey_, reg::KeyRead, key).ok());
    std::vector<std::string> names;
    ASSERT_TRUE(platform_.EnumValueNames(key.get(), names).ok());
    std::sort(names.begin(), names.end());
    std::vector<std::string> expected = {"\\REGISTRY\\MACHINE\\SYSTEM",
                                         "\\REGISTRY\\USER\\S-1-5-18", longName};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(names, expected);
    EXPECT_TRUE(key.Close().ok());
}

TEST_F(Win32Registry, EnumerationOfAnEmptyKeyIsEmptyAndSucceeds) {
    RegistryKey key;
    ASSERT_TRUE(platform_.OpenKey(RootKey::LocalMachine, subKey_, key).ok());
    std::vector<std::string> names = {"left over"};
    EXPECT_TRUE(platform_.EnumValueNames(key.get(), names).ok());
    EXPECT_TRUE(names.empty());
    key.Close();
}

TEST_F(Win32Registry, ValuesComeBackWithTheirTypeAndExactBytes) {
    Set("sz", REG_SZ, std::string("\\Device\\HarddiskVolume2\\SYSTEM\0", 31));
    Set("expand", REG_EXPAND_SZ, std::string("%SystemRoot%\\config\0", 21));
    Set("binary", REG_BINARY, std::string("\0\1\0\2", 4));
    Set("multi", REG_MULTI_SZ, std::string("a\0b\0\0", 5));
    Set("empty", REG_SZ, "");
    Set("", REG_SZ, std::string("default\0", 8));
    std::string big(100000, '\0');
    for (size_t i = 0; i < big.size(); ++i) {
        big[i] = static_cast<char>(i * 7);
    }
    Set("big", REG_BINARY, big);

    RegistryKey key;
    ASSERT_TRUE(platform_.OpenKeyEx(RootKey::LocalMachine, subKey_, reg::KeyRead, key).ok());
    struct Case {
        const char* name;
        uint32_t type;
        std::string data;
    };
    const Case cases[] = {
        {"sz", reg::Sz, std::string("\\Device\\HarddiskVolume2\\SYSTEM\0", 31)},
        // Environment references stay as they are.
        {"expand", reg::ExpandSz, std::string("%SystemRoot%\\config\0", 21)},
        {"binary", reg::Binary, std::string("\0\1\0\2", 4)},
        {"multi", reg::MultiSz, std::string("a\0b\0\0", 5)},
        {"empty", reg::Sz, ""},
        {"", reg::Sz, std::string("default\0", 8)},
        {"big", reg::Binary, big},
    };
    for (const Case& c : cases) {
        RegistryValue value;
        ASSERT_TRUE(platform_.QueryValue(key.get(), c.name, value).ok()) << c.name;
        EXPECT_EQ(value.type, c.type) << c.name;
        EXPECT_EQ(value.data, c.data) << c.name;
    }

    RegistryValue missing{reg::Dword, "stale"};
    EXPECT_EQ(platform_.QueryValue(key.get(), "no such value", missing).code, error::FileNotFound);
    EXPECT_EQ(missing.type, reg::None);
    EXPECT_TRUE(missing.data.empty());
    key.Close();
}

TEST_F(Win32Registry, OpensTheRootsTheHivesLiveUnder) {
    RegistryKey key;
    EXPECT_TRUE(platform_.OpenKey(RootKey::Users, ".DEFAULT", key).ok());
    EXPECT_TRUE(key.Close().ok());
    // The 64-bit view of SOFTWARE, as a 32-bit process under WOW64 asks for it.
    EXPECT_TRUE(platform_
                    .OpenKeyEx(RootKey::LocalMachine, "SOFTWARE",
                               reg::KeyQueryValue | reg::KeyWow64_64Key, key)
                    .ok());
    EXPECT_TRUE(key.Close().ok());
    EXPECT_TRUE(platform_
                    .OpenKeyEx(RootKey::LocalMachine,
                               "SYSTEM\\CurrentControlSet\\Control\\hivelist", reg::KeyRead, key)
                    .ok());
    EXPECT_TRUE(key.Close().ok());

    RegistryKey none(platform_, KeyHandle{12345});
    EXPECT_EQ(platform_.OpenKey(RootKey::LocalMachine, subKey_ + "\\missing", none).code,
              error::FileNotFound);
    EXPECT_FALSE(none) << "a failed open must not hand out a handle";
    EXPECT_EQ(platform_.OpenHandleCount(), 0u);
}

TEST_F(Win32Registry, HandlesAreClosedOnceAndUnknownHandlesAreRefused) {
    RegistryKey first;
    RegistryKey second;
    // An empty sub-key hands back the root itself, twice; each open still gets its own handle.
    ASSERT_TRUE(platform_.OpenKey(RootKey::LocalMachine, "", first).ok());
    ASSERT_TRUE(platform_.OpenKey(RootKey::LocalMachine, "", second).ok());
    EXPECT_NE(first.get().value, second.get().value);
    EXPECT_EQ(platform_.OpenHandleCount(), 2u);

    const KeyHandle closed = first.get();
    EXPECT_TRUE(first.Close().ok());
    EXPECT_EQ(RegistryKey(platform_, closed).Close().code, error::InvalidHandle);
    std::vector<std::string> names;
    EXPECT_EQ(platform_.EnumValueNames(closed, names).code, error::InvalidHandle);
    RegistryValue value;
    EXPECT_EQ(platform_.QueryValue(KeyHandle{987654}, "x", value).code, error::InvalidHandle);
    EXPECT_EQ(platform_.SaveKey(KeyHandle{987654}, "C:\\never.hvt").code, error::InvalidHandle);
    EXPECT_TRUE(second.Close().ok());
    EXPECT_EQ(platform_.OpenHandleCount(), 0u);
}

// Saving needs the backup privilege, which the process token holds but has disabled until the
// scan enables it.
TEST_F(Win32Registry, SavingNeedsTheBackupPrivilegeAndNeverOverwrites) {
    Set("payload", REG_SZ, std::string("kept\0", 5));
    ScratchFolder folder;
    const std::string file = folder / "SOFTWARE.hvt";

    auto token = platform_.OpenProcessToken(token::AdjustAndQuery);
    ASSERT_TRUE(token);
    auto backup = platform_.LookupPrivilegeValue(token::BackupPrivilege);
    ASSERT_TRUE(backup);
    ASSERT_TRUE(platform_.AdjustTokenPrivilege(token.get(), *backup, 0).ok()); // disabled

    RegistryKey key;
    ASSERT_TRUE(platform_.OpenKey(RootKey::LocalMachine, subKey_, key).ok());
    EXPECT_EQ(platform_.SaveKey(key.get(), file).code, error::PrivilegeNotHeld);
    EXPECT_FALSE(testing::ReadWholeFile(file)) << "a failed save leaves no file";

    ASSERT_TRUE(platform_.AdjustTokenPrivilege(token.get(), *backup, token::PrivilegeEnabled).ok());
    ASSERT_TRUE(platform_.SaveKey(key.get(), file).ok());
    auto saved = testing::ReadWholeFile(file);
    ASSERT_TRUE(saved);
    EXPECT_FALSE(saved->empty());

    // A second save onto the same name is refused and leaves the first file alone.
    Status again = platform_.SaveKey(key.get(), file);
    EXPECT_EQ(again.code, error::AlreadyExists);
    EXPECT_EQ(testing::ReadWholeFile(file), saved);

    EXPECT_FALSE(platform_.SaveKey(key.get(), folder / "no such folder\\SOFTWARE.hvt").ok());
    key.Close();
    platform_.AdjustTokenPrivilege(token.get(), *backup, 0);
    token.Close();
}

// The hive check reads the file with Hivelet's own verifier. A hive as Windows' RegSaveKeyA
// writes it passes; Wine's RegSaveKeyA writes its own text format, which is no hive, and a
// truncated hive fails on every system.
TEST_F(Win32Registry, TheHiveCheckAcceptsSoundHivesOnlyAndWinesSavesAreNone) {
    ScratchFolder folder;
    const std::string sound = folder / "sound.hvt";
    regf::Key root;
    root.name = "ROOT";
    root.subkeys.push_back(regf::Key{});
    root.subkeys.back().name = "Child";
    ASSERT_TRUE(regf::WriteHiveFile(root, sound).ok());
    EXPECT_TRUE(platform_.VerifyHiveFile(sound).ok()) << platform_.VerifyHiveFile(sound).detail;

    std::optional<std::string> bytes = testing::ReadWholeFile(sound);
    ASSERT_TRUE(bytes);
    const std::string truncated = folder / "truncated.hvt";
    ASSERT_TRUE(testing::WriteWholeFile(truncated, bytes->substr(0, bytes->size() - 1024)));
    EXPECT_EQ(platform_.VerifyHiveFile(truncated).code, error::BadDb);
    EXPECT_EQ(platform_.VerifyHiveFile(folder / "missing.hvt").code, error::FileNotFound);

    Set("payload", REG_SZ, std::string("kept\0", 5));
    auto token = platform_.OpenProcessToken(token::AdjustAndQuery);
    ASSERT_TRUE(token);
    auto backup = platform_.LookupPrivilegeValue(token::BackupPrivilege);
    ASSERT_TRUE(backup);
    ASSERT_TRUE(platform_.AdjustTokenPrivilege(token.get(), *backup, token::PrivilegeEnabled).ok());
    RegistryKey key;
    ASSERT_TRUE(platform_.OpenKey(RootKey::LocalMachine, subKey_, key).ok());
    const std::string saved = folder / "saved.hvt";
    ASSERT_TRUE(platform_.SaveKey(key.get(), saved).ok());
    if (testing::RunningUnderWine())
        EXPECT_EQ(platform_.VerifyHiveFile(saved).code, error::BadDb);
    else
        EXPECT_TRUE(platform_.VerifyHiveFile(saved).ok()) << platform_.VerifyHiveFile(saved).detail;
    key.Close();
    platform_.AdjustTokenPrivilege(token.get(), *backup, 0);
    token.Close();
}

} // namespace
} // namespace hivelet::platform::win32
