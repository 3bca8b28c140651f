// CompactHiveFile as a caller sees it: the target is either the complete copy or absent.
#include "RegfTestSupport.h"

#include "platform/regf/Regf.h"

#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

namespace hivelet::regf {
namespace {

using regf_test::FolderEntries;
using regf_test::ReadBytes;
using regf_test::RichTree;
using regf_test::ScratchFolder;
namespace fs = std::filesystem;

class RegfCompact : public ::testing::Test {
protected:
    void SetUp() override {
        WriteOptions options;
        options.freeFraction = 0.2;
        ASSERT_TRUE(WriteHiveFile(RichTree(600), folder.file("source"), options).ok());
    }
    ScratchFolder folder;
};

TEST_F(RegfCompact, RefusesAnExistingTargetAndLeavesItAlone) {
    regf_test::WriteBytes(folder.file("target"), {'k', 'e', 'e', 'p'});
    Status s = CompactHiveFile(folder.file("source"), folder.file("target"));
    EXPECT_EQ(s.kind, ErrorKind::Io);
    EXPECT_NE(s.message.find("target"), std::string::npos) << s.message;
    EXPECT_EQ(ReadBytes(folder.file("target")), (std::vector<uint8_t>{'k', 'e', 'e', 'p'}));
    EXPECT_EQ(FolderEntries(folder.path()), (std::vector<std::string>{"source", "target"}));
}

TEST_F(RegfCompact, FailureLeavesNoFileBehind) {
    std::vector<uint8_t> bytes = ReadBytes(folder.file("source"));
    bytes.resize(bytes.size() - 4096); // the last bin is gone
    regf_test::WriteBytes(folder.file("truncated"), bytes);
    Status s = CompactHiveFile(folder.file("truncated"), folder.file("target"));
    EXPECT_EQ(s.kind, ErrorKind::Corrupt);
    EXPECT_EQ(FolderEntries(folder.path()), (std::vector<std::string>{"source", "truncated"}));

    s = CompactHiveFile(folder.file("missing"), folder.file("target"));
    EXPECT_EQ(s.kind, ErrorKind::Io);
    s = CompactHiveFile(folder.file("source"), folder.file("no such folder/target"));
    EXPECT_EQ(s.kind, ErrorKind::Io);
    EXPECT_EQ(FolderEntries(folder.path()), (std::vector<std::string>{"source", "truncated"}));
}

// A folder or a FIFO where the hive should be is refused at once: opening a FIFO for reading
// would otherwise wait for a writer that never comes, and an unattended run with it.
TEST_F(RegfCompact, ASourceThatIsNoRegularFileIsRefusedWithoutWaiting) {
    fs::create_directory(folder.file("folder"));
    Status s = CompactHiveFile(folder.file("folder"), folder.file("target"));
    EXPECT_EQ(s.kind, ErrorKind::Io);
    EXPECT_NE(s.message.find("not a regular file"), std::string::npos) << s.message;
#if !defined(_WIN32)
    ASSERT_EQ(mkfifo(folder.file("fifo").c_str(), 0600), 0);
    s = CompactHiveFile(folder.file("fifo"), folder.file("target"));
    EXPECT_EQ(s.kind, ErrorKind::Io);
    EXPECT_NE(s.message.find("not a regular file"), std::string::npos) << s.message;
#endif
    EXPECT_FALSE(fs::exists(folder.file("target")));
}

TEST_F(RegfCompact, CompactingACompactCopyChangesNothingButTheBaseBlock) {
    ASSERT_TRUE(CompactHiveFile(folder.file("source"), folder.file("once")).ok());
    ASSERT_TRUE(CompactHiveFile(folder.file("once"), folder.file("twice")).ok());
    std::vector<uint8_t> once = ReadBytes(folder.file("once"));
    std::vector<uint8_t> twice = ReadBytes(folder.file("twice"));
    ASSERT_EQ(once.size(), twice.size());
    EXPECT_TRUE(std::equal(once.begin() + 4096, once.end(), twice.begin() + 4096));
    EXPECT_LT(once.size(), fs::file_size(folder.file("source")));
}

TEST_F(RegfCompact, SubtreeBecomesTheRootOfTheCopy) {
    CompactOptions options;
    options.subtreePath = "MANY"; // names match like Windows matches them
    Status s = CompactHiveFile(folder.file("source"), folder.file("many"), options);
    ASSERT_TRUE(s.ok()) << s.message;
    EXPECT_TRUE(VerifyCompactHiveFile(folder.file("many")).ok());
    std::string dump;
    ASSERT_TRUE(DumpHiveFile(folder.file("many"), dump).ok());
    EXPECT_EQ(dump.find("key \"Many\"\n"), dump.find("key "));
    EXPECT_NE(dump.find("keys 601 values 200 descriptors 1\n"), std::string::npos)
        << dump.substr(dump.size() - 80);

    options.subtreePath = "\\mixed\\\xC3\x89\\"; // é matched by its upper case É
    ASSERT_TRUE(CompactHiveFile(folder.file("source"), folder.file("leaf"), options).ok());
    ASSERT_TRUE(DumpHiveFile(folder.file("leaf"), dump).ok());
    EXPECT_NE(dump.find("key \"\xC3\xA9\"\n"), std::string::npos) << dump;

    options.subtreePath = "mixed\\nothing";
    s = CompactHiveFile(folder.file("source"), folder.file("none"), options);
    EXPECT_EQ(s.kind, ErrorKind::NotFound);
    EXPECT_NE(s.message.find("nothing"), std::string::npos) << s.message;
    EXPECT_FALSE(fs::exists(folder.file("none")));
}

TEST_F(RegfCompact, CopyIsASavedHive) {
    ASSERT_TRUE(CompactHiveFile(folder.file("source"), folder.file("copy")).ok());
    std::vector<uint8_t> copy = ReadBytes(folder.file("copy"));
    ASSERT_GE(copy.size(), 8192u);
    auto u32 = [&](size_t at) {
        return uint32_t(copy[at]) | uint32_t(copy[at + 1]) << 8 | uint32_t(copy[at + 2]) << 16 |
               uint32_t(copy[at + 3]) << 24;
    };
    EXPECT_EQ(u32(4), 1u); // sequence numbers 1/1
    EXPECT_EQ(u32(8), 1u);
    EXPECT_EQ(u32(0x24), 0x20u); // root first
    EXPECT_EQ(u32(0x28) + 4096u, copy.size());
    EXPECT_EQ(std::string(copy.begin() + 0xA4, copy.begin() + 0xA8), "rmtm");
    // Root key: hive-entry and no-delete, no parent, its descriptor right behind it.
    EXPECT_EQ(copy[0x1024], 'n');
    EXPECT_EQ(copy[0x1026] & 0x0C, 0x0C);
    EXPECT_EQ(u32(0x1024 + 0x10), 0xFFFFFFFFu);
    uint32_t rootCell = 0x20 + ((0u - u32(0x1020)) & 0xFFFFFFFF);
    EXPECT_EQ(u32(0x1024 + 0x2C), rootCell);
}

} // namespace
} // namespace hivelet::regf
