// A headless application on the virtual clock and a scriptable platform holding a small Windows 7
// machine with three hives, for the suites that drive the main window.
#pragma once

#include "catalogue/HiveList.h"
#include "platform/fake/FakePlatform.h"
#include "settings/OptionsSetting.h"
#include "shell/Entry.h"
#include "shell/Main.h"
#include "ui/Ui.h"
#include "ui/scripted/ScriptedBackend.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace hivelet::shell::test {

inline constexpr const char* SystemHive = "\\REGISTRY\\MACHINE\\SYSTEM";
inline constexpr const char* SoftwareHive = "\\REGISTRY\\MACHINE\\SOFTWARE";
inline constexpr const char* UserHive = "\\REGISTRY\\USER\\S-1-5-18";
inline constexpr const char* SystemFile = "C:\\Windows\\System32\\config\\SYSTEM";
inline constexpr const char* SoftwareFile = "C:\\Windows\\System32\\config\\SOFTWARE";
inline constexpr const char* UserFile = "C:\\Windows\\System32\\config\\systemprofile\\NTUSER.DAT";
inline constexpr const char* OptionsFile = "C:\\Program Files\\Hivelet\\options.ini";

// The main window with its analysis and compaction replaced by scripted stand-ins, so that what
// runs around them can be tested on its own.
class ScriptedMain : public TfrmMain {
public:
    using TfrmMain::TfrmMain;

    // Filled into the value labels by the stand-in analysis; `succeeds` enables the compaction.
    std::vector<std::string> totals{"1,232,757 KB", "1,047,843 KB", "184,914 KB", "15.0%"};
    bool succeeds = true;
    std::function<void()> duringAnalysis;
    std::vector<std::string> events;

    void bAnalyzeRegistryClick() override {
        events.push_back("analysis");
        if (duringAnalysis)
            duringAnalysis();
        if (!succeeds)
            return;
        lCurrentRegistrySize->SetCaption(totals[0]);
        lNewRegistrySize->SetCaption(totals[1]);
        lSizeReduction->SetCaption(totals[2]);
        lCompactPercent->SetCaption(totals[3]);
        bDefragRegistry->SetEnabled(true);
    }
    // What the stand-in compaction reports.
    bool compacts = true;
    void bDefragRegistryClick() override {
        events.push_back("defrag");
        CompactionSucceeded = compacts;
    }
};

class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest() {
        settings::OptionsSetting() = {};
        platform.SetVersion(platform::PlatformWin32Nt, 6, 1); // Windows 7
        platform.AddDrive('C', platform::drive::Fixed, "\\Device\\HarddiskVolume2");
        platform.AddKey(platform::RootKey::LocalMachine, catalogue::HiveListKey);
        AddHive(SystemHive, "\\Device\\HarddiskVolume2\\Windows\\System32\\config\\SYSTEM",
                SystemFile);
        AddHive(SoftwareHive, "\\Device\\HarddiskVolume2\\Windows\\System32\\config\\SOFTWARE",
                SoftwareFile);
        AddHive(UserHive,
                "\\Device\\HarddiskVolume2\\Windows\\System32\\config\\systemprofile\\NTUSER.DAT",
                UserFile);
        ui::test::ScriptOptions options;
        options.stallSeconds = 10; // a sequence that never ends fails the test instead of hanging
        auto backend = ui::test::MakeScriptedBackend(options);
        headless = backend.get();
        app = std::make_unique<ui::Application>(std::move(backend));
    }
    ~MainWindowTest() override {
        form.reset();
        app.reset();
        settings::OptionsSetting() = {};
    }

    void AddHive(const std::string& name, const std::string& device, const std::string& file) {
        platform.SetStringValue(platform::RootKey::LocalMachine, catalogue::HiveListKey, name,
                                device);
        platform.AddFile(file, 262144);
    }

    template <class F = TfrmMain> F& Create(std::vector<std::string> arguments = {}) {
        app->SetTitle("Orvane Hivelet");
        auto made = ui::CreateForm<F>(*app, platform, std::move(arguments));
        F& ref = *made;
        form = std::move(made);
        return ref;
    }

    // Shows the window as the application's main window and runs the loop until the window
    // closes; an interactive window is closed by the user once nothing is left to do.
    void RunMainWindow() {
        headless->WhenIdle([this] {
            if (!form->Unattended)
                form->Close();
        });
        app->Run(*form);
    }

    // Shows the window without a loop of its own (nothing posted is handled yet).
    void ShowOnly() { form->Show(); }

    ui::Point Screen(ui::Point inWindow) const {
        return {form->Left() + inWindow.x, form->Top() + inWindow.y};
    }

    fake::FakePlatform platform;
    ui::test::ScriptedBackend* headless = nullptr;
    std::unique_ptr<ui::Application> app;
    std::unique_ptr<TfrmMain> form;
};

} // namespace hivelet::shell::test
