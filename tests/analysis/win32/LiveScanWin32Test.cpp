// Hivelet.exe /Scan on the live system, under Wine: the hive list comes from Wine's own registry,
// seeded for the test with kernel device paths of files in a scratch folder on drive C, and Wine's
// own RegSaveKey writes the snapshots. Wine writes them in its own text format, not as hives, so
// the check every snapshot gets rejects each one: no hive may be handed to Windows, and the
// SOFTWARE check then fails the analysis. What is checked is the path through the real services:
// the list is read and translated, every hive is measured, saved and checked, the failure is
// reported on standard error without a box, the result file gets its keys with empty sizes, the
// snapshots are gone at the end, and the program ends by itself with exit code 1.
#include "platform/win32/Handles.h"
#include "platform/win32/Win32TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace hivelet::analysis::test {
namespace {

using platform::win32::UniqueKey;
namespace support = platform::win32::testing;

constexpr const char* HiveListKey = "SYSTEM\\CurrentControlSet\\Control\\hivelist";

std::string ProgramPath() {
    return platform::win32::testing::WindowsPathOf(HIVELET_PROGRAM);
}

struct RegistryValue {
    std::string name;
    DWORD type = 0;
    std::vector<BYTE> data;
};

// Replaces every value of the hivelist key for the scope of a test and puts the earlier values
// back at its end, so that no other suite sees the seeded list.
class SeededHiveList {
public:
    SeededHiveList() {
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, HiveListKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                          key_.receive()) != ERROR_SUCCESS) {
            return;
        }
        for (DWORD i = 0;; ++i) {
            char name[1024];
            DWORD nameLength = sizeof name;
            BYTE data[4096];
            DWORD dataLength = sizeof data;
            RegistryValue v;
            if (RegEnumValueA(key_.get(), i, name, &nameLength, nullptr, &v.type, data,
                              &dataLength) != ERROR_SUCCESS) {
                break;
            }
            v.name.assign(name, nameLength);
            v.data.assign(data, data + dataLength);
            earlier_.push_back(std::move(v));
        }
        for (const RegistryValue& v : earlier_)
            RegDeleteValueA(key_.get(), v.name.c_str());
    }
    ~SeededHiveList() {
        if (!key_)
            return;
        for (const std::string& name : seeded_)
            RegDeleteValueA(key_.get(), name.c_str());
        for (const RegistryValue& v : earlier_)
            RegSetValueExA(key_.get(), v.name.c_str(), 0, v.type, v.data.data(),
                           static_cast<DWORD>(v.data.size()));
    }
    SeededHiveList(const SeededHiveList&) = delete;
    SeededHiveList& operator=(const SeededHiveList&) = delete;

    bool ready() const { return static_cast<bool>(key_); }

    bool Add(const std::string& keyPath, const std::string& devicePath) {
        seeded_.push_back(keyPath);
        return RegSetValueExA(key_.get(), keyPath.c_str(), 0, REG_SZ,
                              reinterpret_cast<const BYTE*>(devicePath.c_str()),
                              static_cast<DWORD>(devicePath.size() + 1)) == ERROR_SUCCESS;
    }

private:
    UniqueKey key_;
    std::vector<RegistryValue> earlier_;
    std::vector<std::string> seeded_;
};

// The kernel's name of a drive-letter path, as the hivelist key gives hive files.
std::optional<std::string> DevicePathOf(const std::string& path) {
    char device[1024] = {};
    const std::string drive = path.substr(0, 2);
    if (QueryDosDeviceA(drive.c_str(), device, sizeof device) == 0)
        return std::nullopt;
    return std::string(device) + path.substr(2);
}

std::string ResultValue(const std::string& file, const char* key) {
    char value[256] = {};
    GetPrivateProfileStringA("Scan Result", key, "<missing>", value, sizeof value, file.c_str());
    return value;
}

TEST(LiveScanWin32, ScanOfTheSeededHiveListRunsThroughTheRealServicesAndEnds) {
    if (!support::RunningUnderWine())
        GTEST_SKIP() << "changes the hivelist key, which only Wine lets a test do";

    support::ScratchFolder folder;
    struct Hive {
        const char* keyPath;
        const char* file;
        size_t size;
    };
    // The third key does not exist: its save fails. SOFTWARE in the path puts the sanity check
    // on the second.
    const Hive hives[] = {
        {"\\REGISTRY\\MACHINE\\SYSTEM", "SYSTEM", 8192},
        {"\\REGISTRY\\MACHINE\\SOFTWARE", "SOFTWARE", 4096},
        {"\\REGISTRY\\MACHINE\\HIVELET-NO-SUCH-KEY", "MISSING", 2048},
    };
    SeededHiveList list;
    ASSERT_TRUE(list.ready()) << "cannot open HKLM\\" << HiveListKey;
    for (const Hive& h : hives) {
        const std::string file = folder / h.file;
        ASSERT_TRUE(support::WriteWholeFile(file, std::string(h.size, '\0')));
        std::optional<std::string> device = DevicePathOf(file);
        ASSERT_TRUE(device) << "no device name for " << file;
        ASSERT_TRUE(list.Add(h.keyPath, *device));
    }

    // An earlier result and another section: the run replaces the first and keeps the second.
    const std::string result = folder / "scan result.ini";
    ASSERT_TRUE(support::WriteWholeFile(result, "[Other]\r\nKept=yes\r\n[Scan Result]\r\n"
                                                "Stale=1\r\nCurrent Size=1 KB\r\n"));

    std::optional<support::ChildResult> run =
        support::RunChild(ProgramPath(), "/Scan \"" + result + "\"");
    ASSERT_TRUE(run) << "Hivelet.exe did not start, or did not end (a message box?)";
    EXPECT_EQ(run->exitCode, 1u) << run->output;
    EXPECT_NE(run->output.find("Orvane Hivelet: Failed to analyze the registry!"),
              std::string::npos)
        << run->output;

    // Every key written, in order, the sizes empty after the failed analysis and the time of the
    // run last.
    for (const char* key : {"Current Size", "New Size", "Size Reduction", "Compact Percent"})
        EXPECT_EQ(ResultValue(result, key), "") << key;
    EXPECT_NE(ResultValue(result, "Time"), "");
    EXPECT_EQ(ResultValue(result, "Stale"), "<missing>");
    char kept[16] = {};
    GetPrivateProfileStringA("Other", "Kept", "", kept, sizeof kept, result.c_str());
    EXPECT_STREQ(kept, "yes");
    const std::optional<std::string> text = support::ReadWholeFile(result);
    ASSERT_TRUE(text);
    const size_t section = text->find("[Scan Result]");
    size_t at = section;
    for (const char* key :
         {"Current Size=", "New Size=", "Size Reduction=", "Compact Percent=", "Time="}) {
        const size_t next = text->find(key, at);
        ASSERT_NE(next, std::string::npos) << key << " missing or out of order in\n" << *text;
        at = next;
    }

    // No snapshot is left: each was rejected, and closing the window removes the rest.
    for (const Hive& h : hives) {
        EXPECT_EQ(GetFileAttributesA((folder / (std::string(h.file) + ".hvt")).c_str()),
                  INVALID_FILE_ATTRIBUTES)
            << h.file << ".hvt was left behind";
    }
}

} // namespace
} // namespace hivelet::analysis::test
