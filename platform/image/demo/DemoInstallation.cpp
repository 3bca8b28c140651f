#include "platform/image/demo/DemoInstallation.h"

#include "platform/image/demo/DemoHives.h"
#include "platform/image/demo/DemoWriting.h"
#include "platform/image/demo/TreeBuilding.h"

#include <stdexcept>

namespace hivelet::image::demo {

namespace fs = std::filesystem;

namespace {

// Profiles beside the demo user: the service accounts, LocalSystem, a user whose folder was
// deleted and one whose profile lives on another drive (both left out by Hivelet, with a line).
constexpr const char* FormerUserSid = "S-1-5-21-3623811015-3361044348-30300820-1002";
constexpr const char* TravellerSid = "S-1-5-21-3623811015-3361044348-30300820-1003";

std::vector<ProfileEntry> DemoProfiles() {
    return {
        {"S-1-5-18", "%systemroot%\\system32\\config\\systemprofile"},
        {"S-1-5-19", "%systemroot%\\ServiceProfiles\\LocalService"},
        {"S-1-5-20", "%SystemRoot%\\ServiceProfiles\\NetworkService"},
        {DemoUserSid, "C:\\Users\\Demo"},
        {FormerUserSid, "%SystemDrive%\\Users\\Former"},
        {TravellerSid, "D:\\Users\\Traveller"},
    };
}

} // namespace

void AddInstallationKeys(regf::Key& software, const InstallationVersion& version,
                         const std::vector<ProfileEntry>& profiles) {
    const uint64_t time = software.lastWritten;
    regf::Key& nt = Path(software, "Microsoft\\Windows NT\\CurrentVersion", time);
    std::erase_if(nt.values, [](const regf::Value& v) {
        for (const char* name : {"CurrentVersion", "CurrentMajorVersionNumber",
                                 "CurrentBuildNumber", "CSDVersion", "SystemRoot"}) {
            if (v.name == name) {
                return true;
            }
        }
        return false;
    });
    nt.values.push_back(Sz("CurrentVersion", version.currentVersion));
    nt.values.push_back(Sz("CurrentBuildNumber", version.buildNumber));
    nt.values.push_back(Sz("SystemRoot", version.systemRoot));
    if (version.majorVersionNumber) {
        nt.values.push_back(Dword("CurrentMajorVersionNumber", *version.majorVersionNumber));
    }
    if (!version.csdVersion.empty()) {
        nt.values.push_back(Sz("CSDVersion", version.csdVersion));
    }
    regf::Key& list = Child(nt, "ProfileList", time);
    for (const ProfileEntry& p : profiles) {
        regf::Key& entry = Child(list, p.sid, time);
        entry.values.push_back(Sz("ProfileImagePath", p.imagePath, type::ExpandSz));
        entry.values.push_back(Dword("Flags", 0));
        entry.values.push_back(Dword("State", 0));
    }
}

std::vector<DemoHiveReport> WriteDemoInstallation(const fs::path& folder, uint64_t seed) {
    PrepareDemoFolder(folder, ".hivelet-demo-installation", "a demo installation");
    std::vector<DemoHive> hives = MakeDemoHives(seed);
    DemoHive* defaultHive = nullptr;
    for (DemoHive& h : hives) {
        h.file = h.file.substr(2); // the image's drive folder C/ is the installation's root
        if (h.name == "\\REGISTRY\\MACHINE\\SOFTWARE") {
            AddInstallationKeys(h.tree, InstallationVersion{}, DemoProfiles());
        }
        if (h.name == std::string("\\REGISTRY\\USER\\") + DemoUserSid) {
            // The machine lost power while Windows wrote the user's settings back.
            h.unflushed = true;
        }
        if (h.name == "\\REGISTRY\\USER\\.DEFAULT") {
            defaultHive = &h;
        }
    }
    if (!defaultHive) {
        throw std::runtime_error("the demo hives lack DEFAULT");
    }
    // The service accounts' profiles start as copies of the default user's settings.
    std::vector<DemoHive> services;
    for (const auto& [sid, account] :
         {std::pair{"S-1-5-19", "LocalService"}, std::pair{"S-1-5-20", "NetworkService"}}) {
        DemoHive h = *defaultHive;
        h.name = std::string("\\REGISTRY\\USER\\") + sid;
        h.file = std::string("Windows/ServiceProfiles/") + account + "/NTUSER.DAT";
        h.withLogs = true;
        services.push_back(h);
    }
    hives.insert(hives.end(), services.begin(), services.end());
    fs::create_directories(folder / "Windows/SysWOW64");
    fs::create_directories(folder / "Users/Demo/Documents");
    std::vector<DemoHiveReport> reports;
    for (const DemoHive& h : hives) {
        reports.push_back(WriteDemoHive(folder, h));
    }
    return reports;
}

} // namespace hivelet::image::demo
