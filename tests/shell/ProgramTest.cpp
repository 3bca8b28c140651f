// The Linux program as a user starts it: its arguments, its messages and exit codes, the hive
// listing and unattended runs on a system image. Each test runs a copy of the program in a fresh
// folder, because the program keeps options.ini beside itself.
#include "platform/image/ProgramRun.h"
#include "platform/image/TestImage.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace hivelet::shell {
namespace {

namespace fs = std::filesystem;
using namespace image::testing;
using Outcome = ProgramOutcome;

class ProgramTest : public ::testing::Test {
protected:
    ProgramTest() {
        fs::create_directories(folder.path() / "bin");
        fs::copy_file(HIVELET_PROGRAM, program);
    }

    Outcome Run(const std::vector<std::string>& args) {
        return RunProgram(program, args, folder.path());
    }

    static size_t Lines(const std::string& text) {
        return size_t(std::count(text.begin(), text.end(), '\n'));
    }

    TempFolder folder;
    const fs::path program = folder.path() / "bin" / "hivelet";
    const fs::path image = folder.path() / "image";
};

TEST_F(ProgramTest, WithoutAnImageItSaysHowToGiveOne) {
    const Outcome o = Run({"/Scan"});
    EXPECT_EQ(o.exitCode, 2);
    EXPECT_EQ(Lines(o.err), 1u) << o.err;
    EXPECT_NE(o.err.find("--image DIR"), std::string::npos) << o.err;
    EXPECT_EQ(o.out, "");
    EXPECT_FALSE(fs::exists(folder.path() / "bin" / "options.ini"));
}

TEST_F(ProgramTest, ABadImageIsOneClearLine) {
    Outcome o = Run({"--image", (folder.path() / "missing").string()});
    EXPECT_NE(o.exitCode, 0);
    EXPECT_EQ(Lines(o.err), 1u) << o.err;
    EXPECT_NE(o.err.find("missing"), std::string::npos) << o.err;

    fs::create_directories(image);
    WriteBytes(image / "machine.ini", "[Machine]\r\nPlatform=OS/2\r\n");
    o = Run({"--image", image.string(), "/Scan"});
    EXPECT_NE(o.exitCode, 0);
    EXPECT_EQ(Lines(o.err), 1u) << o.err;
    EXPECT_NE(o.err.find("machine.ini"), std::string::npos) << o.err;

    o = Run({"--image"});
    EXPECT_NE(o.exitCode, 0);
    EXPECT_EQ(Lines(o.err), 1u) << o.err;
}

TEST_F(ProgramTest, HelpAndVersionPrintToStandardOutputAndEndWithZero) {
    Outcome o = Run({"--help"});
    EXPECT_EQ(o.exitCode, 0) << o.err;
    EXPECT_EQ(o.err, "");
    EXPECT_EQ(o.out.rfind("usage: hivelet {--image DIR | --windows ROOT}", 0), 0u) << o.out;
    for (const char* part :
         {"--image DIR", "--windows ROOT", "--undo", "--help", "--version", "/Scan [RESULTFILE]",
          "/Silent", "Exit codes:", "  0  ", "  1  ", "  2  "})
        EXPECT_NE(o.out.find(part), std::string::npos) << part << " in\n" << o.out;

    o = Run({"--version"});
    EXPECT_EQ(o.exitCode, 0) << o.err;
    EXPECT_EQ(o.out, "Orvane Hivelet 3.0\n");
    EXPECT_FALSE(fs::exists(folder.path() / "bin" / "options.ini"));
}

TEST_F(ProgramTest, AWrongOptionIsOneLineAndExitCodeTwo) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--imgae", "x", "/Scan"}, {"--image"}, {"/Scan"}}) {
        const Outcome o = Run(args);
        EXPECT_EQ(o.exitCode, 2) << args[0];
        EXPECT_EQ(Lines(o.err), 1u) << o.err;
        EXPECT_EQ(o.out, "");
    }
    EXPECT_NE(Run({"--imgae", "x"}).err.find("--imgae"), std::string::npos);
}

// An analysis that fails (no backup privilege: every save fails, so SOFTWARE has no snapshot)
// says so on standard error and ends with 1; the result file keeps its keys, sizes empty.
TEST_F(ProgramTest, AFailedAnalysisEndsWithExitCodeOneAndItsMessage) {
    image::testing::WriteStandardImage(image, false, "Privileges=0\r\n");
    const fs::path result = folder.path() / "result.ini";
    Outcome o = Run({"--image", image.string(), "/Scan", result.string()});
    EXPECT_EQ(o.exitCode, 1) << o.err;
    EXPECT_NE(o.err.find("Orvane Hivelet: Failed to analyze the registry!"), std::string::npos)
        << o.err;
    EXPECT_NE(ReadBytes(image / ".hivelet-state" / "events.log")
                  .find("Orvane Hivelet: Failed to analyze the registry!"),
              std::string::npos)
        << "the image's event log has it too";
    const std::string text = ReadBytes(result);
    EXPECT_NE(text.find("Current Size=\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Time="), std::string::npos) << text;

    o = Run({"--image", image.string(), "/Silent"});
    EXPECT_EQ(o.exitCode, 1) << o.err;
    EXPECT_EQ(o.out.find("The system image restarted"), std::string::npos) << o.out;
}

TEST_F(ProgramTest, WithoutASwitchItListsTheHivesAndWritesNothing) {
    image::testing::WriteStandardImage(image, false, "", image::testing::Hives::Placeholder);
    const Outcome o = Run({"--image", image.string()});
    EXPECT_EQ(o.exitCode, 0) << o.err;
    // HARDWARE has no file and is not listed; the others come in registry order.
    const std::string first = o.out.substr(0, o.out.find('\n') + 1);
    EXPECT_EQ(first.rfind("\\REGISTRY\\MACHINE\\SYSTEM ", 0), 0u) << o.out;
    EXPECT_NE(first.find(" C:\\Windows\\System32\\config\\SYSTEM\n"), std::string::npos) << o.out;
    EXPECT_EQ(o.out.find("HARDWARE"), std::string::npos) << o.out;
    EXPECT_LT(o.out.find("MACHINE\\SYSTEM"), o.out.find("MACHINE\\SOFTWARE"));
    EXPECT_NE(o.out.find("/Scan"), std::string::npos);
    EXPECT_EQ(Lines(o.out), 6u) << o.out;
    EXPECT_EQ(o.err, "");
    EXPECT_FALSE(fs::exists(folder.path() / "bin" / "options.ini"));
}

TEST_F(ProgramTest, ScanWritesItsResultFileAndTheSettingsAndReportsOnTheTerminal) {
    image::testing::WriteStandardImage(image);
    const fs::path result = folder.path() / "result.ini";
    WriteBytes(result, "[Scan Result]\r\nOld=1\r\n");
    const Outcome o = Run({"--image", image.string(), "/SCAN", result.string()});
    EXPECT_EQ(o.exitCode, 0) << o.err;
    const std::string text = ReadBytes(result);
    EXPECT_EQ(text.find("Old="), std::string::npos) << text;
    size_t at = 0;
    for (const char* key :
         {"Current Size=", "New Size=", "Size Reduction=", "Compact Percent=", "Time="}) {
        const size_t next = text.find(key, at);
        ASSERT_NE(next, std::string::npos) << key << " in\n" << text;
        at = next;
    }
    EXPECT_NE(o.out.find("Hive Name"), std::string::npos) << o.out;
    EXPECT_NE(o.out.find("\\REGISTRY\\USER\\S-1-5-21-1-2-3-1001_Classes"), std::string::npos);
    EXPECT_NE(o.out.find("Compact Percent:"), std::string::npos);
    EXPECT_TRUE(fs::exists(folder.path() / "bin" / "options.ini"));
}

// Every hive of the standard image has something to gain, so /Silent compacts and restarts it.
// The restart returns as ExitWindowsEx does, and the sequence then closes the window as on
// Windows: the unused snapshots are gone and the settings are saved.
TEST_F(ProgramTest, SilentRestartsTheImageAndThenClosesTheWindow) {
    image::testing::WriteStandardImage(image);
    const Outcome o = Run({"--image", image.string(), "/silent"});
    EXPECT_EQ(o.exitCode, 0) << o.err;
    const size_t report = o.out.find("Hive Name");
    ASSERT_NE(report, std::string::npos) << o.out;
    EXPECT_EQ(o.out.find("Hive Name", report + 1), std::string::npos) << "reported once\n" << o.out;
    const size_t restarted = o.out.find("The system image restarted: 5 hive(s) replaced.");
    EXPECT_NE(restarted, std::string::npos) << o.out;
    EXPECT_LT(o.out.find("Compact Percent:"), restarted) << o.out;

    EXPECT_TRUE(fs::exists(folder.path() / "bin" / "options.ini")) << "the window was not closed";
    const std::string boots = ReadBytes(image / ".hivelet-state" / "boot.log");
    EXPECT_EQ(Lines(boots), 1u) << boots;
    EXPECT_NE(boots.find("boot 1: replaced \\REGISTRY\\MACHINE\\SYSTEM"), std::string::npos)
        << boots;
    for (const auto& e : fs::recursive_directory_iterator(image / "C"))
        EXPECT_NE(e.path().extension(), ".hvt") << e.path();
}

TEST_F(ProgramTest, AnUnsupportedSystemRefusesTheRunWithItsMessage) {
    image::testing::WriteStandardImage(image, false, "", image::testing::Hives::Placeholder);
    std::string machine = ReadBytes(image / "machine.ini");
    machine.replace(machine.find("Major=6"), 7, "Major=10");
    WriteBytes(image / "machine.ini", machine);
    const fs::path result = folder.path() / "result.ini";
    const Outcome o = Run({"--image", image.string(), "/Scan", result.string()});
    EXPECT_NE(o.exitCode, 0);
    EXPECT_NE(o.err.find("Orvane Hivelet: The software does not support the current Windows "
                         "system!"),
              std::string::npos)
        << o.err;
    EXPECT_FALSE(fs::exists(result));
}

TEST_F(ProgramTest, AResultFileThatCannotBeWrittenEndsTheRunWithTheError) {
    image::testing::WriteStandardImage(image, false, "", image::testing::Hives::Placeholder);
    const fs::path result = folder.path() / "no" / "such" / "folder" / "result.ini";
    const Outcome o = Run({"--image", image.string(), "/Scan", result.string()});
    EXPECT_NE(o.exitCode, 0);
    EXPECT_NE(o.err.find("Orvane Hivelet: Unable to write to " + result.string() + "."),
              std::string::npos)
        << o.err;
}

} // namespace
} // namespace hivelet::shell
