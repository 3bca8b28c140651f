// Puts one of the compaction's dialogs on the screen, for pictures of them (scripts/screenshot).
// Usage: defrag_dialog_showcase options | ask | restorepoint | failed
//   restorepoint: the dialog with its bar advancing, its worker held for good;
//   failed: the question asked when no restore point could be made.
#include "defrag/SystemPiont.h"
#include "platform/fake/FakePlatform.h"
#include "settings/AskDelete.h"
#include "settings/Options.h"
#include "ui/MakeBackend.h"

#include <string>
#include <thread>

using namespace hivelet;

int main(int argc, char** argv) {
    const std::string which = argc > 1 ? argv[1] : "options";
    ui::Application app(ui::MakeBackend());
    app.SetTitle("Orvane Hivelet");
    fake::FakePlatform platform;
    settings::TOptionsSetting options{true, true, true, "English"};

    if (which == "options") {
        ui::CreateForm<settings::TfrmOptions>(app, nullptr, platform, options)->ShowModal();
    } else if (which == "ask") {
        ui::CreateForm<settings::TfrmAskDelete>(app, nullptr, platform, options)->ShowModal();
    } else {
        if (which == "failed")
            platform.ScriptRestorePoint(platform::RestorePointOutcome::Failed);
        else // never released: the picture is taken while the request is under way
            platform.ScriptRestorePoint(platform::RestorePointOutcome::Created,
                                        std::make_shared<fake::Gate>());
        auto start = [](std::function<void()> body) { std::thread(std::move(body)).detach(); };
        ui::CreateForm<defrag::TfrmSystemPoint>(app, nullptr, platform, options, start)
            ->ShowModal();
    }
    return 0;
}
