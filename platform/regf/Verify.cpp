// Structure checks beyond what reading needs: parent links, list kinds and hashes, maximum-length
// fields, the security ring and its reference counts; in compact mode also cell sizes, placement
// of data, bins and free space exactly as the compact writer produces them.
#include "platform/regf/Verify.h"

#include "platform/regf/Errors.h"
#include "platform/regf/InputFile.h"
#include "platform/regf/Walk.h"

#include <cstring>
#include <unordered_map>

namespace hivelet::regf {
namespace {

bool Zero(const uint8_t* p, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        if (p[i] != 0) {
            return false;
        }
    }
    return true;
}

class VerifyVisitor {
public:
    VerifyVisitor(Reader& reader, bool compact)
        : reader_(reader), hive_(reader.hive()), compact_(compact) {}

    template <class Values>
    bool key(const KeyView& key, const Values& values, const std::vector<DataChunk>&,
             uint32_t depth) {
        const KeyNodeRecord& nk = key.nk;
        if (levels_.size() <= depth) {
            levels_.resize(depth + 1);
        }
        depths_.push_back(depth);
        if (depth > 0 && !asChild(key, depth)) {
            return false;
        }
        if (depth == 0 && compact_) {
            if (nk.parent != kNoCell) {
                return fail(key.cell, "root key has a parent");
            }
            if ((nk.flags & keyflag::SavedRoot) != keyflag::SavedRoot) {
                return fail(key.cell, "root key lacks the hive-entry and no-delete flags");
            }
        }
        if (compact_) {
            if (!tight(key.cell, sizeof(KeyNodeRecord) + nk.nameLength, "key")) {
                return false;
            }
            if ((nk.flags & keyflag::NeverOnDisk) != 0 || nk.accessBits != 0 || nk.workVar != 0 ||
                nk.volatileSubkeyCount != 0 || nk.volatileSubkeyList != kNoCell) {
                return fail(key.cell, "key carries in-memory state");
            }
            if (nk.classLength > 0 && !tight(nk.className, nk.classLength, "class name")) {
                return false;
            }
            if (nk.classLength == 0 && nk.className != kNoCell) {
                return fail(key.cell, "key without class name points to one");
            }
        }
        if (!security(key)) {
            return false;
        }
        uint32_t maxValueName = 0;
        uint32_t maxValueData = 0;
        for (const ValueView& value : values) {
            if (!checkValue(value)) {
                return false;
            }
            maxValueName = std::max(maxValueName, value.name.utf16Bytes());
            maxValueData = std::max(maxValueData, value.length);
        }
        if (compact_ && !values.empty() &&
            !tight(nk.valueList, 4 * static_cast<uint32_t>(values.size()), "value list")) {
            return false;
        }
        if (!fieldAtLeast(key.cell, "largest value name", nk.maxValueNameLength, maxValueName) ||
            !fieldAtLeast(key.cell, "largest value data", nk.maxValueDataLength, maxValueData)) {
            return false;
        }
        Level& level = levels_[depth];
        level.cell = key.cell;
        level.maxName = 0;
        level.maxClass = 0;
        level.next = 0;
        return readHashes(key, level);
    }

    bool leave(const KeyView& key) {
        uint32_t depth = depths_.back();
        depths_.pop_back();
        const Level& level = levels_[depth];
        if (level.next != key.nk.subkeyCount) {
            return fail(key.cell, "subkey list and visited subkeys disagree");
        }
        return fieldAtLeast(key.cell, "largest subkey name",
                            key.nk.maxNameLengthAndFlags & kMaxNameLengthMask, level.maxName) &&
               fieldAtLeast(key.cell, "largest subkey class", key.nk.maxClassLength,
                            level.maxClass);
    }

    // After the walk: reference counts, the ring, and (compact) unreachable cells.
    bool finish() {
        if (securities_.empty()) {
            return fail(hive_.base().rootCell, "no security descriptor");
        }
        for (const auto& [cell, uses] : securities_) {
            SecurityView sk;
            if (!reader_.readSecurity(cell, sk)) {
                return false;
            }
            if (sk.sk.referenceCount != uses) {
                return fail(cell, "security reference count " +
                                      std::to_string(sk.sk.referenceCount) + ", used by " +
                                      std::to_string(uses) + " keys");
            }
        }
        // Follow the ring from one descriptor: it must close, link both ways and hold every
        // descriptor in use.
        uint32_t start = securities_.begin()->first;
        uint32_t cell = start;
        size_t members = 0;
        size_t inUse = 0;
        size_t limit = hive_.binsSize() / 24 + 1; // a sk cell takes at least 24 bytes
        do {
            SecurityView sk;
            if (!reader_.readSecurity(cell, sk)) {
                return false;
            }
            SecurityView next;
            if (!reader_.readSecurity(sk.sk.flink, next, cell)) {
                return false;
            }
            if (next.sk.blink != cell) {
                return fail(cell, "security ring links do not match");
            }
            if (securities_.count(cell) != 0) {
                ++inUse;
            } else if (compact_) {
                return fail(cell, "security descriptor in the ring used by no key");
            }
            ringCells_.push_back(cell);
            cell = sk.sk.flink;
            if (++members > limit) {
                return fail(start, "security ring does not close");
            }
        } while (cell != start);
        if (inUse != securities_.size()) {
            return fail(start, "security descriptors in use are missing from the ring");
        }
        return true;
    }

private:
    struct Level {
        uint32_t cell = kNoCell;
        std::vector<uint32_t> hashes; // stored per subkey, in list order (lh and lf leaves)
        std::vector<uint16_t> kinds;
        size_t next = 0;
        uint32_t maxName = 0;
        uint32_t maxClass = 0;
    };

    bool fail(uint32_t cell, const std::string& detail) {
        return reader_.fail(ErrorKind::Corrupt, cell, detail);
    }

    // Compact copies give every cell exactly the size its record needs.
    bool tight(uint32_t cell, uint32_t payload, const char* what) {
        if (!hive_.isAllocated(cell) || hive_.cellSize(cell) != Align8(4 + payload)) {
            return fail(cell, std::string(what) + " cell is not sized to its record");
        }
        return true;
    }

    bool fieldAtLeast(uint32_t cell, const char* what, uint32_t stored, uint32_t actual) {
        if (stored < actual || (compact_ && stored != actual)) {
            return fail(cell, std::string(what) + " field is " + std::to_string(stored) +
                                  ", actual " + std::to_string(actual));
        }
        return true;
    }

    bool asChild(const KeyView& key, uint32_t depth) {
        Level& parent = levels_[depth - 1];
        const KeyNodeRecord& nk = key.nk;
        if (nk.parent != parent.cell) {
            return fail(key.cell, "parent link " + Hex(nk.parent) + " does not name its parent " +
                                      Hex(parent.cell));
        }
        if ((nk.flags & keyflag::HiveEntry) != 0 && compact_) {
            return fail(key.cell, "hive-entry flag below the root");
        }
        parent.maxName = std::max(parent.maxName, key.name.utf16Bytes());
        parent.maxClass = std::max<uint32_t>(parent.maxClass, nk.classLength);
        size_t index = parent.next++;
        if (index < parent.kinds.size()) {
            uint16_t kind = parent.kinds[index];
            uint32_t stored = parent.hashes[index];
            if (kind == kSigLh && stored != NameHash(key.name)) {
                return fail(key.cell, "hash in its subkey list does not match the name");
            }
            if (kind == kSigLf && compact_ && stored != NameHint(key.name)) {
                return fail(key.cell, "hint in its subkey list does not match the name");
            }
        }
        return true;
    }

    // The stored hashes of the key's subkeys, with the kinds of leaves holding them; in compact
    // mode also the list shape the writer produces.
    bool readHashes(const KeyView& key, Level& level) {
        level.hashes.clear();
        level.kinds.clear();
        uint32_t count = key.nk.subkeyCount;
        if (count == 0) {
            return true;
        }
        uint32_t list = key.nk.subkeyList;
        if (!hive_.isAllocated(list) || hive_.payloadSize(list) < sizeof(ListHeader)) {
            return true; // the walk reports it
        }
        bool hashLeaves = hive_.minor() >= kFirstMinorWithHashLeaves;
        const uint8_t* p = hive_.payload(list);
        uint16_t sig = LoadU16(p);
        uint32_t entries = LoadU16(p + 2);
        if (sig == kSigRi) {
            if (compact_) {
                uint32_t capacity = hashLeaves ? kMaxHashLeafEntries : kMaxIndexLeafEntries;
                if (count <= kMaxHashLeafEntries || entries != (count + capacity - 1) / capacity ||
                    !tight(list, sizeof(ListHeader) + 4 * entries, "index root")) {
                    return fail(list, "index root not shaped like the writer makes it");
                }
            }
            if (hive_.payloadSize(list) - sizeof(ListHeader) < 4 * entries) {
                return true;
            }
            for (uint32_t i = 0; i < entries; ++i) {
                if (!readLeaf(LoadU32(p + sizeof(ListHeader) + 4 * i), level, true,
                              i + 1 == entries)) {
                    return false;
                }
            }
            return true;
        }
        if (compact_ && count > kMaxHashLeafEntries) {
            return fail(list, "more than 507 subkeys without an index root");
        }
        return readLeaf(list, level, false, true);
    }

    bool readLeaf(uint32_t cell, Level& level, bool underIndexRoot, bool last) {
        if (!hive_.isAllocated(cell) || hive_.payloadSize(cell) < sizeof(ListHeader)) {
            return true;
        }
        const uint8_t* p = hive_.payload(cell);
        uint16_t sig = LoadU16(p);
        uint32_t entries = LoadU16(p + 2);
        bool hashLeaves = hive_.minor() >= kFirstMinorWithHashLeaves;
        if (sig == kSigLh && !hashLeaves) {
            return fail(cell, "lh subkey list in a format version before 1.5");
        }
        if (compact_) {
            uint16_t expected = hashLeaves ? kSigLh : underIndexRoot ? kSigLi : kSigLf;
            uint32_t capacity =
                hashLeaves || !underIndexRoot ? kMaxHashLeafEntries : kMaxIndexLeafEntries;
            if (sig != expected || entries == 0 || entries > capacity ||
                (!last && entries != capacity)) {
                return fail(cell, "subkey list not of the kind the writer makes");
            }
            uint32_t entrySize = sig == kSigLi ? 4 : sizeof(HashLeafEntry);
            if (!tight(cell, sizeof(ListHeader) + entrySize * entries, "subkey list")) {
                return false;
            }
        }
        if (sig != kSigLf && sig != kSigLh) {
            for (uint32_t i = 0; i < entries; ++i) {
                level.kinds.push_back(sig);
                level.hashes.push_back(0);
            }
            return true;
        }
        if ((hive_.payloadSize(cell) - sizeof(ListHeader)) / sizeof(HashLeafEntry) < entries) {
            return true;
        }
        for (uint32_t i = 0; i < entries; ++i) {
            level.kinds.push_back(sig);
            level.hashes.push_back(LoadU32(p + sizeof(ListHeader) + 8 * i + 4));
        }
        return true;
    }

    bool checkValue(const ValueView& value) {
        const ValueKeyRecord& vk = value.vk;
        bool bigCapable = hive_.minor() >= kFirstMinorWithBigData;
        if (bigCapable && !value.bigData && value.length > kMaxSingleCellData) {
            return fail(value.cell, "value data over 16344 bytes in one cell");
        }
        if (!compact_) {
            return true;
        }
        if (!tight(value.cell, sizeof(ValueKeyRecord) + vk.nameLength, "value")) {
            return false;
        }
        if (vk.spare != 0 || (vk.flags & ~valueflag::CompressedName) != 0) {
            return fail(value.cell, "value carries unknown flags");
        }
        if (value.length <= kMaxInlineData) {
            if ((vk.dataSize & kInlineDataFlag) == 0) {
                return fail(value.cell, "short value data not stored in the value itself");
            }
            uint8_t unused[4];
            std::memcpy(unused, &vk.dataOffset, 4);
            if (!Zero(unused + value.length, 4 - value.length)) {
                return fail(value.cell, "inline value data has stray bytes");
            }
            return true;
        }
        if (!value.bigData) {
            return tight(vk.dataOffset, value.length, "value data");
        }
        const uint8_t* p = hive_.payload(vk.dataOffset);
        BigDataRecord db;
        std::memcpy(&db, p, sizeof db);
        uint32_t segments = (value.length + kBigDataSegmentBytes - 1) / kBigDataSegmentBytes;
        if (hive_.cellSize(vk.dataOffset) != kBigDataCell || db.segmentCount != segments ||
            !tight(db.segmentList, 4 * segments, "big data segment list")) {
            return fail(vk.dataOffset, "big data record not shaped like the writer makes it");
        }
        const uint8_t* list = hive_.payload(db.segmentList);
        for (uint32_t i = 0; i < segments; ++i) {
            uint32_t segment = LoadU32(list + 4 * i);
            if (hive_.cellSize(segment) != kBigDataSegmentCell) {
                return fail(segment, "big data segment cell is not 16352 bytes");
            }
        }
        return true;
    }

    bool security(const KeyView& key) {
        SecurityView sk;
        if (!reader_.readSecurity(key.nk.security, sk)) {
            return false;
        }
        if (compact_ &&
            !tight(sk.cell, sizeof(SecurityRecord) + sk.sk.descriptorSize, "security")) {
            return false;
        }
        ++securities_[sk.cell];
        return true;
    }

    Reader& reader_;
    const Hive& hive_;
    bool compact_;
    std::vector<Level> levels_;
    std::vector<uint32_t> depths_;
    std::unordered_map<uint32_t, uint32_t> securities_;

public:
    std::vector<uint32_t> ringCells_;
};

// Compact copies: what the base block and the bins look like once the tree is known sound.
bool CheckCompactLayout(Reader& reader, const std::vector<uint32_t>& ring) {
    const Hive& hive = reader.hive();
    const BaseBlock& base = hive.base();
    if (base.primarySequence != 1 || base.rootCell != kBinHeaderSize ||
        base.clusteringFactor != 1 || base.lastReorganized != 0 || base.flags != 0) {
        return reader.fail(ErrorKind::Corrupt, 0,
                           "base block differs from what a fresh save writes");
    }
    if (hive.fileSize() != uint64_t{kBaseBlockSize} + hive.binsSize()) {
        return reader.fail(ErrorKind::Corrupt, hive.binsSize(), "bytes after the last bin");
    }
    const BulkWords& claims = reader.claims().words();
    std::vector<uint64_t> reached(claims.data(), claims.data() + claims.size());
    for (uint32_t cell : ring) {
        SetCellBit(reached.data(), cell);
    }
    for (const Hive::Bin& bin : hive.binList()) {
        uint32_t end = bin.offset + bin.size;
        uint32_t cell = bin.offset + kBinHeaderSize;
        bool first = true;
        while (cell < end) {
            bool allocated = hive.isAllocated(cell);
            uint32_t size = allocated ? hive.cellSize(cell) : LoadU32(hive.bins() + cell);
            if (first) {
                uint32_t expected = kBinGranularity;
                if (allocated && size > kSmallBinCellLimit) {
                    expected = (size + kBinHeaderSize + kBinGranularity - 1) / kBinGranularity *
                               kBinGranularity;
                }
                if (!allocated || bin.size != expected) {
                    return reader.fail(ErrorKind::Corrupt, bin.offset,
                                       "bin not sized like the writer makes it");
                }
                first = false;
            }
            if (!allocated && cell + size != end) {
                return reader.fail(ErrorKind::Corrupt, cell, "free cell inside a bin");
            }
            if (allocated && !CellBit(reached.data(), cell)) {
                return reader.fail(ErrorKind::Corrupt, cell, "allocated cell reached by nothing");
            }
            cell += size;
        }
    }
    return true;
}

} // namespace

Status VerifyHive(const Hive& hive, bool compact) {
    Reader reader(hive);
    VerifyVisitor visitor(reader, compact);
    if (!WalkTree(reader, hive.base().rootCell, visitor) || !visitor.finish()) {
        return reader.ok() ? hive.error(ErrorKind::Corrupt, "verification failed")
                           : reader.status();
    }
    if (compact && !CheckCompactLayout(reader, visitor.ringCells_)) {
        return reader.status();
    }
    return {};
}

namespace {
Status VerifyFile(const std::string& path, bool compact) {
    InputFile input;
    Hive hive;
    if (Status s = OpenHiveFile(path, input, hive); !s.ok()) {
        return s;
    }
    return VerifyHive(hive, compact);
}
} // namespace

Status VerifyHiveFile(const std::string& path) {
    return VerifyFile(path, false);
}
Status VerifyCompactHiveFile(const std::string& path) {
    return VerifyFile(path, true);
}

} // namespace hivelet::regf
