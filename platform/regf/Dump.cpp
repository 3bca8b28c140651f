// Text of a tree that two hives share exactly when they hold the same keys, values, classes,
// flags, timestamps and descriptors in the same order, whatever their cell layout. Flags a save
// sets or drops by itself (the root's hive-entry and no-delete bits, in-memory-only bits, how a
// name is stored) are left out.
#include "platform/regf/Dump.h"

#include "platform/regf/Format.h"
#include "platform/regf/InputFile.h"
#include "platform/regf/Walk.h"

#include <string_view>
#include <unordered_map>

namespace hivelet::regf {
namespace {

void AppendHex(std::string& out, uint64_t value, int digits) {
    static const char* hex = "0123456789abcdef";
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) {
        out.push_back(hex[(value >> shift) & 0xF]);
    }
}

void AppendBytes(std::string& out, const uint8_t* data, uint32_t size) {
    for (uint32_t i = 0; i < size; ++i) {
        AppendHex(out, data[i], 2);
    }
}

class DumpVisitor {
public:
    DumpVisitor(Reader& reader, std::string& out) : reader_(reader), out_(out) {}

    template <class Values>
    bool key(const KeyView& key, const Values& values, const std::vector<DataChunk>& chunks,
             uint32_t depth) {
        path_.resize(depth);
        std::string name;
        AppendEscaped(name, NameUnits(key.name));
        path_.push_back(name);
        out_ += "key \"";
        for (size_t i = 0; i < path_.size(); ++i) {
            if (i > 0) {
                out_ += '\\';
            }
            out_ += path_[i];
        }
        out_ += "\"\n  written ";
        AppendHex(out_, key.lastWritten, 16);
        uint16_t dropped = depth == 0 ? keyflag::NeverOnDisk | keyflag::SavedRoot
                                      : keyflag::NeverOnDisk | keyflag::HiveEntry;
        uint16_t flags = key.flags & ~dropped & ~keyflag::CompressedName;
        if (flags != 0) {
            out_ += "\n  flags ";
            AppendHex(out_, flags, 4);
        }
        if (key.extraFlags != 0) {
            out_ += "\n  user flags ";
            AppendHex(out_, key.extraFlags >> 16, 4);
        }
        if (key.classLength > 0) {
            out_ += "\n  class ";
            AppendBytes(out_, key.classData, key.classLength);
        }
        if (!security(key.security)) {
            return false;
        }
        out_ += '\n';
        std::vector<uint8_t> data;
        for (const ValueView& value : values) {
            out_ += "  value \"";
            AppendEscaped(out_, NameUnits(value.name));
            out_ += "\" type ";
            AppendHex(out_, value.type, 8);
            out_ += " size " + std::to_string(value.length) + " data ";
            data.resize(value.length);
            CopyValueData(chunks, value, 0, value.length, data.data());
            AppendBytes(out_, data.data(), value.length);
            out_ += '\n';
            ++values_;
        }
        ++keys_;
        return true;
    }

    bool leave(const KeyView&) { return true; }

    void summary() {
        out_ += "keys " + std::to_string(keys_) + " values " + std::to_string(values_) +
                " descriptors " + std::to_string(descriptors_.size()) + "\n";
    }

private:
    bool security(uint32_t cell) {
        SecurityView sk;
        if (!reader_.readSecurity(cell, sk)) {
            return false;
        }
        std::string bytes(reinterpret_cast<const char*>(sk.descriptor), sk.sk.descriptorSize);
        auto found = descriptors_.find(bytes);
        size_t index;
        if (found == descriptors_.end()) {
            index = descriptors_.size();
            descriptors_.emplace(bytes, index);
            out_ += "\n  security #" + std::to_string(index) + " new ";
            AppendBytes(out_, sk.descriptor, sk.sk.descriptorSize);
        } else {
            index = found->second;
            out_ += "\n  security #" + std::to_string(index);
        }
        return true;
    }

    Reader& reader_;
    std::string& out_;
    std::vector<std::string> path_;
    std::unordered_map<std::string, size_t> descriptors_;
    uint64_t keys_ = 0;
    uint64_t values_ = 0;
};

} // namespace

Status DumpHive(const Hive& hive, std::string& text) {
    text.clear();
    text += "hive 1." + std::to_string(hive.minor()) + "\n";
    Reader reader(hive);
    DumpVisitor visitor(reader, text);
    if (!WalkTree(reader, hive.base().rootCell, visitor)) {
        text.clear();
        return reader.status();
    }
    visitor.summary();
    return {};
}

Status DumpHiveFile(const std::string& path, std::string& text) {
    InputFile input;
    Hive hive;
    if (Status s = OpenHiveFile(path, input, hive); !s.ok()) {
        return s;
    }
    return DumpHive(hive, text);
}

} // namespace hivelet::regf
