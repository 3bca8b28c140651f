// Puts an analysis on the screen for pictures of it: the main window over a scripted Windows 7
// machine with four hives, and "Analyze Registry" pressed once the window is up.
//   analysis_preview progress   the third save never ends: the progress dialog stays mid-scan
//   analysis_preview results    every save ends at once: the main window shows the results
//   analysis_preview image DIR  the main window over the system image in DIR, with its results
#include "catalogue/HiveList.h"
#include "platform/fake/FakePlatform.h"
#include "platform/image/ImagePlatform.h"
#include "shell/Entry.h"
#include "ui/MakeBackend.h"

#include <iostream>
#include <memory>
#include <string>

using namespace hivelet;

namespace {

constexpr uint32_t AnalyzeMessage = ui::wm::App + 0x101;
const std::string Folder = "C:\\Program Files\\Hivelet\\";

struct PreviewHive {
    const char* name;
    const char* path; // below C:
    platform::RootKey root;
    const char* subKey;
    uint64_t live;
    uint64_t snapshot;
};

const PreviewHive Hives[] = {
    {"\\REGISTRY\\MACHINE\\SYSTEM", "\\Windows\\System32\\config\\SYSTEM",
     platform::RootKey::LocalMachine, "SYSTEM", 12'845'056, 10'223'616},
    {"\\REGISTRY\\MACHINE\\SAM", "\\Windows\\System32\\config\\SAM",
     platform::RootKey::LocalMachine, "SAM", 262'144, 28'672},
    {"\\REGISTRY\\MACHINE\\SOFTWARE", "\\Windows\\System32\\config\\SOFTWARE",
     platform::RootKey::LocalMachine, "SOFTWARE", 41'943'040, 33'816'576},
    {"\\REGISTRY\\USER\\S-1-5-21-1-2-3-1001", "\\Users\\ann\\NTUSER.DAT", platform::RootKey::Users,
     "S-1-5-21-1-2-3-1001", 3'407'872, 1'835'008},
};

// Shows the main window over `platform` and presses "Analyze Registry" once it is up.
void ShowAnalysis(platform::Platform& platform) {
    ui::Application app(ui::MakeBackend());
    auto main = shell::CreateMainWindow(app, platform, {});
    shell::TfrmMain* form = main.get();
    form->OnMessage(AnalyzeMessage, [form](uint64_t, int64_t) { form->bAnalyzeRegistryClick(); });
    form->Post(AnalyzeMessage); // handled once the window is up
    app.Run(*main);
}

int ShowImage(const std::string& folder) {
    std::unique_ptr<image::ImagePlatform> platform;
    try {
        platform = std::make_unique<image::ImagePlatform>(folder);
    } catch (const std::exception& e) {
        std::cerr << "analysis_preview: cannot use the system image: " << e.what() << "\n";
        return 1;
    }
    ShowAnalysis(*platform);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 2 && std::string(argv[1]) == "image")
        return ShowImage(argv[2]);
    const bool midScan = argc > 1 && std::string(argv[1]) == "progress";
    fake::FakePlatform platform;
    platform.SetExecutablePath(Folder + "Hivelet.exe");
    platform.SetVersion(platform::PlatformWin32Nt, 6, 1);
    platform.AddDrive('C', platform::drive::Fixed, "\\Device\\HarddiskVolume2");
    platform.AddKey(platform::RootKey::LocalMachine, catalogue::HiveListKey);
    platform.AddTextFile(Folder + "options.ini", "[Options]\r\nIsShowLine=1\r\nLan=English\r\n");
    auto never = std::make_shared<fake::Gate>();
    for (const PreviewHive& h : Hives) {
        platform.SetStringValue(platform::RootKey::LocalMachine, catalogue::HiveListKey, h.name,
                                std::string("\\Device\\HarddiskVolume2") + h.path);
        platform.AddFile(std::string("C:") + h.path, h.live);
        platform.AddKey(h.root, h.subKey);
        fake::SaveScript save;
        save.fileSize = h.snapshot;
        if (midScan && std::string(h.subKey) == "SOFTWARE") {
            save.gate = never; // held for as long as the program runs
            save.sizeWhileHeld = h.snapshot / 3;
        }
        platform.ScriptSave(h.root, h.subKey, save);
    }
    // The first save takes 1.5 s of the machine's clock, which sets the creep speed.
    platform.OnSaveKey([&platform](const std::string& file) {
        if (file.find("SYSTEM.hvt") != std::string::npos)
            platform.AdvanceClock(1500);
    });

    ShowAnalysis(platform);
    // The program is ended from outside while the held save waits; nothing to wait for here.
    never->Release();
    return 0;
}
