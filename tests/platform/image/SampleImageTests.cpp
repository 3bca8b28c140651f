// An image made of real sample hives, taken through save, replace and restart at the platform
// level, the way Hivelet drives it; the results are compared with the originals.
#include "TestImage.h"

#include "platform/image/ImagePlatform.h"

#include <gtest/gtest.h>

namespace hivelet::image {
namespace {

using namespace testing;
using namespace hivelet::platform;

struct Sample {
    const char* hive;   // hivelist name
    const char* source; // under the sample folder
    const char* file;   // in the image, below drive C
};

const Sample Samples[] = {
    {"\\REGISTRY\\MACHINE\\SYSTEM", "regipy/regipy_tests/data/SYSTEM",
     "Windows/System32/config/SYSTEM"},
    {"\\REGISTRY\\MACHINE\\SAM", "dfwinreg/test_data/SAM", "Windows/System32/config/SAM"},
    {"\\REGISTRY\\MACHINE\\SECURITY", "dfwinreg/test_data/SECURITY",
     "Windows/System32/config/SECURITY"},
    {"\\REGISTRY\\MACHINE\\BCD00000000", "Registry/Registry.Test/Hives/BCD", "Boot/BCD"},
    {"\\REGISTRY\\USER\\.DEFAULT", "regipy/regipy_tests/data/NTUSER.DAT",
     "Windows/System32/config/DEFAULT"},
    {"\\REGISTRY\\USER\\S-1-5-21-1-2-3-1001", "notatin/test_data/NTUSER.DAT",
     "Users/ann/NTUSER.DAT"},
    {"\\REGISTRY\\USER\\S-1-5-21-1-2-3-1001_Classes", "dfwinreg/test_data/UsrClass.dat",
     "Users/ann/AppData/Local/Microsoft/Windows/UsrClass.dat"},
    {"\\REGISTRY\\USER\\S-1-5-21-1-2-3-1002", "dfwinreg/test_data/NTUSER.DAT",
     "Users/bob/NTUSER.DAT"},
    {"\\REGISTRY\\USER\\S-1-5-21-1-2-3-1003", "regipy/regipy_tests/data/NTUSER-WSL.DAT",
     "Users/wsl/NTUSER.DAT"},
    // A hive left dirty whose logs beside it recover it: saved as recovered.
    {"\\REGISTRY\\USER\\S-1-5-21-1-2-3-1002_Classes", "regipy/regipy_tests/data/UsrClass.dat",
     "Users/bob/AppData/Local/Microsoft/Windows/UsrClass.dat"},
    // A hive left dirty without its logs: its latest changes are lost, so it cannot be saved.
    {"\\REGISTRY\\USER\\S-1-5-21-1-2-3-1004", "regipy/regipy_tests/data/SECURITY",
     "Users/lost/NTUSER.DAT"},
};

// Logs shipped with a sample, copied beside its hive: (sample log, suffix in the image).
const char* const SampleLogs[][3] = {
    {"dfwinreg/test_data/NTUSER.DAT.LOG", "Users/bob/NTUSER.DAT", ".LOG"},
    {"regipy/regipy_tests/data/UsrClass.dat.LOG1",
     "Users/bob/AppData/Local/Microsoft/Windows/UsrClass.dat", ".LOG1"},
    {"regipy/regipy_tests/data/UsrClass.dat.LOG2",
     "Users/bob/AppData/Local/Microsoft/Windows/UsrClass.dat", ".LOG2"},
};

TEST(SampleImage, SaveReplaceAndRestartEveryHive) {
    const fs::path samples = HIVELET_SAMPLE_HIVES;
    if (!fs::exists(samples / Samples[0].source)) {
        GTEST_SKIP() << "sample hives not found in " << samples;
    }
    TempFolder folder;
    const fs::path root = folder.path();
    std::string machine = "[Machine]\r\nMajor=6\r\nMinor=3\r\nWow64=0\r\n[Drives]\r\n"
                          "C=fixed,\\Device\\HarddiskVolume2,C\r\n[hivelist]\r\n"
                          "\\REGISTRY\\MACHINE\\HARDWARE=\r\n";
    for (const Sample& s : Samples) {
        fs::create_directories((root / "C" / s.file).parent_path());
        fs::copy_file(samples / s.source, root / "C" / s.file);
        std::string device = std::string("\\Device\\HarddiskVolume2\\") + s.file;
        std::replace(device.begin(), device.end(), '/', '\\');
        machine += std::string(s.hive) + "=" + device + "\r\n";
    }
    for (const auto& [log, hive, suffix] : SampleLogs) {
        fs::copy_file(samples / log, root / "C" / (std::string(hive) + suffix));
    }
    WriteBytes(root / "machine.ini", machine);

    ImagePlatform image(root);
    ASSERT_NO_FATAL_FAILURE(EnableHivePrivileges(image));

    // The hive list, read the way Hivelet reads it.
    RegistryKey hivelist;
    ASSERT_TRUE(image
                    .OpenKeyEx(RootKey::LocalMachine,
                               "SYSTEM\\CurrentControlSet\\Control\\hivelist", reg::KeyRead,
                               hivelist)
                    .ok());
    std::vector<std::string> names;
    ASSERT_TRUE(image.EnumValueNames(hivelist.get(), names).ok());
    ASSERT_EQ(names.size(), std::size(Samples) + 1);
    hivelist.Close();

    std::vector<const Sample*> saved;
    for (const Sample& s : Samples) {
        SCOPED_TRACE(s.hive);
        auto [rootKey, sub] = RootOf(s.hive);
        RegistryKey key;
        ASSERT_TRUE(image.OpenKey(rootKey, sub, key).ok());
        Status st = image.SaveKey(key.get(), DriveCPath(std::string(s.file) + ".hvt"));
        key.Close();
        const std::string note = image.SaveNote(s.hive);
        if (std::string(s.source) == "regipy/regipy_tests/data/SECURITY") {
            EXPECT_EQ(st.code, error::RegistryCorrupt);
            EXPECT_NE(st.detail.find("dirty: its newest changes are in transaction logs that are "
                                     "missing or unusable"),
                      std::string::npos)
                << st.detail;
            EXPECT_EQ(note, "skipped: " + st.detail);
            continue;
        }
        ASSERT_TRUE(st.ok()) << st.detail;
        const bool dirty = std::string(s.source) == "regipy/regipy_tests/data/UsrClass.dat";
        EXPECT_EQ(note.rfind("recovered from its transaction logs: 14 entries", 0) == 0, dirty)
            << note;
        saved.push_back(&s);
    }
    for (const Sample* s : saved) {
        auto [rootKey, sub] = RootOf(s->hive);
        const std::string f = DriveCPath(s->file);
        ASSERT_TRUE(image.ReplaceKey(rootKey, sub, f + ".hvt", f + ".bak").ok()) << s->hive;
    }
    ASSERT_TRUE(image.ExitWindows(exitflags::Reboot | exitflags::Force, 1).ok());
    ASSERT_TRUE(image.lastBoot());
    EXPECT_EQ(image.lastBoot()->replaced.size(), saved.size());

    for (const Sample* s : saved) {
        SCOPED_TRACE(s->hive);
        const fs::path live = root / "C" / s->file;
        const fs::path backup = root / "C" / (std::string(s->file) + ".bak");
        const fs::path original = samples / s->source;
        EXPECT_EQ(ReadBytes(backup), ReadBytes(original)); // byte for byte
        EXPECT_EQ(DumpHive(live), DumpHive(original));
        regf::Status compact = regf::VerifyCompactHiveFile(live.string());
        EXPECT_TRUE(compact.ok()) << compact.message;
        EXPECT_LE(fs::file_size(live), fs::file_size(original));
        if (fs::file_size(original) < 2 * 1024 * 1024) {
            if (auto after = HivexExport(live)) {
                EXPECT_EQ(*after, *HivexExport(original));
            }
        }
    }
    // Every hive's logs went with it to the backup name, byte for byte; the hive that could not
    // be saved stayed as it was.
    for (const auto& [log, hive, suffix] : SampleLogs) {
        EXPECT_EQ(ReadBytes(root / "C" / (std::string(hive) + ".bak" + suffix)),
                  ReadBytes(samples / log));
        EXPECT_FALSE(fs::exists(root / "C" / (std::string(hive) + suffix)));
    }
    const fs::path lost = root / "C" / Samples[std::size(Samples) - 1].file;
    EXPECT_EQ(ReadBytes(lost), ReadBytes(samples / Samples[std::size(Samples) - 1].source));
    EXPECT_FALSE(fs::exists(fs::path(lost.string() + ".bak")));
}

} // namespace
} // namespace hivelet::image
