#include "platform/image/HiveLogs.h"

#include "platform/TextCase.h"
#include "platform/image/PathMap.h"

#include <algorithm>
#include <system_error>

namespace hivelet::image {

namespace fs = std::filesystem;

namespace {

// The log suffix `rest` stands for, in HiveLogSuffixes' order; -1 when none.
int LogIndex(std::string_view rest) {
    for (size_t i = 0; i < std::size(HiveLogSuffixes); ++i) {
        if (platform::SameNoCase(rest, HiveLogSuffixes[i])) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

} // namespace

std::optional<std::string> LogSuffixOf(const std::string& name, const std::string& hive) {
    if (name.size() <= hive.size() || !platform::StartsWithNoCase(name, hive)) {
        return std::nullopt;
    }
    std::string rest = name.substr(hive.size());
    if (LogIndex(rest) < 0) {
        return std::nullopt;
    }
    return rest;
}

bool IsLogOf(const fs::path& file, const fs::path& hive) {
    const fs::path a = file.lexically_normal(), b = hive.lexically_normal();
    return SameHostPath(a.parent_path(), b.parent_path()) &&
           LogSuffixOf(a.filename().string(), b.filename().string()).has_value();
}

std::string LogSuffixIn(const std::string& logName, const fs::path& hive) {
    return LogSuffixOf(logName, hive.filename().string()).value_or(std::string());
}

std::vector<std::string> LogsBeside(const fs::path& hive) {
    const std::string base = hive.filename().string();
    std::vector<std::pair<int, std::string>> found;
    std::error_code ec;
    fs::directory_iterator it(hive.parent_path().empty() ? fs::path(".") : hive.parent_path(), ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (std::optional<std::string> rest = LogSuffixOf(name, base)) {
            found.emplace_back(LogIndex(*rest), std::move(name));
        }
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> names;
    for (auto& f : found) {
        names.push_back(std::move(f.second));
    }
    return names;
}

} // namespace hivelet::image
