// Existence, deletion, the exclusive-open test and 64-bit sizes, on real files.
#include "platform/win32/Win32Platform.h"
#include "platform/win32/Win32TestSupport.h"

#include <gtest/gtest.h>

#include <winioctl.h>

namespace hivelet::platform::win32 {
namespace {

using testing::ScratchFolder;
using testing::WriteWholeFile;

// Another open of the file, with the given sharing, held for the scope.
UniqueFile HoldOpen(const std::string& path, DWORD share) {
    return UniqueFile(CreateFileA(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
}

TEST(Win32Files, ExistenceIsAboutFilesNotFolders) {
    Win32Platform platform;
    ScratchFolder folder;
    ASSERT_TRUE(WriteWholeFile(folder / "SYSTEM", "x"));
    EXPECT_TRUE(platform.FileExists(folder / "SYSTEM"));
    EXPECT_TRUE(platform.FileExists(folder / "system")) << "names ignore case";
    EXPECT_FALSE(platform.FileExists(folder / "SYSTEM.hvt"));
    EXPECT_FALSE(platform.FileExists(folder.path()));
    EXPECT_FALSE(platform.FileExists(folder / "missing\\SYSTEM"));
}

TEST(Win32Files, DeletionFailsForMissingAndHeldFiles) {
    Win32Platform platform;
    ScratchFolder folder;
    const std::string file = folder / "SYSTEM.hvt";
    ASSERT_TRUE(WriteWholeFile(file, "snapshot"));
    {
        UniqueFile held = HoldOpen(file, 0);
        ASSERT_TRUE(held);
        EXPECT_FALSE(platform.DeleteFile(file));
        EXPECT_TRUE(platform.FileExists(file));
    }
    EXPECT_TRUE(platform.DeleteFile(file));
    EXPECT_FALSE(platform.FileExists(file));
    EXPECT_FALSE(platform.DeleteFile(file));
}

TEST(Win32Files, ExclusiveOpenFailsWheneverAnyoneElseHasTheFileOrItIsReadOnly) {
    Win32Platform platform;
    ScratchFolder folder;
    const std::string file = folder / "SOFTWARE.hvt";
    ASSERT_TRUE(WriteWholeFile(file, "snapshot"));
    EXPECT_TRUE(platform.OpenExclusive(file));
    EXPECT_TRUE(platform.OpenExclusive(file)) << "the test's own handle must be closed at once";

    {
        // Even an open that shares everything keeps the exclusive open out.
        UniqueFile held = HoldOpen(file, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
        ASSERT_TRUE(held);
        EXPECT_FALSE(platform.OpenExclusive(file));
    }
    EXPECT_TRUE(platform.OpenExclusive(file));

    ASSERT_TRUE(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(platform.OpenExclusive(file)) << "write access to a read-only file";
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);

    EXPECT_FALSE(platform.OpenExclusive(folder / "missing.hvt"));
    EXPECT_FALSE(platform.FileExists(folder / "missing.hvt")) << "OPEN_EXISTING creates nothing";
}

TEST(Win32Files, ExclusiveOpenFailsForAFileHeldByAnotherProcess) {
    Win32Platform platform;
    ScratchFolder folder;
    const std::string file = folder / "NTUSER.DAT";
    ASSERT_TRUE(WriteWholeFile(file, "hive"));
    UniqueFile mine = HoldOpen(file, FILE_SHARE_READ);
    ASSERT_TRUE(mine);

    // Hand the open file to a child that waits: the file is then held by another process.
    HANDLE inherited = nullptr;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), mine.get(), GetCurrentProcess(), &inherited, 0,
                                TRUE, DUPLICATE_SAME_ACCESS));
    UniqueFile inheritable(inherited);
    mine.reset();
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    const std::string probe = testing::BuiltFile("platform_win32_probe.exe");
    std::string commandLine = "\"" + probe + "\" wait";
    ASSERT_TRUE(CreateProcessA(probe.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                               CREATE_NO_WINDOW, nullptr, nullptr, &startup, &info));
    UniqueKernelHandle child(info.hProcess);
    UniqueKernelHandle thread(info.hThread);
    inheritable.reset(); // only the child holds the file now

    EXPECT_FALSE(platform.OpenExclusive(file));
    TerminateProcess(child.get(), 0);
    WaitForSingleObject(child.get(), INFINITE);
    EXPECT_TRUE(platform.OpenExclusive(file));
}

TEST(Win32Files, SizesComeFromTheDirectoryEntryWithAllSixtyFourBits) {
    Win32Platform platform;
    ScratchFolder folder;
    const std::string big = folder / "big.hvt";
    {
        // Sparse: the length is set without writing, so the test costs no disk space.
        UniqueFile file(CreateFileA(big.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(file);
        DWORD ignored = 0;
        DeviceIoControl(file.get(), FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr);
        LARGE_INTEGER length;
        length.QuadPart = 5000000000LL;
        ASSERT_TRUE(SetFilePointerEx(file.get(), length, nullptr, FILE_BEGIN));
        ASSERT_TRUE(SetEndOfFile(file.get()));
    }
    EXPECT_EQ(platform.FindFileSize(big), std::optional<uint64_t>(5000000000ULL));

    // The live hive is held open without sharing; its size is still read, since it is never
    // opened.
    {
        UniqueFile held = HoldOpen(big, 0);
        ASSERT_TRUE(held);
        EXPECT_EQ(platform.FindFileSize(big), std::optional<uint64_t>(5000000000ULL));
    }

    ASSERT_TRUE(WriteWholeFile(folder / "empty", ""));
    EXPECT_EQ(platform.FindFileSize(folder / "empty"), std::optional<uint64_t>(0));
    EXPECT_EQ(platform.FindFileSize(folder / "missing"), std::nullopt);
}

TEST(Win32Files, SizesOfHiddenSystemReadOnlyAndRelativePaths) {
    Win32Platform platform;
    ScratchFolder folder;
    const std::string file = folder / "UsrClass.dat";
    ASSERT_TRUE(WriteWholeFile(file, std::string(12345, 'h')));
    ASSERT_TRUE(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                                     FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(platform.FindFileSize(file), std::optional<uint64_t>(12345));

    char previous[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryA(folder.path().c_str()));
    EXPECT_EQ(platform.FindFileSize("UsrClass.dat"), std::optional<uint64_t>(12345));
    EXPECT_EQ(platform.FindFileSize(".\\UsrClass.dat"), std::optional<uint64_t>(12345));
    SetCurrentDirectoryA(previous);
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(Win32Files, AWildcardNamesNoFileAndIsNotMeasured) {
    Win32Platform platform;
    ScratchFolder folder;
    ASSERT_TRUE(WriteWholeFile(folder / "SAM", "1234"));
    EXPECT_EQ(platform.FindFileSize(folder / "S*"), std::nullopt);
    EXPECT_EQ(platform.FindFileSize(folder / "SA?"), std::nullopt);
}

} // namespace
} // namespace hivelet::platform::win32
