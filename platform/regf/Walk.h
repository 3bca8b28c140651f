// Depth-first walk of a hive's tree from a key, in list order, with the checks every consumer
// needs: depth limit, loops and shared key cells, and subkeys in Windows' order.
//
// Visitor:
//   bool key(const KeyView&, const std::vector<ValueView>&, const std::vector<DataChunk>&,
//            uint32_t depth);  // before the key's subkeys
//   bool leave(const KeyView&);  // after them
#pragma once

#include "platform/regf/Errors.h"
#include "platform/regf/Reader.h"

#include <algorithm>
#include <string>
#include <vector>

namespace hivelet::regf {

template <class Visitor> class TreeWalk {
public:
    TreeWalk(Reader& reader, Visitor& visitor) : reader_(reader), visitor_(visitor) {}

    bool run(uint32_t root) {
        path_.clear();
        return visit(root, 0, true, kNoCell);
    }

private:
    // `first`: the first subkey in its list; the others come after names_[depth], the name of
    // the sibling before them.
    bool visit(uint32_t cell, uint32_t depth, bool first, uint32_t parent) {
        if (depth >= kMaxTreeDepth) {
            return reader_.fail(ErrorKind::TooLarge, cell, "tree deeper than 512 levels");
        }
        if (reader_.hive().isAllocated(cell) && reader_.claimed(cell)) {
            bool loop = std::find(path_.begin(), path_.end(), cell) != path_.end();
            return reader_.fail(ErrorKind::Corrupt, parent,
                                loop ? "subkey list leads back to an ancestor key " + Hex(cell)
                                     : "subkey " + Hex(cell) + " is shared with another key");
        }
        KeyView key;
        if (!reader_.readKey(cell, key, parent) || !reader_.claim(cell, "key")) {
            return false;
        }
        if (!first) {
            int order = CompareNames(names_[depth], key.name);
            if (order >= 0) {
                return reader_.fail(ErrorKind::Corrupt, parent,
                                    order == 0 ? "two subkeys with the same name"
                                               : "subkeys not in Windows' order");
            }
        }
        // Lists are checked before the visitor sees the key: a writer sizes the key's cells by
        // its counts, which must not be taken on trust.
        if (levels_.size() <= depth) {
            levels_.resize(depth + 1);
            names_.resize(depth + 1);
        }
        if (!reader_.readValues(key, values_, chunks_) ||
            !reader_.readSubkeys(key, levels_[depth]) ||
            !visitor_.key(key, values_, chunks_, depth)) {
            return false;
        }
        path_.push_back(cell);
        const std::vector<uint32_t>& children = levels_[depth];
        for (size_t i = 0; i < children.size() && i < 4; ++i) {
            reader_.hive().prefetch(children[i]);
        }
        for (size_t i = 0; i < levels_[depth].size(); ++i) {
            if (!visit(levels_[depth][i], depth + 1, i == 0, cell)) {
                return false;
            }
        }
        path_.pop_back();
        // Left for the next sibling to compare with. Not handed back to the caller to copy: a
        // name copied just after it was stored makes the copy wait for the store.
        names_[depth] = key.name;
        return visitor_.leave(key);
    }

    Reader& reader_;
    Visitor& visitor_;
    std::vector<std::vector<uint32_t>> levels_;
    std::vector<ValueView> values_;
    std::vector<DataChunk> chunks_;
    std::vector<uint32_t> path_;
    std::vector<NameRef> names_; // by depth: the key visited last there
};

template <class Visitor> bool WalkTree(Reader& reader, uint32_t root, Visitor& visitor) {
    TreeWalk<Visitor> walk(reader, visitor);
    return walk.run(root) && reader.ok();
}

// The key below `root` at `path` (components separated by '\', compared like Windows does).
bool FindKey(Reader& reader, uint32_t root, const std::string& path, uint32_t& cell);

} // namespace hivelet::regf
