// hivelet-regf as scripts use it: exit status 0 on success, otherwise non-zero with exactly one
// line on standard error.
#include "RegfTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include <sys/wait.h>

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
}

TEST(RegfTool, RecoverAndInfoOnADirtyHive) {
    SKIP_WITHOUT_SAMPLE_HIVES();
    ScratchFolder folder;
    const std::string hive =
        (regf_test::SampleFolder() / "regipy/regipy_tests/data/UsrClass.dat").string();
    Result r = Tool(folder, "recover '" + hive + "' '" + folder.file("rec") + "'");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("14 entries (UsrClass.dat.LOG1 287-290, UsrClass.dat.LOG2 291-300)"),
              std::string::npos)
        << r.out;
    Result info = Tool(folder, "info '" + hive + "'");
    EXPECT_EQ(info.status, 0) << info.err;
    for (const char* line :
         {"version:         1.3\n", "sequence:        256/255\n", "state:           dirty\n",
          "UsrClass.dat.LOG1: new format, sequence number 287", "301/301 after replay",
          "compact copy:    ", "reorganized:     "}) {
        EXPECT_NE(info.out.find(line), std::string::npos) << line << "\n" << info.out;
    }
    // The compact size info announces is what compaction writes.
    r = Tool(folder, "compact '" + hive + "' '" + folder.file("copy") + "'");
    EXPECT_EQ(r.status, 0) << r.err;
    std::string size = std::to_string(std::filesystem::file_size(folder.file("copy")));
    EXPECT_NE(info.out.find("compact copy:    " + size + " bytes"), std::string::npos);
    // A dirty hive without logs: refused, one line, exit 1, nothing written.
    r = Tool(folder,
             "recover '" +
                 (regf_test::SampleFolder() / "regipy/regipy_tests/data/SYSTEM_2").string() +
                 "' '" + folder.file("none") + "'");
    EXPECT_EQ(WEXITSTATUS(r.status), 1);
    EXPECT_NE(r.err.find("missing or unusable"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(folder.file("none")));
}

TEST(RegfTool, UsageErrorsAreOneLineAndExitTwo) {
    ScratchFolder folder;
    for (const char* arguments : {"frobnicate", "", "dump", "compact a", "verify a --frob",
                                  "--frob", "recover a", "info"}) {
        Result r = Tool(folder, arguments);
        EXPECT_EQ(WEXITSTATUS(r.status), 2) << arguments;
        ASSERT_FALSE(r.err.empty()) << arguments;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
        EXPECT_TRUE(r.out.empty());
    }
    EXPECT_NE(Tool(folder, "verify a --frob").err.find("unknown option --frob"), std::string::npos);
    Result help = Tool(folder, "--help");
    EXPECT_EQ(help.status, 0);
    for (const char* command : {"compact", "verify", "dump", "recover", "info", "--version"}) {
        EXPECT_NE(help.out.find(std::string("  ") + command), std::string::npos) << command;
    }
    EXPECT_NE(help.out.find("0 success, 1 failure"), std::string::npos);
    EXPECT_NE(help.out.find("2 usage error"), std::string::npos);
    Result version = Tool(folder, "--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("hivelet-regf ", 0), 0u);
    EXPECT_EQ(version.out.find('\n'), version.out.size() - 1);
}

} // namespace
