// A headless application on the virtual clock over the scriptable platform, with hives whose live
// sizes, snapshot sizes and saves a test arranges, and a step script that acts while a modal
// dialog runs: each step waits (without a clock) until its condition holds, then acts.
#pragma once

#include "platform/WorkerThreads.h"
#include "platform/fake/FakePlatform.h"
#include "settings/OptionsSetting.h"
#include "ui/Ui.h"
#include "ui/scripted/ScriptedBackend.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace hivelet::analysis::test {

struct TestHive {
    TestHive(std::string n, std::string f, std::optional<uint64_t> live, uint64_t snapshot = 8192)
        : name(std::move(n)), file(std::move(f)), liveSize(live), snapshotSize(snapshot) {}
    // The save service refuses: no snapshot is written.
    TestHive& Fails() {
        saveFails = true;
        return *this;
    }
    // The save service reports success but writes a file that is not a sound hive.
    TestHive& WritesBadHive() {
        badHive = true;
        return *this;
    }
    // The save fails part-way and leaves `bytes` of its snapshot behind.
    TestHive& BreaksOff(uint64_t bytes) {
        saveFails = true;
        sizeLeftOnFailure = bytes;
        return *this;
    }
    // The save stops at `g` with a snapshot of `bytes` so far, until the gate is released.
    TestHive& HeldAt(std::shared_ptr<fake::Gate> g, uint64_t bytes = 0) {
        gate = std::move(g);
        sizeWhileHeld = bytes;
        return *this;
    }

    std::string name;                 // kernel key path, as the hive list holds it
    std::string file;                 // drive-letter path of the live file
    std::optional<uint64_t> liveSize; // nullopt: the live file cannot be found
    uint64_t snapshotSize = 8192;     // what a successful save writes
    bool saveFails = false;
    bool badHive = false;
    uint64_t sizeLeftOnFailure = 0;
    std::shared_ptr<fake::Gate> gate;
    uint64_t sizeWhileHeld = 0;
};

inline constexpr const char* SystemFile = "C:\\Windows\\System32\\config\\SYSTEM";
inline constexpr const char* SoftwareFile = "C:\\Windows\\System32\\config\\SOFTWARE";
inline constexpr const char* SamFile = "C:\\Windows\\System32\\config\\SAM";
inline constexpr const char* UserFile = "C:\\Windows\\System32\\config\\systemprofile\\NTUSER.DAT";

class ScanFixture : public ::testing::Test {
protected:
    ScanFixture() {
        settings::OptionsSetting() = {};
        settings::OptionsSetting().Lan = "English";
        ui::test::ScriptOptions options;
        options.stallSeconds = 20; // a scan that never ends fails the test instead of hanging it
        auto backend = ui::test::MakeScriptedBackend(options);
        headless = backend.get();
        app = std::make_unique<ui::Application>(std::move(backend));
        app->SetTitle("Orvane Hivelet");
    }
    ~ScanFixture() override {
        // No worker may outlive the platform it saves to.
        workers.WaitAll();
        settings::OptionsSetting() = {};
    }

    // The key of a hive under its root, as the save opens it.
    static std::pair<platform::RootKey, std::string> KeyOf(const std::string& name) {
        const std::string machine = "\\REGISTRY\\MACHINE\\";
        const std::string user = "\\REGISTRY\\USER\\";
        if (name.rfind(machine, 0) == 0)
            return {platform::RootKey::LocalMachine, name.substr(machine.size())};
        return {platform::RootKey::Users, name.substr(user.size())};
    }

    void AddHive(const TestHive& h) {
        hives.push_back(h);
        auto [root, subKey] = KeyOf(h.name);
        platform.AddKey(root, subKey);
        if (h.liveSize)
            platform.AddFile(h.file, *h.liveSize);
        fake::SaveScript script;
        script.fileSize = h.snapshotSize;
        script.gate = h.gate;
        script.sizeWhileHeld = h.sizeWhileHeld;
        script.writesBadHive = h.badHive;
        script.sizeLeftOnFailure = h.sizeLeftOnFailure;
        if (h.saveFails)
            script.result = platform::Status::Fail(platform::error::AccessDenied);
        platform.ScriptSave(root, subKey, script);
    }

    std::vector<std::string> Names() const {
        std::vector<std::string> out;
        for (const TestHive& h : hives)
            out.push_back(h.name);
        return out;
    }
    std::vector<std::string> Files() const {
        std::vector<std::string> out;
        for (const TestHive& h : hives)
            out.push_back(h.file);
        return out;
    }

    // The snapshot files the save service was asked to write, in order.
    std::vector<std::string> SavedFiles() const {
        std::vector<std::string> out;
        for (const fake::SaveRecord& r : platform.Saves())
            out.push_back(r.file);
        return out;
    }

    // Saving the first hive takes `ms` on the platform's clock, in every scan.
    void FirstSaveTakes(int64_t ms) {
        const std::string first = hives.at(0).file + ".hvt";
        platform.OnSaveKey([this, ms, first](const std::string& file) {
            if (fake::SameNoCase(file, first))
                platform.AdvanceClock(ms);
        });
    }

    // --- Steps ------------------------------------------------------------------------------
    // Queues a step: once `ready` holds (checked whenever the loop is idle), `act` runs on the UI
    // thread. Steps run in order, each once.
    void Step(std::function<bool()> ready, std::function<void()> act) {
        steps_.push_back({std::move(ready), std::move(act)});
        if (steps_.size() == 1)
            headless->WhenIdle([this] { RunSteps(); });
    }
    // A step that acts as soon as the loop is idle.
    void Step(std::function<void()> act) {
        Step([] { return true; }, std::move(act));
    }
    // A step that waits until `gate` holds a save.
    void AtGate(const std::shared_ptr<fake::Gate>& gate, std::function<void()> act) {
        Step([gate] { return gate->Arrived() > 0; }, std::move(act));
    }
    size_t StepsLeft() const { return steps_.size(); }

    fake::FakePlatform platform;
    ui::test::ScriptedBackend* headless = nullptr;
    std::unique_ptr<ui::Application> app;
    std::vector<TestHive> hives;
    // Declared after the platform, so destroyed (and waited for) before it.
    platform::WorkerThreads workers;

private:
    struct StepEntry {
        std::function<bool()> ready;
        std::function<void()> act;
    };
    void RunSteps() {
        if (steps_.empty())
            return;
        if (steps_.front().ready()) {
            StepEntry step = std::move(steps_.front());
            steps_.pop_front();
            step.act();
        } else {
            std::this_thread::yield();
        }
        if (!steps_.empty())
            headless->WhenIdle([this] { RunSteps(); });
    }
    std::deque<StepEntry> steps_;
};

} // namespace hivelet::analysis::test
