#include "platform/image/demo/DemoWriting.h"

#include "platform/image/demo/TreeBuilding.h"
#include "platform/image/demo/UnflushedHive.h"
#include "platform/regf/Regf.h"

#include <fstream>
#include <stdexcept>
#include <system_error>

namespace hivelet::image::demo {

namespace fs = std::filesystem;

namespace {

// Enough for a write-back of several keys and values that never reached the primary file.
constexpr uint32_t UnflushedPages = 4;

} // namespace

void WriteDemoText(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out.flush()) {
        throw std::runtime_error("cannot write " + file.string());
    }
}

void PrepareDemoFolder(const fs::path& folder, const std::string& marker, const std::string& kind) {
    std::error_code ec;
    if (fs::exists(folder, ec)) {
        bool empty = fs::is_directory(folder, ec) && fs::is_empty(folder, ec);
        if (!empty && !fs::exists(folder / marker, ec)) {
            throw std::runtime_error(folder.string() + ": exists and is not " + kind +
                                     "; choose another folder");
        }
        fs::remove_all(folder, ec);
        if (ec) {
            throw std::runtime_error(folder.string() + ": cannot remove the old " +
                                     kind.substr(kind.find(' ') + 1) + ": " + ec.message());
        }
    }
    fs::create_directories(folder);
    WriteDemoText(folder / marker, "written by hivelet-demo-image\n");
}

DemoHiveReport WriteDemoHive(const fs::path& folder, const DemoHive& h) {
    const fs::path file = folder / h.file;
    fs::create_directories(file.parent_path());
    regf::Status s = regf::WriteHiveFile(h.tree, file.string(), h.options);
    if (!s.ok()) {
        throw std::runtime_error(h.file + ": cannot write the hive: " + s.message);
    }
    if (regf::Status v = regf::VerifyHiveFile(file.string()); !v.ok()) {
        throw std::runtime_error(h.file + ": the written hive does not verify: " + v.message);
    }
    if (h.withLogs && h.unflushed) {
        LeaveLastPagesInLog(file, UnflushedPages);
    } else if (h.withLogs) {
        // A live system keeps transaction logs beside its hives; clean hives leave them empty.
        WriteDemoText(fs::path(file.string() + ".LOG1"), "");
        WriteDemoText(fs::path(file.string() + ".LOG2"), "");
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
    if (regf::Status c = regf::CompactHiveFile(file.string(), compact.string(), measure); !c.ok()) {
        throw std::runtime_error(h.file + ": cannot compact the hive: " + c.message);
    }
    r.compactBytes = fs::file_size(compact);
    fs::remove(compact, ec);
    return r;
}

} // namespace hivelet::image::demo
