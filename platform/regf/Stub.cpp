// Placeholder entry points until the verifier and tree writer land.
#include "platform/regf/Regf.h"

namespace hivelet::regf {
Status VerifyHiveFile(const std::string& path) {
    return {ErrorKind::Unsupported, path + ": verification is not built yet"};
}
Status WriteHiveFile(const Key&, const std::string& path, const WriteOptions&) {
    return {ErrorKind::Unsupported, path + ": writing trees is not built yet"};
}
} // namespace hivelet::regf
