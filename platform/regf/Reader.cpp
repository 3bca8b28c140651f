#include "platform/regf/Reader.h"

#include "platform/regf/Errors.h"

#include <cstring>

namespace hivelet::regf {

Reader::Reader(const Hive& hive) : hive_(hive) {
    resetClaims();
    checkedSecurity_.assign(hive_.binsSize());
}

bool Reader::fail(ErrorKind kind, uint32_t cell, const std::string& detail) {
    if (status_.ok()) {
        status_ = hive_.error(kind, cell, detail);
    }
    return false;
}

void Reader::resetClaims() {
    claimed_.assign(hive_.binsSize());
}

bool Reader::reachedTwice(uint32_t cell, const char* what) {
    return fail(ErrorKind::Corrupt, cell, std::string(what) + " cell is reached twice");
}

bool Reader::badCell(uint32_t cell, uint32_t minPayload, const char* what, uint32_t from) {
    if (!ok()) {
        return false;
    }
    if (!hive_.isAllocated(cell)) {
        std::string detail =
            std::string(what) + " reference " + Hex(cell) + " is not an allocated cell";
        if (from == kNoCell) { // the root, named by the base block
            status_ =
                FailureAt(ErrorKind::Corrupt, hive_.name(), detail, offsetof(BaseBlock, rootCell));
            return false;
        }
        return fail(ErrorKind::Corrupt, from, detail);
    }
    if (hive_.payloadSize(cell) < minPayload) {
        return fail(ErrorKind::Corrupt, cell, std::string(what) + " does not fit its cell");
    }
    return true;
}

bool Reader::readKey(uint32_t cell, KeyView& key, uint32_t from) {
    if (!allocatedCell(cell, sizeof(KeyNodeRecord), "key", from)) {
        return false;
    }
    const uint8_t* p = hive_.payload(cell);
    std::memcpy(&key.nk, p, sizeof key.nk);
    const KeyNodeRecord& nk = key.nk;
    if (LoadU16(p) != kSigNk) {
        return fail(ErrorKind::Corrupt, cell, "key cell without \"nk\" signature");
    }
    if (hive_.payloadSize(cell) - sizeof(KeyNodeRecord) < nk.nameLength) {
        return fail(ErrorKind::Corrupt, cell, "key name runs past its cell");
    }
    bool compressed = (nk.flags & keyflag::CompressedName) != 0;
    if (!compressed && nk.nameLength % 2 != 0) {
        return fail(ErrorKind::Corrupt, cell, "UTF-16 key name of odd length");
    }
    key.cell = cell;
    key.name = {p + sizeof(KeyNodeRecord), nk.nameLength, compressed};
    if (key.name.units() > kMaxKeyNameChars) {
        return fail(ErrorKind::Corrupt, cell, "key name longer than 255 characters");
    }
    key.flags = nk.flags;
    key.lastWritten = nk.lastWritten;
    key.extraFlags = nk.maxNameLengthAndFlags & ~kMaxNameLengthMask;
    key.subkeyCount = nk.subkeyCount;
    key.security = nk.security;
    key.classData = nullptr;
    key.classLength = nk.classLength;
    if (nk.classLength > 0) {
        if (!allocatedCell(nk.className, nk.classLength, "class name", cell) ||
            !claim(nk.className, "class name")) {
            return false;
        }
        key.classData = hive_.payload(nk.className);
    }
    SecurityView security;
    return readSecurity(nk.security, security, cell);
}

bool Reader::readSecurity(uint32_t cell, SecurityView& security, uint32_t from) {
    if (!allocatedCell(cell, sizeof(SecurityRecord), "security", from == kNoCell ? cell : from)) {
        return false;
    }
    const uint8_t* p = hive_.payload(cell);
    security.cell = cell;
    std::memcpy(&security.sk, p, sizeof security.sk);
    security.descriptor = p + sizeof(SecurityRecord);
    if (checkedSecurity_.test(cell)) {
        return true;
    }
    if (LoadU16(p) != kSigSk) {
        return fail(ErrorKind::Corrupt, cell, "security cell without \"sk\" signature");
    }
    if (hive_.payloadSize(cell) - sizeof(SecurityRecord) < security.sk.descriptorSize) {
        return fail(ErrorKind::Corrupt, cell, "security descriptor runs past its cell");
    }
    if (!ValidSecurityDescriptor(security.descriptor, security.sk.descriptorSize)) {
        return fail(ErrorKind::Corrupt, cell, "malformed security descriptor");
    }
    checkedSecurity_.set(cell);
    return true;
}

bool Reader::readSubkeys(const KeyView& key, std::vector<uint32_t>& children) {
    children.clear();
    if (!ok()) {
        return false;
    }
    if (key.nk.subkeyCount == 0) {
        return true;
    }
    if (!readList(key.nk.subkeyList, key.cell, key.nk.subkeyCount, true, children)) {
        return false;
    }
    if (children.size() != key.nk.subkeyCount) {
        return fail(ErrorKind::Corrupt, key.cell,
                    "key says it has " + std::to_string(key.nk.subkeyCount) +
                        " subkeys, its lists hold " + std::to_string(children.size()));
    }
    return true;
}

bool Reader::readList(uint32_t cell, uint32_t from, uint32_t expected, bool allowIndexRoot,
                      std::vector<uint32_t>& children) {
    if (!allocatedCell(cell, sizeof(ListHeader), "subkey list", from) ||
        !claim(cell, "subkey list")) {
        return false;
    }
    const uint8_t* p = hive_.payload(cell);
    uint16_t sig = LoadU16(p);
    uint32_t count = LoadU16(p + 2);
    uint32_t room = hive_.payloadSize(cell) - sizeof(ListHeader);
    const uint8_t* entries = p + sizeof(ListHeader);
    if (sig == kSigLf || sig == kSigLh) {
        if (room / sizeof(HashLeafEntry) < count) {
            return fail(ErrorKind::Corrupt, cell, "subkey list runs past its cell");
        }
        if (count > expected - children.size()) {
            return fail(ErrorKind::Corrupt, cell, "subkey lists hold more keys than announced");
        }
        for (uint32_t i = 0; i < count; ++i) {
            children.push_back(LoadU32(entries + i * sizeof(HashLeafEntry)));
        }
        return true;
    }
    if (sig == kSigLi || sig == kSigRi) {
        if (room / 4 < count) {
            return fail(ErrorKind::Corrupt, cell, "subkey list runs past its cell");
        }
        if (sig == kSigRi) {
            if (!allowIndexRoot) {
                return fail(ErrorKind::Corrupt, cell, "index root inside an index root");
            }
            for (uint32_t i = 0; i < count; ++i) {
                if (!readList(LoadU32(entries + i * 4), cell, expected, false, children)) {
                    return false;
                }
            }
            return true;
        }
        if (count > expected - children.size()) {
            return fail(ErrorKind::Corrupt, cell, "subkey lists hold more keys than announced");
        }
        for (uint32_t i = 0; i < count; ++i) {
            children.push_back(LoadU32(entries + i * 4));
        }
        return true;
    }
    return fail(ErrorKind::Corrupt, cell, "subkey list of unknown kind");
}

bool Reader::readValues(const KeyView& key, std::vector<ValueView>& values,
                        std::vector<DataChunk>& chunks) {
    chunks.clear();
    if (!ok() || key.nk.valueCount == 0) {
        values.clear();
        return ok();
    }
    uint32_t count = key.nk.valueCount;
    uint32_t list = key.nk.valueList;
    if (count > hive_.binsSize() / 4 || !allocatedCell(list, count * 4, "value list", key.cell) ||
        !claim(list, "value list")) {
        return ok() ? fail(ErrorKind::Corrupt, key.cell, "value count out of range") : false;
    }
    const uint8_t* entries = hive_.payload(list);
    // Each view below is filled in whole: the views of the key before are reused as they are
    // rather than constructed again.
    values.resize(count);
    constexpr uint32_t kAhead = 4;
    for (uint32_t i = 0; i < count && i < kAhead; ++i) {
        hive_.prefetch(LoadU32(entries + 4 * i));
    }
    for (uint32_t i = 0; i < count; ++i) {
        ValueView& value = values[i];
        uint32_t cell = LoadU32(entries + 4 * i);
        if (i + kAhead < count) {
            hive_.prefetch(LoadU32(entries + 4 * (i + kAhead)));
        }
        if (!allocatedCell(cell, sizeof(ValueKeyRecord), "value", list) || !claim(cell, "value")) {
            return false;
        }
        const uint8_t* p = hive_.payload(cell);
        std::memcpy(&value.vk, p, sizeof value.vk);
        if (LoadU16(p) != kSigVk) {
            return fail(ErrorKind::Corrupt, cell, "value cell without \"vk\" signature");
        }
        if (hive_.payloadSize(cell) - sizeof(ValueKeyRecord) < value.vk.nameLength) {
            return fail(ErrorKind::Corrupt, cell, "value name runs past its cell");
        }
        bool compressed = (value.vk.flags & valueflag::CompressedName) != 0;
        if (!compressed && value.vk.nameLength % 2 != 0) {
            return fail(ErrorKind::Corrupt, cell, "UTF-16 value name of odd length");
        }
        value.cell = cell;
        value.name = {p + sizeof(ValueKeyRecord), value.vk.nameLength, compressed};
        if (value.name.units() > kMaxValueNameChars) {
            return fail(ErrorKind::Corrupt, cell, "value name longer than 16383 characters");
        }
        value.type = value.vk.type;
        if (!readValueData(value, chunks)) {
            return false;
        }
    }
    return true;
}

bool Reader::readValueData(ValueView& value, std::vector<DataChunk>& chunks) {
    const ValueKeyRecord& vk = value.vk;
    value.firstChunk = static_cast<uint32_t>(chunks.size());
    value.chunkCount = 0;
    value.bigData = false;
    if (vk.dataSize & kInlineDataFlag) {
        value.length = vk.dataSize & ~kInlineDataFlag;
        if (value.length > kMaxInlineData) {
            return fail(ErrorKind::Corrupt, value.cell, "inline value data longer than 4 bytes");
        }
        if (value.length > 0) {
            chunks.push_back(
                {hive_.payload(value.cell) + offsetof(ValueKeyRecord, dataOffset), value.length});
            value.chunkCount = 1;
        }
        return true;
    }
    value.length = vk.dataSize;
    if (value.length == 0) {
        return true;
    }
    uint32_t cell = vk.dataOffset;
    if (!allocatedCell(cell, 0, "value data", value.cell)) {
        return false;
    }
    if (hive_.payloadSize(cell) >= value.length) {
        chunks.push_back({hive_.payload(cell), value.length});
        value.chunkCount = 1;
        return claim(cell, "value data");
    }
    const uint8_t* p = hive_.payload(cell);
    if (hive_.minor() < kFirstMinorWithBigData || value.length <= kMaxSingleCellData ||
        hive_.payloadSize(cell) < sizeof(BigDataRecord) || LoadU16(p) != kSigDb) {
        return fail(ErrorKind::Corrupt, cell, "value data is longer than its cell");
    }
    if (!claim(cell, "big data")) {
        return false;
    }
    BigDataRecord db;
    std::memcpy(&db, p, sizeof db);
    uint32_t needed = (value.length + kBigDataSegmentBytes - 1) / kBigDataSegmentBytes;
    if (db.segmentCount < needed) {
        return fail(ErrorKind::Corrupt, cell, "big data has too few segments for its length");
    }
    if (!allocatedCell(db.segmentList, needed * 4, "big data segment list", cell) ||
        !claim(db.segmentList, "big data segment list")) {
        return false;
    }
    const uint8_t* segments = hive_.payload(db.segmentList);
    uint32_t remaining = value.length;
    for (uint32_t i = 0; i < needed; ++i) {
        uint32_t part = remaining < kBigDataSegmentBytes ? remaining : kBigDataSegmentBytes;
        uint32_t segment = LoadU32(segments + 4 * i);
        if (!allocatedCell(segment, part, "big data segment", db.segmentList) ||
            !claim(segment, "big data segment")) {
            return false;
        }
        chunks.push_back({hive_.payload(segment), part});
        remaining -= part;
    }
    value.chunkCount = needed;
    value.bigData = true;
    return true;
}

namespace {

constexpr uint16_t kSelfRelative = 0x8000;
constexpr uint16_t kDaclPresent = 0x0004;
constexpr uint16_t kSaclPresent = 0x0010;

bool ValidSid(const uint8_t* bytes, uint32_t size, uint32_t offset) {
    if (offset == 0) {
        return true;
    }
    if (offset > size || size - offset < 8) {
        return false;
    }
    uint8_t revision = bytes[offset];
    uint8_t subAuthorities = bytes[offset + 1];
    return revision == 1 && subAuthorities <= 15 && size - offset >= 8u + 4u * subAuthorities;
}

bool ValidAcl(const uint8_t* bytes, uint32_t size, uint32_t offset, bool present) {
    if (!present || offset == 0) {
        return true;
    }
    if (offset > size || size - offset < 8) {
        return false;
    }
    uint16_t aclSize = LoadU16(bytes + offset + 2);
    uint16_t aceCount = LoadU16(bytes + offset + 4);
    if (aclSize < 8 || aclSize > size - offset) {
        return false;
    }
    uint32_t pos = 8;
    for (uint32_t i = 0; i < aceCount; ++i) {
        if (aclSize - pos < 4) {
            return false;
        }
        uint16_t aceSize = LoadU16(bytes + offset + pos + 2);
        if (aceSize < 4 || aceSize > aclSize - pos) {
            return false;
        }
        pos += aceSize;
    }
    return true;
}

} // namespace

bool ValidSecurityDescriptor(const uint8_t* bytes, uint32_t size) {
    if (size < sizeof(SecurityDescriptorHeader)) {
        return false;
    }
    SecurityDescriptorHeader header;
    std::memcpy(&header, bytes, sizeof header);
    if (header.revision != 1 || (header.control & kSelfRelative) == 0) {
        return false;
    }
    return ValidSid(bytes, size, header.owner) && ValidSid(bytes, size, header.group) &&
           ValidAcl(bytes, size, header.sacl, (header.control & kSaclPresent) != 0) &&
           ValidAcl(bytes, size, header.dacl, (header.control & kDaclPresent) != 0);
}

} // namespace hivelet::regf
