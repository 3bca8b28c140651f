// WriteHiveFile: an in-memory tree written by the compact writer, optionally with free cells
// scattered among the live ones so that the hive looks like one that has seen churn.
#include "platform/regf/BaseBlockWriter.h"
#include "platform/regf/CompactWriter.h"
#include "platform/regf/Errors.h"
#include "platform/regf/OutputFile.h"
#include "platform/regf/Reader.h"
#include "platform/regf/Regf.h"

#include <algorithm>
#include <random>
#include <string>
#include <unordered_map>

namespace hivelet::regf {
namespace {

// Owner Administrators, group SYSTEM; full control for SYSTEM and Administrators, read for
// Users, inherited by subkeys.
std::vector<uint8_t> DefaultDescriptor() {
    std::vector<uint8_t> sd;
    auto u8 = [&](uint8_t v) { sd.push_back(v); };
    auto u16 = [&](uint16_t v) {
        u8(static_cast<uint8_t>(v));
        u8(static_cast<uint8_t>(v >> 8));
    };
    auto u32 = [&](uint32_t v) {
        u16(static_cast<uint16_t>(v));
        u16(static_cast<uint16_t>(v >> 16));
    };
    auto sid = [&](std::initializer_list<uint32_t> subAuthorities) {
        u8(1);
        u8(static_cast<uint8_t>(subAuthorities.size()));
        for (uint8_t b : {0, 0, 0, 0, 0, 5}) { // NT authority
            u8(b);
        }
        for (uint32_t s : subAuthorities) {
            u32(s);
        }
    };
    auto ace = [&](uint32_t mask, std::initializer_list<uint32_t> subAuthorities) {
        u8(0);    // ACCESS_ALLOWED_ACE_TYPE
        u8(0x02); // CONTAINER_INHERIT_ACE
        u16(static_cast<uint16_t>(8 + 8 + 4 * subAuthorities.size()));
        u32(mask);
        sid(subAuthorities);
    };
    constexpr uint32_t kAllAccess = 0xF003F;
    constexpr uint32_t kRead = 0x20019;
    u8(1);
    u8(0);
    u16(0x8004); // self-relative, DACL present
    u32(20);     // owner
    u32(36);     // group
    u32(0);      // no SACL
    u32(48);     // DACL
    sid({32, 544});
    sid({18});
    u8(2); // ACL revision
    u8(0);
    u16(8 + 20 + 24 + 24);
    u16(3);
    u16(0);
    ace(kAllAccess, {18});
    ace(kAllAccess, {32, 544});
    ace(kRead, {32, 545});
    return sd;
}

struct PreparedValue {
    std::vector<uint8_t> name;
    bool compressed = true;
    const Value* value = nullptr;
};

struct PreparedKey {
    const Key* key = nullptr;
    std::vector<uint8_t> name;
    bool compressed = true;
    std::vector<uint8_t> className;
    uint32_t security = 0;
    std::vector<PreparedValue> values;
    std::vector<PreparedKey> children; // in Windows' order

    NameRef nameRef() const {
        return {name.data(), static_cast<uint32_t>(name.size()), compressed};
    }
};

class TreePreparer {
public:
    explicit TreePreparer(const std::string& path) : path_(path) {}

    Status prepare(const Key& key, PreparedKey& out, uint32_t depth) {
        if (depth >= kMaxTreeDepth) {
            return fail(key, "tree deeper than 512 levels");
        }
        out.key = &key;
        std::u16string units;
        if (!Utf8ToUtf16(key.name, units)) {
            return fail(key, "key name is not valid UTF-8");
        }
        if (depth > 0 && (units.empty() || units.find(u'\\') != std::u16string::npos)) {
            return fail(key, "key name empty or holding a backslash");
        }
        if (units.size() > kMaxKeyNameChars) {
            return fail(key, "key name longer than 255 characters");
        }
        EncodeName(units, out.name, out.compressed);
        if (!Utf8ToUtf16(key.className, units) || units.size() > 0x7FFF) {
            return fail(key, "class name not valid UTF-8 or too long");
        }
        for (char16_t c : units) {
            out.className.push_back(static_cast<uint8_t>(c & 0xFF));
            out.className.push_back(static_cast<uint8_t>(c >> 8));
        }
        if (Status s = security(key, out.security); !s.ok()) {
            return s;
        }
        out.values.resize(key.values.size());
        for (size_t i = 0; i < key.values.size(); ++i) {
            const Value& value = key.values[i];
            if (!Utf8ToUtf16(value.name, units) || units.size() > kMaxValueNameChars) {
                return fail(key, "value name not valid UTF-8 or too long");
            }
            if (value.data.size() > kMaxValueDataBytes) {
                return {ErrorKind::TooLarge, path_ + ": too large: value data over 2 GiB"};
            }
            EncodeName(units, out.values[i].name, out.values[i].compressed);
            out.values[i].value = &value;
        }
        out.children.resize(key.subkeys.size());
        for (size_t i = 0; i < key.subkeys.size(); ++i) {
            if (Status s = prepare(key.subkeys[i], out.children[i], depth + 1); !s.ok()) {
                return s;
            }
        }
        std::sort(out.children.begin(), out.children.end(),
                  [](const PreparedKey& a, const PreparedKey& b) {
                      return CompareNames(a.nameRef(), b.nameRef()) < 0;
                  });
        for (size_t i = 1; i < out.children.size(); ++i) {
            if (CompareNames(out.children[i - 1].nameRef(), out.children[i].nameRef()) == 0) {
                return fail(*out.children[i].key, "two subkeys with the same name");
            }
        }
        return {};
    }

    std::vector<std::vector<uint8_t>> descriptors;

private:
    Status fail(const Key& key, const std::string& detail) {
        return {ErrorKind::Corrupt, path_ + ": corrupt: " + detail + " (key \"" + key.name + "\")"};
    }

    Status security(const Key& key, uint32_t& id) {
        const std::vector<uint8_t>& wanted =
            key.security.empty() ? defaultDescriptor_ : key.security;
        std::string bytes(wanted.begin(), wanted.end());
        auto found = ids_.find(bytes);
        if (found != ids_.end()) {
            id = found->second;
            return {};
        }
        if (wanted.size() > 0xFFFFFF ||
            !ValidSecurityDescriptor(wanted.data(), static_cast<uint32_t>(wanted.size()))) {
            return fail(key, "malformed security descriptor");
        }
        id = static_cast<uint32_t>(descriptors.size());
        descriptors.push_back(wanted);
        ids_.emplace(std::move(bytes), id);
        return {};
    }

    std::string path_;
    std::vector<uint8_t> defaultDescriptor_ = DefaultDescriptor();
    std::unordered_map<std::string, uint32_t> ids_;
};

// A prepared tree as a source for CompactWriter.
class MemorySource {
public:
    MemorySource(const PreparedKey& root, const std::vector<std::vector<uint8_t>>& descriptors)
        : root_(root), descriptors_(descriptors) {}

    template <class Visitor> bool walk(Visitor& visitor) { return visit(root_, 0, visitor); }

    bool descriptor(uint32_t id, const uint8_t*& data, uint32_t& size) {
        if (id >= descriptors_.size()) {
            return false;
        }
        data = descriptors_[id].data();
        size = static_cast<uint32_t>(descriptors_[id].size());
        return true;
    }

private:
    template <class Visitor> bool visit(const PreparedKey& key, uint32_t depth, Visitor& visitor) {
        KeyRecord record;
        record.name = key.nameRef();
        record.classData = key.className.data();
        record.classLength = static_cast<uint16_t>(key.className.size());
        record.flags = key.key->flags;
        record.lastWritten = key.key->lastWritten;
        record.security = key.security;
        record.subkeyCount = static_cast<uint32_t>(key.children.size());
        values_.clear();
        chunks_.clear();
        for (const PreparedValue& value : key.values) {
            ValueRecord v;
            v.name = {value.name.data(), static_cast<uint32_t>(value.name.size()),
                      value.compressed};
            v.type = value.value->type;
            v.length = static_cast<uint32_t>(value.value->data.size());
            v.firstChunk = static_cast<uint32_t>(chunks_.size());
            v.chunkCount = v.length > 0 ? 1 : 0;
            if (v.length > 0) {
                chunks_.push_back({value.value->data.data(), v.length});
            }
            values_.push_back(v);
        }
        if (!visitor.key(record, values_, chunks_, depth)) {
            return false;
        }
        for (const PreparedKey& child : key.children) {
            if (!visit(child, depth + 1, visitor)) {
                return false;
            }
        }
        return visitor.leave(record);
    }

    const PreparedKey& root_;
    const std::vector<std::vector<uint8_t>>& descriptors_;
    std::vector<ValueRecord> values_;
    std::vector<DataChunk> chunks_;
};

// Free cells of varied sizes before live ones until free space is about `fraction` of the bins.
class ChurnGaps : public GapSource {
public:
    ChurnGaps(double fraction, uint32_t seed) : ratio_(fraction / (1.0 - fraction)), seed_(seed) {}

    void restart() override {
        random_.seed(seed_);
        live_ = 0;
        free_ = 0;
        first_ = true;
    }

    uint32_t gapBefore(uint32_t cellSize, uint32_t room) override {
        live_ += cellSize;
        if (first_) { // the root stays the first cell
            first_ = false;
            return 0;
        }
        if (static_cast<double>(free_) >= ratio_ * static_cast<double>(live_)) {
            return 0;
        }
        uint32_t roll = random_() % 100;
        uint32_t low = roll < 50 ? 8 : roll < 85 ? 128 : 1024;
        uint32_t high = roll < 50 ? 128 : roll < 85 ? 1024 : 4000;
        uint32_t gap = (low + random_() % (high - low)) & ~7u;
        uint32_t most = (room - cellSize) & ~7u;
        gap = std::min(gap, most);
        if (gap < 8) {
            return 0;
        }
        free_ += gap;
        return gap;
    }

private:
    double ratio_;
    uint32_t seed_;
    std::mt19937 random_;
    uint64_t live_ = 0;
    uint64_t free_ = 0;
    bool first_ = true;
};

} // namespace

Status WriteHiveFile(const Key& root, const std::string& path, const WriteOptions& options) {
    if (options.minorVersion < kMinMinorVersion || options.minorVersion > kMaxMinorVersion) {
        return Failure(ErrorKind::Unsupported, path,
                       "format version 1." + std::to_string(options.minorVersion));
    }
    TreePreparer preparer(path);
    PreparedKey prepared;
    if (Status s = preparer.prepare(root, prepared, 0); !s.ok()) {
        return s;
    }
    MemorySource source(prepared, preparer.descriptors);
    double fraction = std::clamp(options.freeFraction, 0.0, 0.9);
    ChurnGaps gaps(fraction, options.seed);
    OutputFile output;
    if (Status s = output.create(path, true); !s.ok()) {
        return s;
    }
    uint8_t base[kBaseBlockSize] = {};
    CompactWriter<MemorySource> writer(source, options.minorVersion,
                                       fraction > 0 ? &gaps : nullptr);
    using F = CompactWriter<MemorySource>::Failure;
    if (!output.write(base, sizeof base) || !writer.run(output)) {
        if (writer.failure() == F::TooLarge || writer.failure() == F::Unreadable) {
            return Failure(writer.failure() == F::TooLarge ? ErrorKind::TooLarge
                                                           : ErrorKind::Corrupt,
                           path, "the tree does not fit a hive");
        }
        return Failure(ErrorKind::Io, path, "write failed: " + output.failure());
    }
    NewBaseBlock block;
    block.minorVersion = options.minorVersion;
    block.binsDataSize = writer.binsSize();
    block.rootCell = writer.rootCell();
    block.lastWritten = FileTimeNow();
    BuildBaseBlock(block, base);
    if (!output.patch(0, base, sizeof base)) {
        return Failure(ErrorKind::Io, path, "write failed: " + output.failure());
    }
    return output.publish(false);
}

} // namespace hivelet::regf
