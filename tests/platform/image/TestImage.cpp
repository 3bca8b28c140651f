#include "TestImage.h"

#include "platform/image/Installation.h"
#include "platform/image/demo/DemoInstallation.h"
#include "platform/regf/Format.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace hivelet::image::testing {

TempFolder::TempFolder(const std::string& suffix) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "image";
    for (char& c : name) {
        if (c == '/') {
            c = '_';
        }
    }
    // Test processes run side by side (ctest -j, several checkouts): each gets its own folder.
    std::random_device random;
    path_ = fs::path(::testing::TempDir()) / "hivelet-image-tests" /
            (name + suffix + "-" + std::to_string(random()));
    RemoveTree(path_);
    fs::create_directories(path_);
}

TempFolder::~TempFolder() {
    RemoveTree(path_);
}

std::pair<platform::RootKey, std::string> RootOf(const std::string& hive) {
    const std::string machine = "\\REGISTRY\\MACHINE\\";
    if (hive.rfind(machine, 0) == 0) {
        return {platform::RootKey::LocalMachine, hive.substr(machine.size())};
    }
    return {platform::RootKey::Users, hive.substr(std::string("\\REGISTRY\\USER\\").size())};
}

void CopyTree(const fs::path& from, const fs::path& to) {
    fs::create_directories(to);
    for (const auto& e : fs::recursive_directory_iterator(from)) {
        fs::path target = to / e.path().lexically_relative(from);
        if (e.is_directory()) {
            fs::create_directories(target);
        } else {
            fs::copy_file(e.path(), target, fs::copy_options::overwrite_existing);
        }
    }
}

std::string ReadBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const fs::path& file, const std::string& bytes) {
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out) {
        throw std::runtime_error("cannot write " + file.string());
    }
}

std::string DriveCPath(const std::string& belowC) {
    std::string p = "C:\\" + belowC;
    std::replace(p.begin(), p.end(), '/', '\\');
    return p;
}

std::string DumpHive(const fs::path& hive) {
    std::string text;
    const regf::Status s = regf::DumpHiveFile(hive.string(), text);
    EXPECT_TRUE(s.ok()) << hive << ": " << s.message;
    return text;
}

std::optional<std::string> HivexExport(const fs::path& hive) {
#ifdef _WIN32
    return std::nullopt;
#else
    static const bool available = regf_test::HaveTool("hivexregedit");
    if (!available)
        return std::nullopt;
    std::optional<std::string> text = regf_test::HivexRegeditExport(hive.string());
    EXPECT_TRUE(text) << "hivexregedit failed on " << hive;
    return text.value_or("");
#endif
}

void EnableHivePrivileges(platform::Platform& platform) {
    auto t = platform.OpenProcessToken(platform::token::AllStandardRights);
    for (const char* p : {platform::token::BackupPrivilege, platform::token::RestorePrivilege,
                          platform::token::ShutdownPrivilege}) {
        ASSERT_TRUE(platform
                        .AdjustTokenPrivilege(t.get(), *platform.LookupPrivilegeValue(p),
                                              platform::token::PrivilegeEnabled)
                        .ok())
            << p;
    }
    t.Close();
}

void MakeDirty(std::string& hive) {
    hive[4] = static_cast<char>(hive[4] + 1);
    auto* block = reinterpret_cast<uint8_t*>(hive.data());
    regf::StoreU32(block + offsetof(regf::BaseBlock, checksum), regf::BaseBlockChecksum(block));
}

std::string StandardMachineText(bool wow64, const std::string& machineExtra) {
    return "[Machine]\r\n"
           "Platform=NT            ; NT, or 9x\r\n"
           "Major=6\r\n"
           "Minor=1\r\n"
           "Wow64=" +
           std::string(wow64 ? "1" : "0") +
           "\r\n"
           "HasIsWow64Process=1\r\n" +
           machineExtra +
           "\r\n"
           "[Drives]\r\n"
           "; letter = type, device name, folder\r\n"
           "C=fixed,\\Device\\HarddiskVolume2,C\r\n"
           "d=fixed, \\Device\\HarddiskVolume12 , D\r\n"
           "E=removable,\\Device\\HarddiskVolume5,E ; a memory stick\r\n"
           "F=cdrom,,\r\n"
           "\r\n"
           "[hivelist]\r\n"
           "\\REGISTRY\\MACHINE\\HARDWARE=\r\n"
           "\\REGISTRY\\MACHINE\\SYSTEM="
           "\\Device\\HarddiskVolume2\\Windows\\System32\\config\\SYSTEM\r\n"
           "\\REGISTRY\\MACHINE\\SOFTWARE="
           "\\Device\\HarddiskVolume2\\WINDOWS\\system32\\CONFIG\\software\r\n"
           "\\REGISTRY\\MACHINE\\SAM=expand:"
           "\\Device\\HarddiskVolume2\\Windows\\System32\\config\\SAM\r\n"
           "\\REGISTRY\\USER\\S-1-5-21-1-2-3-1001=\\Device\\HarddiskVolume2\\Users\\ann\\NTUSER."
           "DAT\r\n"
           "\\REGISTRY\\USER\\S-1-5-21-1-2-3-1001_Classes="
           "\\Device\\HarddiskVolume2\\Users\\ann\\AppData\\Local\\Microsoft\\Windows\\UsrClass."
           "dat\r\n";
}

regf::Key SmallTree(const std::string& marker) {
    regf::Key root;
    root.lastWritten = 0x01d9000000000000ull;
    regf::Key mark;
    mark.name = "Marker-" + marker;
    mark.lastWritten = root.lastWritten;
    mark.values.push_back({"Name", 1, {}});
    for (char c : marker) {
        mark.values.back().data.push_back(static_cast<uint8_t>(c));
        mark.values.back().data.push_back(0);
    }
    mark.values.back().data.insert(mark.values.back().data.end(), {0, 0});
    mark.values.push_back({"Count", 4, {7, 0, 0, 0}});
    regf::Key wow;
    wow.name = "Wow6432Node";
    wow.lastWritten = root.lastWritten;
    regf::Key only32;
    only32.name = "Only32-" + marker;
    only32.lastWritten = root.lastWritten;
    only32.values.push_back({"Bits", 4, {32, 0, 0, 0}});
    wow.subkeys.push_back(only32);
    // Enough data for the free space the writer leaves to show in the file size.
    regf::Key filler;
    filler.name = "Filler";
    filler.lastWritten = root.lastWritten;
    for (int i = 0; i < 400; ++i) {
        filler.values.push_back({"Value" + std::to_string(i), 3, std::vector<uint8_t>(48, 0x5a)});
    }
    root.subkeys.push_back(mark);
    root.subkeys.push_back(wow);
    root.subkeys.push_back(filler);
    return root;
}

void WriteSmallHive(const fs::path& file, const std::string& marker) {
    fs::create_directories(file.parent_path());
    regf::Status s = regf::WriteHiveFile(SmallTree(marker), file.string(), {5, 0.2, 7});
    if (!s.ok()) {
        throw std::runtime_error("cannot write test hive: " + s.message);
    }
}

void WriteStandardImage(const fs::path& root, bool wow64, const std::string& machineExtra,
                        Hives hives) {
    for (const char* folder : {"C/Windows/System32/config", "C/Windows/SysWOW64", "D", "E"}) {
        fs::create_directories(root / folder);
    }
    WriteBytes(root / "machine.ini", StandardMachineText(wow64, machineExtra));
    for (const auto& [name, file] : StandardHives) {
        std::string marker = fs::path(file).filename().string();
        if (hives == Hives::Real) {
            WriteSmallHive(root / file, marker);
        } else {
            WriteBytes(root / file, "hive " + marker);
        }
    }
    // Logs as a live system leaves them beside a hive (their content does not matter here).
    WriteBytes(root / "C/Windows/System32/config/SYSTEM.LOG1", std::string(512, '\x01'));
    WriteBytes(root / "C/Windows/System32/config/SYSTEM.LOG2", std::string(1024, '\x02'));
}

void WriteTestInstallation(const fs::path& root, const InstallationVersionValues& version) {
    for (const auto& h : InstallationHives) {
        std::string marker = fs::path(h.file).filename().string();
        if (std::string(h.name) == "\\REGISTRY\\MACHINE\\SOFTWARE") {
            continue;
        }
        WriteSmallHive(root / h.file, marker);
    }
    demo::InstallationVersion v;
    v.currentVersion = version.currentVersion;
    v.majorVersionNumber =
        version.majorVersionNumber ? std::optional<uint32_t>(10) : std::optional<uint32_t>();
    v.buildNumber = version.buildNumber;
    v.csdVersion = version.csdVersion;
    v.systemRoot = "C:\\Windows";
    regf::Key software = SmallTree("software");
    demo::AddInstallationKeys(software, v,
                              {{"S-1-5-18", "%systemroot%\\system32\\config\\systemprofile"},
                               {"S-1-5-19", "%systemroot%\\ServiceProfiles\\LocalService"},
                               {"S-1-5-20", "%SystemRoot%\\ServiceProfiles\\NetworkService"},
                               {"S-1-5-21-7-8-9-1001", "C:\\Users\\ann"},
                               {"S-1-5-21-7-8-9-1002", "%SystemDrive%\\Users\\bob"},
                               {"S-1-5-21-7-8-9-1003", "D:\\Users\\carl"},
                               {"S-1-5-21-7-8-9-1004", "C:\\Users\\dave"}});
    const fs::path softwareFile = root / "WINDOWS/system32/CONFIG/software";
    regf::Status s = regf::WriteHiveFile(software, softwareFile.string(), {5, 0.2, 9});
    if (!s.ok()) {
        throw std::runtime_error("cannot write test SOFTWARE: " + s.message);
    }
    fs::create_directories(root / "WINDOWS/SysWOW64");
    fs::create_directories(root / "users/dave/Documents");
    WriteBytes(root / "WINDOWS/system32/CONFIG/SYSTEM.LOG1", std::string(512, '\x01'));
    WriteBytes(root / "WINDOWS/system32/CONFIG/SYSTEM.LOG2", std::string(1024, '\x02'));
    WriteBytes(root / "users/Ann/ntuser.dat.LOG1", std::string(700, '\x03'));
}

std::string InstallationWindowsPath(const std::string& device) {
    std::string p = "C:" + device.substr(std::string(InstallationDevice).size());
    if (size_t at = p.find("System32"); at != std::string::npos) {
        p.replace(at, 8, "sysnative");
    }
    return p;
}

} // namespace hivelet::image::testing
