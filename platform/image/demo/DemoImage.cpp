#include "platform/image/demo/DemoImage.h"

#include "platform/image/demo/DemoHives.h"
#include "platform/image/demo/DemoWriting.h"
#include "platform/image/demo/TreeBuilding.h"
#include "platform/regf/Regf.h"

#include <fstream>
#include <stdexcept>
#include <system_error>

namespace hivelet::image::demo {

namespace fs = std::filesystem;

namespace {

std::string MachineText(const std::vector<DemoHive>& hives) {
    std::string text =
        "; A demo Windows 10 machine, written by hivelet-demo-image.\r\n"
        "[Machine]\r\n"
        "Platform=NT\r\n"
        "Major=6                ; what GetVersionEx reports to programs without a manifest\r\n"
        "Minor=2\r\n"
        "Build=9200\r\n"
        "Wow64=1                ; Hivelet.exe is a 32-bit program on 64-bit Windows\r\n"
        "HasIsWow64Process=1\r\n"
        "Privileges=1\r\n"
        "SystemRestore=1\r\n"
        "\r\n"
        "[Drives]\r\n"
        "C=fixed,\\Device\\HarddiskVolume2,C\r\n"
        "D=removable,\\Device\\HarddiskVolume5,D\r\n"
        "\r\n"
        "[hivelist]\r\n"
        "\\REGISTRY\\MACHINE\\HARDWARE=\r\n"
        "\\REGISTRY\\MACHINE\\BCD00000000=\\Device\\HarddiskVolume1\\Boot\\BCD\r\n";
    for (const DemoHive& h : hives) {
        std::string device = "\\Device\\HarddiskVolume2\\" + h.file.substr(2);
        for (char& c : device) {
            if (c == '/') {
                c = '\\';
            }
        }
        text += h.name + "=" + device + "\r\n";
    }
    return text;
}

} // namespace

std::vector<DemoHiveReport> WriteDemoImage(const fs::path& folder, uint64_t seed) {
    PrepareDemoFolder(folder, ".hivelet-demo-image", "a demo image");
    std::vector<DemoHive> hives = MakeDemoHives(seed);
    fs::create_directories(folder / "C/Windows/SysWOW64");
    fs::create_directories(folder / "C/Users/Demo/Documents");
    fs::create_directories(folder / "D");
    WriteDemoText(folder / "machine.ini", MachineText(hives));
    std::vector<DemoHiveReport> reports;
    for (const DemoHive& h : hives) {
        reports.push_back(WriteDemoHive(folder, h));
    }
    return reports;
}

} // namespace hivelet::image::demo
