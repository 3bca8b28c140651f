// Reading a checked hive's records. Every cell reference is tested (allocated cell, record
// signature, record fits its cell) before use; every reachable cell is claimed once, so a cell
// reached twice (a loop or a shared cell) is an error. The first error is kept ("sticky") and
// every later call fails at once, so callers test ok() where it suits them.
#pragma once

#include "platform/regf/BulkMemory.h"
#include "platform/regf/Format.h"
#include "platform/regf/Hive.h"
#include "platform/regf/Tree.h"

#include <cstdint>
#include <string>
#include <vector>

namespace hivelet::regf {

struct KeyView : KeyRecord {
    uint32_t cell = kNoCell;
    KeyNodeRecord nk; // filled in whole by Reader::readKey; not zeroed first, once per key read
};

struct ValueView : ValueRecord {
    uint32_t cell = kNoCell;
    ValueKeyRecord vk{};
    bool bigData = false;
};

struct SecurityView {
    uint32_t cell = kNoCell;
    SecurityRecord sk{};
    const uint8_t* descriptor = nullptr;
};

class Reader {
public:
    explicit Reader(const Hive& hive);

    const Hive& hive() const { return hive_; }
    bool ok() const { return status_.ok(); }
    const Status& status() const { return status_; }
    // Records an error (the first one wins) and returns false.
    bool fail(ErrorKind kind, uint32_t cell, const std::string& detail);

    bool claimed(uint32_t cell) const { return claimed_.test(cell); }
    // Marks a reachable cell; false if it was reached before.
    bool claim(uint32_t cell, const char* what) {
        return claimed_.set(cell) || reachedTwice(cell, what);
    }
    void resetClaims();
    const CellBits& claims() const { return claimed_; }

    // The key at `cell` (not claimed here: the walk decides between loop and shared cell), with
    // its class name (claimed) and security cell (checked).
    bool readKey(uint32_t cell, KeyView& key, uint32_t from = kNoCell);
    // Cells of the key's subkeys in list order; claims the list cells.
    bool readSubkeys(const KeyView& key, std::vector<uint32_t>& children);
    // The key's values in list order with their data as chunks; claims every cell on the way.
    bool readValues(const KeyView& key, std::vector<ValueView>& values,
                    std::vector<DataChunk>& chunks);
    // A security cell, checked once (a descriptor is shared by many keys).
    bool readSecurity(uint32_t cell, SecurityView& security, uint32_t from = kNoCell);

private:
    // `from`: the record holding the reference (named in the error); kNoCell for the root.
    bool allocatedCell(uint32_t cell, uint32_t minPayload, const char* what, uint32_t from) {
        if (ok() && hive_.isAllocated(cell) && hive_.payloadSize(cell) >= minPayload) {
            return true;
        }
        return badCell(cell, minPayload, what, from);
    }
    // The failures of the two checks above, kept out of line: every reference goes through them.
    bool badCell(uint32_t cell, uint32_t minPayload, const char* what, uint32_t from);
    bool reachedTwice(uint32_t cell, const char* what);
    bool readList(uint32_t cell, uint32_t from, uint32_t expected, bool allowIndexRoot,
                  std::vector<uint32_t>& children);
    bool readValueData(ValueView& value, std::vector<DataChunk>& chunks);

    const Hive& hive_;
    Status status_;
    CellBits claimed_;
    CellBits checkedSecurity_;
};

// Whether `bytes` hold a well-formed self-relative security descriptor.
bool ValidSecurityDescriptor(const uint8_t* bytes, uint32_t size);

} // namespace hivelet::regf
