// Where a writer's bytes go: in file order, plus patches to bytes already written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace hivelet::regf {

class ByteSink {
public:
    struct Piece {
        const uint8_t* data;
        size_t size;
    };

    virtual ~ByteSink() = default;
    virtual bool write(const uint8_t* data, size_t size) = 0;
    // Several pieces in order, as if written one after the other (files gather them in one call:
    // bulk value data goes out straight from where the reader has it, without another copy).
    virtual bool writePieces(const Piece* pieces, size_t count) {
        for (size_t i = 0; i < count; ++i) {
            if (!write(pieces[i].data, pieces[i].size)) {
                return false;
            }
        }
        return true;
    }
    // Overwrites bytes written before (the writer fills in what it learns late).
    virtual bool patch(uint64_t offset, const void* data, size_t size) = 0;
    // Why the last write failed.
    virtual std::string failure() const { return "write failed"; }
};

class MemorySink : public ByteSink {
public:
    bool write(const uint8_t* data, size_t size) override {
        bytes.insert(bytes.end(), data, data + size);
        return true;
    }
    bool patch(uint64_t offset, const void* data, size_t size) override {
        if (offset > bytes.size() || bytes.size() - offset < size) {
            return false;
        }
        std::memcpy(bytes.data() + offset, data, size);
        return true;
    }
    std::vector<uint8_t> bytes;
};

} // namespace hivelet::regf
