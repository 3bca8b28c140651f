// The fake stands in for Windows in every unit suite, so its Windows-like rules are checked here.
#include "platform/fake/FakePlatform.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace hivelet::fake {
namespace {

using namespace std::string_literals;
namespace drive = platform::drive;

TEST(FakeDrives, LogicalDriveStringsNeedRoomForTheFinalTerminator) {
    FakePlatform fake;
    fake.AddDrive('C', drive::Fixed, "\\Device\\HarddiskVolume1");
    fake.AddDrive('d', drive::CdRom, "\\Device\\CdRom0");
    std::string buffer;
    EXPECT_EQ(fake.GetLogicalDriveStrings(104, buffer), 8u);
    EXPECT_EQ(buffer, "C:\\\0D:\\\0"s);
    // Eight characters plus the list terminator do not fit in eight: nothing is copied.
    EXPECT_EQ(fake.GetLogicalDriveStrings(8, buffer), 9u);
    EXPECT_TRUE(buffer.empty());
    EXPECT_EQ(fake.GetDriveType("D:\\"), drive::CdRom);
    EXPECT_EQ(fake.GetDriveType("E:\\"), drive::NoRootDir);
}

TEST(FakeDrives, QueryDosDeviceNeedsRoomForTheTargetListAndIgnoresCase) {
    FakePlatform fake;
    fake.AddDrive('C', drive::Fixed, std::string(124, 'x'));
    std::string target;
    EXPECT_TRUE(fake.QueryDosDevice("c:", 127, target)); // 124 + 1 + 1 fits
    EXPECT_EQ(target.size(), 124u);
    EXPECT_FALSE(fake.QueryDosDevice("C:", 125, target));
    EXPECT_FALSE(fake.QueryDosDevice("Z:", 1000, target));
}

TEST(FakeProfile, LookupRulesOfTheWindowsProfileService) {
    FakePlatform fake;
    fake.AddTextFile("C:\\a.ini", "junk line\r\n[ResourceString]\r\n  RES_A =  'quoted'  \r\n"
                                  "res_b=\"dq\"\r\nEmpty=\r\nLong=" +
                                      std::string(3000, 'v') + "\r\n[Other]\r\nRES_C=c\r\n");
    EXPECT_EQ(fake.GetProfileString("resourcestring", "res_a", "d", "c:\\A.INI"), "quoted");
    EXPECT_EQ(fake.GetProfileString("ResourceString", "RES_B", "d", "C:\\a.ini"), "dq");
    EXPECT_EQ(fake.GetProfileString("ResourceString", "Empty", "d", "C:\\a.ini"), "");
    EXPECT_EQ(fake.GetProfileString("ResourceString", "Long", "d", "C:\\a.ini").size(), 2047u);
    EXPECT_EQ(fake.GetProfileString("ResourceString", "RES_C", "d", "C:\\a.ini"), "d");
    EXPECT_EQ(fake.GetProfileString("ResourceString", "RES_A", "d", "C:\\missing.ini"), "d");
}

TEST(FakeProfile, WritesKeepOrderReplaceInPlaceAndRespectFailures) {
    FakePlatform fake;
    EXPECT_TRUE(fake.WriteProfileString("Options", "A", "1", "C:\\o.ini"));
    EXPECT_TRUE(fake.WriteProfileString("Other", "X", "x", "C:\\o.ini"));
    EXPECT_TRUE(fake.WriteProfileString("options", "B", "2", "C:\\o.ini"));
    EXPECT_TRUE(fake.WriteProfileString("Options", "a", "0", "C:\\o.ini"));
    // Like the real profile files: the key keeps its first spelling, a new section follows a
    // blank line.
    EXPECT_EQ(fake.FileText("C:\\o.ini"), "[Options]\r\nA=0\r\nB=2\r\n\r\n[Other]\r\nX=x\r\n");
    EXPECT_TRUE(fake.EraseProfileSection("OPTIONS", "C:\\o.ini"));
    EXPECT_EQ(fake.FileText("C:\\o.ini"), "[Other]\r\nX=x\r\n");

    fake.SetReadOnly("C:\\o.ini", true);
    EXPECT_FALSE(fake.WriteProfileString("Other", "Y", "y", "C:\\o.ini"));
    fake.SetUnwritableFolder("D:\\ro\\");
    EXPECT_FALSE(fake.WriteProfileString("S", "K", "v", "D:\\ro\\new.ini"));
    EXPECT_FALSE(fake.HasFile("D:\\ro\\new.ini"));
}

TEST(FakeRegistry, SaveRecordsTheOpenAndRefusesAnExistingTarget) {
    FakePlatform fake;
    fake.AddKey(RootKey::LocalMachine, "SOFTWARE");
    fake.ScriptSave(RootKey::LocalMachine, "software", {Status::Ok(), 5000000000ull, {}, 0});
    RegistryKey key;
    ASSERT_TRUE(fake.OpenKeyEx(RootKey::LocalMachine, "Software", 0x101, key).ok());
    EXPECT_TRUE(fake.SaveKey(key.get(), "C:\\s.hvt").ok());
    EXPECT_EQ(fake.FindFileSize("c:\\S.HVT"), 5000000000ull);
    EXPECT_EQ(fake.SaveKey(key.get(), "C:\\s.hvt").code, platform::error::AlreadyExists);
    ASSERT_EQ(fake.Saves().size(), 2u);
    EXPECT_EQ(fake.Saves()[0].access, 0x101u);
    EXPECT_EQ(fake.OpenKeyCount(), 1);
    const KeyHandle closed = key.get();
    EXPECT_TRUE(key.Close().ok());
    EXPECT_EQ(fake.OpenKeyCount(), 0);
    EXPECT_FALSE(RegistryKey(fake, closed).Close().ok());
    EXPECT_EQ(fake.KeyOpens()[0].closeCount, 2);
}

TEST(FakeRegistry, GatedSaveShowsAPartialFileUntilReleased) {
    FakePlatform fake;
    fake.AddKey(RootKey::LocalMachine, "SYSTEM");
    auto gate = std::make_shared<Gate>();
    fake.ScriptSave(RootKey::LocalMachine, "SYSTEM", {Status::Ok(), 4096, gate, 100});
    RegistryKey key;
    ASSERT_TRUE(fake.OpenKey(RootKey::LocalMachine, "SYSTEM", key).ok());
    std::thread worker([&] { fake.SaveKey(key.get(), "C:\\y.hvt"); });
    gate->WaitArrived();
    EXPECT_EQ(fake.FindFileSize("C:\\y.hvt"), 100u);
    gate->Release();
    worker.join();
    EXPECT_EQ(fake.FindFileSize("C:\\y.hvt"), 4096u);
}

TEST(FakePrivileges, NotHeldSucceedsWithoutEnablingAndUnknownLookupFails) {
    FakePlatform fake;
    fake.ScriptPrivilege("SeBackupPrivilege", {true, Status::Ok(), false});
    fake.ScriptPrivilege("SeRestorePrivilege", {false, Status::Ok(), true});
    auto token = fake.OpenProcessToken(platform::token::AdjustAndQuery);
    ASSERT_TRUE(token);
    auto luid = fake.LookupPrivilegeValue("SeBackupPrivilege");
    ASSERT_TRUE(luid);
    EXPECT_TRUE(fake.AdjustTokenPrivilege(token.get(), *luid, 2).ok());
    EXPECT_FALSE(fake.PrivilegeEnabled("SeBackupPrivilege"));
    EXPECT_FALSE(fake.LookupPrivilegeValue("SeRestorePrivilege"));
    auto shutdown = fake.LookupPrivilegeValue("SeShutdownPrivilege");
    EXPECT_TRUE(fake.AdjustTokenPrivilege(token.get(), *shutdown, 2).ok());
    EXPECT_TRUE(fake.PrivilegeEnabled("seshutdownprivilege"));
    EXPECT_TRUE(token.Close());
    EXPECT_EQ(fake.OpenTokenCount(), 0);
}

} // namespace
} // namespace hivelet::fake
