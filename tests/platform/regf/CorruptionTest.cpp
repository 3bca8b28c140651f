// Damaged hives: each fault is refused with an error that names it and its offset, and no input
// crashes, hangs or makes a copy that fails its own checks.
#include "RegfTestSupport.h"

#include "platform/regf/Compact.h"
#include "platform/regf/Format.h"
#include "platform/regf/Reader.h"
#include "platform/regf/Verify.h"
#include "platform/regf/Walk.h"
#include "platform/regf/fuzz/SelfCheck.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace hivelet::regf {
namespace {

// A generated hive held in memory, with handles on its records.
class Damage {
public:
    explicit Damage(uint32_t minor = 5, double freeFraction = 0.0) {
        regf_test::ScratchFolder folder;
        WriteOptions options;
        options.minorVersion = minor;
        options.freeFraction = freeFraction;
        EXPECT_TRUE(WriteHiveFile(regf_test::RichTree(600), folder.file("h"), options).ok());
        bytes = regf_test::ReadBytes(folder.file("h"));
    }

    Status compact() {
        Hive hive;
        if (Status s = hive.open(bytes.data(), bytes.size(), "damaged"); !s.ok()) {
            return s;
        }
        MemorySink sink;
        return CompactHive(hive, {}, sink);
    }
    Status verify(bool compact = false) {
        Hive hive;
        if (Status s = hive.open(bytes.data(), bytes.size(), "damaged"); !s.ok()) {
            return s;
        }
        return VerifyHive(hive, compact);
    }
    // The cell of the key at `path` below the root.
    uint32_t key(const std::string& path) {
        Hive hive;
        EXPECT_TRUE(hive.open(bytes.data(), bytes.size(), "damaged").ok());
        Reader reader(hive);
        uint32_t cell = kNoCell;
        EXPECT_TRUE(FindKey(reader, hive.base().rootCell, path, cell)) << path;
        return cell;
    }
    uint32_t root() const { return LoadU32(bytes.data() + 0x24); }
    KeyNodeRecord nk(uint32_t cell) const {
        KeyNodeRecord r;
        std::memcpy(&r, payload(cell), sizeof r);
        return r;
    }
    uint8_t* payload(uint32_t cell) { return bytes.data() + kBaseBlockSize + cell + 4; }
    const uint8_t* payload(uint32_t cell) const { return bytes.data() + kBaseBlockSize + cell + 4; }
    uint8_t* field(uint32_t cell, size_t offset) { return payload(cell) + offset; }
    // Overwrites a field of the key record at `path`.
    void storeKeyField(const std::string& path, size_t offset, uint32_t value) {
        StoreU32(field(key(path), offset), value);
    }
    // The subkey list of the key at `path`.
    uint8_t* subkeyList(const std::string& path) { return payload(nk(key(path)).subkeyList); }
    void fixChecksum() { StoreU32(bytes.data() + 0x1FC, BaseBlockChecksum(bytes.data())); }
    // The first value cell of a key.
    uint32_t value(uint32_t keyCell, uint32_t index = 0) {
        return LoadU32(payload(nk(keyCell).valueList) + 4 * index);
    }

    std::vector<uint8_t> bytes;
};

void ExpectRefused(const Status& s, ErrorKind kind, const std::string& words) {
    EXPECT_EQ(s.kind, kind) << s.message;
    EXPECT_NE(s.message.find("damaged: "), std::string::npos) << s.message;
    EXPECT_NE(s.message.find(words), std::string::npos) << s.message;
    EXPECT_EQ(s.message.find('\n'), std::string::npos);
}

TEST(RegfCorruption, BaseBlockFaults) {
    struct Case {
        size_t offset;
        uint32_t value;
        ErrorKind kind;
        const char* words;
    };
    const Case cases[] = {
        {0x00, 0x66676571, ErrorKind::NotAHive, "base block"}, // "qegf"
        {0x1C, 6, ErrorKind::NotAHive, "transaction log"},     // file type
        {0x08, 2, ErrorKind::Dirty, "transaction logs"},       // secondary sequence
        {0x18, 6, ErrorKind::Unsupported, "1.6"},              // layered-key format
        {0x18, 2, ErrorKind::Unsupported, "1.2"},
        {0x28, 0x1234, ErrorKind::Corrupt, "bins data size 0x1234 at 0x28"},
        {0x28, 0x80000000, ErrorKind::TooLarge, "bins data size"},
        {0x28, 0x7FFF0000, ErrorKind::Corrupt, "truncated"},
    };
    for (const Case& c : cases) {
        Damage hive;
        StoreU32(hive.bytes.data() + c.offset, c.value);
        hive.fixChecksum();
        ExpectRefused(hive.compact(), c.kind, c.words);
    }
    Damage hive;
    hive.bytes[0x30] ^= 1; // file name, covered by the checksum
    ExpectRefused(hive.compact(), ErrorKind::Corrupt, "checksum");
    ExpectRefused(hive.verify(), ErrorKind::Corrupt, "at 0x1fc");
}

TEST(RegfCorruption, BinAndCellFaults) {
    {
        Damage hive;
        StoreU32(hive.bytes.data() + 0x2004, 0x3000); // second bin's own offset
        ExpectRefused(hive.compact(), ErrorKind::Corrupt,
                      "bin says it is at 0x3000, not 0x1000 at 0x2000");
    }
    {
        Damage hive;
        StoreU32(hive.bytes.data() + 0x2008, 0); // second bin's size
        ExpectRefused(hive.compact(), ErrorKind::Corrupt, "bin size");
    }
    {
        Damage hive;
        StoreU32(hive.bytes.data() + 0x1020, static_cast<uint32_t>(-8000)); // root cell size
        ExpectRefused(hive.compact(), ErrorKind::Corrupt, "does not fit its bin at 0x1020");
    }
    {
        Damage hive;
        StoreU32(hive.bytes.data() + 0x1020, 0);
        ExpectRefused(hive.compact(), ErrorKind::Corrupt, "cell size 0");
    }
    {
        Damage hive; // the root cell marked free
        uint32_t size = 0u - LoadU32(hive.bytes.data() + 0x1020);
        StoreU32(hive.bytes.data() + 0x1020, size);
        ExpectRefused(hive.compact(), ErrorKind::Corrupt, "not an allocated cell");
    }
}

TEST(RegfCorruption, LoopsAndSharedCells) {
    {
        Damage hive; // a subkey list entry leading back to the root
        StoreU32(hive.subkeyList("mixed") + 4, hive.root());
        ExpectRefused(hive.compact(), ErrorKind::Corrupt, "back to an ancestor");
    }
    {
        Damage hive; // two entries naming the same key
        uint8_t* list = hive.subkeyList("mixed");
        StoreU32(list + 4 + 8, LoadU32(list + 4));
        ExpectRefused(hive.compact(), ErrorKind::Corrupt, "shared");
    }
    {
        Damage hive; // two values sharing one data cell
        uint32_t root = hive.root();
        uint32_t big1 = hive.value(root, 5);
        uint32_t big2 = hive.value(root, 6);
        StoreU32(hive.payload(big2) + 8, LoadU32(hive.payload(big1) + 8));
        ExpectRefused(hive.compact(), ErrorKind::Corrupt, "reached twice");
    }
    {
        Damage hive; // an index root under an index root
        uint32_t many = hive.key("Many");
        uint32_t ri = hive.nk(many).subkeyList;
        ASSERT_EQ(LoadU16(hive.payload(ri)), kSigRi);
        StoreU32(hive.payload(ri) + 4, ri);
        Status s = hive.compact();
        EXPECT_EQ(s.kind, ErrorKind::Corrupt) << s.message;
    }
}

// Counts how much a writer puts out.
class CountingSink : public ByteSink {
public:
    bool write(const uint8_t*, size_t size) override {
        bytes += size;
        return true;
    }
    bool patch(uint64_t, const void*, size_t) override { return true; }
    uint64_t bytes = 0;
};

TEST(RegfCorruption, ListFaults) {
    {
        Damage hive;
        hive.storeKeyField("mixed", offsetof(KeyNodeRecord, subkeyCount), 8);
        ExpectRefused(hive.compact(), ErrorKind::Corrupt, "says it has 8 subkeys");
    }
    {
        // A count far beyond the lists: refused before any cell is sized by it (2^24 subkeys
        // would make a writer put out 130 MiB of list cells first).
        Damage hive;
        hive.storeKeyField("mixed", offsetof(KeyNodeRecord, subkeyCount), 1u << 24);
        Hive opened;
        ASSERT_TRUE(opened.open(hive.bytes.data(), hive.bytes.size(), "damaged").ok());
        CountingSink sink;
        ExpectRefused(CompactHive(opened, {}, sink), ErrorKind::Corrupt, "16777216 subkeys");
        EXPECT_LT(sink.bytes, hive.bytes.size());
    }
    {
        Damage hive;
        StoreU16(hive.subkeyList("mixed") + 2, 200);
        ExpectRefused(hive.compact(), ErrorKind::Corrupt, "runs past its cell");
    }
    {
        Damage hive; // out of order: lookups by binary search would miss keys
        uint8_t* list = hive.subkeyList("mixed") + 4;
        uint8_t first[8];
        std::memcpy(first, list, 8);
        std::memmove(list, list + 8, 8);
        std::memcpy(list + 8, first, 8);
        ExpectRefused(hive.compact(), ErrorKind::Corrupt, "order");
        ExpectRefused(hive.verify(), ErrorKind::Corrupt, "order");
    }
    {
        Damage hive;
        StoreU16(hive.subkeyList("mixed"), Sig('x', 'y'));
        ExpectRefused(hive.compact(), ErrorKind::Corrupt, "unknown kind");
    }
}

TEST(RegfCorruption, RecordFaults) {
    {
        Damage hive;
        StoreU16(hive.payload(hive.key("mixed")), Sig('n', 'x'));
        ExpectRefused(hive.compact(), ErrorKind::Corrupt, "\"nk\"");
    }
    {
        Damage hive;
        StoreU16(hive.field(hive.key("mixed"), offsetof(KeyNodeRecord, nameLength)), 3000);
        ExpectRefused(hive.compact(), ErrorKind::Corrupt, "key name runs past its cell");
    }
    {
        Damage hive;
        uint32_t vk = hive.value(hive.root(), 2); // "size 1", inline
        StoreU32(hive.payload(vk) + 4, 0x80000005);
        ExpectRefused(hive.compact(), ErrorKind::Corrupt, "inline value data longer");
    }
    {
        Damage hive;
        uint32_t vk = hive.value(hive.root(), 4); // "size 5", one cell of 16 bytes
        StoreU32(hive.payload(vk) + 4, 13);
        ExpectRefused(hive.compact(), ErrorKind::Corrupt, "longer than its cell");
    }
    {
        Damage hive;                              // big data with a segment too few
        uint32_t vk = hive.value(hive.root(), 7); // 40000 bytes: three segments
        uint32_t db = LoadU32(hive.payload(vk) + 8);
        ASSERT_EQ(LoadU16(hive.payload(db)), kSigDb);
        StoreU16(hive.payload(db) + 2, 2);
        ExpectRefused(hive.compact(), ErrorKind::Corrupt, "too few segments");
    }
    {
        Damage hive;
        uint32_t sk = hive.nk(hive.root()).security;
        StoreU16(hive.payload(sk) + sizeof(SecurityRecord), 0x0002); // descriptor revision 2
        ExpectRefused(hive.compact(), ErrorKind::Corrupt, "malformed security descriptor");
    }
    {
        Damage hive;
        hive.storeKeyField("mixed", offsetof(KeyNodeRecord, security), hive.root());
        ExpectRefused(hive.compact(), ErrorKind::Corrupt, "\"sk\"");
    }
}

TEST(RegfCorruption, FaultsTheCopyRepairsButTheVerifierReports) {
    {
        Damage hive;
        uint32_t sk = hive.nk(hive.root()).security;
        StoreU32(hive.payload(sk) + offsetof(SecurityRecord, referenceCount), 3);
        ExpectRefused(hive.verify(), ErrorKind::Corrupt, "reference count 3");
        EXPECT_TRUE(hive.compact().ok());
    }
    {
        Damage hive;
        StoreU32(hive.subkeyList("mixed") + 8, 12345); // lh hash of the first
        ExpectRefused(hive.verify(), ErrorKind::Corrupt, "hash");
        EXPECT_TRUE(hive.compact().ok());
    }
    {
        Damage hive;
        uint32_t sk = hive.nk(hive.root()).security;
        StoreU32(hive.payload(sk) + offsetof(SecurityRecord, flink), sk);
        ExpectRefused(hive.verify(), ErrorKind::Corrupt, "ring");
    }
    {
        Damage hive;
        uint32_t mixed = hive.key("mixed");
        StoreU32(hive.field(mixed, offsetof(KeyNodeRecord, maxValueDataLength)), 0);
        StoreU32(hive.field(mixed, offsetof(KeyNodeRecord, maxNameLengthAndFlags)), 0);
        ExpectRefused(hive.verify(), ErrorKind::Corrupt, "largest subkey name field is 0");
    }
    {
        Damage hive;
        hive.storeKeyField("mixed\\b", offsetof(KeyNodeRecord, parent), hive.root());
        ExpectRefused(hive.verify(), ErrorKind::Corrupt, "parent link");
    }
}

TEST(RegfCorruption, CompactVerificationCatchesWhatAWriterCouldGetWrong) {
    {
        Damage hive; // a field larger than needed is fine for Windows, not for a fresh copy
        hive.storeKeyField("mixed", offsetof(KeyNodeRecord, maxClassLength), 10);
        EXPECT_TRUE(hive.verify().ok());
        ExpectRefused(hive.verify(true), ErrorKind::Corrupt, "largest subkey class");
    }
    {
        Damage hive;
        hive.bytes.resize(hive.bytes.size() + 4096);
        EXPECT_TRUE(hive.verify().ok());
        ExpectRefused(hive.verify(true), ErrorKind::Corrupt, "after the last bin");
    }
    {
        Damage hive(5, 0.2);
        EXPECT_TRUE(hive.verify().ok());
        ExpectRefused(hive.verify(true), ErrorKind::Corrupt, "free cell inside a bin");
    }
    {
        Damage hive(3); // a 1.3 hive must not hold lh lists
        StoreU16(hive.subkeyList("mixed"), kSigLh);
        ExpectRefused(hive.verify(), ErrorKind::Corrupt, "lh subkey list");
    }
    {
        Damage hive(3); // lf hints are what 1.3 lookups compare first
        StoreU32(hive.subkeyList("mixed") + 8, 0x41414141);
        ExpectRefused(hive.verify(true), ErrorKind::Corrupt, "hint");
    }
    {
        Damage hive; // an allocated cell that nothing reaches
        uint32_t vk = hive.value(hive.root(), 4);
        StoreU32(hive.payload(vk) + 4, 0x80000000);
        StoreU32(hive.payload(vk) + 8, 0);
        EXPECT_TRUE(hive.verify().ok());
        ExpectRefused(hive.verify(true), ErrorKind::Corrupt, "reached by nothing");
    }
}

// Random damage to a small hive: every outcome is a clean refusal or a copy that checks out.
TEST(RegfCorruption, RandomDamageNeverBreaksTheRoundTrip) {
    regf_test::ScratchFolder folder;
    hivelet::regf::Key tree = regf_test::RichTree(40);
    tree.values.resize(5); // keep it small
    ASSERT_TRUE(WriteHiveFile(tree, folder.file("h")).ok());
    const std::vector<uint8_t> original = regf_test::ReadBytes(folder.file("h"));
    std::mt19937 random(1234);
    int roundTrips = 0;
    for (int round = 0; round < 1500; ++round) {
        std::vector<uint8_t> bytes = original;
        int flips = 1 + static_cast<int>(random() % 4);
        for (int i = 0; i < flips; ++i) {
            size_t at = kBaseBlockSize + random() % (bytes.size() - kBaseBlockSize);
            bytes[at] = static_cast<uint8_t>(random());
        }
        if (round % 10 == 0) {
            bytes.resize(random() % bytes.size());
        }
        std::string detail;
        SelfCheckResult result = SelfCheckFuzzInput(bytes.data(), bytes.size(), detail);
        ASSERT_NE(result, SelfCheckResult::Violation) << "round " << round << ": " << detail;
        roundTrips += result == SelfCheckResult::RoundTrip;
    }
    EXPECT_GT(roundTrips, 100); // damage to data bytes still reads
}

} // namespace
} // namespace hivelet::regf
