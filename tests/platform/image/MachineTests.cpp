// The machine file: what it describes, and clear errors for every way it can be wrong.
#include "TestImage.h"

#include "platform/image/Machine.h"

#include <gtest/gtest.h>

namespace hivelet::image {
namespace {

using namespace testing;
using platform::RegistryValue;
namespace reg = platform::reg;

TEST(MachineFile, ReadsTheDocumentedExample) {
    TempFolder image;
    fs::create_directories(image.path() / "C");
    fs::create_directories(image.path() / "E");
    WriteBytes(image.path() / "machine.ini",
               "[Machine]\n"
               "Platform=NT            ; NT, or 9x\n"
               "Major=6\n"
               "Minor=2\n"
               "Wow64=0                ; 1: Hivelet runs as a 32-bit process on 64-bit Windows\n"
               "HasIsWow64Process=1    ; 0: kernel32 lacks IsWow64Process (older systems)\n"
               "Privileges=1           ; 0: backup, restore and shutdown privileges cannot be "
               "enabled\n"
               "SystemRestore=1        ; 1 creates restore points, 0 refuses, \"absent\" = no "
               "SrClient.dll\n"
               "\n"
               "[Drives]\n"
               "; letter = type, device name, folder inside the image\n"
               "E=removable,\\Device\\HarddiskVolume5,E\n"
               "C=fixed,\\Device\\HarddiskVolume2,C\n"
               "\n"
               "[hivelist]\n"
               "; value name = data, in enumeration order, duplicates kept, case kept.\n"
               "\\REGISTRY\\MACHINE\\SYSTEM=\\Device\\HarddiskVolume2\\Windows\\System32\\config\\"
               "SYSTEM\n"
               "\\REGISTRY\\MACHINE\\HARDWARE=\n"
               "\\REGISTRY\\USER\\S-1-5-21-1-2-3-1001=\\Device\\HarddiskVolume2\\Users\\ann\\"
               "NTUSER.DAT\n");
    Machine m = LoadMachine(image.path());
    EXPECT_EQ(m.platformId, platform::PlatformWin32Nt);
    EXPECT_EQ(m.major, 6u);
    EXPECT_EQ(m.minor, 2u);
    EXPECT_FALSE(m.wow64);
    EXPECT_TRUE(m.hasIsWow64Process);
    EXPECT_TRUE(m.privileges);
    EXPECT_EQ(m.systemRestore, RestoreSupport::Works);
    EXPECT_EQ(m.systemRoot, "C:\\Windows");
    ASSERT_EQ(m.drives.size(), 2u);
    EXPECT_EQ(m.drives[0].letter, 'C'); // listed in letter order, whatever the file's order
    EXPECT_EQ(m.drives[0].device, "\\Device\\HarddiskVolume2");
    EXPECT_EQ(m.drives[0].folder, fs::path("C"));
    EXPECT_EQ(m.drives[1].type, platform::drive::Removable);
    ASSERT_EQ(m.hivelist.size(), 3u);
    EXPECT_EQ(m.hivelist[1].name, "\\REGISTRY\\MACHINE\\HARDWARE");
    EXPECT_EQ(m.hivelist[1].value.type, reg::Sz);
    EXPECT_EQ(m.hivelist[1].value.data, std::string(1, '\0'));
    EXPECT_EQ(m.hivelist[2].value.data,
              std::string("\\Device\\HarddiskVolume2\\Users\\ann\\NTUSER.DAT") + '\0');
}

TEST(MachineFile, HivelistDataPrefixesGiveTheTypes) {
    auto v = ParseHivelistData("expand:%SystemRoot%\\x");
    EXPECT_EQ(v.type, reg::ExpandSz);
    EXPECT_EQ(v.data, std::string("%SystemRoot%\\x") + '\0');
    v = ParseHivelistData("multi:a|bc");
    EXPECT_EQ(v.type, reg::MultiSz);
    EXPECT_EQ(v.data, std::string("a\0bc\0\0", 6));
    v = ParseHivelistData("binary:5c, 00,FF 7f");
    EXPECT_EQ(v.type, reg::Binary);
    EXPECT_EQ(v.data, std::string("\x5c\x00\xff\x7f", 4));
    v = ParseHivelistData("sz:expand:not a prefix here");
    EXPECT_EQ(v.type, reg::Sz);
    EXPECT_EQ(v.data, std::string("expand:not a prefix here") + '\0');
    v = ParseHivelistData("binary:");
    EXPECT_EQ(v.type, reg::Binary);
    EXPECT_TRUE(v.data.empty());
    EXPECT_THROW(ParseHivelistData("binary:5"), std::invalid_argument);
    EXPECT_THROW(ParseHivelistData("binary:5,c0"), std::invalid_argument);
    EXPECT_THROW(ParseHivelistData("binary:zz"), std::invalid_argument);
}

TEST(MachineFile, HivelistKeepsOrderDuplicatesAndCase) {
    TempFolder image;
    fs::create_directories(image.path() / "C");
    WriteBytes(image.path() / "machine.ini",
               "[Machine]\nMajor=5\nMinor=1\nPlatform=nt\n[Drives]\nc=Fixed,\\Device\\X,C\n"
               "[HIVELIST]\n\\registry\\machine\\sam=b\n\\REGISTRY\\MACHINE\\SAM=a\n"
               "\\Registry\\Machine\\Security=binary:01\n");
    Machine m = LoadMachine(image.path());
    ASSERT_EQ(m.hivelist.size(), 3u);
    EXPECT_EQ(m.hivelist[0].name, "\\registry\\machine\\sam");
    EXPECT_EQ(m.hivelist[1].name, "\\REGISTRY\\MACHINE\\SAM");
    EXPECT_EQ(m.hivelist[2].value.type, reg::Binary);
    EXPECT_EQ(m.hivelist[2].line, 10);
}

// Each malformed machine file gives one line that names the file and the faulty line.
TEST(MachineFile, MistakesAreReportedWithFileAndLine) {
    struct Case {
        const char* machine;
        const char* drives;
        const char* expected;
    };
    // One fixed drive C holding the Windows folder: nothing wrong with it.
    const char* const DriveC = "C=fixed,\\Device\\V2,C\n";
    const Case cases[] = {
        {"Major=x\nMinor=1\n", DriveC, "line 2: Major must be a whole number"},
        {"Major=6\n", DriveC, "needs Major and Minor"},
        {"Major=6\nMinor=1\nWow64=yes\n", DriveC, "line 4: Wow64 must be 0 or 1"},
        {"Major=6\nMinor=1\nPlatform=NT4\n", DriveC, "Platform must be NT or 9x"},
        {"Major=6\nMinor=1\nSystemRestore=maybe\n", DriveC, "SystemRestore must be 1, 0 or absent"},
        {"Major=6\nMinor=1\nMajor=7\n", DriveC, "line 4: \"Major\" is given twice"},
        {"Major=6\nMinor=1\nWow=1\n", DriveC, "unknown key \"Wow\""},
        {"Major=6\nMinor=1\n", "C=floppy,\\Device\\V2,C\n",
         "line 5: unknown drive type \"floppy\""},
        {"Major=6\nMinor=1\n", "C=fixed,\\Device\\V2\n", "three fields"},
        {"Major=6\nMinor=1\n", "C=fixed,\\Device\\V2,Nowhere\n", "\"Nowhere\" does not exist"},
        {"Major=6\nMinor=1\n", "C=fixed,\\Device\\V2,../outside\n", "must lie inside the image"},
        {"Major=6\nMinor=1\n", "C=fixed,\\Device\\V2,/etc\n", "must lie inside the image"},
        {"Major=6\nMinor=1\n", "CD=fixed,\\Device\\V2,C\n", "one letter"},
        {"Major=6\nMinor=1\n", "C=fixed,Device\\V2,C\n", "must begin with a backslash"},
        {"Major=6\nMinor=1\n", "C=fixed,\\Device\\V2,C\nc=fixed,\\Device\\V3,C\n",
         "line 6: drive C: is given twice"},
        {"Major=6\nMinor=1\n", "E=fixed,\\Device\\V2,C\n",
         "Windows folder C:\\Windows is on a drive"},
        {"Major=6\nMinor=1\nSystemRoot=Windows\n", DriveC,
         "SystemRoot must be a drive-letter path"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        TempFolder image;
        fs::create_directories(image.path() / "C");
        WriteBytes(image.path() / "machine.ini",
                   std::string("[Machine]\n") + c.machine + "[Drives]\n" + c.drives);
        try {
            LoadMachine(image.path());
            ADD_FAILURE() << "accepted";
        } catch (const std::runtime_error& e) {
            std::string what = e.what();
            EXPECT_NE(what.find("machine.ini"), std::string::npos) << what;
            EXPECT_NE(what.find(c.expected), std::string::npos) << what;
            EXPECT_EQ(what.find('\n'), std::string::npos) << what;
        }
    }
}

TEST(MachineFile, MissingPiecesAreClearErrors) {
    TempFolder image;
    EXPECT_THROW(
        {
            try {
                LoadMachine(image.path() / "no-such-image");
            } catch (const std::runtime_error& e) {
                EXPECT_NE(std::string(e.what()).find("no such folder"), std::string::npos);
                throw;
            }
        },
        std::runtime_error);
    EXPECT_THROW(LoadMachine(image.path()), std::runtime_error); // no machine.ini
    WriteBytes(image.path() / "machine.ini", "[Drives]\nC=fixed,\\Device\\V2,\n");
    EXPECT_THROW(LoadMachine(image.path()), std::runtime_error); // no [Machine]
    WriteBytes(image.path() / "machine.ini",
               "[Machine]\nMajor=6\nMinor=1\n[Drives]\nC=fixed,\\Device\\V2,\n"
               "[hivelist]\n\\REGISTRY\\MACHINE\\X=binary:0g\n");
    try {
        LoadMachine(image.path());
        ADD_FAILURE() << "accepted";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("line 7: \\REGISTRY\\MACHINE\\X"), std::string::npos)
            << e.what();
    }
}

} // namespace
} // namespace hivelet::image
