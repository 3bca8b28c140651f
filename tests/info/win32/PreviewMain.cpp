// Puts the main window on the screen in a chosen language, optionally with the About dialog
// open over it, for pictures of the translated windows. The machine is a scripted one (three
// hives on Windows 7); the language files are the real ones, read from LANGUAGES_FOLDER.
// Usage: info_preview LANGUAGES_FOLDER LANGUAGE [about]
#include "catalogue/HiveList.h"
#include "platform/fake/FakePlatform.h"
#include "shell/Entry.h"
#include "ui/MakeBackend.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

using namespace hivelet;

namespace {

constexpr uint32_t ShowAboutMessage = ui::wm::App + 0x100;
const std::string Folder = "C:\\Program Files\\Hivelet\\";

void AddHive(fake::FakePlatform& platform, const std::string& name, const std::string& path) {
    platform.SetStringValue(platform::RootKey::LocalMachine, catalogue::HiveListKey, name,
                            "\\Device\\HarddiskVolume2" + path);
    platform.AddFile("C:" + path, 262144);
}

void ScriptMachine(fake::FakePlatform& platform) {
    platform.SetExecutablePath(Folder + "Hivelet.exe");
    platform.SetVersion(platform::PlatformWin32Nt, 6, 1);
    platform.AddDrive('C', platform::drive::Fixed, "\\Device\\HarddiskVolume2");
    platform.AddKey(platform::RootKey::LocalMachine, catalogue::HiveListKey);
    AddHive(platform, "\\REGISTRY\\MACHINE\\SYSTEM", "\\Windows\\System32\\config\\SYSTEM");
    AddHive(platform, "\\REGISTRY\\MACHINE\\SOFTWARE", "\\Windows\\System32\\config\\SOFTWARE");
    AddHive(platform, "\\REGISTRY\\USER\\S-1-5-18",
            "\\Windows\\System32\\config\\systemprofile\\NTUSER.DAT");
}

void AddLanguageFiles(fake::FakePlatform& platform, const std::string& languagesFolder) {
    for (const auto& entry : std::filesystem::directory_iterator(languagesFolder)) {
        std::ifstream in(entry.path(), std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        platform.AddTextFile(Folder + "Languages\\" + entry.path().filename().string(), text.str());
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3)
        return 2;
    fake::FakePlatform platform;
    ScriptMachine(platform);
    AddLanguageFiles(platform, argv[1]);
    platform.AddTextFile(Folder + "options.ini",
                         std::string("[Options]\r\nIsShowLine=1\r\nLan=") + argv[2] + "\r\n");

    ui::Application app(ui::MakeBackend());
    auto main = shell::CreateMainWindow(app, platform, {});
    if (argc > 3 && std::string(argv[3]) == "about") {
        shell::TfrmMain* form = main.get();
        form->OnMessage(ShowAboutMessage, [form](uint64_t, int64_t) { form->bAboutClick(); });
        form->Post(ShowAboutMessage); // handled once the window is up
    }
    app.Run(*main);
    return 0;
}
