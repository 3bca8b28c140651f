#include "platform/regf/Compact.h"

#include "platform/regf/BaseBlockWriter.h"
#include "platform/regf/CompactWriter.h"
#include "platform/regf/Errors.h"
#include "platform/regf/HiveSource.h"
#include "platform/regf/InputFile.h"
#include "platform/regf/OutputFile.h"

namespace hivelet::regf {
namespace {

Status WriterStatus(CompactWriter<HiveSource>::Failure failure, const Reader& reader,
                    const Hive& hive, const ByteSink& sink) {
    using F = CompactWriter<HiveSource>::Failure;
    switch (failure) {
    case F::Unreadable:
        return reader.ok() ? hive.error(ErrorKind::Corrupt, "the tree could not be read")
                           : reader.status();
    case F::TooLarge:
        return hive.error(ErrorKind::TooLarge, "the compact copy would exceed the format's limits");
    case F::Sink:
        return hive.error(ErrorKind::Io, "writing the copy failed: " + sink.failure());
    case F::Changed:
    case F::None:
        break;
    }
    return hive.error(ErrorKind::Io, "the file changed while it was being read");
}

} // namespace

Status CompactHive(const Hive& hive, const CompactOptions& options, ByteSink& sink) {
    Reader reader(hive);
    uint32_t root = hive.base().rootCell;
    if (!options.subtreePath.empty() && !FindKey(reader, root, options.subtreePath, root)) {
        return reader.status();
    }
    HiveSource source(reader, root);
    CompactWriter<HiveSource> writer(source, hive.minor(), nullptr);
    if (!writer.plan()) {
        return WriterStatus(writer.failure(), reader, hive, sink);
    }
    NewBaseBlock block;
    block.minorVersion = hive.minor();
    block.binsDataSize = writer.binsSize();
    block.rootCell = writer.rootCell();
    block.lastWritten = FileTimeNow();
    uint8_t base[kBaseBlockSize];
    BuildBaseBlock(block, base);
    if (!sink.write(base, sizeof base)) {
        return hive.error(ErrorKind::Io, "writing the copy failed: " + sink.failure());
    }
    if (!writer.emit(sink)) {
        return WriterStatus(writer.failure(), reader, hive, sink);
    }
    return {};
}

Status CompactHiveFile(const std::string& sourcePath, const std::string& targetPath,
                       const CompactOptions& options) {
    InputFile input;
    if (Status s = input.open(sourcePath, uint64_t{kBaseBlockSize} + kMaxBinsDataSize); !s.ok()) {
        return s;
    }
    Hive hive;
    if (Status s = hive.open(input.data(), input.size(), sourcePath); !s.ok()) {
        return s;
    }
    OutputFile output;
    if (Status s = output.create(targetPath, false); !s.ok()) {
        return s;
    }
    if (Status s = CompactHive(hive, options, output); !s.ok()) {
        return s; // the temporary file goes with `output`
    }
    return output.publish(options.durable);
}

} // namespace hivelet::regf
