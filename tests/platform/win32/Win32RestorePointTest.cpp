// The restore-point request and where its library may come from.
//
// A stand-in library under a name of its own is put in the system folder, or planted beside
// the program and in the current folder, where a bare-name load would find it first.
#include "platform/win32/RestorePoint.h"
#include "platform/win32/Win32Platform.h"
#include "platform/win32/Win32TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace hivelet::platform::win32 {
namespace {

using testing::BuiltFile;
using testing::ReadWholeFile;
using testing::RemoveAtEnd;
using testing::ScopedEnvironment;
using testing::ScratchFolder;

const char* const kStandIn = "hivelet-fake-srclient.dll";

std::string SystemFolder() {
    char folder[MAX_PATH] = {};
    GetSystemDirectoryA(folder, MAX_PATH);
    return std::string(folder) + "\\";
}

std::string Lower(std::string text) {
    CharLowerBuffA(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

// What the stand-in recorded for one call: where it was loaded from and the request bytes.
struct Recorded {
    std::string loadedFrom;
    std::string request;
};

std::vector<Recorded> ReadLog(const std::string& log) {
    std::vector<Recorded> calls;
    auto text = ReadWholeFile(log);
    if (!text) {
        return calls;
    }
    size_t at = 0;
    while (at < text->size()) {
        size_t newline = text->find('\n', at);
        if (newline == std::string::npos || newline + 1 + 0x50 > text->size()) {
            ADD_FAILURE() << "truncated log";
            break;
        }
        calls.push_back({text->substr(at, newline - at), text->substr(newline + 1, 0x50)});
        at = newline + 1 + 0x50;
    }
    return calls;
}

uint32_t Dword(const std::string& bytes, size_t offset) {
    uint32_t value = 0;
    std::memcpy(&value, bytes.data() + offset, sizeof(value));
    return value;
}

class Win32RestorePoint : public ::testing::TestWithParam<SystemFolderLoad> {
protected:
    void SetUp() override { log_ = scratch_ / "calls.log"; }

    // Puts a copy of a built library at `path` for the rest of the test.
    void Place(const std::string& builtName, const std::string& path) {
        ASSERT_TRUE(CopyFileA(BuiltFile(builtName).c_str(), path.c_str(), FALSE))
            << "cannot write " << path;
        placed_.push_back(std::make_unique<RemoveAtEnd>(path));
    }

    RestorePointOutcome Call(const std::string& library, const std::string& description) {
        ScopedEnvironment logTo("HIVELET_FAKE_SR_LOG", log_);
        return SetRestorePointFrom(library, GetParam(), description, restore::BeginSystemChange,
                                   restore::ApplicationInstall);
    }

    ScratchFolder scratch_;
    std::string log_;
    std::vector<std::unique_ptr<RemoveAtEnd>> placed_;
};

TEST_P(Win32RestorePoint, SendsThePackedRequestToTheLibraryInTheSystemFolder) {
    Place("fake_srclient.dll", SystemFolder() + kStandIn);
    EXPECT_EQ(Call(kStandIn, "Made by Orvane Hivelet"), RestorePointOutcome::Created);

    std::vector<Recorded> calls = ReadLog(log_);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(Lower(calls[0].loadedFrom), Lower(SystemFolder() + kStandIn));
    const std::string& request = calls[0].request;
    EXPECT_EQ(Dword(request, 0x00), restore::BeginSystemChange);
    EXPECT_EQ(Dword(request, 0x04), restore::ApplicationInstall);
    EXPECT_EQ(request.substr(0x08, 8), std::string(8, '\0')) << "sequence number";
    std::string description = "Made by Orvane Hivelet";
    description.resize(64, '\0');
    EXPECT_EQ(request.substr(0x10, 64), description) << "terminated and zero-padded";
}

TEST_P(Win32RestorePoint, ALongDescriptionIsCutAndStillTerminated) {
    Place("fake_srclient.dll", SystemFolder() + kStandIn);
    EXPECT_EQ(Call(kStandIn, std::string(100, 'd')), RestorePointOutcome::Created);
    std::vector<Recorded> calls = ReadLog(log_);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].request.substr(0x10, 64), std::string(63, 'd') + '\0');
}

TEST_P(Win32RestorePoint, RefusalAndAMissingEntryAreTold) {
    Place("fake_srclient.dll", SystemFolder() + kStandIn);
    EXPECT_EQ(Call(kStandIn, "fail please"), RestorePointOutcome::Failed);

    const std::string noEntry = "hivelet-fake-srclient-noentry.dll";
    Place("fake_srclient_noentry.dll", SystemFolder() + noEntry);
    EXPECT_EQ(Call(noEntry, "Made by Orvane Hivelet"), RestorePointOutcome::EntryMissing);
}

TEST_P(Win32RestorePoint, APlantedLibraryIsNeverLoaded) {
    // Beside the program and in the current folder, both searched before the system folder by a
    // load by bare name; the system folder has no such library.
    testing::RemoveFile(SystemFolder() + kStandIn);
    Place("fake_srclient.dll", testing::TestProgramFolder() + kStandIn);
    Place("fake_srclient.dll", scratch_ / kStandIn);
    char previous[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryA(scratch_.path().c_str()));

    EXPECT_EQ(Call(kStandIn, "Made by Orvane Hivelet"), RestorePointOutcome::LibraryMissing);
    // A name with a path in it leaves the system folder and is refused as well.
    EXPECT_EQ(Call(scratch_ / kStandIn, "x"), RestorePointOutcome::LibraryMissing);
    EXPECT_EQ(Call(std::string("..\\") + kStandIn, "x"), RestorePointOutcome::LibraryMissing);
    SetCurrentDirectoryA(previous);
    EXPECT_TRUE(ReadLog(log_).empty()) << "the planted library ran";
}

INSTANTIATE_TEST_SUITE_P(BothWaysToTheSystemFolder, Win32RestorePoint,
                         ::testing::Values(SystemFolderLoad::SearchFlag,
                                           SystemFolderLoad::FullPath),
                         [](const auto& info) {
                             return info.param == SystemFolderLoad::SearchFlag ? "SearchFlag"
                                                                               : "FullPath";
                         });

TEST(Win32RestorePointLibrary, ThePlatformReachesTheSystemsOwnClient) {
    ScratchFolder scratch;
    const std::string log = scratch / "calls.log";
    ScopedEnvironment logTo("HIVELET_FAKE_SR_LOG", log);
    // A planted SrClient.dll beside the program must not be the one that answers.
    const std::string planted = testing::TestProgramFolder() + "SrClient.dll";
    ASSERT_TRUE(CopyFileA(BuiltFile("fake_srclient.dll").c_str(), planted.c_str(), FALSE));
    RemoveAtEnd removePlanted(planted);

    Win32Platform platform;
    RestorePointOutcome outcome = platform.SetRestorePoint(
        "Made by Orvane Hivelet", restore::BeginSystemChange, restore::ApplicationInstall);
    const bool systemHasClient =
        GetFileAttributesA((SystemFolder() + "SrClient.dll").c_str()) != INVALID_FILE_ATTRIBUTES;
    if (systemHasClient) {
        EXPECT_TRUE(outcome == RestorePointOutcome::Created ||
                    outcome == RestorePointOutcome::Failed);
    } else {
        EXPECT_EQ(outcome, RestorePointOutcome::LibraryMissing);
    }
    EXPECT_FALSE(ReadWholeFile(log)) << "the planted SrClient.dll ran";
}

TEST(Win32SystemLibrary, ASystemLibraryIsFoundBothWays) {
    EXPECT_TRUE(LoadFromSystemFolder("version.dll", SystemFolderLoad::SearchFlag));
    EXPECT_TRUE(LoadFromSystemFolder("version.dll", SystemFolderLoad::FullPath));
    EXPECT_FALSE(LoadFromSystemFolder("", SystemFolderLoad::FullPath));
}

} // namespace
} // namespace hivelet::platform::win32
