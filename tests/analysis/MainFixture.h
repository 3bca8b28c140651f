// The main window over the scriptable platform: a Windows 7 machine whose hive list holds the
// hives a test adds, for the suites that run the analysis as "Analyze Registry" does.
#pragma once

#include "ScanFixture.h"

#include "analysis/GetNewHiveProgress.h"
#include "catalogue/HiveList.h"
#include "shell/Entry.h"
#include "shell/Main.h"

#include <memory>
#include <string>
#include <vector>

namespace hivelet::analysis::test {

inline constexpr const char* Device = "\\Device\\HarddiskVolume2";

class MainFixture : public ScanFixture {
protected:
    MainFixture() {
        platform.SetVersion(platform::PlatformWin32Nt, 6, 1);
        platform.AddDrive('C', platform::drive::Fixed, Device);
        platform.AddKey(platform::RootKey::LocalMachine, catalogue::HiveListKey);
    }
    ~MainFixture() override { form.reset(); }

    // A hive of the machine: its hivelist value, its key, its file and its save.
    void AddMachineHive(const TestHive& h) {
        AddHive(h);
        platform.SetStringValue(platform::RootKey::LocalMachine, catalogue::HiveListKey, h.name,
                                std::string(Device) + h.file.substr(2));
    }

    // Creates the main window and shows it (the hive list is read); nothing posted runs yet.
    shell::TfrmMain& Show(std::vector<std::string> arguments = {}) {
        form = shell::CreateMainWindow(*app, platform, std::move(arguments));
        form->Show();
        return *form;
    }

    // The progress dialog while the analysis shows it.
    TfrmGetNewHiveProgess* Dialog() const {
        return dynamic_cast<TfrmGetNewHiveProgess*>(app->ActiveForm());
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

    std::unique_ptr<shell::TfrmMain> form;
};

} // namespace hivelet::analysis::test
