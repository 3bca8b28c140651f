// Every file in the sample folder: real hives compact into copies that verify and hold the same
// tree in no more space than a Windows-like packing; dirty hives with usable logs compact what
// the logs recover; logs, foreign files, dirty hives without logs and damaged hives are refused
// with an error that says why.
#include "RegfTestSupport.h"

#include "platform/regf/Regf.h"

#include <gtest/gtest.h>

#include <map>

namespace hivelet::regf {
namespace {

using regf_test::SampleFiles;
using regf_test::SampleName;
using regf_test::ScratchFolder;
namespace fs = std::filesystem;

enum class Outcome {
    Compacts,         // intact and clean: compacts, and verifies as it is
    CompactsRepaired, // compacts (the copy fixes counts) but the file itself fails verification
    Recovers,         // dirty: compacts what its transaction logs recover
    Refused,          // refused with `kind`
};

struct Expectation {
    Outcome outcome;
    ErrorKind kind = ErrorKind::None;
    uint64_t packed = 0; // Windows-like packing of the reachable cells (sample notes, section 3)
    uint64_t tight = 0;  // the same with every cell at its minimum size
    bool windowsSaved = false; // written compact by Windows itself (RegSaveKey or offreg)
};

Expectation Compacts(uint64_t packed, uint64_t tight, bool windowsSaved = false) {
    return {Outcome::Compacts, ErrorKind::None, packed, tight, windowsSaved};
}
Expectation Recovers(uint64_t packed, uint64_t tight) {
    return {Outcome::Recovers, ErrorKind::None, packed, tight};
}
Expectation Refused(ErrorKind kind) {
    return {Outcome::Refused, kind};
}

const std::map<std::string, Expectation>& Expectations() {
    static const std::map<std::string, Expectation> table = {
        {"hivex/images/minimal", Compacts(8192, 8192)},
        {"hivex/images/special", Compacts(8192, 8192)},
        {"hivex/images/rlenvalue_test_hive", Compacts(8192, 8192)},
        {"Registry/Registry.Test/Hives/Acronis_0x52_Usrclass.dat", Compacts(204800, 159744)},
        {"Registry/Registry.Test/Hives/BCD", Compacts(16384, 16384)},
        {"Registry/Registry.Test/Hives/NTUSER1.DAT", Compacts(217088, 188416)},
        {"Registry/Registry.Test/Hives/NotAHive", Refused(ErrorKind::NotAHive)},
        {"Registry/Registry.Test/Hives/SAM", Compacts(28672, 28672)},
        {"Registry/Registry.Test/Hives/SAMBadHBinHeader", Refused(ErrorKind::Corrupt)},
        {"Registry/Registry.Test/Hives/SAM_DUPENAME", Compacts(40960, 40960)},
        {"Registry/Registry.Test/Hives/SAM_RootValue", Compacts(24576, 24576)},
        {"Registry/Registry.Test/Hives/SAM_hasBigEndianDWord", Compacts(32768, 32768)},
        {"Registry/Registry.Test/Hives/SAN(OTHER)", Refused(ErrorKind::Corrupt)},
        {"Registry/Registry.Test/Hives/SECURITY", Refused(ErrorKind::Dirty)},
        {"Registry/Registry.Test/Hives/SECURITYNoRoot", Compacts(8192, 8192, true)},
        {"dfwinreg/test_data/NTUSER.DAT", Compacts(462848, 454656)},
        {"dfwinreg/test_data/NTUSER.DAT.LOG", Refused(ErrorKind::NotAHive)},
        {"dfwinreg/test_data/SAM", Compacts(28672, 28672)},
        {"dfwinreg/test_data/SECURITY", Compacts(28672, 28672)},
        {"dfwinreg/test_data/UsrClass.dat", Compacts(3493888, 3481600)},
        {"dfwinreg/test_data/USER.DAT", Refused(ErrorKind::NotAHive)},
        {"notatin/test_data/NTUSER.DAT", Compacts(1163264, 1138688)},
        {"python-registry/tests/reg_samples/REORGANIZED_VALUES_TESTS", Compacts(8192, 8192)},
        {"python-registry/tests/reg_samples/UNICODE_TESTS", Compacts(8192, 8192)},
        {"python-registry/tests/reg_samples/issue22.hive", Compacts(8192, 8192, true)},
        {"regipy/regipy_tests/data/BCD", Compacts(28672, 28672)},
        {"regipy/regipy_tests/data/NTUSER-WSL.DAT", Compacts(1032192, 1011712, true)},
        {"regipy/regipy_tests/data/NTUSER.DAT", Compacts(733184, 675840)},
        {"regipy/regipy_tests/data/NTUSER_BAGMRU.DAT", Refused(ErrorKind::Dirty)},
        {"regipy/regipy_tests/data/NTUSER_modified.DAT", Compacts(733184, 671744)},
        {"regipy/regipy_tests/data/NTUSER_with_winscp.DAT", Refused(ErrorKind::Dirty)},
        {"regipy/regipy_tests/data/SAM", Compacts(24576, 24576)},
        {"regipy/regipy_tests/data/SECURITY", Refused(ErrorKind::Dirty)},
        {"regipy/regipy_tests/data/SYSTEM", Compacts(11767808, 11673600, true)},
        {"regipy/regipy_tests/data/SYSTEM_2", Refused(ErrorKind::Dirty)},
        {"regipy/regipy_tests/data/SYSTEM_B", Recovers(12599296, 12513280)},
        {"regipy/regipy_tests/data/SYSTEM_B.LOG1", Refused(ErrorKind::NotAHive)},
        {"regipy/regipy_tests/data/SYSTEM_B.LOG2", Refused(ErrorKind::NotAHive)},
        {"regipy/regipy_tests/data/UsrClass.dat", Recovers(2809856, 2793472)},
        {"regipy/regipy_tests/data/UsrClass.dat.LOG1", Refused(ErrorKind::NotAHive)},
        {"regipy/regipy_tests/data/UsrClass.dat.LOG2", Refused(ErrorKind::NotAHive)},
        {"regipy/regipy_tests/data/amcache.hve", Refused(ErrorKind::Dirty)},
        {"regipy/regipy_tests/data/ntuser_software_partial", Compacts(2842624, 2772992, true)},
        {"regipy/regipy_tests/data/transactions_NTUSER.DAT", Recovers(929792, 925696)},
        {"regipy/regipy_tests/data/transactions_ntuser.dat.log1", Refused(ErrorKind::NotAHive)},
        {"regipy/regipy_tests/data/transactions_ntuser.dat.log2", Refused(ErrorKind::NotAHive)},
        {"yarp/hives_for_manual_tests/FuseHive", Compacts(139264, 106496)},
        {"yarp/hives_for_tests/BadBaseBlockHive/BadBaseBlockHive", Recovers(491520, 471040)},
        {"yarp/hives_for_tests/BadBaseBlockHive/BadBaseBlockHive.LOG1",
         Refused(ErrorKind::NotAHive)},
        {"yarp/hives_for_tests/BadSubkeyHive", Refused(ErrorKind::Corrupt)},
        {"yarp/hives_for_tests/BigDataHive", Compacts(139264, 106496)},
        {"yarp/hives_for_tests/BogusKeyNamesHive", Compacts(8192, 8192)},
        {"yarp/hives_for_tests/CompHive", Compacts(8192, 8192)},
        {"yarp/hives_for_tests/DeletedDataHive", Compacts(8192, 8192)},
        {"yarp/hives_for_tests/DeletedTreeHive", Compacts(8192, 8192)},
        {"yarp/hives_for_tests/DupNameHive", Compacts(8192, 8192)},
        {"yarp/hives_for_tests/DuplicateSubkeysHive", Refused(ErrorKind::Corrupt)},
        {"yarp/hives_for_tests/EffectiveSizeHive", Refused(ErrorKind::Corrupt)},
        {"yarp/hives_for_tests/EmptyHive", Compacts(8192, 8192)},
        {"yarp/hives_for_tests/GarbageHive", Refused(ErrorKind::Corrupt)},
        {"yarp/hives_for_tests/HealedHive",
         {Outcome::CompactsRepaired, ErrorKind::None, 8192, 8192}},
        {"yarp/hives_for_tests/ManySubkeysHive", Compacts(491520, 471040)},
        {"yarp/hives_for_tests/MultiSzHive", Compacts(8192, 8192)},
        {"yarp/hives_for_tests/NewFlagsHive", Compacts(8192, 8192)},
        {"yarp/hives_for_tests/OffHive", Compacts(8192, 8192, true)},
        {"yarp/hives_for_tests/OldDirtyHive/OldDirtyHive", Recovers(491520, 471040)},
        {"yarp/hives_for_tests/OldDirtyHive/OldDirtyHive.LOG1", Refused(ErrorKind::NotAHive)},
        {"yarp/hives_for_tests/OldDirtyHive/RecoveredHive_Windows7", Compacts(491520, 471040)},
        {"yarp/hives_for_tests/PairHive", Compacts(8192, 8192)},
        {"yarp/hives_for_tests/ReallocValueHive", Compacts(8192, 8192)},
        {"yarp/hives_for_tests/RemnantData", Compacts(8192, 8192)},
        {"yarp/hives_for_tests/SlackHive", Compacts(491520, 471040)},
        {"yarp/hives_for_tests/StringValuesHive", Compacts(8192, 8192)},
        {"yarp/hives_for_tests/System_Delta", Refused(ErrorKind::Unsupported)},
        {"yarp/hives_for_tests/TruncatedHive", Refused(ErrorKind::Corrupt)},
        {"yarp/hives_for_tests/TwoOwnersHive", Compacts(8192, 8192)},
        {"yarp/hives_for_tests/UpcaseHive", Compacts(8192, 8192)},
        {"yarp/hives_for_tests/ValuesOrderHive", Compacts(8192, 8192)},
        {"yarp/hives_for_tests/WrongOrderHive", Refused(ErrorKind::Corrupt)},
    };
    return table;
}

uint64_t RecoveredSize(const fs::path& file) {
    ScratchFolder folder;
    Recovery recovery;
    if (!RecoverHiveFile(file.string(), folder.file("r"), recovery).ok()) {
        return 0;
    }
    return fs::file_size(folder.file("r"));
}

using RegfSamples = regf_test::SampleHiveTest;

TEST_F(RegfSamples, EveryFileIsClassified) {
    size_t seen = 0;
    for (const fs::path& file : SampleFiles()) {
        EXPECT_EQ(Expectations().count(SampleName(file)), 1u)
            << SampleName(file) << " is a sample no test expects";
        ++seen;
    }
    EXPECT_EQ(seen, Expectations().size());
}

TEST_F(RegfSamples, IntactHivesCompactIntoVerifiedCopiesOfTheSameTree) {
    ScratchFolder folder;
    for (const fs::path& file : SampleFiles()) {
        auto found = Expectations().find(SampleName(file));
        if (found == Expectations().end() || found->second.outcome == Outcome::Refused) {
            continue;
        }
        const Expectation& expected = found->second;
        SCOPED_TRACE(SampleName(file));
        Status verified = VerifyHiveFile(file.string());
        EXPECT_EQ(verified.ok(), expected.outcome != Outcome::CompactsRepaired) << verified.message;

        std::string copy = folder.file(file.filename().string() + ".copy");
        Status s = CompactHiveFile(file.string(), copy);
        ASSERT_TRUE(s.ok()) << s.message;
        s = VerifyCompactHiveFile(copy);
        EXPECT_TRUE(s.ok()) << s.message;

        std::string before;
        std::string after;
        EXPECT_TRUE(DumpHiveFile(file.string(), before).ok());
        EXPECT_TRUE(DumpHiveFile(copy, after).ok());
        EXPECT_TRUE(before == after) << "dumps differ";

        // A recovered hive may have grown past its file.
        uint64_t original = std::max<uint64_t>(fs::file_size(file), RecoveredSize(file));
        uint64_t size = fs::file_size(copy);
        EXPECT_LE(size, original);
        EXPECT_LE(size, expected.packed);
        // Below the tightest packing of the reachable cells something would be missing.
        EXPECT_GE(size + 8192, expected.tight);
        if (expected.windowsSaved) {
            // Windows' own compact saves are at most trimmed of spare list slots and old
            // allocations (a few per cent), never grown.
            EXPECT_GE(size, original - original / 40 - 4096);
        }
        fs::remove(copy);
    }
}

TEST_F(RegfSamples, DamagedForeignDirtyAndUnsupportedFilesAreRefused) {
    ScratchFolder folder;
    for (const fs::path& file : SampleFiles()) {
        auto found = Expectations().find(SampleName(file));
        if (found == Expectations().end() || found->second.outcome != Outcome::Refused) {
            continue;
        }
        SCOPED_TRACE(SampleName(file));
        std::string copy = folder.file("copy");
        Status s = CompactHiveFile(file.string(), copy);
        EXPECT_EQ(s.kind, found->second.kind) << s.message;
        EXPECT_NE(s.message.find(file.string()), std::string::npos) << s.message;
        EXPECT_EQ(s.message.find('\n'), std::string::npos);
        if (s.kind == ErrorKind::Corrupt) {
            EXPECT_NE(s.message.find(" at 0x"), std::string::npos) << s.message;
        }
        if (s.kind == ErrorKind::Dirty) {
            EXPECT_NE(s.message.find("transaction logs"), std::string::npos) << s.message;
        }
        EXPECT_FALSE(fs::exists(copy));
        EXPECT_TRUE(fs::is_empty(folder.path()));

        Status verified = VerifyHiveFile(file.string());
        EXPECT_EQ(verified.kind, found->second.kind) << verified.message;
        std::string text;
        EXPECT_FALSE(DumpHiveFile(file.string(), text).ok());
        EXPECT_TRUE(text.empty());
    }
}

// Key, value and time lines of a dump, with key paths starting at `prefix` rewritten to start
// at `replacement` (descriptor numbers depend on where the walk starts, so they are left out).
std::vector<std::string> TreeLines(const std::string& dump, const std::string& prefix,
                                   const std::string& replacement) {
    std::vector<std::string> lines;
    bool inside = false;
    size_t pos = 0;
    while (pos < dump.size()) {
        size_t end = dump.find('\n', pos);
        std::string line = dump.substr(pos, end - pos);
        pos = end + 1;
        if (line.rfind("key \"", 0) == 0) {
            inside = line.compare(5, prefix.size(), prefix) == 0 &&
                     (line.size() == 6 + prefix.size() || line[5 + prefix.size()] == '\\');
            if (inside) {
                line = "key \"" + replacement + line.substr(5 + prefix.size());
            }
        } else if (line.rfind("  security", 0) == 0) {
            continue;
        } else if (line.rfind("keys ", 0) == 0) {
            inside = false; // the closing count line
        }
        if (inside) {
            lines.push_back(line);
        }
    }
    return lines;
}

TEST_F(RegfSamples, SavedSubtreeHoldsTheSameKeysAsInTheWholeHive) {
    fs::path file = regf_test::SampleFolder() / "regipy/regipy_tests/data/NTUSER-WSL.DAT";
    ScratchFolder folder;
    CompactOptions options;
    options.subtreePath = "software\\MICROSOFT";
    ASSERT_TRUE(CompactHiveFile(file.string(), folder.file("sub"), options).ok());
    EXPECT_TRUE(VerifyCompactHiveFile(folder.file("sub")).ok());
    std::string whole;
    std::string sub;
    ASSERT_TRUE(DumpHiveFile(file.string(), whole).ok());
    ASSERT_TRUE(DumpHiveFile(folder.file("sub"), sub).ok());
    // The key as the whole hive names it: the root's name, then the stored names.
    size_t rootEnd = whole.find("\"\n", whole.find("key \""));
    std::string root = whole.substr(whole.find("key \"") + 5, rootEnd - whole.find("key \"") - 5);
    std::string path;
    for (const char* software : {"Software", "SOFTWARE", "software"}) {
        std::string candidate = root + "\\" + software + "\\Microsoft";
        if (whole.find("key \"" + candidate + "\"\n") != std::string::npos) {
            path = candidate;
        }
    }
    ASSERT_FALSE(path.empty());
    std::vector<std::string> expected = TreeLines(whole, path, "Microsoft");
    EXPECT_GT(expected.size(), 1000u);
    EXPECT_TRUE(TreeLines(sub, "Microsoft", "Microsoft") == expected);
}

} // namespace
} // namespace hivelet::regf
