// Writes a tree as a compact hive: every cell sized to what its record needs, cells packed into
// bins by Layout, record kinds the format version calls for.
//
// Two passes over the same source. The plan pass allocates every cell and keeps, per key in
// depth-first order, its nk offset, subtree size, list hash and the maxima its parent needs; per
// security descriptor its cell and reference count. The emit pass repeats the allocations (the
// layout is deterministic) and writes every record, taking the offsets it cannot know yet
// (children, the security ring) from the plan. Memory: 16 bytes per key plus one segment.
//
// Source:
//   template <class V> bool walk(V& visitor);  // calls the visitor like TreeWalk does
//   bool descriptor(uint32_t id, const uint8_t*& data, uint32_t& size);
#pragma once

#include "platform/regf/Format.h"
#include "platform/regf/Layout.h"
#include "platform/regf/Tree.h"

#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace hivelet::regf {

struct CompactPlanKey {
    uint32_t nk;
    uint32_t subtree;       // keys in the subtree, this one included
    uint32_t hash;          // lh hash or lf hint of the name
    uint16_t maxChildName;  // largest subkey name, bytes as UTF-16
    uint16_t maxChildClass; // largest subkey class name, bytes
};

template <class Source> class CompactWriter {
public:
    enum class Failure { None, Unreadable, TooLarge, Sink, Changed };

    CompactWriter(Source& source, uint32_t minorVersion, GapSource* gaps)
        : source_(source), minor_(minorVersion), gaps_(gaps) {}

    bool plan() {
        Layout layout(nullptr, gaps_);
        if (!pass(layout, false)) {
            return false;
        }
        for (const Security& s : securities_) {
            plannedSecurity_.push_back(s.cell);
            plannedReferences_.push_back(s.references);
        }
        return true;
    }

    // After plan(): writes the bins (the caller has written the base block).
    bool emit(ByteSink& sink) {
        Layout layout(&sink, gaps_);
        if (!pass(layout, true)) {
            return false;
        }
        if (layout.size() != binsSize_) {
            return fail(Failure::Changed);
        }
        return true;
    }

    uint32_t binsSize() const { return binsSize_; }
    uint32_t rootCell() const { return keys_.empty() ? kNoCell : keys_[0].nk; }
    Failure failure() const { return failure_; }

    // Visitor interface (called by the source's walk).
    template <class Values>
    bool key(const KeyRecord& key, const Values& values, const std::vector<DataChunk>& chunks,
             uint32_t depth) {
        uint32_t index = next_++;
        if (!emitting_) {
            if (index != keys_.size()) {
                return fail(Failure::Changed);
            }
            keys_.push_back({0, 0, ListHash(key.name), 0, 0});
            if (!stack_.empty()) {
                CompactPlanKey& parent = keys_[stack_.back()];
                uint32_t nameBytes = key.name.utf16Bytes();
                if (nameBytes > parent.maxChildName) {
                    parent.maxChildName = static_cast<uint16_t>(nameBytes);
                }
                if (key.classLength > parent.maxChildClass) {
                    parent.maxChildClass = key.classLength;
                }
            }
        } else if (index >= keys_.size() || key.subkeyCount != childCount(index)) {
            return fail(Failure::Changed);
        }
        stack_.push_back(index);
        if (!allocate(index, key, values)) {
            return false;
        }
        if (emitting_) {
            write(index, key, values, chunks, depth);
        }
        return layout_->endGroup() || fail(Failure::Sink);
    }

    bool leave(const KeyRecord&) {
        uint32_t index = stack_.back();
        stack_.pop_back();
        if (!emitting_) {
            keys_[index].subtree = next_ - index;
        }
        return true;
    }

private:
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

    uint32_t ListHash(const NameRef& name) const {
        return minor_ >= kFirstMinorWithHashLeaves ? NameHash(name) : NameHint(name);
    }

    uint32_t childCount(uint32_t index) const {
        uint32_t count = 0;
        uint32_t end = index + keys_[index].subtree;
        for (uint32_t child = index + 1; child < end; child += keys_[child].subtree) {
            ++count;
        }
        return count;
    }

    bool pass(Layout& layout, bool emitting) {
        layout_ = &layout;
        emitting_ = emitting;
        next_ = 0;
        stack_.clear();
        for (Security& s : securities_) {
            s.cell = kNoCell;
        }
        if (!source_.walk(*this)) {
            return failure_ == Failure::None ? fail(Failure::Unreadable) : false;
        }
        if (!layout.finish()) {
            return fail(Failure::Sink);
        }
        if (!emitting) {
            binsSize_ = layout.size();
        } else if (next_ != keys_.size()) {
            return fail(Failure::Changed);
        }
        return true;
    }

    bool alloc(uint32_t size) {
        uint32_t cell;
        if (!layout_->allocate(size, cell)) {
            return fail(emitting_ ? Failure::Sink : Failure::TooLarge);
        }
        cells_.push_back(cell);
        return true;
    }

    // The output descriptor of a source descriptor id: identical descriptors share one cell.
    bool securityIndex(uint32_t id, uint32_t& index) {
        auto found = bySource_.find(id);
        if (found != bySource_.end()) {
            index = found->second;
            return true;
        }
        const uint8_t* data;
        uint32_t size;
        if (emitting_ || !source_.descriptor(id, data, size)) {
            return fail(emitting_ ? Failure::Changed : Failure::Unreadable);
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
        return true;
    }

    static uint32_t Segments(uint32_t length) {
        return (length + kBigDataSegmentBytes - 1) / kBigDataSegmentBytes;
    }
    bool bigData(uint32_t length) const {
        return length > kMaxSingleCellData && minor_ >= kFirstMinorWithBigData;
    }
    // Windows' list shapes: up to 507 subkeys one lf (1.3, 1.4) or lh (1.5) leaf; more go under
    // an ri, over lh leaves of up to 507 (1.5) or li leaves of up to 1014 (1.3, 1.4).
    struct ListShape {
        bool indexRoot;
        uint32_t leaves;
        uint32_t capacity;
        uint16_t leafSignature;
        uint32_t entrySize;
        uint32_t entries(uint32_t count, uint32_t leaf) const {
            uint32_t left = count - leaf * capacity;
            return left < capacity ? left : capacity;
        }
    };
    ListShape shape(uint32_t count) const {
        ListShape s{};
        bool hashLeaves = minor_ >= kFirstMinorWithHashLeaves;
        s.indexRoot = count > kMaxHashLeafEntries;
        s.capacity = s.indexRoot && !hashLeaves ? kMaxIndexLeafEntries : kMaxHashLeafEntries;
        s.leaves = (count + s.capacity - 1) / s.capacity;
        s.leafSignature = hashLeaves ? kSigLh : s.indexRoot ? kSigLi : kSigLf;
        s.entrySize = s.leafSignature == kSigLi ? 4 : sizeof(HashLeafEntry);
        return s;
    }

    template <class Values>
    bool allocate(uint32_t index, const KeyRecord& key, const Values& values) {
        cells_.clear();
        if (!alloc(Align8(4 + sizeof(KeyNodeRecord) + key.name.bytes))) {
            return false;
        }
        if (emitting_ && cells_[0] != keys_[index].nk) {
            return fail(Failure::Changed);
        }
        keys_[index].nk = cells_[0];
        if (!securityIndex(key.security, security_)) {
            return false;
        }
        Security& security = securities_[security_];
        newSecurity_ = security.cell == kNoCell;
        if (newSecurity_) {
            if (!alloc(Align8(4 + sizeof(SecurityRecord) + security.size))) {
                return false;
            }
            if (emitting_ && cells_.back() != plannedSecurity_[security_]) {
                return fail(Failure::Changed);
            }
            security.cell = cells_.back();
        }
        if (!emitting_) {
            ++security.references;
        }
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
                if (value.length > kMaxValueDataBytes - 8 || !alloc(Align8(4 + value.length))) {
                    return fail(Failure::TooLarge);
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
        uint32_t count = key.subkeyCount;
        if (count > 0) {
            ListShape list = shape(count);
            if (list.leaves > 0xFFFF) {
                return fail(Failure::TooLarge);
            }
            if (list.indexRoot && !alloc(Align8(4 + sizeof(ListHeader) + 4 * list.leaves))) {
                return false;
            }
            for (uint32_t leaf = 0; leaf < list.leaves; ++leaf) {
                uint32_t bytes = list.entrySize * list.entries(count, leaf);
                if (!alloc(Align8(4 + sizeof(ListHeader) + bytes))) {
                    return false;
                }
            }
        }
        return true;
    }

    uint8_t* payload(uint32_t cell) { return layout_->at(cell) + 4; }

    static void CopyName(uint8_t* out, const NameRef& name) {
        if (name.bytes > 0) { // an empty name may have no storage at all
            std::memcpy(out, name.data, name.bytes);
        }
    }

    template <class Values>
    void write(uint32_t index, const KeyRecord& key, const Values& values,
               const std::vector<DataChunk>& chunks, uint32_t depth) {
        size_t next = 0;
        const CompactPlanKey& plan = keys_[index];
        uint32_t nkCell = cells_[next++];
        const Security& security = securities_[security_];
        if (newSecurity_) {
            uint32_t count = static_cast<uint32_t>(securities_.size());
            SecurityRecord sk{};
            std::memcpy(sk.signature, "sk", 2);
            sk.flink = plannedSecurity_[(security_ + 1) % count];
            sk.blink = plannedSecurity_[(security_ + count - 1) % count];
            sk.referenceCount = plannedReferences_[security_];
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
                ValueKeyRecord vk{};
                std::memcpy(vk.signature, "vk", 2);
                vk.nameLength = static_cast<uint16_t>(value.name.bytes);
                vk.type = value.type;
                vk.flags = value.name.compressed ? valueflag::CompressedName : 0;
                if (value.length <= kMaxInlineData) {
                    vk.dataSize = value.length | kInlineDataFlag;
                    uint8_t inlineData[4] = {0, 0, 0, 0};
                    CopyValueData(chunks, value, 0, value.length, inlineData);
                    std::memcpy(&vk.dataOffset, inlineData, 4);
                } else if (!bigData(value.length)) {
                    vk.dataSize = value.length;
                    vk.dataOffset = cells_[next++];
                    CopyValueData(chunks, value, 0, value.length, payload(vk.dataOffset));
                } else {
                    vk.dataSize = value.length;
                    vk.dataOffset = writeBigData(value, chunks, next);
                }
                uint8_t* p = payload(vkCell);
                std::memcpy(p, &vk, sizeof vk);
                CopyName(p + sizeof vk, value.name);
                if (value.name.utf16Bytes() > maxValueName) {
                    maxValueName = value.name.utf16Bytes();
                }
                if (value.length > maxValueData) {
                    maxValueData = value.length;
                }
            }
        }
        uint32_t subkeyList = key.subkeyCount > 0 ? writeSubkeyList(index, key, next) : kNoCell;

        KeyNodeRecord nk{};
        std::memcpy(nk.signature, "nk", 2);
        uint16_t keep = depth == 0 ? keyflag::NeverOnDisk | keyflag::SavedRoot
                                   : keyflag::NeverOnDisk | keyflag::HiveEntry;
        nk.flags = static_cast<uint16_t>((key.flags & ~keep & ~keyflag::CompressedName) |
                                         (depth == 0 ? keyflag::SavedRoot : 0) |
                                         (key.name.compressed ? keyflag::CompressedName : 0));
        nk.lastWritten = key.lastWritten;
        nk.parent = depth == 0 ? kNoCell : keys_[stack_[stack_.size() - 2]].nk;
        nk.subkeyCount = key.subkeyCount;
        nk.subkeyList = subkeyList;
        nk.volatileSubkeyList = kNoCell;
        nk.valueCount = static_cast<uint32_t>(values.size());
        nk.valueList = valueList;
        nk.security = plannedSecurity_[security_];
        nk.className = classCell;
        nk.maxNameLengthAndFlags = plan.maxChildName | (key.extraFlags & ~kMaxNameLengthMask);
        nk.maxClassLength = plan.maxChildClass;
        nk.maxValueNameLength = maxValueName;
        nk.maxValueDataLength = maxValueData;
        nk.nameLength = static_cast<uint16_t>(key.name.bytes);
        nk.classLength = key.classLength;
        uint8_t* p = payload(nkCell);
        std::memcpy(p, &nk, sizeof nk);
        CopyName(p + sizeof nk, key.name);
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
            uint32_t part = value.length - from < kBigDataSegmentBytes ? value.length - from
                                                                       : kBigDataSegmentBytes;
            CopyValueData(chunks, value, from, part, payload(segment));
        }
        return dbCell;
    }

    uint32_t writeSubkeyList(uint32_t index, const KeyRecord& key, size_t& next) {
        uint32_t count = key.subkeyCount;
        ListShape list = shape(count);
        uint32_t root = kNoCell;
        if (list.indexRoot) {
            root = cells_[next++];
            uint8_t* p = payload(root);
            StoreU16(p, kSigRi);
            StoreU16(p + 2, static_cast<uint16_t>(list.leaves));
        }
        uint32_t child = index + 1;
        for (uint32_t leaf = 0; leaf < list.leaves; ++leaf) {
            uint32_t cell = cells_[next++];
            if (!list.indexRoot) {
                root = cell;
            } else {
                StoreU32(payload(root) + sizeof(ListHeader) + 4 * leaf, cell);
            }
            uint32_t entries = list.entries(count, leaf);
            uint8_t* p = payload(cell);
            StoreU16(p, list.leafSignature);
            StoreU16(p + 2, static_cast<uint16_t>(entries));
            p += sizeof(ListHeader);
            for (uint32_t e = 0; e < entries; ++e) {
                const CompactPlanKey& c = keys_[child];
                if (list.leafSignature == kSigLi) {
                    StoreU32(p + 4 * e, c.nk);
                } else {
                    StoreU32(p + 8 * e, c.nk);
                    StoreU32(p + 8 * e + 4, c.hash);
                }
                child += c.subtree;
            }
        }
        return root;
    }

private:
    Source& source_;
    uint32_t minor_;
    GapSource* gaps_;
    Layout* layout_ = nullptr;
    bool emitting_ = false;
    Failure failure_ = Failure::None;
    uint32_t binsSize_ = 0;
    uint32_t next_ = 0;
    std::vector<CompactPlanKey> keys_;
    std::vector<uint32_t> stack_;
    std::vector<uint32_t> cells_;
    std::vector<Security> securities_;
    std::vector<uint32_t> plannedSecurity_;
    std::vector<uint32_t> plannedReferences_;
    std::unordered_map<uint32_t, uint32_t> bySource_;
    std::unordered_map<std::string_view, uint32_t> byContent_;
    uint32_t security_ = 0;
    bool newSecurity_ = false;
};

} // namespace hivelet::regf
