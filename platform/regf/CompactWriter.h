// Writes a tree as a compact hive: every cell sized to what its record needs, cells packed into
// bins by Layout, record kinds the format version calls for.
//
// One pass over the source, depth first. A key's own cells (nk, class, values and their data,
// the subkey list with its entries still empty, its descriptor on first use) are placed and
// written when the walk reaches it; each subkey then fills its entry in the parent's list, and
// what is known only later (the largest subkey name and class, the security ring and reference
// counts) is patched in: in the open segment directly, in bytes already written through the
// sink. Memory: one segment, the list cells of the keys on the current path, the descriptors.
//
// Source:
//   template <class V> bool walk(V& visitor);  // calls the visitor like TreeWalk does
//   bool descriptor(uint32_t id, const uint8_t*& data, uint32_t& size);
#pragma once

#include "platform/regf/Format.h"
#include "platform/regf/Layout.h"
#include "platform/regf/Tree.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace hivelet::regf {

template <class Source> class CompactWriter {
public:
    enum class Failure { None, Unreadable, TooLarge, Sink };

    CompactWriter(Source& source, uint32_t minorVersion, GapSource* gaps)
        : source_(source), minor_(minorVersion), gaps_(gaps) {}

    // Writes the bins through `sink`, which has taken the base block's 4096 bytes already (the
    // caller patches the real base block in afterwards).
    bool run(ByteSink& sink) {
        Layout layout(&sink, gaps_, kBaseBlockSize);
        if (expected_ > 0) {
            layout.expect(expected_);
        }
        layout_ = &layout;
        bool ok = source_.walk(*this);
        if (!ok && failure_ == Failure::None) {
            failure_ = Failure::Unreadable;
        }
        ok = ok && sealSecurity() && (layout.finish() || fail(Failure::Sink));
        binsSize_ = layout.size();
        layout_ = nullptr;
        return ok;
    }

    // About how many bytes of bins the copy will have (0: unknown).
    void expect(uint64_t bytes) { expected_ = bytes; }

    uint32_t binsSize() const { return binsSize_; }
    uint32_t rootCell() const { return rootCell_; }
    Failure failure() const { return failure_; }

    // Visitor interface (called by the source's walk).
    template <class Values>
    bool key(const KeyRecord& key, const Values& values, const std::vector<DataChunk>& chunks,
             uint32_t depth) {
        if (!allocate(key, values)) {
            return false;
        }
        if (depth == 0) {
            rootCell_ = cells_[0];
        } else if (!enterParentList(key, depth)) {
            return false;
        }
        if (open_.size() <= depth) {
            open_.resize(depth + 1);
        }
        write(key, values, chunks, depth, open_[depth]);
        return layout_->endGroup() || fail(Failure::Sink);
    }

    bool leave(const KeyRecord& key) {
        // The walk has checked the subkey count; the maxima are known now.
        const OpenKey& done = open_[depth_];
        if (done.maxName != 0) {
            uint32_t word = done.maxName | (key.extraFlags & ~kMaxNameLengthMask);
            patch(done.nk, offsetof(KeyNodeRecord, maxNameLengthAndFlags), word);
        }
        if (done.maxClass != 0) {
            patch(done.nk, offsetof(KeyNodeRecord, maxClassLength), done.maxClass);
        }
        --depth_;
        return !failed();
    }

private:
    // Windows' list shapes: up to 507 subkeys one lf (1.3, 1.4) or lh (1.5) leaf; more go under
    // an ri, over lh leaves of up to 507 (1.5) or li leaves of up to 1014 (1.3, 1.4).
    struct ListShape {
        bool indexRoot = false;
        uint32_t leaves = 0;
        uint32_t capacity = 0;
        uint16_t leafSignature = 0;
        uint32_t entrySize = 0;
        uint32_t entries(uint32_t count, uint32_t leaf) const {
            uint32_t left = count - leaf * capacity;
            return left < capacity ? left : capacity;
        }
    };

    // A key whose subkeys are being written.
    struct OpenKey {
        uint32_t nk = kNoCell;
        ListShape list;
        std::vector<uint32_t> leaves;
        uint32_t leaf = 0; // where the next subkey goes: its leaf, and its entry in that leaf
        uint32_t entry = 0;
        uint32_t maxName = 0;
        uint32_t maxClass = 0;
    };

    struct Security {
        uint32_t cell = kNoCell;
        uint32_t references = 0;
        const uint8_t* descriptor = nullptr;
        uint32_t size = 0;
    };

    bool fail(Failure failure) {
        if (failure_ == Failure::None) {
            failure_ = failure;
        }
        return false;
    }
    bool failed() const { return failure_ != Failure::None; }

    ListShape shape(uint32_t count) const {
        ListShape s;
        bool hashLeaves = minor_ >= kFirstMinorWithHashLeaves;
        s.indexRoot = count > kMaxHashLeafEntries;
        s.capacity = s.indexRoot && !hashLeaves ? kMaxIndexLeafEntries : kMaxHashLeafEntries;
        s.leaves = (count + s.capacity - 1) / s.capacity;
        s.leafSignature = hashLeaves ? kSigLh : s.indexRoot ? kSigLi : kSigLf;
        s.entrySize = s.leafSignature == kSigLi ? 4 : sizeof(HashLeafEntry);
        return s;
    }

    static uint32_t Segments(uint32_t length) {
        return (length + kBigDataSegmentBytes - 1) / kBigDataSegmentBytes;
    }
    bool bigData(uint32_t length) const {
        return length > kMaxSingleCellData && minor_ >= kFirstMinorWithBigData;
    }

    bool alloc(uint32_t size) {
        uint32_t cell;
        if (!layout_->allocate(size, cell)) {
            return fail(layout_->sinkFailed() ? Failure::Sink : Failure::TooLarge);
        }
        cells_.push_back(cell);
        return true;
    }

    // The output descriptor of a source descriptor id: identical descriptors share one cell.
    bool securityIndex(uint32_t id, uint32_t& index) {
        if (haveLast_ && id == lastSource_) { // siblings mostly share one descriptor
            index = lastIndex_;
            return true;
        }
        auto found = bySource_.find(id);
        if (found != bySource_.end()) {
            index = found->second;
            remember(id, index);
            return true;
        }
        const uint8_t* data;
        uint32_t size;
        if (!source_.descriptor(id, data, size)) {
            return fail(Failure::Unreadable);
        }
        std::string_view bytes(reinterpret_cast<const char*>(data), size);
        auto same = byContent_.find(bytes);
        if (same != byContent_.end()) {
            index = same->second;
        } else {
            index = static_cast<uint32_t>(securities_.size());
            securities_.push_back({kNoCell, 0, data, size});
            byContent_.emplace(bytes, index);
        }
        bySource_.emplace(id, index);
        remember(id, index);
        return true;
    }

    void remember(uint32_t id, uint32_t index) {
        haveLast_ = true;
        lastSource_ = id;
        lastIndex_ = index;
    }

    // Places every cell the key owns, in a fixed order that write() follows.
    template <class Values> bool allocate(const KeyRecord& key, const Values& values) {
        cells_.clear();
        if (!alloc(Align8(4 + sizeof(KeyNodeRecord) + key.name.bytes)) ||
            !securityIndex(key.security, security_)) {
            return false;
        }
        Security& security = securities_[security_];
        newSecurity_ = security.cell == kNoCell;
        if (newSecurity_) {
            if (!alloc(Align8(4 + sizeof(SecurityRecord) + security.size))) {
                return false;
            }
            security.cell = cells_.back();
        }
        ++security.references;
        if (key.classLength > 0 && !alloc(Align8(4 + key.classLength))) {
            return false;
        }
        if (!values.empty() && !alloc(Align8(4 + 4 * static_cast<uint32_t>(values.size())))) {
            return false;
        }
        for (const ValueRecord& value : values) {
            if (!alloc(Align8(4 + sizeof(ValueKeyRecord) + value.name.bytes))) {
                return false;
            }
            if (value.length <= kMaxInlineData) {
                continue;
            }
            if (!bigData(value.length)) {
                if (value.length > kMaxValueDataBytes - 8) {
                    return fail(Failure::TooLarge);
                }
                if (!alloc(Align8(4 + value.length))) {
                    return false;
                }
                continue;
            }
            uint32_t segments = Segments(value.length);
            if (segments > 0xFFFF) {
                return fail(Failure::TooLarge);
            }
            if (!alloc(kBigDataCell) || !alloc(Align8(4 + 4 * segments))) {
                return false;
            }
            for (uint32_t s = 0; s < segments; ++s) {
                if (!alloc(kBigDataSegmentCell)) {
                    return false;
                }
            }
        }
        if (key.subkeyCount > 0) {
            ListShape list = shape(key.subkeyCount);
            if (list.leaves > 0xFFFF) {
                return fail(Failure::TooLarge);
            }
            if (list.indexRoot && !alloc(Align8(4 + sizeof(ListHeader) + 4 * list.leaves))) {
                return false;
            }
            for (uint32_t leaf = 0; leaf < list.leaves; ++leaf) {
                uint32_t bytes = list.entrySize * list.entries(key.subkeyCount, leaf);
                if (!alloc(Align8(4 + sizeof(ListHeader) + bytes))) {
                    return false;
                }
            }
        }
        return true;
    }

    // The new key takes its place in its parent's list.
    bool enterParentList(const KeyRecord& key, uint32_t depth) {
        OpenKey& parent = open_[depth - 1];
        if (parent.entry == parent.list.capacity) { // counted on, not divided: once per key
            ++parent.leaf;
            parent.entry = 0;
        }
        uint32_t leaf = parent.leaf;
        if (leaf >= parent.leaves.size()) {
            return fail(Failure::Unreadable); // more subkeys than the parent announced
        }
        uint32_t at = sizeof(ListHeader) + parent.entry++ * parent.list.entrySize;
        uint32_t entry[2] = {cells_[0], minor_ >= kFirstMinorWithHashLeaves ? NameHash(key.name)
                                                                            : NameHint(key.name)};
        patch(parent.leaves[leaf], at, entry, parent.list.entrySize);
        parent.maxName = std::max(parent.maxName, key.name.utf16Bytes());
        parent.maxClass = std::max<uint32_t>(parent.maxClass, key.classLength);
        return true;
    }

    uint8_t* payload(uint32_t cell) { return layout_->at(cell) + 4; }

    void patch(uint32_t cell, uint32_t offset, const void* bytes, uint32_t size) {
        if (!layout_->patch(cell + 4 + offset, bytes, size)) {
            fail(Failure::Sink);
        }
    }
    void patch(uint32_t cell, uint32_t offset, uint32_t value) {
        patch(cell, offset, &value, sizeof value);
    }

    // Value data into a cell's payload. Bulk data that the source holds in one piece is handed
    // to the sink from there (no copy through the segment buffer).
    void putData(uint32_t cell, const std::vector<DataChunk>& chunks, const ValueRecord& value,
                 uint32_t from, uint32_t size) {
        constexpr uint32_t kPassThrough = 512;
        if (size >= kPassThrough) {
            uint32_t offset = from;
            for (uint32_t c = value.firstChunk; c < value.firstChunk + value.chunkCount; ++c) {
                if (offset < chunks[c].size) {
                    if (chunks[c].size - offset >= size) {
                        layout_->external(cell + 4, chunks[c].data + offset, size);
                        return;
                    }
                    break; // spans chunks: copy it together
                }
                offset -= chunks[c].size;
            }
        }
        CopyValueData(chunks, value, from, size, payload(cell));
    }

    // One field of a record, stored straight into the output. Records are not built on the
    // stack and copied whole: the wide loads of that copy cannot take their bytes from the
    // narrower field stores just made, and waiting for them cost more than the rest of writing.
    template <class Field, class Value> static void Put(uint8_t* record, size_t offset, Value v) {
        Field field = static_cast<Field>(v);
        std::memcpy(record + offset, &field, sizeof field);
    }

    static void CopyName(uint8_t* out, const NameRef& name) {
        if (name.bytes > 0) { // an empty name may have no storage at all
            std::memcpy(out, name.data, name.bytes);
        }
    }

    template <class Values>
    void write(const KeyRecord& key, const Values& values, const std::vector<DataChunk>& chunks,
               uint32_t depth, OpenKey& open) {
        depth_ = depth;
        size_t next = 0;
        uint32_t nkCell = cells_[next++];
        const Security& security = securities_[security_];
        if (newSecurity_) {
            // Ring links and reference count are sealed at the end.
            SecurityRecord sk{};
            std::memcpy(sk.signature, "sk", 2);
            sk.descriptorSize = security.size;
            uint8_t* p = payload(cells_[next++]);
            std::memcpy(p, &sk, sizeof sk);
            std::memcpy(p + sizeof sk, security.descriptor, security.size);
        }
        uint32_t classCell = kNoCell;
        if (key.classLength > 0) {
            classCell = cells_[next++];
            std::memcpy(payload(classCell), key.classData, key.classLength);
        }
        uint32_t valueList = kNoCell;
        uint32_t maxValueName = 0;
        uint32_t maxValueData = 0;
        if (!values.empty()) {
            valueList = cells_[next++];
            uint32_t i = 0;
            for (const ValueRecord& value : values) {
                uint32_t vkCell = cells_[next++];
                StoreU32(payload(valueList) + 4 * i++, vkCell);
                uint8_t* p = payload(vkCell);
                std::memset(p, 0, sizeof(ValueKeyRecord));
                std::memcpy(p, "vk", 2);
                Put<uint16_t>(p, offsetof(ValueKeyRecord, nameLength), value.name.bytes);
                Put<uint32_t>(p, offsetof(ValueKeyRecord, type), value.type);
                if (value.name.compressed) {
                    Put<uint16_t>(p, offsetof(ValueKeyRecord, flags), valueflag::CompressedName);
                }
                uint32_t dataSize = value.length;
                if (value.length <= kMaxInlineData) {
                    dataSize |= kInlineDataFlag;
                    CopyValueData(chunks, value, 0, value.length,
                                  p + offsetof(ValueKeyRecord, dataOffset));
                } else if (!bigData(value.length)) {
                    uint32_t data = cells_[next++];
                    putData(data, chunks, value, 0, value.length);
                    Put<uint32_t>(p, offsetof(ValueKeyRecord, dataOffset), data);
                } else {
                    Put<uint32_t>(p, offsetof(ValueKeyRecord, dataOffset),
                                  writeBigData(value, chunks, next));
                }
                Put<uint32_t>(p, offsetof(ValueKeyRecord, dataSize), dataSize);
                CopyName(p + sizeof(ValueKeyRecord), value.name);
                maxValueName = std::max(maxValueName, value.name.utf16Bytes());
                maxValueData = std::max(maxValueData, value.length);
            }
        }
        open.nk = nkCell;
        open.leaf = 0;
        open.entry = 0;
        open.maxName = 0;
        open.maxClass = 0;
        open.leaves.clear();
        uint32_t subkeyList = kNoCell;
        if (key.subkeyCount > 0) {
            subkeyList = writeListHeaders(key.subkeyCount, next, open);
        }

        uint16_t dropped = depth == 0 ? keyflag::NeverOnDisk | keyflag::SavedRoot
                                      : keyflag::NeverOnDisk | keyflag::HiveEntry;
        uint16_t flags = static_cast<uint16_t>((key.flags & ~dropped & ~keyflag::CompressedName) |
                                               (depth == 0 ? keyflag::SavedRoot : 0) |
                                               (key.name.compressed ? keyflag::CompressedName : 0));
        uint8_t* p = payload(nkCell);
        std::memset(p, 0, sizeof(KeyNodeRecord));
        std::memcpy(p, "nk", 2);
        Put<uint16_t>(p, offsetof(KeyNodeRecord, flags), flags);
        Put<uint64_t>(p, offsetof(KeyNodeRecord, lastWritten), key.lastWritten);
        Put<uint32_t>(p, offsetof(KeyNodeRecord, parent),
                      depth == 0 ? kNoCell : open_[depth - 1].nk);
        Put<uint32_t>(p, offsetof(KeyNodeRecord, subkeyCount), key.subkeyCount);
        Put<uint32_t>(p, offsetof(KeyNodeRecord, subkeyList), subkeyList);
        Put<uint32_t>(p, offsetof(KeyNodeRecord, volatileSubkeyList), kNoCell);
        Put<uint32_t>(p, offsetof(KeyNodeRecord, valueCount), static_cast<uint32_t>(values.size()));
        Put<uint32_t>(p, offsetof(KeyNodeRecord, valueList), valueList);
        Put<uint32_t>(p, offsetof(KeyNodeRecord, security), security.cell);
        Put<uint32_t>(p, offsetof(KeyNodeRecord, className), classCell);
        // + the largest subkey name, patched in on leaving the key
        Put<uint32_t>(p, offsetof(KeyNodeRecord, maxNameLengthAndFlags),
                      key.extraFlags & ~kMaxNameLengthMask);
        Put<uint32_t>(p, offsetof(KeyNodeRecord, maxValueNameLength), maxValueName);
        Put<uint32_t>(p, offsetof(KeyNodeRecord, maxValueDataLength), maxValueData);
        Put<uint16_t>(p, offsetof(KeyNodeRecord, nameLength), key.name.bytes);
        Put<uint16_t>(p, offsetof(KeyNodeRecord, classLength), key.classLength);
        CopyName(p + sizeof(KeyNodeRecord), key.name);
    }

    uint32_t writeBigData(const ValueRecord& value, const std::vector<DataChunk>& chunks,
                          size_t& next) {
        uint32_t dbCell = cells_[next++];
        uint32_t listCell = cells_[next++];
        uint32_t segments = Segments(value.length);
        BigDataRecord db{};
        std::memcpy(db.signature, "db", 2);
        db.segmentCount = static_cast<uint16_t>(segments);
        db.segmentList = listCell;
        std::memcpy(payload(dbCell), &db, sizeof db);
        for (uint32_t s = 0; s < segments; ++s) {
            uint32_t segment = cells_[next++];
            StoreU32(payload(listCell) + 4 * s, segment);
            uint32_t from = s * kBigDataSegmentBytes;
            uint32_t part = std::min(value.length - from, kBigDataSegmentBytes);
            putData(segment, chunks, value, from, part);
            std::memset(payload(segment) + part, 0, kBigDataSegmentCell - 4 - part);
        }
        return dbCell;
    }

    // The list cells with their headers; subkeys fill the entries as the walk reaches them.
    uint32_t writeListHeaders(uint32_t count, size_t& next, OpenKey& open) {
        open.list = shape(count);
        const ListShape& list = open.list;
        uint32_t root = kNoCell;
        if (list.indexRoot) {
            root = cells_[next++];
            uint8_t* p = payload(root);
            StoreU16(p, kSigRi);
            StoreU16(p + 2, static_cast<uint16_t>(list.leaves));
        }
        for (uint32_t leaf = 0; leaf < list.leaves; ++leaf) {
            uint32_t cell = cells_[next++];
            if (!list.indexRoot) {
                root = cell;
            } else {
                StoreU32(payload(root) + sizeof(ListHeader) + 4 * leaf, cell);
            }
            uint8_t* p = payload(cell);
            StoreU16(p, list.leafSignature);
            StoreU16(p + 2, static_cast<uint16_t>(list.entries(count, leaf)));
            open.leaves.push_back(cell);
        }
        return root;
    }

    // The security ring in first-use order, with the reference counts.
    bool sealSecurity() {
        uint32_t count = static_cast<uint32_t>(securities_.size());
        for (uint32_t i = 0; i < count; ++i) {
            uint32_t links[3] = {securities_[(i + 1) % count].cell,
                                 securities_[(i + count - 1) % count].cell,
                                 securities_[i].references};
            patch(securities_[i].cell, offsetof(SecurityRecord, flink), links, sizeof links);
        }
        return !failed();
    }

    Source& source_;
    uint32_t minor_;
    GapSource* gaps_;
    Layout* layout_ = nullptr;
    Failure failure_ = Failure::None;
    uint64_t expected_ = 0;
    uint32_t binsSize_ = 0;
    uint32_t rootCell_ = kNoCell;
    uint32_t depth_ = 0; // of the key last entered and not yet left
    std::vector<OpenKey> open_;
    std::vector<uint32_t> cells_;
    std::vector<Security> securities_;
    std::unordered_map<uint32_t, uint32_t> bySource_;
    bool haveLast_ = false; // the descriptor looked up last
    uint32_t lastSource_ = 0;
    uint32_t lastIndex_ = 0;
    std::unordered_map<std::string_view, uint32_t> byContent_;
    uint32_t security_ = 0;
    bool newSecurity_ = false;
};

} // namespace hivelet::regf
