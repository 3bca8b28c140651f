#include "catalogue/HiveList.h"

#include "catalogue/DevicePath.h"
#include "platform/TextCase.h"

namespace hivelet::catalogue {
namespace {

// String data of a registry value: up to the first terminator, which REG_SZ data usually carries.
std::string StringData(const platform::RegistryValue& value) {
    return value.data.substr(0, value.data.find('\0'));
}

} // namespace

bool IsCompactableHive(const std::string& valueName) {
    static const std::string machine = "\\REGISTRY\\MACHINE";
    static const std::string user = "\\REGISTRY\\USER\\";
    if (platform::StartsWithNoCase(valueName, machine)) {
        return true;
    }
    if (!platform::StartsWithNoCase(valueName, user)) {
        return false;
    }
    const std::string rest = valueName.substr(user.size());
    if (platform::SameNoCase(rest, ".DEFAULT")) {
        return true;
    }
    return rest.size() >= 2 && platform::UpperAscii(rest[0]) == 'S' && rest[1] == '-';
}

void LoadHiveList(platform::Platform& platform, bool isWow64, HiveList& list) {
    list.clear();
    platform::RegistryKey key;
    if (!platform
             .OpenKeyEx(platform::RootKey::LocalMachine, HiveListKey, platform::reg::KeyRead, key)
             .ok()) {
        return;
    }
    // A failure part-way leaves the names read before it, which are listed: a hive that can be
    // named can be compacted.
    std::vector<std::string> names;
    platform.EnumValueNames(key.get(), names);
    for (const auto& name : names) {
        if (!IsCompactableHive(name)) {
            continue;
        }
        platform::RegistryValue value;
        if (!platform.QueryValue(key.get(), name, value).ok()) {
            continue;
        }
        if (value.type != platform::reg::Sz && value.type != platform::reg::ExpandSz) {
            continue;
        }
        const std::string devicePath = StringData(value);
        if (devicePath.empty()) {
            continue;
        }
        std::string file = HiveFileFromDevicePath(platform, devicePath, isWow64);
        if (file.empty()) {
            continue;
        }
        list.HiveNames.push_back(name);
        list.HiveFiles.push_back(std::move(file));
    }
}

} // namespace hivelet::catalogue
