#include "shell/Main.h"

#include "analysis/Snapshot.h"
#include "catalogue/DevicePath.h"
#include "catalogue/HiveList.h"
#include "i18n/ApplyLanguage.h"
#include "i18n/LanguageFile.h"
#include "info/Product.h"
#include "platform/TextCase.h"
#include "settings/OptionsSetting.h"
#include "shell/CommandLine.h"
#include "shell/WindowsVersion.h"
#include "ui/WindowMessages.h"

namespace hivelet::shell {

inline constexpr const char* UnsupportedSystemText =
    "The software does not support the current Windows system!";

TfrmMain::TfrmMain(ui::Application& app, platform::Platform& platform,
                   std::vector<std::string> arguments)
    : ui::Form(app, "frmMain"), Platform(platform), Arguments(std::move(arguments)) {
    SetClassName("TfrmMain");
    SetWindowClassName(info::MainWindowClassName);
    SetCaption(info::ProductTitle);
    SetBorderStyle(ui::BorderStyle::None);
    SetPosition(ui::FormPosition::ScreenCenter);
    SetClientSize(556, 392);
    SetFont(ui::Font{}); // MS Sans Serif, 8 pt
    CreateControls();
    CreateMenus();
    WireEvents();
}

TfrmMain::~TfrmMain() {
    // The reporting of boxes speaks for this window; it must not outlive it.
    if (answeringBoxes_)
        App().AnswerBoxesWith(nullptr);
}

void TfrmMain::WireEvents() {
    bExit->OnClick = [this] { bExitClick(); };
    bClose->OnClick = [this] { bCloseClick(); };
    bMinimize->OnClick = [this] { bMinimizeClick(); };
    bAnalyzeRegistry->OnClick = [this] { bAnalyzeRegistryClick(); };
    bDefragRegistry->OnClick = [this] { bDefragRegistryClick(); };
    bOptions->OnClick = [this] { bOptionsClick(); };
    bLanguage->OnClick = [this] { bLanguageClick(); };
    bAbout->OnClick = [this] { bHelpClick(); };
    bHomepage->OnClick = [this] { bHomepageClick(); };

    pmiHelp->OnClick = [this] { pmiHelpClick(); };
    Homepage1->OnClick = [this] { Homepage1Click(); };
    pmiCheckUpdate->OnClick = [this] { pmiCheckUpdateClick(); };
    About1->OnClick = [this] { bAboutClick(); };
    for (ui::TMenuItem* item : pmLanguage->Items())
        if (!item->IsSeparator())
            item->OnClick = [this, item] { miEnglishClick(*item); };

    OnNcHitTest = [this](ui::Point screen, int standard) { return NcHitTest(screen, standard); };
    OnMessage(ui::WM_RESTOREINSTANCE, [this](uint64_t, int64_t) { WMRestoreInstance(); });
    OnMessage(ui::WM_SILENTRUN, [this](uint64_t, int64_t) { WMSilentRun(); });
    OnMessage(ui::WM_SCANRUN, [this](uint64_t, int64_t) { WMScanRun(); });
}

void TfrmMain::FormCreate() {
    settings::LoadOrSaveOptions(Platform, true);
    HiveNames.clear();
    HiveFiles.clear();
    lCurrentRegistrySize->SetCaption("");
    lNewRegistrySize->SetCaption("");
    lSizeReduction->SetCaption("");
    lCompactPercent->SetCaption("");
    Unattended = false;
    lTitle->SetCaption(lTitle->Caption() + " " + info::VersionText);

    // The home page button is not offered: the buttons below it move up one place each and take
    // the border colour of their new place, which matches the background there.
    bHomepage->SetVisible(false);
    auto takePlace = [](ui::TFlatSpeedButton* moving, const ui::TFlatSpeedButton* place) {
        moving->SetTop(place->Top());
        moving->SetColorBorder(place->ColorBorder());
        moving->SetColor(place->Color());
    };
    takePlace(bExit, bAbout);
    takePlace(bAbout, bLanguage);
    takePlace(bLanguage, bHomepage);
}

void TfrmMain::FormShow() {
    IsWow64 = catalogue::DetectWow64(Platform);
    LoadHiveList();
    for (const std::string& name : HiveNames)
        lvMain->AddItem(name, {"", "", ""});

    // Started by a scheduler or a script: no box may wait for a person, from the first one on.
    const UnattendedSwitch requested = FirstArgumentSwitch(Arguments);
    if (requested != UnattendedSwitch::None) {
        exitCode_ = 1; // until the sequence has done its work
        ReportBoxesInstead();
    }

    if (!IsSupportedWindowsVersion(GetWindowsVersionCode(Platform))) {
        App().MessageBox(UnsupportedSystemText, info::ProductTitle, ui::mb::Ok);
        // The window stays usable, but untouched by settings, language and switches. A run that
        // nobody watches has nothing left to do and would never end.
        if (requested != UnattendedSwitch::None)
            Close();
        return;
    }

    const settings::TOptionsSetting& options = settings::OptionsSetting();
    lvMain->SetGridLines(options.IsShowLine);
    SetLanguageChecks();
    if (!i18n::IsBuiltInLanguage(options.Lan))
        i18n::ApplyLanguage(Platform, *this, options.Lan);
    FitButtonWidths();

    switch (requested) {
    case UnattendedSwitch::Silent:
        Unattended = true;
        Post(ui::WM_SILENTRUN);
        break;
    case UnattendedSwitch::Scan:
        Unattended = true;
        Post(ui::WM_SCANRUN);
        break;
    case UnattendedSwitch::None:
        break;
    }
}

void TfrmMain::SetLanguageChecks() {
    const std::string& lan = settings::OptionsSetting().Lan;
    for (ui::TMenuItem* item : pmLanguage->Items()) {
        const std::string& name = item->Name();
        const std::string language = name.size() > 2 ? name.substr(2) : std::string();
        item->SetChecked(platform::SameNoCase(language, lan));
    }
}

void TfrmMain::FormClose() {
    closed_ = true;
    // A scan abandoned by its close box may still be saving the hive in hand; its snapshot
    // would appear after the cleanup below and stay behind. Workers end after that one save; a
    // dialog still open over this window was closed first (ui::Form::Close), so none of them
    // waits for a hand-over that only this thread could serve.
    Workers.WaitAll();
    // Snapshots handed to a pending replacement cannot be deleted under their name, so this
    // removes only those of hives that were not replaced.
    for (const std::string& file : HiveFiles) {
        const std::string snapshot = file + analysis::SnapshotSuffix;
        if (Platform.FileExists(snapshot))
            Platform.DeleteFile(snapshot);
    }
    HiveNames = {};
    HiveFiles = {};
    settings::LoadOrSaveOptions(Platform, false);
}

void TfrmMain::bExitClick() {
    Close();
}

void TfrmMain::bCloseClick() {
    bExitClick();
}

void TfrmMain::bMinimizeClick() {
    Post(ui::wm::SysCommand, ui::sc::Minimize);
}

void TfrmMain::LoadHiveList() {
    catalogue::HiveList list;
    catalogue::LoadHiveList(Platform, IsWow64, list);
    HiveNames = std::move(list.HiveNames);
    HiveFiles = std::move(list.HiveFiles);
}

bool TfrmMain::IsDragArea(ui::Point p) const {
    for (ui::Component* c : Components()) {
        auto* control = c->As<ui::Control>();
        if (!control || !control->Visible() || control->Name() == "Image1")
            continue;
        const bool coversBackground = control->IsKindOf<ui::TImage>() ||
                                      control->IsKindOf<ui::TCustomLabel>() ||
                                      control->IsKindOf<ui::TFlatSpeedButton>();
        if (coversBackground && control->BoundsInForm().ContainsInclusive(p))
            return false;
    }
    return true;
}

int TfrmMain::NcHitTest(ui::Point screen, int standard) {
    if (standard != ui::ht::Client)
        return standard;
    const ui::Point inWindow{screen.x - Left(), screen.y - Top()};
    return IsDragArea(inWindow) ? ui::ht::Caption : standard;
}

} // namespace hivelet::shell
