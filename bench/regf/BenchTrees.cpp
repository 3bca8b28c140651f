#include "BenchTrees.h"

#include <algorithm>
#include <random>
#include <string>

namespace {

using hivelet::regf::Key;
using hivelet::regf::Value;

struct Builder {
    std::mt19937 random;
    uint64_t target;
    bool dataHeavy;
    uint64_t data = 0;
    uint64_t keys = 0;
    uint64_t values = 0;

    // Sizes by class: inline, small, medium, large (one cell), big (big data).
    uint32_t valueSize() {
        uint32_t roll = random() % 1000;
        if (roll < 300) {
            return random() % 5;
        }
        if (roll < 600) {
            return 5 + random() % 60;
        }
        if (roll < 850 || !dataHeavy) {
            return 65 + random() % 960;
        }
        if (roll < 985) {
            return 1025 + random() % 15320;
        }
        return 16345 + random() % 120000;
    }

    void fill(Key& key) {
        uint32_t count = random() % 8;
        for (uint32_t i = 0; i < count && data < target; ++i) {
            Value value;
            value.name = "Value" + std::to_string(i) + "_" + std::to_string(random() % 1000);
            value.type = random() % 12;
            uint32_t size = valueSize();
            value.data.resize(size);
            uint32_t x = random();
            for (uint32_t b = 0; b < size; ++b) {
                x = x * 1103515245u + 12345u;
                value.data[b] = static_cast<uint8_t>(x >> 24);
            }
            data += size;
            key.values.push_back(std::move(value));
            ++values;
        }
        if (random() % 10 == 0) {
            key.className = "Class" + std::to_string(random() % 50);
        }
        key.lastWritten = 0x01D9000000000000ull + random();
    }

    void grow(Key& key, int depth) {
        fill(key);
        ++keys;
        if (depth == 0 || data >= target) {
            return;
        }
        uint32_t fan = depth >= 3 ? 4 + random() % 8 : 10 + random() % 40;
        for (uint32_t i = 0; i < fan && data < target; ++i) {
            Key child;
            child.name = "Key" + std::to_string(i) + "-" + std::to_string(random() % 100000);
            if (std::any_of(key.subkeys.begin(), key.subkeys.end(),
                            [&](const Key& k) { return k.name == child.name; })) {
                continue;
            }
            grow(child, depth - 1);
            key.subkeys.push_back(std::move(child));
        }
    }
};

} // namespace

Key MakeBenchTree(uint64_t targetDataBytes, bool dataHeavy, uint32_t seed, uint64_t& keys,
                  uint64_t& values) {
    Builder builder{std::mt19937(seed), targetDataBytes, dataHeavy};
    Key root;
    root.name = "BENCH";
    // Wide top levels until the data target is met.
    for (int round = 0; builder.data < targetDataBytes; ++round) {
        Key branch;
        branch.name = "Branch" + std::to_string(round);
        builder.grow(branch, 4);
        root.subkeys.push_back(std::move(branch));
    }
    keys = builder.keys + 1;
    values = builder.values;
    return root;
}
