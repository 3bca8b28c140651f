// Where a writer's bytes go, in file order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace hivelet::regf {

class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual bool write(const uint8_t* data, size_t size) = 0;
    // Why the last write failed.
    virtual std::string failure() const { return "write failed"; }
};

class MemorySink : public ByteSink {
public:
    bool write(const uint8_t* data, size_t size) override {
        bytes.insert(bytes.end(), data, data + size);
        return true;
    }
    std::vector<uint8_t> bytes;
};

} // namespace hivelet::regf
