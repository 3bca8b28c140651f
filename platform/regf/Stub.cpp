// Placeholder entry points until the tree writer lands.
#include "platform/regf/Regf.h"

namespace hivelet::regf {
Status WriteHiveFile(const Key&, const std::string& path, const WriteOptions&) {
    return {ErrorKind::Unsupported, path + ": writing trees is not built yet"};
}
} // namespace hivelet::regf
