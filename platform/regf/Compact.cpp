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
    case F::TooLarge:
        return hive.error(ErrorKind::TooLarge, "the compact copy would exceed the format's limits");
    case F::Sink:
        return hive.error(ErrorKind::Io, "writing the copy failed: " + sink.failure());
    case F::Unreadable:
    case F::None:
        break;
    }
    return reader.ok() ? hive.error(ErrorKind::Corrupt, "the tree could not be read")
                       : reader.status();
}

} // namespace

Status CompactHive(const Hive& hive, const CompactOptions& options, ByteSink& sink) {
    Reader reader(hive);
    uint32_t root = hive.base().rootCell;
    if (!options.subtreePath.empty() && !FindKey(reader, root, options.subtreePath, root)) {
        return reader.status();
    }
    // The base block goes in last, once the bins are known; its place is held meanwhile.
    uint8_t base[kBaseBlockSize] = {};
    if (!sink.write(base, sizeof base)) {
        return hive.error(ErrorKind::Io, "writing the copy failed: " + sink.failure());
    }
    HiveSource source(reader, root);
    CompactWriter<HiveSource> writer(source, hive.minor(), nullptr);
    if (options.subtreePath.empty()) {
        writer.expect(hive.binsSize()); // a compact copy is rarely much smaller
    }
    if (!writer.run(sink)) {
        return WriterStatus(writer.failure(), reader, hive, sink);
    }
    NewBaseBlock block;
    block.minorVersion = hive.minor();
    block.binsDataSize = writer.binsSize();
    block.rootCell = writer.rootCell();
    block.lastWritten = FileTimeNow();
    BuildBaseBlock(block, base);
    if (!sink.patch(0, base, sizeof base)) {
        return hive.error(ErrorKind::Io, "writing the copy failed: " + sink.failure());
    }
    return {};
}

Status CompactHiveFile(const std::string& sourcePath, const std::string& targetPath,
                       const CompactOptions& options) {
    Recovery ignored;
    return CompactHiveFile(sourcePath, targetPath, options, ignored);
}

Status CompactHiveFile(const std::string& sourcePath, const std::string& targetPath,
                       const CompactOptions& options, Recovery& recovery) {
    InputFile input;
    Hive hive;
    if (Status s = OpenHiveFile(sourcePath, input, hive, recovery); !s.ok()) {
        return s;
    }
    return WriteNewFile(targetPath, options.durable,
                        [&](OutputFile& output) { return CompactHive(hive, options, output); });
}

} // namespace hivelet::regf
