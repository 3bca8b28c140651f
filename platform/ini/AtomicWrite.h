// Replacing a small file so that a failure never leaves it truncated or half written.
#pragma once

#include <filesystem>
#include <string_view>

namespace hivelet::ini {

// Writes `bytes` to a new file beside `target` and renames it over `target` (flushed to disk
// first where the system allows). The replaced file's permissions are kept. On any failure the
// temporary file is removed, `target` is left as it was and the result is false. A read-only
// target, and off Windows a read-only folder, make it fail at once.
bool WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes);

// True when the entry exists and no one may write it: no write permission bit is set, which is
// how a read-only attribute shows on every system we build for.
bool IsReadOnly(const std::filesystem::path& path);

} // namespace hivelet::ini
