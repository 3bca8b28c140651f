#include "platform/regf/LogFiles.h"

#include "platform/TextCase.h"

#include <filesystem>
#include <system_error>

namespace hivelet::regf {

using platform::SameNoCase;

std::vector<LogFile> FindTransactionLogs(const std::string& hivePath) {
    namespace fs = std::filesystem;
    std::vector<LogFile> found;
    fs::path hive(hivePath);
    fs::path folder = hive.parent_path().empty() ? fs::path(".") : hive.parent_path();
    const std::string base = hive.filename().string();
    for (const char* suffix : {".LOG1", ".LOG2", ".LOG"}) {
        const std::string wanted = base + suffix;
        std::error_code ec;
        // The exact name first (the usual case, and the only one where names are unique).
        fs::path exact = folder / wanted;
        if (fs::is_regular_file(exact, ec)) {
            found.push_back({suffix, exact.string()});
            continue;
        }
        std::string match;
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            std::string name = it->path().filename().string();
            std::error_code typeError;
            if (SameNoCase(name, wanted) && it->is_regular_file(typeError) &&
                (match.empty() || name < match)) {
                match = name;
            }
        }
        if (!match.empty()) {
            found.push_back({suffix, (folder / match).string()});
        }
    }
    return found;
}

Status ReadTransactionLogs(const std::string& hivePath, std::vector<LogImage>& logs) {
    logs.clear();
    std::vector<LogFile> files = FindTransactionLogs(hivePath);
    logs.resize(files.size());
    for (size_t i = 0; i < files.size(); ++i) {
        logs[i].path = files[i].path;
        logs[i].suffix = files[i].suffix;
        if (Status s = logs[i].file.read(files[i].path, kMaxLogFileSize,
                                         [](uint64_t) { return Status{}; });
            !s.ok()) {
            return s;
        }
        logs[i].bytes = logs[i].file.data();
        logs[i].length = logs[i].file.size();
    }
    return {};
}

} // namespace hivelet::regf
