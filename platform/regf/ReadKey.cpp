#include "platform/regf/ReadKey.h"

#include "platform/regf/Errors.h"
#include "platform/regf/Walk.h"

namespace hivelet::regf {

Status HiveKeyReader::open(const std::string& path) {
    open_ = false;
    Status s = OpenHiveFile(path, input_, hive_);
    open_ = s.ok();
    return s;
}

Status HiveKeyReader::read(const std::string& keyPath, KeyContents& contents) const {
    contents = {};
    if (!open_) {
        return Failure(ErrorKind::Io, hive_.name(), "the hive is not open");
    }
    // A fresh reader for every lookup: its errors are sticky, and a missing key must not spoil
    // the next one.
    Reader reader(hive_);
    uint32_t cell = kNoCell;
    KeyView key;
    std::vector<ValueView> values;
    std::vector<DataChunk> chunks;
    std::vector<uint32_t> children;
    if (!FindKey(reader, hive_.base().rootCell, keyPath, cell) || !reader.readKey(cell, key) ||
        !reader.readValues(key, values, chunks) || !reader.readSubkeys(key, children)) {
        return reader.status();
    }
    for (const ValueView& v : values) {
        Value out;
        out.name = Utf16ToUtf8(NameUnits(v.name));
        out.type = v.type;
        out.data.resize(v.length);
        CopyValueData(chunks, v, 0, v.length, out.data.data());
        contents.values.push_back(std::move(out));
    }
    for (uint32_t child : children) {
        KeyView sub;
        if (!reader.readKey(child, sub, cell)) {
            return reader.status();
        }
        contents.subkeys.push_back(Utf16ToUtf8(NameUnits(sub.name)));
    }
    return Status{};
}

std::string Utf16ToUtf8(const std::u16string& units) {
    std::string out;
    for (size_t i = 0; i < units.size(); ++i) {
        uint32_t c = units[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string StringValueText(const Value& value) {
    std::u16string units;
    for (size_t i = 0; i + 1 < value.data.size(); i += 2) {
        char16_t u = static_cast<char16_t>(value.data[i] | (value.data[i + 1] << 8));
        if (u == 0) {
            break;
        }
        units += u;
    }
    return Utf16ToUtf8(units);
}

} // namespace hivelet::regf
