// The main window over the scriptable platform, for every suite that drives it: a Windows 7
// machine with drive C: and a hive list, a headless application on the virtual clock, the scan
// fixture's hives and steps, and the window itself.
//
// MainWindowFixture starts with an empty hive list (the analysis suites add hives whose saves
// they script); MainWindowTest is the same window on a machine with three listed hives and fresh
// settings, for the suites that test what runs around the analysis and the compaction.
#pragma once

#include "analysis/GetNewHiveProgress.h"
#include "analysis/ScanFixture.h"
#include "catalogue/HiveList.h"
#include "info/Product.h"
#include "settings/OptionsSetting.h"
#include "shell/Entry.h"
#include "shell/Main.h"
#include "ui/Ui.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace hivelet::shell::test {

using analysis::test::SoftwareFile;
using analysis::test::SystemFile;
using analysis::test::TestHive;
using analysis::test::UserFile;

inline constexpr const char* Device = "\\Device\\HarddiskVolume2";
inline constexpr const char* SystemHive = "\\REGISTRY\\MACHINE\\SYSTEM";
inline constexpr const char* SoftwareHive = "\\REGISTRY\\MACHINE\\SOFTWARE";
inline constexpr const char* UserHive = "\\REGISTRY\\USER\\S-1-5-18";
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

class MainWindowFixture : public analysis::test::ScanFixture {
protected:
    MainWindowFixture() {
        platform.SetVersion(platform::PlatformWin32Nt, 6, 1); // Windows 7
        platform.AddDrive('C', platform::drive::Fixed, Device);
        platform.AddKey(platform::RootKey::LocalMachine, catalogue::HiveListKey);
    }
    ~MainWindowFixture() override { form.reset(); }

    // A hive of the machine: its hivelist value, its key, its file and its save.
    void AddMachineHive(const TestHive& h) {
        AddHive(h);
        platform.SetStringValue(platform::RootKey::LocalMachine, catalogue::HiveListKey, h.name,
                                std::string(Device) + h.file.substr(2));
    }
    // A hive that is only listed: its hivelist value and its file.
    using ScanFixture::AddHive;
    void AddHive(const std::string& name, const std::string& device, const std::string& file) {
        platform.SetStringValue(platform::RootKey::LocalMachine, catalogue::HiveListKey, name,
                                device);
        platform.AddFile(file, 262144);
    }

    // Makes the window (of class F), not shown yet.
    template <class F = TfrmMain> F& Create(std::vector<std::string> arguments = {}) {
        app->SetTitle(info::ProductTitle);
        auto made = ui::CreateForm<F>(*app, platform, std::move(arguments));
        F& ref = *made;
        form = std::move(made);
        return ref;
    }
    // Creates the main window as the program does and shows it (the hive list is read); nothing
    // posted runs yet.
    TfrmMain& Show(std::vector<std::string> arguments = {}) {
        form = CreateMainWindow(*app, platform, std::move(arguments));
        form->Show();
        return *form;
    }
    // Shows the window without a loop of its own (nothing posted is handled yet).
    void ShowOnly() { form->Show(); }
    // Runs the window as the application's main window until it closes; an interactive window
    // is closed at the first idle moment, as a user would once nothing is left to do. An
    // unattended run can end before its loop is ever idle: the close it left queued must not
    // close the window of a later run in the same test.
    void RunMainWindow() {
        auto running = std::make_shared<bool>(true);
        headless->WhenIdle([this, running] {
            if (*running && !form->Unattended)
                form->Close();
        });
        app->Run(*form);
        *running = false;
    }

    ui::Point Screen(ui::Point inWindow) const {
        return {form->Left() + inWindow.x, form->Top() + inWindow.y};
    }
    // The progress dialog while the analysis shows it.
    analysis::TfrmGetNewHiveProgess* Dialog() const {
        return dynamic_cast<analysis::TfrmGetNewHiveProgess*>(app->ActiveForm());
    }
    std::vector<std::string> Row(size_t i) const { return form->lvMain->Item(i).subItems; }
    std::vector<std::string> Totals() const {
        return {form->lCurrentRegistrySize->Caption(), form->lNewRegistrySize->Caption(),
                form->lSizeReduction->Caption(), form->lCompactPercent->Caption()};
    }
    std::vector<std::string> BoxTexts() const {
        std::vector<std::string> out;
        for (const auto& box : headless->MessageBoxes())
            out.push_back(box.text);
        return out;
    }

    std::unique_ptr<TfrmMain> form;
};

// The names of the language menu's checked items.
inline std::vector<std::string> CheckedLanguages(const TfrmMain& f) {
    std::vector<std::string> out;
    for (ui::TMenuItem* i : f.pmLanguage->Items())
        if (i->Checked())
            out.push_back(i->Name());
    return out;
}

class MainWindowTest : public MainWindowFixture {
protected:
    MainWindowTest() {
        settings::OptionsSetting() = {};
        AddHive(SystemHive, std::string(Device) + "\\Windows\\System32\\config\\SYSTEM",
                SystemFile);
        AddHive(SoftwareHive, std::string(Device) + "\\Windows\\System32\\config\\SOFTWARE",
                SoftwareFile);
        AddHive(UserHive,
                std::string(Device) + "\\Windows\\System32\\config\\systemprofile\\NTUSER.DAT",
                UserFile);
    }

    // The settings file the window loads: its [Options] section holds `lines`.
    void WriteOptionsFile(const std::string& lines) {
        platform.AddTextFile(OptionsFile, "[Options]\r\n" + lines);
    }
};

} // namespace hivelet::shell::test
