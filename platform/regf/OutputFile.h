// A file written under a temporary name next to its target and published only when complete:
// the target name never holds a partial file, and a failed or abandoned write leaves nothing.
#pragma once

#include "platform/regf/ByteSink.h"
#include "platform/regf/FlushBehind.h"
#include "platform/regf/Regf.h"

#include <functional>
#include <memory>
#include <string>

namespace hivelet::regf {

class OutputFile : public ByteSink {
public:
    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile() override; // removes the temporary file unless published

    // Creates the temporary file. With `replace` false, fails (Io) if `target` exists.
    Status create(const std::string& target, bool replace);
    // For a file that will be published durably: what has arrived is flushed to disk on a
    // thread of its own while the rest is still being produced, so that the flush at the end
    // waits only for the tail. `flush(fd)` (0 or an error number) replaces the system's flush of
    // the data, for tests.
    using FlushData = std::function<int(int fd)>;
    void writeBehind(FlushData flush = {});
    bool write(const uint8_t* data, size_t size) override;
    bool writePieces(const Piece* pieces, size_t count) override;
    bool patch(uint64_t offset, const void* data, size_t size) override;
    std::string failure() const override { return writeError_; }
    // Flushes (to disk when `durable`), closes and renames the temporary file to the target; when
    // `durable`, the target's new name is flushed to disk too.
    Status publish(bool durable);
    const std::string& temporaryPath() const { return temporary_; }

private:
    void discard();
    void startWriting();
    template <class WriteSomeFn>
    bool writeAll(const uint8_t* data, size_t size, WriteSomeFn writeSome);

    std::string target_;
    std::string temporary_;
    bool replace_ = false;
    int fd_ = -1;
    uint64_t written_ = 0; // the file's length so far
    bool writeFailed_ = false;
    FlushData flushData_;                      // set by writeBehind()
    uint64_t handedToDisk_ = 0;                // bytes whose flush to disk has been asked for
    std::unique_ptr<FlushBehind> flushBehind_; // started by the first step of writeBehind()
    std::string writeError_;
};

// Writes a new file at `target` (never replacing one): `fill(OutputFile&)` writes the bytes and
// returns a Status; on success the file is published (flushed to disk first when `durable`), on
// failure nothing is left behind.
template <class Fill> Status WriteNewFile(const std::string& target, bool durable, Fill fill) {
    OutputFile output;
    if (Status s = output.create(target, false); !s.ok()) {
        return s;
    }
    if (durable) {
        output.writeBehind();
    }
    if (Status s = fill(output); !s.ok()) {
        return s; // the temporary file goes with `output`
    }
    return output.publish(durable);
}

} // namespace hivelet::regf
