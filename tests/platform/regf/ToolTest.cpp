// hivelet-regf as scripts use it: exit status 0 on success, otherwise non-zero with exactly one
// line on standard error.
#include "RegfTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

using regf_test::ScratchFolder;

struct Result {
    int status;
    std::string out;
    std::string err;
};

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

Result Tool(const ScratchFolder& folder, const std::string& arguments) {
    std::string out = folder.file("stdout");
    std::string err = folder.file("stderr");
    std::string command =
        std::string("'") + HIVELET_REGF_TOOL + "' " + arguments + " >'" + out + "' 2>'" + err + "'";
    int status = std::system(command.c_str());
    return {status, Slurp(out), Slurp(err)};
}

TEST(RegfTool, CompactVerifyAndDump) {
    ScratchFolder folder;
    hivelet::regf::WriteOptions options;
    options.freeFraction = 0.3;
    ASSERT_TRUE(
        hivelet::regf::WriteHiveFile(regf_test::RichTree(50), folder.file("in"), options).ok());
    Result r = Tool(folder, "compact '" + folder.file("in") + "' '" + folder.file("out") + "'");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.err.empty());
    r = Tool(folder, "verify '" + folder.file("out") + "' --compact");
    EXPECT_EQ(r.status, 0) << r.err;
    Result before = Tool(folder, "dump '" + folder.file("in") + "'");
    Result after = Tool(folder, "dump '" + folder.file("out") + "'");
    EXPECT_EQ(before.status, 0);
    EXPECT_NE(before.out.find("key \"ROOT\\Many\\child 1\"\n"), std::string::npos);
    EXPECT_EQ(before.out, after.out);
}

TEST(RegfTool, FailuresAreOneLineAndNonZero) {
    ScratchFolder folder;
    regf_test::WriteBytes(folder.file("junk"), std::vector<uint8_t>(9000, 'x'));
    for (const std::string& arguments :
         {"verify '" + folder.file("junk") + "'", "dump '" + folder.file("missing") + "'",
          "compact '" + folder.file("junk") + "' '" + folder.file("out") + "'"}) {
        Result r = Tool(folder, arguments);
        EXPECT_NE(r.status, 0) << arguments;
        ASSERT_FALSE(r.err.empty());
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
        EXPECT_NE(r.err.find(folder.path().string()), std::string::npos) << r.err;
    }
    Result usage = Tool(folder, "frobnicate");
    EXPECT_NE(usage.status, 0);
    EXPECT_NE(usage.err.find("usage"), std::string::npos);
}

} // namespace
