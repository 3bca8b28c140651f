// Single keys of a hive file by path: a key's values and the names of its subkeys, for callers
// that need a few settings of a hive rather than its whole tree. The hive is opened the way every
// reader of this library opens it (OpenHiveFile), so what that opening accepts, this reads.
#pragma once

#include "platform/regf/Hive.h"
#include "platform/regf/InputFile.h"
#include "platform/regf/Regf.h"

#include <string>
#include <vector>

namespace hivelet::regf {

struct KeyContents {
    std::vector<Value> values;        // in list order; names UTF-8
    std::vector<std::string> subkeys; // names UTF-8, in Windows' order
};

class HiveKeyReader {
public:
    Status open(const std::string& path);
    // The key below the root at `keyPath` (components separated by '\', matched ignoring case
    // as Windows does; empty: the root). NotFound when there is no such key.
    Status read(const std::string& keyPath, KeyContents& contents) const;

private:
    InputFile input_;
    Hive hive_;
    bool open_ = false;
};

// UTF-16 code units as UTF-8 (unpaired surrogates in their 3-byte form).
std::string Utf16ToUtf8(const std::u16string& units);

// The text of a REG_SZ or REG_EXPAND_SZ value: its UTF-16LE data up to the first NUL, as UTF-8.
std::string StringValueText(const Value& value);

} // namespace hivelet::regf
