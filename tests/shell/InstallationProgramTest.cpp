// The Linux program on a Windows installation that is not running (--windows ROOT): the hive
// list with the profiles it leaves out, /Scan and its result file, /Silent replacing the hives
// at once, --undo putting them back, and the installations it refuses to change.
#include "platform/image/ProgramRun.h"
#include "platform/image/TestImage.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

namespace hivelet::shell {
namespace {

namespace fs = std::filesystem;
using namespace image::testing;
using Outcome = ProgramOutcome;

// Every file below `root` with its bytes.
std::map<std::string, std::string> Files(const fs::path& root) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(root))
        if (e.is_regular_file())
            files[e.path().lexically_relative(root).generic_string()] = ReadBytes(e.path());
    return files;
}

// The file at `rel` below `root` with every name matched ignoring case, as Windows finds it
// (the backups are named after the hive list's spelling, the hives keep the disk's).
fs::path Find(const fs::path& root, const std::string& rel) {
    auto lower = [](std::string s) {
        for (char& c : s)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return s;
    };
    fs::path at = root;
    for (const fs::path& part : fs::path(rel)) {
        fs::path next = at / part;
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(at, ec))
            if (lower(e.path().filename().string()) == lower(part.string()))
                next = e.path();
        at = next;
    }
    return at;
}

class InstallationProgramTest : public ::testing::Test {
protected:
    InstallationProgramTest() {
        fs::create_directories(folder.path() / "bin");
        fs::copy_file(HIVELET_PROGRAM, program);
        image::testing::WriteTestInstallation(root);
        original = Files(root);
    }

    Outcome Run(const std::vector<std::string>& args) {
        return RunProgram(program, args, folder.path());
    }

    TempFolder folder;
    const fs::path program = folder.path() / "bin" / "hivelet";
    const fs::path root = folder.path() / "mnt";
    std::map<std::string, std::string> original;
};

TEST_F(InstallationProgramTest, ItListsTheHivesInOrderAndNamesTheProfilesLeftOut) {
    const Outcome o = Run({"--windows", root.string()});
    EXPECT_EQ(o.exitCode, 0) << o.err;
    size_t at = 0;
    for (const auto& h : InstallationHives) {
        const size_t next = o.out.find(std::string(h.name) + " ", at);
        ASSERT_NE(next, std::string::npos) << h.name << " in\n" << o.out;
        at = next;
    }
    EXPECT_NE(o.out.find("profile S-1-5-21-7-8-9-1002 left out"), std::string::npos) << o.out;
    EXPECT_NE(o.out.find("profile S-1-5-21-7-8-9-1003 left out"), std::string::npos) << o.out;
    EXPECT_EQ(Files(root), original);
}

TEST_F(InstallationProgramTest, ScanWritesItsResultOnTheRunningComputerAndChangesNoHive) {
    const fs::path result = folder.path() / "reports" / "pc1.ini";
    fs::create_directories(result.parent_path());
    Outcome o = Run({"--windows", root.string(), "/Scan", result.string()});
    EXPECT_EQ(o.exitCode, 0) << o.err;
    EXPECT_NE(ReadBytes(result).find("Compact Percent="), std::string::npos);
    EXPECT_NE(o.out.find("Compact Percent:"), std::string::npos) << o.out;
    EXPECT_EQ(Files(root), original); // the snapshots went with the window

    // A bare name is the analysed Windows folder's, as the profile service would put it.
    o = Run({"--windows", root.string(), "/Scan", "pc2.ini"});
    EXPECT_EQ(o.exitCode, 0) << o.err;
    EXPECT_NE(ReadBytes(root / "WINDOWS" / "pc2.ini").find("New Size="), std::string::npos);
}

TEST_F(InstallationProgramTest, SilentReplacesTheHivesAtOnceAndUndoPutsThemBackByteForByte) {
    Outcome o = Run({"--windows", root.string(), "/Silent"});
    EXPECT_EQ(o.exitCode, 0) << o.err;
    EXPECT_NE(o.out.find("No restore point"), std::string::npos) << o.out;
    EXPECT_NE(o.out.find("--undo"), std::string::npos) << o.out;
    EXPECT_NE(o.out.find("replaced at once: " + std::to_string(std::size(InstallationHives)) +
                         " hive(s)"),
              std::string::npos)
        << o.out;
    EXPECT_NE(o.out.find("nothing was restarted"), std::string::npos) << o.out;
    // The window closed as usual: nothing ended the program.
    EXPECT_TRUE(fs::exists(folder.path() / "bin" / "options.ini"));
    for (const auto& h : InstallationHives) {
        SCOPED_TRACE(h.file);
        const std::string live = h.file;
        EXPECT_EQ(ReadBytes(Find(root, live + ".bak")), original.at(live));
        WriteBytes(folder.path() / "old", original.at(live));
        EXPECT_EQ(DumpHive(root / live), DumpHive(folder.path() / "old"));
        EXPECT_LT(fs::file_size(root / live), original.at(live).size());
    }
    EXPECT_EQ(ReadBytes(Find(root, "users/Ann/ntuser.dat.bak.LOG1")),
              original.at("users/Ann/ntuser.dat.LOG1"));
    // Besides the hives, their backups and their logs, only the log of replacements is new.
    for (const auto& [file, bytes] : Files(root)) {
        const bool backup =
            file.find(".bak") != std::string::npos || file.find(".BAK") != std::string::npos;
        EXPECT_TRUE(original.count(file) || backup || file == ".hivelet-state/replacements.log")
            << file;
    }

    o = Run({"--windows", root.string(), "--undo"});
    EXPECT_EQ(o.exitCode, 0) << o.err;
    EXPECT_NE(o.out.find("The last compaction was undone"), std::string::npos) << o.out;
    std::map<std::string, std::string> after = Files(root);
    after.erase(".hivelet-state/replacements.log");
    EXPECT_EQ(after, original);

    o = Run({"--windows", root.string(), "--undo"});
    EXPECT_EQ(o.exitCode, 1);
    EXPECT_NE(o.err.find("undone already"), std::string::npos) << o.err;
}

TEST_F(InstallationProgramTest, AHibernatedInstallationIsAnalysedButNeverChanged) {
    WriteBytes(root / "hiberfil.sys", "HIBR" + std::string(4092, '\0'));
    original = Files(root);
    Outcome o = Run({"--windows", root.string(), "/Silent"});
    EXPECT_EQ(o.exitCode, 1);
    EXPECT_NE(o.err.find("Fast Startup"), std::string::npos) << o.err;
    EXPECT_EQ(o.err.find('\n'), o.err.size() - 1) << o.err;
    EXPECT_EQ(Files(root), original);
    o = Run({"--windows", root.string(), "--undo"});
    EXPECT_EQ(o.exitCode, 1);
    EXPECT_EQ(Files(root), original);

    const fs::path result = folder.path() / "pc1.ini";
    o = Run({"--windows", root.string(), "/Scan", result.string()});
    EXPECT_EQ(o.exitCode, 0) << o.err;
    EXPECT_NE(o.out.find("No hive will be replaced"), std::string::npos) << o.out;
    EXPECT_NE(ReadBytes(result).find("Current Size="), std::string::npos);
    EXPECT_EQ(Files(root), original);
}

TEST_F(InstallationProgramTest, AReadOnlyRootAndAFolderThatIsNoInstallationAreOneLine) {
    fs::permissions(root, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    Outcome o = Run({"--windows", root.string(), "/Scan", (folder.path() / "r.ini").string()});
    fs::permissions(root, fs::perms::owner_write, fs::perm_options::add);
    EXPECT_EQ(o.exitCode, 1);
    EXPECT_NE(o.err.find("read-only"), std::string::npos) << o.err;
    EXPECT_EQ(o.err.find('\n'), o.err.size() - 1) << o.err;
    EXPECT_EQ(Files(root), original);

    for (const fs::path& bad : {folder.path() / "missing", folder.path() / "bin"}) {
        o = Run({"--windows", bad.string(), "/Scan"});
        EXPECT_EQ(o.exitCode, 1);
        EXPECT_NE(o.err.find("cannot use the Windows installation"), std::string::npos) << o.err;
        EXPECT_EQ(o.err.find('\n'), o.err.size() - 1) << o.err;
    }
    o = Run({"--windows"});
    EXPECT_EQ(o.exitCode, 2);
    EXPECT_NE(o.err.find("--windows needs"), std::string::npos) << o.err;
}

} // namespace
} // namespace hivelet::shell
