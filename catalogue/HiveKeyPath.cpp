#include "catalogue/HiveKeyPath.h"

#include "platform/TextCase.h"

namespace hivelet::catalogue {

std::optional<HiveKeyPath> SplitHiveKeyPath(const std::string& keyPath) {
    static const std::string machine = "REGISTRY\\MACHINE\\";
    static const std::string user = "REGISTRY\\USER\\";
    const std::string upper = platform::UpperCaseCopy(keyPath);
    if (size_t p = upper.find(machine); p != std::string::npos) {
        return HiveKeyPath{platform::RootKey::LocalMachine, keyPath.substr(p + machine.size())};
    }
    if (size_t p = upper.find(user); p != std::string::npos) {
        return HiveKeyPath{platform::RootKey::Users, keyPath.substr(p + user.size())};
    }
    return std::nullopt;
}

} // namespace hivelet::catalogue
