#include "platform/image/demo/DemoImage.h"

#include "platform/image/demo/DemoHives.h"
#include "platform/image/demo/TreeBuilding.h"
#include "platform/regf/Regf.h"

#include <fstream>
#include <stdexcept>
#include <system_error>

namespace hivelet::image::demo {

namespace fs = std::filesystem;

namespace {

// Marks a folder as a demo image, so that writing the demo again may replace it.
constexpr const char* Marker = ".hivelet-demo-image";

void WriteText(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out.flush()) {
        throw std::runtime_error("cannot write " + file.string());
    }
}

void PrepareFolder(const fs::path& folder) {
    std::error_code ec;
    if (fs::exists(folder, ec)) {
        bool empty = fs::is_directory(folder, ec) && fs::is_empty(folder, ec);
        if (!empty && !fs::exists(folder / Marker, ec)) {
            throw std::runtime_error(folder.string() +
                                     ": exists and is not a demo image; choose another folder");
        }
        fs::remove_all(folder, ec);
        if (ec) {
            throw std::runtime_error(folder.string() +
                                     ": cannot remove the old demo image: " + ec.message());
        }
    }
    fs::create_directories(folder);
    WriteText(folder / Marker, "written by hivelet-demo-image\n");
}

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
    PrepareFolder(folder);
    std::vector<DemoHive> hives = MakeDemoHives(seed);
    fs::create_directories(folder / "C/Windows/SysWOW64");
    fs::create_directories(folder / "C/Users/Demo/Documents");
    fs::create_directories(folder / "D");
    WriteText(folder / "machine.ini", MachineText(hives));
    std::vector<DemoHiveReport> reports;
    for (const DemoHive& h : hives) {
        const fs::path file = folder / h.file;
        fs::create_directories(file.parent_path());
        regf::Status s = regf::WriteHiveFile(h.tree, file.string(), h.options);
        if (!s.ok()) {
            throw std::runtime_error(h.file + ": cannot write the hive: " + s.message);
        }
        if (regf::Status v = regf::VerifyHiveFile(file.string()); !v.ok()) {
            throw std::runtime_error(h.file + ": the written hive does not verify: " + v.message);
        }
        if (h.withLogs) {
            // A live system keeps transaction logs beside its hives; clean hives leave them empty.
            WriteText(fs::path(file.string() + ".LOG1"), "");
            WriteText(fs::path(file.string() + ".LOG2"), "");
        }
        DemoHiveReport r;
        r.name = h.name;
        r.file = h.file;
        r.bytes = fs::file_size(file);
        TreeCounts counts = Count(h.tree);
        r.keys = counts.keys;
        r.values = counts.values;
        const fs::path compact = folder / ".compact-measure";
        std::error_code ec;
        fs::remove(compact, ec);
        regf::CompactOptions measure;
        measure.durable = false;
        if (regf::Status c = regf::CompactHiveFile(file.string(), compact.string(), measure);
            !c.ok()) {
            throw std::runtime_error(h.file + ": cannot compact the hive: " + c.message);
        }
        r.compactBytes = fs::file_size(compact);
        fs::remove(compact, ec);
        reports.push_back(r);
    }
    return reports;
}

} // namespace hivelet::image::demo
