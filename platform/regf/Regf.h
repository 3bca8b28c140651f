// Hive files (the Windows NT registry "regf" format) without Windows: read a hive, write a
// compact copy of it, verify one, dump its tree as text, and generate hives from a tree in memory.
//
// On Windows the operating system saves hives (RegSaveKey); this library is what every other
// platform uses instead, and what tests and benchmarks use to build hives.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace hivelet::regf {

enum class ErrorKind {
    None,
    Io,          // the file could not be opened, read, written or renamed (or the target exists)
    NotAHive,    // no "regf" base block, or not a primary hive file (a log, for example)
    Unsupported, // a format version or record this library does not handle
    Dirty,       // the latest data is only in transaction logs that are missing or unusable
    Corrupt,     // a structure is inconsistent (bad offset, loop, shared cell, bad checksum...)
    TooLarge,    // a named limit was exceeded (file size, list length, tree depth...)
    NotFound,    // the key a subtree path names does not exist
};

// The result of every operation. `message` is one line that names the file and, where one
// applies, the hex file offset of the fault, e.g.
// "NTUSER.DAT: corrupt: subkeys not in Windows' order at 0x1a020".
struct Status {
    ErrorKind kind = ErrorKind::None;
    std::string message;
    bool ok() const { return kind == ErrorKind::None; }
};

// What reading a hive did with its transaction logs. A clean hive is read as it is; a dirty one
// (checksum wrong, or sequence numbers that differ) is recovered in memory from the `.LOG`,
// `.LOG1` and `.LOG2` beside it, as Windows' loader does, and only then read. The files are never
// written.
struct LogUse {
    std::string path;
    uint32_t entries = 0; // new format: entries applied from this log
    uint32_t firstSequence = 0;
    uint32_t lastSequence = 0;
    uint32_t pages = 0; // old format: dirty 512-byte pages applied
    std::string end;    // where reading it ended and why
};

struct Recovery {
    bool dirty = false;            // the primary file alone was not the latest state
    bool recovered = false;        // logs were applied to what was read
    bool oldFormat = false;        // the logs were of the DIRT kind (before Windows 8.1)
    bool baseBlockRebuilt = false; // the primary's base block was damaged; a log's copy replaced it
    bool damaged = false;        // replay stopped at a damaged entry or a gap, not at the logs' end
    std::vector<LogUse> applied; // in the order they were applied
    uint32_t entries = 0;        // entries applied in all
    uint32_t sequence = 0;       // both sequence numbers of the recovered hive
    uint32_t binsSizeBefore = 0;
    uint32_t binsSizeAfter = 0;
    std::string stop;                 // where and why replay ended, with the log and hex offset
    std::vector<std::string> skipped; // each log found but not used, and why

    // One line for a user: "recovered from its transaction logs: 24 entries (SYSTEM_B.LOG1
    // 2107-2110, SYSTEM_B.LOG2 2111-2130); replay ended: ..."; empty for a clean hive.
    std::string summary() const;
};

struct CompactOptions {
    // Empty: the whole hive. Otherwise the path (components separated by '\', matched without
    // regard to case) of a key below the root, e.g. "Wow6432Node", which becomes the root of the
    // copy, as RegSaveKey of that key would write it.
    std::string subtreePath;
    // Flush the copy to disk before it takes the target name (what a save should do; benchmarks
    // and tests may skip it).
    bool durable = true;
};

// Writes a compact copy of `sourcePath` (every live cell packed, no free space, the source's
// format version) to `targetPath`. Refuses with Io if `targetPath` already exists: replacing a
// file is the caller's decision. The copy is written under a temporary name in the target's
// folder and renamed at the end, so the target name never holds a partial file; on failure the
// temporary file is removed. What reading needs is checked on the way (a dirty, damaged or
// looping hive is refused, and so is one whose subkey lists are out of Windows' order, since
// lookups in it would fail); reference counts, maximum-length fields and hashes are recomputed
// rather than copied.
Status CompactHiveFile(const std::string& sourcePath, const std::string& targetPath,
                       const CompactOptions& options = {});
// The same, telling what recovery from the transaction logs did to the source.
Status CompactHiveFile(const std::string& sourcePath, const std::string& targetPath,
                       const CompactOptions& options, Recovery& recovery);

// Writes the hive as Windows writes it back after loading it: a dirty hive with every usable log
// entry applied, both sequence numbers set to the last applied entry + 1, the checksum
// recomputed, the bins grown where an entry grew them, nothing else changed. The recovered hive
// is verified first and not written when the verifier rejects it. A clean hive is copied
// unchanged. Same target rules as CompactHiveFile.
Status RecoverHiveFile(const std::string& sourcePath, const std::string& targetPath,
                       Recovery& recovery);

// The base block facts of a hive and what its logs would do to it.
struct HiveFacts {
    uint32_t majorVersion = 0;
    uint32_t minorVersion = 0;
    uint32_t primarySequence = 0;
    uint32_t secondarySequence = 0;
    bool checksumValid = false;
    uint64_t lastWritten = 0;              // FILETIME
    uint64_t lastReorganized = 0;          // FILETIME, its two low bits masked off
    bool reorganizedDefragmented = false;  // bit 0 of the reorganization stamp
    bool reorganizedAccessCleared = false; // bit 1
    uint32_t binsDataSize = 0;
    uint64_t fileSize = 0;
    std::vector<std::string> logs; // found beside the hive, with their kind and sequence number
    Recovery recovery;             // what reading it replays
    uint64_t allocatedBytes = 0;   // cells in use, after recovery
    uint64_t freeBytes = 0;        // free cells, after recovery
    uint64_t compactSize = 0;      // the size of the compact copy
};

// Fills `facts`; fails (after filling the base block facts) when the hive cannot be read.
Status InspectHiveFile(const std::string& path, HiveFacts& facts);

// Checks a hive's structure: base block, bins, cells, every reachable record (each reached once,
// at the start of an allocated cell, so none overlaps another), parent links, list order and
// hashes, counts and maximum-length fields (at least the actual ones, as Windows keeps them),
// the security ring and its reference counts. Allocated cells nothing reaches (leaks of a live
// hive) are tolerated here.
Status VerifyHiveFile(const std::string& path);

// VerifyHiveFile plus everything a compact copy promises: sequence numbers 1/1, no bytes after
// the last bin, 4 KiB bins unless a big cell needs more, free space only as one cell at a bin's
// tail, no unreachable cell, every cell exactly the size its record needs, exact maximum-length
// fields, the list and value-data kinds Windows writes for the format version.
Status VerifyCompactHiveFile(const std::string& path);

// A canonical text of the whole tree (keys, classes, flags, timestamps, values with type and
// data, security descriptors, in order). Two hives holding the same tree give the same text,
// whatever their cell layout.
Status DumpHiveFile(const std::string& path, std::string& text);

// ---- In-memory tree, for generating hives (demo images, tests, benchmarks) ----
//
// Names and class names are UTF-8 (unpaired UTF-16 surrogates may be given in their 3-byte
// "WTF-8" form). The writer stores a name in the compressed one-byte form when every character
// is <= U+00FF, as UTF-16LE otherwise; class names are always UTF-16LE on disk.

struct Value {
    std::string name; // empty: the default value
    uint32_t type = 0;
    std::vector<uint8_t> data;
};

struct Key {
    std::string name; // the root's too (RegSaveKey stores the saved key's name); may be empty
    std::string className;
    uint64_t lastWritten = 0; // FILETIME (100 ns since 1601, UTC)
    // nk flags to keep besides the ones the writer computes itself (compressed name, and for the
    // root hive-entry and no-delete), e.g. 0x0010 symbolic link or virtualization bits.
    uint16_t flags = 0;
    std::vector<uint8_t> security; // self-relative SECURITY_DESCRIPTOR; empty = a default one
    std::vector<Value> values;     // kept in this order
    std::vector<Key> subkeys;      // written in Windows' order (upper-cased UTF-16 comparison)
};

struct WriteOptions {
    uint32_t minorVersion = 5; // 3, 4 or 5
    // > 0 leaves free cells of varied sizes among the live ones (about this fraction of the bins
    // data), as churn does in a live hive, so compaction has something to reclaim.
    double freeFraction = 0.0;
    uint32_t seed = 1; // drives the placement of free cells
};

// Writes the tree as a hive file (same temporary-name-and-rename rule as CompactHiveFile; the
// target is replaced if it exists). Fails with Corrupt if the tree cannot be stored (duplicate
// subkey names, a name too long, invalid UTF-8...).
Status WriteHiveFile(const Key& root, const std::string& path, const WriteOptions& options = {});

} // namespace hivelet::regf
