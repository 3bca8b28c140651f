// TfrmMain, Hivelet's main window: the hive list and its list view, the command buttons, the
// borderless frame dragged by its background, and the two unattended sequences (/Silent, /Scan).
//
// Its handlers live in several files: Main.cpp (creation, showing, closing, frame), MainLayout.cpp
// (the designed controls), MainUnattended.cpp (the unattended sequences and the single-instance
// wake-up), MainAnalysis.cpp (the analysis run), MainDefrag.cpp (the compaction and the options
// dialog), MainLanguage.cpp (the language menu), MainInfo.cpp (help menu, web pages, About).
#pragma once

#include "platform/Platform.h"
#include "platform/WorkerThreads.h"
#include "ui/Ui.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace hivelet::shell {

// Section of the /Scan result file and its keys, in the order they are written.
inline constexpr const char* ScanResultSection = "Scan Result";
inline constexpr const char* ScanCurrentSizeKey = "Current Size";
inline constexpr const char* ScanNewSizeKey = "New Size";
inline constexpr const char* ScanSizeReductionKey = "Size Reduction";
inline constexpr const char* ScanCompactPercentKey = "Compact Percent";
inline constexpr const char* ScanTimeKey = "Time";

class TfrmMain : public ui::Form {
public:
    // `arguments` is the command line after the program name and after an optional
    // "--image DIR": its first entry may be /Silent or /Scan, its second the /Scan result file.
    TfrmMain(ui::Application& app, platform::Platform& platform,
             std::vector<std::string> arguments = {});
    ~TfrmMain() override;

    // --- State ------------------------------------------------------------------------------
    platform::Platform& Platform;
    std::vector<std::string> Arguments;
    // The hive list: index i names the same hive in both lists, in every row and every step.
    std::vector<std::string> HiveNames; // kernel key paths, as the hivelist key names them
    std::vector<std::string> HiveFiles; // drive-letter paths of the hive files
    // Set by /Silent and /Scan, never cleared: no dialogs, no advice, no confirmation.
    bool Unattended = false;
    // The 32-bit process runs on 64-bit Windows.
    bool IsWow64 = false;
    // Threads of the dialogs' workers. Destroying the window waits for any still running (an
    // abandoned scan finishing its hive), because they use the platform.
    platform::WorkerThreads Workers;
    // Told the progress bar's percentage text and the hive in hand whenever an analysis's
    // progress dialog changes them, then two empty texts once the dialog has closed (the Linux
    // build's progress line on a terminal).
    std::function<void(const std::string& percent, const std::string& hive)> OnScanProgress;
    // Where a run started with /Silent or /Scan puts what it would have shown in a message box,
    // one line ("Orvane Hivelet: text") each: nobody may be there to answer a box, so none is
    // shown and each counts as answered with its default button. Unset: standard error.
    std::function<void(const std::string& line)> OnUnattendedMessage;
    // Set by the compaction: every hive with a reduction was handed to Windows and the restart
    // was accepted.
    bool CompactionSucceeded = false;

    // The process's exit code once the window has closed: 0 for every interactive run and for an
    // unattended run that did all it should; 1 when its analysis or compaction did not succeed
    // or it reported an error.
    int ExitCode() const { return reportedError_ ? 1 : exitCode_; }

    // --- Controls, in creation order ----------------------------------------------------------
    ui::TImage* Image1 = nullptr; // background picture and drag surface
    ui::TLabel* lTitle1 = nullptr;
    ui::TSeparator* Bevel1 = nullptr;
    ui::TFlatSpeedButton* bAnalyzeRegistry = nullptr;
    ui::TFlatSpeedButton* bDefragRegistry = nullptr;
    ui::TFlatSpeedButton* bOptions = nullptr;
    ui::TLabel* Label1 = nullptr;
    ui::TLabel* Label3 = nullptr;
    ui::TLabel* Label2 = nullptr;
    ui::TLabel* lTitle3 = nullptr;
    ui::TSeparator* Bevel2 = nullptr;
    ui::TFlatSpeedButton* bLanguage = nullptr;
    ui::TFlatSpeedButton* bAbout = nullptr;
    ui::TFlatSpeedButton* bHomepage = nullptr;
    ui::TLabel* lLastWashed = nullptr;
    ui::TLabel* Label4 = nullptr;
    ui::TLabel* Label5 = nullptr;
    ui::TLabel* lCurrentRegistrySize = nullptr;
    ui::TLabel* lNewRegistrySize = nullptr;
    ui::TLabel* lSizeReduction = nullptr;
    ui::TLabel* lCompactPercent1 = nullptr;
    ui::TLabel* lCompactPercent = nullptr;
    ui::TsuiURLLabel* suiURLLabel1 = nullptr;
    ui::TImageButton* bClose = nullptr; // drawn on the background: the drag test avoids it
    ui::TLabel* Label6 = nullptr;
    ui::TFlatSpeedButton* bExit = nullptr;
    ui::TLabel* lTitle = nullptr;
    ui::TListView* lvMain = nullptr;
    ui::TsuiImageButton* bMinimize = nullptr; // windowed: answers its own hit tests

    // Help menu (context menu of the background, and the Help button).
    ui::TPopupMenu* pmHelp = nullptr;
    ui::TMenuItem* pmiHelp = nullptr;
    ui::TMenuItem* N5 = nullptr;
    ui::TMenuItem* Homepage1 = nullptr;
    ui::TMenuItem* N1 = nullptr;
    ui::TMenuItem* pmiCheckUpdate = nullptr;
    ui::TMenuItem* N2 = nullptr;
    ui::TMenuItem* About1 = nullptr;

    // Language menu: one item per language, named "mi" + the language name.
    ui::TPopupMenu* pmLanguage = nullptr;
    ui::TMenuItem* miArabic = nullptr;
    ui::TMenuItem* miBrazilianPortuguese = nullptr;
    ui::TMenuItem* miChinese = nullptr;
    ui::TMenuItem* miCzech = nullptr;
    ui::TMenuItem* miDanish = nullptr;
    ui::TMenuItem* miDutch = nullptr;
    ui::TMenuItem* miEnglish = nullptr;
    ui::TMenuItem* miFinnish = nullptr;
    ui::TMenuItem* miFrench = nullptr;
    ui::TMenuItem* miGerman = nullptr;
    ui::TMenuItem* miGreek = nullptr;
    ui::TMenuItem* miHungarian = nullptr;
    ui::TMenuItem* miItalian = nullptr;
    ui::TMenuItem* miJapanese = nullptr;
    ui::TMenuItem* miKurdish = nullptr;
    ui::TMenuItem* miPolish = nullptr;
    ui::TMenuItem* miPortuguese = nullptr;
    ui::TMenuItem* miRussian = nullptr;
    ui::TMenuItem* miSerbian = nullptr;
    ui::TMenuItem* miSlovenian = nullptr;
    ui::TMenuItem* miSpanish = nullptr;
    ui::TMenuItem* miSwedish = nullptr;
    ui::TMenuItem* miTurkish = nullptr;
    ui::TMenuItem* miUkranian = nullptr;
    ui::TMenuItem* N6 = nullptr;
    ui::TMenuItem* miOther = nullptr;

    // --- Events (Main.cpp) ------------------------------------------------------------------
    void FormCreate() override;
    void FormShow() override;
    void FormClose() override;

    void bExitClick();
    void bCloseClick();
    void bMinimizeClick();

    // Empties the hive list and fills it from the registry (needs IsWow64).
    void LoadHiveList();
    // True when the point (window coordinates) is not on a visible image, label or flat button
    // other than the background picture; bounds count inclusively.
    bool IsDragArea(ui::Point p) const;
    // The window's hit test: client area that is a drag area answers caption.
    int NcHitTest(ui::Point screen, int standard);

    // --- Messages (MainUnattended.cpp) ------------------------------------------------------
    void WMRestoreInstance();
    void WMSilentRun();
    void WMScanRun();

    // The analysis and the compaction are virtual so that a suite can stand in for them when it
    // tests what runs around them (the unattended sequences).

    // --- Analysis (MainAnalysis.cpp) ----------------------------------------------------------
    virtual void bAnalyzeRegistryClick();

    // --- Compaction and options (MainDefrag.cpp) -----------------------------------------------
    virtual void bDefragRegistryClick();
    // True when the row captioned `keyPath` (ignoring case) has a Reduction cell of "0%".
    bool HasNoReduction(const std::string& keyPath) const;
    void bOptionsClick();

    // --- Language menu (MainLanguage.cpp) ---------------------------------------------------
    void bLanguageClick();
    void miEnglishClick(ui::TMenuItem& item);
    // Every flat button as wide as its caption in the window's font + 17.
    void FitButtonWidths();

    // --- Help menu, web pages, About (MainInfo.cpp) --------------------------------------------
    void bHelpClick();
    void pmiHelpClick();
    void Homepage1Click();
    void pmiCheckUpdateClick();
    void bAboutClick();
    void bHomepageClick();

private:
    void CreateControls(); // MainLayout.cpp
    void CreateMenus();    // MainLayout.cpp
    void WireEvents();     // Main.cpp
    void SetLanguageChecks();
    // The two sequences after the windows are hidden; a failure ends them and is reported, then
    // the window closes in every case.
    void RunUnattended(void (TfrmMain::*sequence)());
    void SilentSequence();
    void ScanSequence();
    // From here on every box of this run is reported (OnUnattendedMessage) instead of shown.
    void ReportBoxesInstead();

    bool closed_ = false;         // FormClose has run: a run still under way has lost its window
    int exitCode_ = 0;            // see ExitCode
    bool reportedError_ = false;  // an unattended run reported a box
    bool answeringBoxes_ = false; // ReportBoxesInstead has taken over the application's boxes
};

} // namespace hivelet::shell
