// Placeholder entry points until the reader and writers land.
#include "platform/regf/Regf.h"

namespace hivelet::regf {
namespace {
Status NotYet(const std::string& path) {
    return {ErrorKind::Unsupported, path + ": hive support is not built yet"};
}
} // namespace

Status CompactHiveFile(const std::string& sourcePath, const std::string&, const CompactOptions&) {
    return NotYet(sourcePath);
}
Status VerifyHiveFile(const std::string& path) {
    return NotYet(path);
}
Status DumpHiveFile(const std::string& path, std::string&) {
    return NotYet(path);
}
Status WriteHiveFile(const Key&, const std::string& path, const WriteOptions&) {
    return NotYet(path);
}
} // namespace hivelet::regf
