// On-disk records of a hive file and the limits the reader enforces.
//
// Every record is a packed little-endian struct whose size is pinned by a static_assert, so a
// record is read with one bounds check and one memcpy. Offsets inside the hive ("cell indexes")
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
    char signature[4]; // "hbin"
    uint32_t offset;   // of this bin, from the start of the bins data
    uint32_t size;
    uint8_t reserved[8];
    uint64_t timestamp;
    uint32_t spare;
};
static_assert(sizeof(BinHeader) == kBinHeaderSize);

struct KeyNodeRecord {
    char signature[2]; // "nk"
    uint16_t flags;
    uint64_t lastWritten;
    uint32_t accessBits;
    uint32_t parent;
    uint32_t subkeyCount;
    uint32_t volatileSubkeyCount;
    uint32_t subkeyList;
    uint32_t volatileSubkeyList;
    uint32_t valueCount;
    uint32_t valueList;
    uint32_t security;
    uint32_t className;
    uint32_t maxNameLengthAndFlags;
    uint32_t maxClassLength;
    uint32_t maxValueNameLength;
    uint32_t maxValueDataLength;
    uint32_t workVar;
    uint16_t nameLength;
    uint16_t classLength;
    // followed by the name
};
static_assert(sizeof(KeyNodeRecord) == 0x4C);

struct ValueKeyRecord {
    char signature[2]; // "vk"
    uint16_t nameLength;
    uint32_t dataSize; // kInlineDataFlag: up to 4 bytes held in dataOffset itself
    uint32_t dataOffset;
    uint32_t type;
    uint16_t flags;
    uint16_t spare;
    // followed by the name
};
static_assert(sizeof(ValueKeyRecord) == 0x14);

struct SecurityRecord {
    char signature[2]; // "sk"
    uint16_t reserved;
    uint32_t flink;
    uint32_t blink;
    uint32_t referenceCount;
    uint32_t descriptorSize;
    // followed by the self-relative security descriptor
};
static_assert(sizeof(SecurityRecord) == 0x14);

struct BigDataRecord {
    char signature[2]; // "db"
    uint16_t segmentCount;
    uint32_t segmentList;
};
static_assert(sizeof(BigDataRecord) == 8);
// Windows gives the db record a 16-byte cell (4 bytes of padding after it).
inline constexpr uint32_t kBigDataCell = 16;

struct ListHeader {
    char signature[2]; // "lf", "lh", "li" or "ri"
    uint16_t count;
};
static_assert(sizeof(ListHeader) == 4);

struct HashLeafEntry {
    uint32_t cell;
    uint32_t hash; // lh: name hash; lf: first four name characters
};
static_assert(sizeof(HashLeafEntry) == 8);

// Fixed part of a self-relative SECURITY_DESCRIPTOR.
struct SecurityDescriptorHeader {
    uint8_t revision;
    uint8_t sbz1;
    uint16_t control;
    uint32_t owner;
    uint32_t group;
    uint32_t sacl;
    uint32_t dacl;
};
static_assert(sizeof(SecurityDescriptorHeader) == 20);

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
