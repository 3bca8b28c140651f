// Saving and replacing hives in an image, and the restart that puts the replacements in place.
#include "TestImage.h"

#include "platform/image/ImagePlatform.h"

#include <gtest/gtest.h>

#include <cstring>

namespace hivelet::image {
namespace {

using namespace testing;
using namespace hivelet::platform;

const std::string Config = "C:\\Windows\\System32\\config\\";
const std::string AnnSid = "S-1-5-21-1-2-3-1001";
const std::string Ann = "C:\\Users\\ann\\NTUSER.DAT"; // the user hive's file

class HiveServices : public ::testing::Test {
protected:
    ImagePlatform& Make(bool wow64 = false) {
        WriteStandardImage(folder_.path(), wow64);
        image_ = std::make_unique<ImagePlatform>(folder_.path());
        return *image_;
    }
    void Enable(const char* privilege) {
        auto t = image_->OpenProcessToken(token::AllStandardRights);
        ASSERT_TRUE(image_
                        ->AdjustTokenPrivilege(t.get(), *image_->LookupPrivilegeValue(privilege),
                                               token::PrivilegeEnabled)
                        .ok());
        t.Close();
    }
    Status Save(RootKey root, const std::string& sub, const std::string& file,
                std::optional<uint32_t> access = std::nullopt) {
        RegistryKey key;
        Status open =
            access ? image_->OpenKeyEx(root, sub, *access, key) : image_->OpenKey(root, sub, key);
        if (!open.ok()) {
            return open;
        }
        Status s = image_->SaveKey(key.get(), file);
        EXPECT_TRUE(key.Close().ok());
        return s;
    }
    Status Replace(const std::string& sub, const std::string& fresh, const std::string& old,
                   RootKey root = RootKey::LocalMachine) {
        return image_->ReplaceKey(root, sub, fresh, old);
    }
    fs::path Host(const std::string& rel) const { return folder_.path() / rel; }
    // A file in the config folder, on the host.
    fs::path ConfigHost(const std::string& name) const {
        return Host("C/Windows/System32/config/" + name);
    }
    TempFolder folder_;
    std::unique_ptr<ImagePlatform> image_;
};

TEST_F(HiveServices, SaveWritesACompactCopyOnlyItsOwnerCanRead) {
    ImagePlatform& image = Make();
    Enable(token::BackupPrivilege);
    ASSERT_TRUE(Save(RootKey::LocalMachine, "SYSTEM", Config + "SYSTEM.hvt").ok());
    const fs::path live = ConfigHost("SYSTEM");
    const fs::path snap = ConfigHost("SYSTEM.hvt");
    regf::Status verified = regf::VerifyHiveFile(snap.string());
    EXPECT_TRUE(verified.ok()) << verified.message;
    EXPECT_EQ(DumpHive(snap), DumpHive(live));
    EXPECT_LT(fs::file_size(snap), fs::file_size(live)); // the live hive carries free space
#ifndef _WIN32
    EXPECT_EQ(fs::status(snap).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
#endif
    for (const auto& e : fs::directory_iterator(live.parent_path())) {
        EXPECT_EQ(e.path().filename().string().find(".hivelet-save"), std::string::npos);
    }
    EXPECT_EQ(image.FindFileSize(Config + "SYSTEM.hvt"), fs::file_size(snap));
    // Users' hives are reached under HKEY_USERS.
    ASSERT_TRUE(Save(RootKey::Users, AnnSid, Ann + ".hvt").ok());
    EXPECT_NE(DumpHive(Host("C/Users/ann/NTUSER.DAT.hvt")).find("Marker-NTUSER.DAT"),
              std::string::npos);
}

// The hive check reads a file of the image by its drive-letter path: a saved snapshot passes,
// the same bytes cut short do not, and a missing file is not found.
TEST_F(HiveServices, TheHiveCheckFindsTheFileInTheImageAndRejectsATruncatedOne) {
    ImagePlatform& image = Make();
    Enable(token::BackupPrivilege);
    ASSERT_TRUE(Save(RootKey::LocalMachine, "SYSTEM", Config + "SYSTEM.hvt").ok());
    EXPECT_TRUE(image.VerifyHiveFile(Config + "system.HVT").ok());

    const fs::path saved = ConfigHost("SYSTEM.hvt");
    const std::string bytes = ReadBytes(saved);
    WriteBytes(ConfigHost("CUT.hvt"), bytes.substr(0, bytes.size() / 2));
    const Status cut = image.VerifyHiveFile(Config + "CUT.hvt");
    EXPECT_EQ(cut.code, error::BadDb);
    EXPECT_FALSE(cut.detail.empty());
    EXPECT_EQ(image.VerifyHiveFile(Config + "NONE.hvt").code, error::FileNotFound);
    EXPECT_EQ(image.VerifyHiveFile("Q:\\elsewhere.hvt").code, error::FileNotFound);
}

TEST_F(HiveServices, SaveRefusesWithWindowsErrorCodes) {
    ImagePlatform& image = Make();
    EXPECT_EQ(Save(RootKey::LocalMachine, "SYSTEM", Config + "SYSTEM.hvt").code,
              error::PrivilegeNotHeld);
    EXPECT_FALSE(fs::exists(ConfigHost("SYSTEM.hvt")));
    Enable(token::BackupPrivilege);
    WriteBytes(ConfigHost("SYSTEM.hvt"), "stale");
    EXPECT_EQ(Save(RootKey::LocalMachine, "SYSTEM", Config + "system.HVT").code,
              error::AlreadyExists);
    EXPECT_EQ(ReadBytes(ConfigHost("SYSTEM.hvt")), "stale");
    EXPECT_EQ(Save(RootKey::LocalMachine, "SYSTEM", "C:\\NoSuchFolder\\SYSTEM.hvt").code,
              error::PathNotFound);
    EXPECT_EQ(Save(RootKey::LocalMachine, "SYSTEM", "Q:\\SYSTEM.hvt").code, error::PathNotFound);
    EXPECT_EQ(Save(RootKey::LocalMachine, "HARDWARE", "C:\\HARDWARE.hvt").code,
              error::FileNotFound);
    EXPECT_EQ(Save(RootKey::LocalMachine, "SYSTEM\\CurrentControlSet\\Control\\hivelist",
                   "C:\\hivelist.hvt")
                  .code,
              error::AccessDenied);
    EXPECT_EQ(image.SaveKey(KeyHandle{12345}, "C:\\x.hvt").code, error::InvalidHandle);
    EXPECT_FALSE(fs::exists(Host("C/HARDWARE.hvt")));
}

TEST_F(HiveServices, AnUnreadableHiveFailsWithTheReasonInTheDetail) {
    Make();
    Enable(token::BackupPrivilege);
    const fs::path sam = ConfigHost("SAM");
    std::string good = ReadBytes(sam);

    WriteBytes(sam, "this is not a hive at all");
    Status notHive = Save(RootKey::LocalMachine, "SAM", Config + "SAM.hvt");
    EXPECT_EQ(notHive.code, error::BadDb);
    EXPECT_FALSE(notHive.detail.empty());

    std::string dirty = good;
    MakeDirty(dirty);
    WriteBytes(sam, dirty);
    Status d = Save(RootKey::LocalMachine, "SAM", Config + "SAM.hvt");
    EXPECT_EQ(d.code, error::RegistryCorrupt);
    EXPECT_NE(d.detail.find("SAM"), std::string::npos) << d.detail;

    std::string corrupt = good;
    std::memset(corrupt.data() + 0x1000, 0x5a, 64); // the first bin's header and root cell
    WriteBytes(sam, corrupt);
    Status c = Save(RootKey::LocalMachine, "SAM", Config + "SAM.hvt");
    EXPECT_TRUE(c.code == error::RegistryCorrupt || c.code == error::BadDb) << c.code;
    EXPECT_FALSE(c.detail.empty());

    fs::remove(sam);
    EXPECT_EQ(Save(RootKey::LocalMachine, "SAM", Config + "SAM.hvt").code, error::RegistryIoFailed);
    EXPECT_FALSE(fs::exists(ConfigHost("SAM.hvt")));
}

TEST_F(HiveServices, A32BitProcessSavesOnlyTheWow6432NodeOfSoftwareUnlessItAsksFor64Bits) {
    Make(true);
    Enable(token::BackupPrivilege);
    const std::string sysnative = "C:\\Windows\\sysnative\\config\\";
    ASSERT_TRUE(Save(RootKey::LocalMachine, "SOFTWARE", sysnative + "SOFTWARE.32").ok());
    std::string view32 = DumpHive(ConfigHost("SOFTWARE.32"));
    EXPECT_NE(view32.find("Only32-SOFTWARE"), std::string::npos);
    EXPECT_EQ(view32.find("Marker-SOFTWARE"), std::string::npos);

    ASSERT_TRUE(Save(RootKey::LocalMachine, "SOFTWARE", sysnative + "SOFTWARE.hvt",
                     reg::KeyQueryValue | reg::KeyWow64_64Key)
                    .ok());
    EXPECT_EQ(DumpHive(ConfigHost("SOFTWARE.hvt")), DumpHive(ConfigHost("SOFTWARE")));
    // Only SOFTWARE has a 32-bit view.
    ASSERT_TRUE(Save(RootKey::LocalMachine, "SYSTEM", sysnative + "SYSTEM.hvt").ok());
    EXPECT_NE(DumpHive(ConfigHost("SYSTEM.hvt")).find("Marker-SYSTEM"), std::string::npos);
}

TEST_F(HiveServices, ReplaceRecordsTheRequestAndHoldsTheNewFile) {
    ImagePlatform& image = Make();
    Enable(token::BackupPrivilege);
    ASSERT_TRUE(Save(RootKey::LocalMachine, "SYSTEM", Config + "SYSTEM.hvt").ok());
    EXPECT_EQ(Replace("SYSTEM", Config + "SYSTEM.hvt", Config + "SYSTEM.bak").code,
              error::PrivilegeNotHeld);
    Enable(token::RestorePrivilege);
    ASSERT_TRUE(Replace("System", Config + "SYSTEM.hvt", Config + "SYSTEM.bak").ok());
    ASSERT_EQ(image.pendingReplacements().size(), 1u);
    const Replacement r = image.pendingReplacements()[0];
    EXPECT_EQ(r.hive, "\\REGISTRY\\MACHINE\\SYSTEM");
    EXPECT_EQ(r.live, "C/Windows/System32/config/SYSTEM");
    EXPECT_EQ(r.fresh, "C/Windows/System32/config/SYSTEM.hvt");
    EXPECT_EQ(r.backup, "C/Windows/System32/config/SYSTEM.bak");
    ImagePlatform later(folder_.path()); // the request is kept in the image
    for (ImagePlatform* p : {&image, &later}) {
        // Held under its name: not removable, not openable, still there and measurable.
        EXPECT_FALSE(p->DeleteFile(Config + "SYSTEM.hvt"));
        EXPECT_FALSE(p->OpenExclusive(Config + "system.hvt"));
        EXPECT_TRUE(p->FileExists(Config + "SYSTEM.hvt"));
        EXPECT_TRUE(p->FindFileSize(Config + "SYSTEM.hvt").value_or(0) > 0);
        EXPECT_EQ(p->pendingReplacements().size(), 1u);
    }
    EXPECT_EQ(Replace("SYSTEM", Config + "SYSTEM.hvt", Config + "SYSTEM.bak2").code,
              error::AccessDenied);
}

TEST_F(HiveServices, ReplaceChecksItsFiles) {
    ImagePlatform& image = Make();
    Enable(token::BackupPrivilege);
    Enable(token::RestorePrivilege);
    ASSERT_TRUE(Save(RootKey::LocalMachine, "SAM", Config + "SAM.hvt").ok());
    WriteBytes(ConfigHost("junk.hvt"), "regf but not really");
    Status junk = Replace("SAM", Config + "junk.hvt", Config + "SAM.bak");
    EXPECT_EQ(junk.code, error::BadDb);
    EXPECT_FALSE(junk.detail.empty());
    EXPECT_EQ(Replace("SAM", Config + "missing.hvt", Config + "SAM.bak").code, error::FileNotFound);
    EXPECT_EQ(Replace("NOHIVE", Config + "SAM.hvt", Config + "SAM.bak").code, error::FileNotFound);
    EXPECT_EQ(Replace("HARDWARE", Config + "SAM.hvt", Config + "SAM.bak").code,
              error::AccessDenied);
    EXPECT_EQ(Replace("SAM", Config + "SAM", Config + "SAM.bak").code, error::InvalidParameter);
    // Not the same drive.
    EXPECT_EQ(Replace("SAM", Config + "SAM.hvt", "D:\\SAM.bak").code, 17u);
    WriteBytes(ConfigHost("SAM.bak"), "old backup");
    EXPECT_EQ(Replace("SAM", Config + "SAM.hvt", Config + "SAM.bak").code, error::AlreadyExists);
    // Another hive's live file is in use.
    EXPECT_EQ(Replace("SAM", Config + "SYSTEM", Config + "SAM.bak2").code, error::SharingViolation);
    EXPECT_TRUE(image.pendingReplacements().empty());
}

TEST_F(HiveServices, LogsInAnyLetterCaseFollowTheirHiveToItsBackup) {
    ImagePlatform& image = Make();
    EnableHivePrivileges(image);
    WriteBytes(Host("C/Users/ann/NTUSER.DAT.log1"), "newest changes");
    WriteBytes(Host("C/Users/ann/NTUSER.DAT.Log2"), "older changes");
    const std::string oldUser = ReadBytes(Host("C/Users/ann/NTUSER.DAT"));
    ASSERT_TRUE(Save(RootKey::Users, AnnSid, Ann + ".hvt").ok());
    ASSERT_TRUE(Replace(AnnSid, Ann + ".hvt", Ann + ".bak", RootKey::Users).ok());
    ASSERT_TRUE(image.ExitWindows(exitflags::Reboot | exitflags::Force, 1).ok());

    EXPECT_EQ(ReadBytes(Host("C/Users/ann/NTUSER.DAT.bak")), oldUser);
    EXPECT_EQ(ReadBytes(Host("C/Users/ann/NTUSER.DAT.bak.log1")), "newest changes");
    EXPECT_EQ(ReadBytes(Host("C/Users/ann/NTUSER.DAT.bak.Log2")), "older changes");
    EXPECT_FALSE(fs::exists(Host("C/Users/ann/NTUSER.DAT.log1")))
        << "the compacted hive must not start with the old hive's log beside it";
    EXPECT_FALSE(fs::exists(Host("C/Users/ann/NTUSER.DAT.Log2")));
}

TEST_F(HiveServices, RestartPutsEveryReplacementInPlaceThenEndsTheSession) {
    ImagePlatform& image = Make();
    EnableHivePrivileges(image);
    const fs::path live = ConfigHost("SYSTEM");
    const std::string oldSystem = ReadBytes(live);
    const std::string oldLog1 = ReadBytes(ConfigHost("SYSTEM.LOG1"));
    const std::string oldUser = ReadBytes(Host("C/Users/ann/NTUSER.DAT"));
    const std::string oldSam = ReadBytes(ConfigHost("SAM"));
    ASSERT_TRUE(Save(RootKey::LocalMachine, "SYSTEM", Config + "SYSTEM.hvt").ok());
    ASSERT_TRUE(Save(RootKey::Users, AnnSid, Ann + ".hvt").ok());
    const std::string newSystem = ReadBytes(ConfigHost("SYSTEM.hvt"));
    const std::string newUser = ReadBytes(Host("C/Users/ann/NTUSER.DAT.hvt"));
    ASSERT_TRUE(Replace("SYSTEM", Config + "SYSTEM.hvt", Config + "SYSTEM.bak").ok());
    ASSERT_TRUE(Replace(AnnSid, Ann + ".hvt", Ann + ".bak", RootKey::Users).ok());
    // A backup name taken after the request is overwritten by the restart.
    WriteBytes(ConfigHost("SYSTEM.bak"), "taken meanwhile");
    WriteBytes(ConfigHost("SYSTEM.bak.LOG"), "stale log");
    bool swappedWhenEnded = false;
    image.SetSessionEndHandler([&] { swappedWhenEnded = ReadBytes(live) == newSystem; });
    ASSERT_TRUE(image.ExitWindows(exitflags::Reboot | exitflags::Force, 1).ok());
    EXPECT_TRUE(swappedWhenEnded);

    EXPECT_EQ(ReadBytes(live), newSystem);
    EXPECT_EQ(ReadBytes(ConfigHost("SYSTEM.bak")), oldSystem);
    EXPECT_EQ(ReadBytes(ConfigHost("SYSTEM.bak.LOG1")), oldLog1);
    EXPECT_TRUE(fs::exists(ConfigHost("SYSTEM.bak.LOG2")));
    EXPECT_FALSE(fs::exists(ConfigHost("SYSTEM.bak.LOG")));
    EXPECT_FALSE(fs::exists(ConfigHost("SYSTEM.LOG1")));
    EXPECT_FALSE(fs::exists(ConfigHost("SYSTEM.hvt")));
    EXPECT_EQ(ReadBytes(Host("C/Users/ann/NTUSER.DAT")), newUser);
    EXPECT_EQ(ReadBytes(Host("C/Users/ann/NTUSER.DAT.bak")), oldUser);
    EXPECT_EQ(ReadBytes(ConfigHost("SAM")), oldSam); // not scheduled
    EXPECT_TRUE(image.pendingReplacements().empty());
    ASSERT_EQ(image.ReadLog(BootLog).size(), 1u);
    EXPECT_EQ(image.ReadLog(BootLog)[0], "boot 1: replaced \\REGISTRY\\MACHINE\\SYSTEM, "
                                         "\\REGISTRY\\USER\\S-1-5-21-1-2-3-1001");
    EXPECT_FALSE(fs::exists(folder_.path() / StateFolderName / "journal.ini"));

    // The next run sees the started machine: nothing held, the new hive live and locked.
    ImagePlatform next(folder_.path());
    EXPECT_TRUE(next.pendingReplacements().empty());
    EXPECT_TRUE(next.DeleteFile(Config + "SYSTEM.bak"));
    EXPECT_FALSE(next.DeleteFile(Config + "SYSTEM"));
    EXPECT_TRUE(regf::VerifyHiveFile(live.string()).ok());
}

} // namespace
} // namespace hivelet::image
