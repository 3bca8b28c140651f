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
    Dirty,       // sequence numbers differ: the latest data may be only in the transaction logs
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
