// Hives generated from trees: what every other suite and the demo images are built from.
#include "RegfTestSupport.h"

#include "platform/regf/Regf.h"

#include <gtest/gtest.h>

namespace hivelet::regf {
namespace {

using regf_test::RichTree;
using regf_test::ScratchFolder;

std::string Dump(const std::string& path) {
    std::string text;
    Status s = DumpHiveFile(path, text);
    EXPECT_TRUE(s.ok()) << s.message;
    return text;
}

// Lines of the dump naming keys, in order.
std::vector<std::string> KeyLines(const std::string& dump) {
    std::vector<std::string> keys;
    size_t pos = 0;
    while ((pos = dump.find("key \"", pos)) != std::string::npos) {
        size_t end = dump.find('\n', pos);
        keys.push_back(dump.substr(pos + 5, end - pos - 6));
        pos = end;
    }
    return keys;
}

// A root with a single line of `levels` keys below it.
Key Chain(int levels) {
    Key root;
    Key* last = &root;
    const std::string name = "level";
    for (int i = 0; i < levels; ++i) {
        last->subkeys.emplace_back();
        last = &last->subkeys.back();
        last->name = name;
    }
    return root;
}

class TreeWriterVersions : public ::testing::TestWithParam<uint32_t> {};

TEST_P(TreeWriterVersions, WritesCompactHiveThatRoundTripsThroughCompaction) {
    ScratchFolder folder;
    WriteOptions options;
    options.minorVersion = GetParam();
    Key tree = RichTree();
    ASSERT_TRUE(WriteHiveFile(tree, folder.file("tree"), options).ok());

    Status verified = VerifyCompactHiveFile(folder.file("tree"));
    EXPECT_TRUE(verified.ok()) << verified.message;
    std::string dump = Dump(folder.file("tree"));
    EXPECT_EQ(dump.rfind("hive 1." + std::to_string(GetParam()) + "\n", 0), 0u);
    EXPECT_NE(dump.find("keys 1253 values 410 descriptors 2\n"), std::string::npos);

    Status compacted = CompactHiveFile(folder.file("tree"), folder.file("copy"));
    ASSERT_TRUE(compacted.ok()) << compacted.message;
    verified = VerifyCompactHiveFile(folder.file("copy"));
    EXPECT_TRUE(verified.ok()) << verified.message;
    EXPECT_EQ(Dump(folder.file("copy")), dump);
    EXPECT_EQ(std::filesystem::file_size(folder.file("copy")),
              std::filesystem::file_size(folder.file("tree")));
}

TEST_P(TreeWriterVersions, ChurnLeavesFreeCellsThatCompactionReclaims) {
    ScratchFolder folder;
    WriteOptions options;
    options.minorVersion = GetParam();
    options.freeFraction = 0.3;
    options.seed = 7;
    ASSERT_TRUE(WriteHiveFile(RichTree(), folder.file("churned"), options).ok());

    Status verified = VerifyHiveFile(folder.file("churned"));
    EXPECT_TRUE(verified.ok()) << verified.message;
    Status strict = VerifyCompactHiveFile(folder.file("churned"));
    EXPECT_EQ(strict.kind, ErrorKind::Corrupt);
    EXPECT_NE(strict.message.find("free cell inside a bin"), std::string::npos) << strict.message;

    ASSERT_TRUE(CompactHiveFile(folder.file("churned"), folder.file("copy")).ok());
    EXPECT_TRUE(VerifyCompactHiveFile(folder.file("copy")).ok());
    EXPECT_EQ(Dump(folder.file("copy")), Dump(folder.file("churned")));
    double churned = static_cast<double>(std::filesystem::file_size(folder.file("churned")));
    double copy = static_cast<double>(std::filesystem::file_size(folder.file("copy")));
    EXPECT_GT(churned, copy * 1.2) << "the free fraction was not honoured";
    EXPECT_LT(churned, copy * 1.8);
}

INSTANTIATE_TEST_SUITE_P(Versions, TreeWriterVersions, ::testing::Values(3u, 4u, 5u),
                         [](const auto& info) { return "Minor" + std::to_string(info.param); });

TEST(RegfTreeWriter, SameSeedGivesSameLayout) {
    ScratchFolder folder;
    WriteOptions options;
    options.freeFraction = 0.25;
    options.seed = 42;
    Key tree = RichTree(300);
    ASSERT_TRUE(WriteHiveFile(tree, folder.file("a"), options).ok());
    ASSERT_TRUE(WriteHiveFile(tree, folder.file("b"), options).ok());
    options.seed = 43;
    ASSERT_TRUE(WriteHiveFile(tree, folder.file("c"), options).ok());
    auto a = regf_test::ReadBytes(folder.file("a"));
    auto b = regf_test::ReadBytes(folder.file("b"));
    auto c = regf_test::ReadBytes(folder.file("c"));
    // The base block carries the time and fresh GUIDs; the bins are a function of tree and seed.
    EXPECT_TRUE(std::equal(a.begin() + 4096, a.end(), b.begin() + 4096, b.end()));
    EXPECT_FALSE(std::equal(a.begin() + 4096, a.end(), c.begin() + 4096, c.end()));
}

TEST(RegfTreeWriter, SubkeysComeOutInWindowsOrder) {
    ScratchFolder folder;
    ASSERT_TRUE(WriteHiveFile(RichTree(12), folder.file("tree")).ok());
    std::vector<std::string> mixed;
    for (const std::string& key : KeyLines(Dump(folder.file("tree")))) {
        if (key.rfind("ROOT\\mixed\\", 0) == 0) {
            mixed.push_back(key.substr(11));
        }
    }
    EXPECT_EQ(mixed, (std::vector<std::string>{"A", "ab", "a\xC3\x9F", "b", "Z", "_", "\xC3\xA9"}));
}

TEST(RegfTreeWriter, KeepsNamesClassesFlagsTimesAndData) {
    ScratchFolder folder;
    ASSERT_TRUE(WriteHiveFile(RichTree(3), folder.file("tree")).ok());
    std::string dump = Dump(folder.file("tree"));
    // UTF-16 stored name with a surrogate pair, its class as UTF-16LE bytes.
    EXPECT_NE(dump.find("key \"ROOT\\\xC3\x9Cn\xC3\xAF"
                        "c\xC3\xB6"
                        "d\xC3\xA9 \xE2\x84\xA2 \xF0\x90\x90\x80\"\n"
                        "  written 01d7000000000002\n"
                        "  class 4b006c0061007300730065002000ac20\n"),
              std::string::npos)
        << dump;
    EXPECT_NE(dump.find("key \"ROOT\\secured\"\n  written 0000000000000000\n  flags 0010\n"),
              std::string::npos);
    EXPECT_NE(dump.find("value \"size 5\" type 00000003 size 5 data 05"), std::string::npos);
    EXPECT_NE(dump.find("value \"zero\" type 00000003 size 0 data \n"), std::string::npos);
    // The two keys with the same descriptor share it.
    size_t secured = dump.find("key \"ROOT\\secured\"");
    size_t too = dump.find("key \"ROOT\\secured too\"");
    ASSERT_NE(too, std::string::npos);
    EXPECT_NE(dump.find("security #1 new", secured), std::string::npos);
    EXPECT_NE(dump.find("security #1\n", too), std::string::npos);
}

TEST(RegfTreeWriter, RefusesTreesWindowsCouldNotHold) {
    ScratchFolder folder;
    auto attempt = [&](const Key& tree, WriteOptions options = {}) {
        return WriteHiveFile(tree, folder.file("bad"), options);
    };
    Key root;
    root.name = "R";
    Key child;
    child.name = "Same";
    root.subkeys = {child, child};
    root.subkeys[1].name = "sAME";
    Status s = attempt(root);
    EXPECT_EQ(s.kind, ErrorKind::Corrupt);
    EXPECT_NE(s.message.find("same name"), std::string::npos) << s.message;

    root.subkeys = {child};
    root.subkeys[0].name = "a\\b";
    EXPECT_EQ(attempt(root).kind, ErrorKind::Corrupt);
    root.subkeys[0].name = "\xC3";
    EXPECT_EQ(attempt(root).kind, ErrorKind::Corrupt);
    root.subkeys[0].name = std::string(256, 'x');
    EXPECT_EQ(attempt(root).kind, ErrorKind::Corrupt);
    root.subkeys[0].name = "ok";
    root.subkeys[0].security = {1, 2, 3};
    EXPECT_EQ(attempt(root).kind, ErrorKind::Corrupt);
    root.subkeys[0].security.clear();

    WriteOptions six;
    six.minorVersion = 6;
    EXPECT_EQ(attempt(root, six).kind, ErrorKind::Unsupported);
    EXPECT_FALSE(std::filesystem::exists(folder.file("bad")));

    s = attempt(Chain(600));
    EXPECT_EQ(s.kind, ErrorKind::Corrupt);
    EXPECT_NE(s.message.find("deeper"), std::string::npos) << s.message;
}

TEST(RegfTreeWriter, DeepestTreeTheReaderAcceptsRoundTrips) {
    ScratchFolder folder;
    ASSERT_TRUE(WriteHiveFile(Chain(511), folder.file("deep")).ok()); // the root plus 511 levels
    Status s = CompactHiveFile(folder.file("deep"), folder.file("copy"));
    EXPECT_TRUE(s.ok()) << s.message;
}

TEST(RegfTreeWriter, ReplacesAnExistingFile) {
    ScratchFolder folder;
    regf_test::WriteBytes(folder.file("tree"), {1, 2, 3});
    ASSERT_TRUE(WriteHiveFile(RichTree(2), folder.file("tree")).ok());
    EXPECT_TRUE(VerifyHiveFile(folder.file("tree")).ok());
}

} // namespace
} // namespace hivelet::regf
