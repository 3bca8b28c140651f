#include "settings/ExecutableFolder.h"

namespace hivelet::settings {

std::string ExecutableFolder(platform::Platform& platform) {
    const std::string path = platform.ExecutablePath();
    size_t last = path.find_last_of("\\/");
    return last == std::string::npos ? std::string() : path.substr(0, last + 1);
}

char FolderSeparator(const std::string& folder) {
    return !folder.empty() && folder.back() == '/' ? '/' : '\\';
}

} // namespace hivelet::settings
