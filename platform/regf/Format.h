// On-disk records of a hive file and the limits the reader enforces.
//
// Every record is a packed little-endian struct; each field carries its offset in a comment, and
// its size and every offset are pinned by static_asserts, so a record is read with one bounds
// check and one memcpy. Offsets inside the hive ("cell indexes")
// count from the start of the bins data, i.e. file offset - 4096.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace hivelet::regf {

static_assert(std::endian::native == std::endian::little, "records are read in place");

inline constexpr uint32_t kNoCell = 0xFFFFFFFF;
inline constexpr uint32_t kBaseBlockSize = 4096;
inline constexpr uint32_t kBinHeaderSize = 32;
inline constexpr uint32_t kBinGranularity = 4096;
// The largest cell that fits a 4 KiB bin next to the bin header.
inline constexpr uint32_t kSmallBinCellLimit = kBinGranularity - kBinHeaderSize;
// Bytes of value data one big-data segment holds, and the cell every segment gets.
inline constexpr uint32_t kBigDataSegmentBytes = 16344;
inline constexpr uint32_t kBigDataSegmentCell = 16352;
// A value longer than this is stored as big data where the format has it (minor >= 4).
inline constexpr uint32_t kMaxSingleCellData = kBigDataSegmentBytes;
// Leaf capacities of the subkey lists this library writes (one leaf cell fills a 4 KiB bin).
inline constexpr uint32_t kMaxHashLeafEntries = 507;
inline constexpr uint32_t kMaxIndexLeafEntries = 1014;

// ---- Limits ----
// Cell indexes have 31 bits (the top bit selects volatile storage), so stable data stays below
// 2 GiB.
inline constexpr uint32_t kMaxBinsDataSize = 0x7FFFF000;
inline constexpr uint32_t kMaxTreeDepth = 512;
inline constexpr uint32_t kMaxKeyNameChars = 255;
inline constexpr uint32_t kMaxValueNameChars = 16383;
inline constexpr uint32_t kMaxInlineData = 4;
inline constexpr uint32_t kInlineDataFlag = 0x80000000;
// Largest value data accepted, stored either way (the vk size field has 31 bits).
inline constexpr uint32_t kMaxValueDataBytes = 0x7FFFFFFF;

// ---- Format versions ----
inline constexpr uint32_t kMajorVersion = 1;
inline constexpr uint32_t kMinMinorVersion = 3;
inline constexpr uint32_t kMaxMinorVersion = 5;
inline constexpr uint32_t kFirstMinorWithBigData = 4;
inline constexpr uint32_t kFirstMinorWithHashLeaves = 5;

// ---- Key flags (nk +0x02) ----
namespace keyflag {
inline constexpr uint16_t Volatile = 0x0001;
inline constexpr uint16_t HiveExit = 0x0002;
inline constexpr uint16_t HiveEntry = 0x0004;
inline constexpr uint16_t NoDelete = 0x0008;
inline constexpr uint16_t SymLink = 0x0010;
inline constexpr uint16_t CompressedName = 0x0020;
inline constexpr uint16_t PredefinedHandle = 0x0040;
// Flags that only exist in memory; a file never carries them.
inline constexpr uint16_t NeverOnDisk = Volatile | HiveExit | PredefinedHandle;
// What a saved hive's root carries, like RegSaveKey writes it.
inline constexpr uint16_t SavedRoot = HiveEntry | NoDelete;
} // namespace keyflag

namespace valueflag {
inline constexpr uint16_t CompressedName = 0x0001;
} // namespace valueflag

// nk +0x34: bits 0-15 largest subkey name (bytes as UTF-16); bits 16-31 other flags, kept.
inline constexpr uint32_t kMaxNameLengthMask = 0x0000FFFF;

#pragma pack(push, 1)

struct BaseBlock {
    char signature[4]; // "regf"
    uint32_t primarySequence;
    uint32_t secondarySequence;
    uint64_t lastWritten;
    uint32_t majorVersion;
    uint32_t minorVersion;
    uint32_t fileType; // 0 = primary file
    uint32_t fileFormat;
    uint32_t rootCell;
    uint32_t binsDataSize;
    uint32_t clusteringFactor;
    uint16_t fileName[32];
    uint8_t rmId[16];
    uint8_t logId[16];
    uint32_t flags;
    uint8_t tmId[16];
    char guidSignature[4]; // "rmtm"
    uint64_t lastReorganized;
    uint8_t reserved1[0x1FC - 0xB0];
    uint32_t checksum; // XOR of the 127 dwords before it
    uint8_t reserved2[0xFC8 - 0x200];
    uint8_t thawIds[48];
    uint32_t bootType;
    uint32_t bootRecover;
};
static_assert(sizeof(BaseBlock) == kBaseBlockSize);
static_assert(offsetof(BaseBlock, binsDataSize) == 0x28);
static_assert(offsetof(BaseBlock, flags) == 0x90);
static_assert(offsetof(BaseBlock, guidSignature) == 0xA4);
static_assert(offsetof(BaseBlock, checksum) == 0x1FC);

struct BinHeader {
    char signature[4];   // +0x00: "hbin"
    uint32_t offset;     // +0x04: of this bin, from the start of the bins data
    uint32_t size;       // +0x08
    uint8_t reserved[8]; // +0x0C
    uint64_t timestamp;  // +0x14
    uint32_t spare;      // +0x1C
};
static_assert(sizeof(BinHeader) == kBinHeaderSize);
static_assert(offsetof(BinHeader, signature) == 0x00);
static_assert(offsetof(BinHeader, offset) == 0x04);
static_assert(offsetof(BinHeader, size) == 0x08);
static_assert(offsetof(BinHeader, reserved) == 0x0C);
static_assert(offsetof(BinHeader, timestamp) == 0x14);
static_assert(offsetof(BinHeader, spare) == 0x1C);

struct KeyNodeRecord {
    char signature[2];              // +0x00: "nk"
    uint16_t flags;                 // +0x02
    uint64_t lastWritten;           // +0x04
    uint32_t accessBits;            // +0x0C
    uint32_t parent;                // +0x10
    uint32_t subkeyCount;           // +0x14
    uint32_t volatileSubkeyCount;   // +0x18
    uint32_t subkeyList;            // +0x1C
    uint32_t volatileSubkeyList;    // +0x20
    uint32_t valueCount;            // +0x24
    uint32_t valueList;             // +0x28
    uint32_t security;              // +0x2C
    uint32_t className;             // +0x30
    uint32_t maxNameLengthAndFlags; // +0x34
    uint32_t maxClassLength;        // +0x38
    uint32_t maxValueNameLength;    // +0x3C
    uint32_t maxValueDataLength;    // +0x40
    uint32_t workVar;               // +0x44
    uint16_t nameLength;            // +0x48
    uint16_t classLength;           // +0x4A
    // followed by the name
};
static_assert(sizeof(KeyNodeRecord) == 0x4C);
static_assert(offsetof(KeyNodeRecord, signature) == 0x00);
static_assert(offsetof(KeyNodeRecord, flags) == 0x02);
static_assert(offsetof(KeyNodeRecord, lastWritten) == 0x04);
static_assert(offsetof(KeyNodeRecord, accessBits) == 0x0C);
static_assert(offsetof(KeyNodeRecord, parent) == 0x10);
static_assert(offsetof(KeyNodeRecord, subkeyCount) == 0x14);
static_assert(offsetof(KeyNodeRecord, volatileSubkeyCount) == 0x18);
static_assert(offsetof(KeyNodeRecord, subkeyList) == 0x1C);
static_assert(offsetof(KeyNodeRecord, volatileSubkeyList) == 0x20);
static_assert(offsetof(KeyNodeRecord, valueCount) == 0x24);
static_assert(offsetof(KeyNodeRecord, valueList) == 0x28);
static_assert(offsetof(KeyNodeRecord, security) == 0x2C);
static_assert(offsetof(KeyNodeRecord, className) == 0x30);
static_assert(offsetof(KeyNodeRecord, maxNameLengthAndFlags) == 0x34);
static_assert(offsetof(KeyNodeRecord, maxClassLength) == 0x38);
static_assert(offsetof(KeyNodeRecord, maxValueNameLength) == 0x3C);
static_assert(offsetof(KeyNodeRecord, maxValueDataLength) == 0x40);
static_assert(offsetof(KeyNodeRecord, workVar) == 0x44);
static_assert(offsetof(KeyNodeRecord, nameLength) == 0x48);
static_assert(offsetof(KeyNodeRecord, classLength) == 0x4A);

struct ValueKeyRecord {
    char signature[2];   // +0x00: "vk"
    uint16_t nameLength; // +0x02
    uint32_t dataSize;   // +0x04: kInlineDataFlag: up to 4 bytes held in dataOffset itself
    uint32_t dataOffset; // +0x08
    uint32_t type;       // +0x0C
    uint16_t flags;      // +0x10
    uint16_t spare;      // +0x12
    // followed by the name
};
static_assert(sizeof(ValueKeyRecord) == 0x14);
static_assert(offsetof(ValueKeyRecord, signature) == 0x00);
static_assert(offsetof(ValueKeyRecord, nameLength) == 0x02);
static_assert(offsetof(ValueKeyRecord, dataSize) == 0x04);
static_assert(offsetof(ValueKeyRecord, dataOffset) == 0x08);
static_assert(offsetof(ValueKeyRecord, type) == 0x0C);
static_assert(offsetof(ValueKeyRecord, flags) == 0x10);
static_assert(offsetof(ValueKeyRecord, spare) == 0x12);

struct SecurityRecord {
    char signature[2];       // +0x00: "sk"
    uint16_t reserved;       // +0x02
    uint32_t flink;          // +0x04
    uint32_t blink;          // +0x08
    uint32_t referenceCount; // +0x0C
    uint32_t descriptorSize; // +0x10
    // followed by the self-relative security descriptor
};
static_assert(sizeof(SecurityRecord) == 0x14);
static_assert(offsetof(SecurityRecord, signature) == 0x00);
static_assert(offsetof(SecurityRecord, reserved) == 0x02);
static_assert(offsetof(SecurityRecord, flink) == 0x04);
static_assert(offsetof(SecurityRecord, blink) == 0x08);
static_assert(offsetof(SecurityRecord, referenceCount) == 0x0C);
static_assert(offsetof(SecurityRecord, descriptorSize) == 0x10);

struct BigDataRecord {
    char signature[2];     // +0x00: "db"
    uint16_t segmentCount; // +0x02
    uint32_t segmentList;  // +0x04
};
static_assert(sizeof(BigDataRecord) == 8);
static_assert(offsetof(BigDataRecord, signature) == 0x00);
static_assert(offsetof(BigDataRecord, segmentCount) == 0x02);
static_assert(offsetof(BigDataRecord, segmentList) == 0x04);
// Windows gives the db record a 16-byte cell (4 bytes of padding after it).
inline constexpr uint32_t kBigDataCell = 16;

struct ListHeader {
    char signature[2]; // +0x00: "lf", "lh", "li" or "ri"
    uint16_t count;    // +0x02
};
static_assert(sizeof(ListHeader) == 4);
static_assert(offsetof(ListHeader, signature) == 0x00);
static_assert(offsetof(ListHeader, count) == 0x02);

struct HashLeafEntry {
    uint32_t cell; // +0x00
    uint32_t hash; // +0x04: lh: name hash; lf: first four name characters
};
static_assert(sizeof(HashLeafEntry) == 8);
static_assert(offsetof(HashLeafEntry, cell) == 0x00);
static_assert(offsetof(HashLeafEntry, hash) == 0x04);

// Fixed part of a self-relative SECURITY_DESCRIPTOR.
struct SecurityDescriptorHeader {
    uint8_t revision; // +0x00
    uint8_t sbz1;     // +0x01
    uint16_t control; // +0x02
    uint32_t owner;   // +0x04
    uint32_t group;   // +0x08
    uint32_t sacl;    // +0x0C
    uint32_t dacl;    // +0x10
};
static_assert(sizeof(SecurityDescriptorHeader) == 20);
static_assert(offsetof(SecurityDescriptorHeader, revision) == 0x00);
static_assert(offsetof(SecurityDescriptorHeader, sbz1) == 0x01);
static_assert(offsetof(SecurityDescriptorHeader, control) == 0x02);
static_assert(offsetof(SecurityDescriptorHeader, owner) == 0x04);
static_assert(offsetof(SecurityDescriptorHeader, group) == 0x08);
static_assert(offsetof(SecurityDescriptorHeader, sacl) == 0x0C);
static_assert(offsetof(SecurityDescriptorHeader, dacl) == 0x10);

#pragma pack(pop)

inline constexpr uint16_t Sig(char a, char b) {
    return static_cast<uint16_t>(static_cast<uint8_t>(a) | (static_cast<uint8_t>(b) << 8));
}
inline constexpr uint16_t kSigNk = Sig('n', 'k');
inline constexpr uint16_t kSigVk = Sig('v', 'k');
inline constexpr uint16_t kSigSk = Sig('s', 'k');
inline constexpr uint16_t kSigDb = Sig('d', 'b');
inline constexpr uint16_t kSigLf = Sig('l', 'f');
inline constexpr uint16_t kSigLh = Sig('l', 'h');
inline constexpr uint16_t kSigLi = Sig('l', 'i');
inline constexpr uint16_t kSigRi = Sig('r', 'i');

inline constexpr uint32_t Align8(uint32_t x) {
    return (x + 7u) & ~7u;
}

inline uint16_t LoadU16(const uint8_t* p) {
    uint16_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
inline uint32_t LoadU32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
inline void StoreU16(uint8_t* p, uint16_t v) {
    std::memcpy(p, &v, sizeof v);
}
inline void StoreU32(uint8_t* p, uint32_t v) {
    std::memcpy(p, &v, sizeof v);
}

// The base-block checksum: XOR of the first 127 dwords, never 0 or -1.
uint32_t BaseBlockChecksum(const uint8_t* baseBlock);

} // namespace hivelet::regf
