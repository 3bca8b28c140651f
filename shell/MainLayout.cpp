// The main window as designed: every control with its place, caption, hint and colours, in the
// design order the language files and the drag test walk.
#include "info/Product.h"
#include "shell/Artwork.h"
#include "shell/Main.h"

namespace hivelet::shell {

namespace {

// A label of the fixed size given (headings, value labels); other labels size to their text.
ui::TLabel* FixedLabel(ui::TLabel* label, int left, int top, int width, int height) {
    label->SetAutoSize(false);
    label->SetBounds(left, top, width, height);
    return label;
}

ui::TLabel* TextLabel(ui::TLabel* label, int left, int top, std::string caption) {
    label->SetLeft(left);
    label->SetTop(top);
    label->SetCaption(std::move(caption));
    return label;
}

void FlatButton(ui::TFlatSpeedButton* b, int left, int top, int width, std::string caption,
                std::string hint, ui::Color border) {
    b->SetBounds(left, top, width, 25);
    b->SetCaption(std::move(caption));
    b->SetHint(std::move(hint));
    b->SetShowHint(true);
    b->SetCursor(ui::Cursor::Hand);
    b->SetColorFocused(ui::kSilver);
    b->SetColorBorder(border);
    // The face, too, is the picture's colour there, so an idle button shows only its caption.
    b->SetColor(border);
}

ui::Font Bold(ui::Font f, int height) {
    f.bold = true;
    f.height = height;
    return f;
}

} // namespace

void TfrmMain::CreateControls() {
    const ui::Font& font = Font();

    Image1 = Make<ui::TImage>("Image1");
    Image1->SetBounds(0, 0, MainBackgroundWidth, MainBackgroundHeight);
    Image1->SetStretch(true);
    Image1->SetPicture(DrawMainBackground());

    lTitle1 = FixedLabel(Make<ui::TLabel>("lTitle1"), 13, 67, 88, 13);
    lTitle1->SetFont(Bold(font, font.height));
    lTitle1->SetCaption("Main");

    Bevel1 = Make<ui::TSeparator>("Bevel1");
    Bevel1->SetBounds(11, 85, 100, 1);
    Bevel1->SetColor(SectionRuleColor);

    bAnalyzeRegistry = Make<ui::TFlatSpeedButton>("bAnalyzeRegistry");
    FlatButton(bAnalyzeRegistry, 13, 93, 94, "Analyze Registry", "Analyze your registry", 0xE0E0DE);
    bDefragRegistry = Make<ui::TFlatSpeedButton>("bDefragRegistry");
    FlatButton(bDefragRegistry, 13, 122, 91, "Defrag Registry", "Defrag your registry", 0xE0E0DE);
    bDefragRegistry->SetEnabled(false);
    bOptions = Make<ui::TFlatSpeedButton>("bOptions");
    FlatButton(bOptions, 12, 151, 56, "Options", "Settings", 0xE4E4E2);

    Label1 = TextLabel(Make<ui::TLabel>("Label1"), 353, 348, "2. Review the analyzing result.");
    Label3 = TextLabel(Make<ui::TLabel>("Label3"), 353, 366,
                       "3. Defrag the registry and restart the pc.");
    Label2 = TextLabel(Make<ui::TLabel>("Label2"), 353, 330, "1. Analyze the Windows registry.");

    lTitle3 = FixedLabel(Make<ui::TLabel>("lTitle3"), 13, 193, 72, 13);
    lTitle3->SetFont(Bold(font, font.height));
    lTitle3->SetCaption("Help");

    Bevel2 = Make<ui::TSeparator>("Bevel2");
    Bevel2->SetBounds(11, 213, 100, 1);
    Bevel2->SetColor(SectionRuleColor);

    bLanguage = Make<ui::TFlatSpeedButton>("bLanguage");
    FlatButton(bLanguage, 16, 252, 64, "Language", "Change display language", 0xF5F6F4);
    bAbout = Make<ui::TFlatSpeedButton>("bAbout");
    FlatButton(bAbout, 16, 283, 37, "Help", "Click to popup the menu", 0xF1F2F0);
    bHomepage = Make<ui::TFlatSpeedButton>("bHomepage");
    FlatButton(bHomepage, 15, 221, 68, "Homepage", "Homepage", 0xF1EFEE);

    lLastWashed = TextLabel(Make<ui::TLabel>("lLastWashed"), 116, 312, "Current Registry Size:");
    Label4 = TextLabel(Make<ui::TLabel>("Label4"), 116, 330, "New Registry Size:");
    Label5 = TextLabel(Make<ui::TLabel>("Label5"), 116, 348, "Size Reduction:");

    auto valueLabel = [&](const char* name, int top) {
        ui::TLabel* l = FixedLabel(Make<ui::TLabel>(name), 222, top, 70, 13);
        l->SetAlignment(ui::Alignment::Right);
        return l;
    };
    lCurrentRegistrySize = valueLabel("lCurrentRegistrySize", 312);
    lNewRegistrySize = valueLabel("lNewRegistrySize", 330);
    lSizeReduction = valueLabel("lSizeReduction", 348);
    lCompactPercent1 =
        TextLabel(Make<ui::TLabel>("lCompactPercent1"), 117, 366, "Compact Percent:");
    lCompactPercent = valueLabel("lCompactPercent", 366);

    suiURLLabel1 = Make<ui::TsuiURLLabel>("suiURLLabel1");
    suiURLLabel1->SetLeft(436);
    suiURLLabel1->SetTop(38);
    suiURLLabel1->SetCaption(info::MakerWebCaption);
    suiURLLabel1->SetURL(info::MakerWebAddress);

    bClose = Make<ui::TImageButton>("bClose");
    bClose->SetBounds(517, 9, 24, 24);
    bClose->SetHint("Minimize to system tray");
    bClose->SetShowHint(true);
    bClose->SetPicture(DrawCloseButton(FrameButtonState::Normal));
    bClose->SetHover(DrawCloseButton(FrameButtonState::Hover));
    bClose->SetPressed(DrawCloseButton(FrameButtonState::Pressed));

    Label6 = TextLabel(Make<ui::TLabel>("Label6"), 342, 312, "Step Hint:");

    bExit = Make<ui::TFlatSpeedButton>("bExit");
    FlatButton(bExit, 16, 314, 35, "Exit", "Exit", 0xEAE9E9);

    lTitle = FixedLabel(Make<ui::TLabel>("lTitle"), 17, 12, 197, 16);
    lTitle->SetFont(Bold(font, -13));
    lTitle->SetCaption(info::ProductTitle);

    lvMain = Make<ui::TListView>("lvMain");
    lvMain->SetBounds(119, 65, 423, 236);
    lvMain->SetReadOnly(true);
    lvMain->SetRowSelect(true);
    lvMain->SetGridLines(true);
    lvMain->AddColumn("Hive Name", 205, ui::Alignment::Left);
    lvMain->AddColumn("Current Size", 72, ui::Alignment::Right);
    lvMain->AddColumn("New Size", 70, ui::Alignment::Right);
    lvMain->AddColumn("Reduction", 65, ui::Alignment::Right);

    bMinimize = Make<ui::TsuiImageButton>("bMinimize");
    bMinimize->SetBounds(488, 9, 24, 24);
    bMinimize->SetHint("Minimize");
    bMinimize->SetShowHint(true);
    bMinimize->SetNormal(DrawMinimizeButton(FrameButtonState::Normal));
    bMinimize->SetHover(DrawMinimizeButton(FrameButtonState::Hover));
    bMinimize->SetPressed(DrawMinimizeButton(FrameButtonState::Pressed));
}

void TfrmMain::CreateMenus() {
    auto item = [this](ui::TPopupMenu* menu, const char* name, const char* caption) {
        ui::TMenuItem* i = Make<ui::TMenuItem>(name);
        i->SetCaption(caption);
        menu->Add(i);
        return i;
    };

    pmHelp = Make<ui::TPopupMenu>("pmHelp");
    pmiHelp = item(pmHelp, "pmiHelp", "&Help");
    N5 = item(pmHelp, "N5", "-");
    Homepage1 = item(pmHelp, "Homepage1", "H&omepage");
    N1 = item(pmHelp, "N1", "-");
    pmiCheckUpdate = item(pmHelp, "pmiCheckUpdate", "&Check for Update");
    N2 = item(pmHelp, "N2", "-");
    About1 = item(pmHelp, "About1", "&About...");

    pmLanguage = Make<ui::TPopupMenu>("pmLanguage");
    miArabic = item(pmLanguage, "miArabic", "&Arabic");
    miBrazilianPortuguese = item(pmLanguage, "miBrazilianPortuguese", "&Brazilian Portuguese");
    miChinese = item(pmLanguage, "miChinese", "&Chinese");
    miCzech = item(pmLanguage, "miCzech", "C&zech");
    miDanish = item(pmLanguage, "miDanish", "Da&nish");
    miDutch = item(pmLanguage, "miDutch", "&Dutch");
    miEnglish = item(pmLanguage, "miEnglish", "&English");
    miFinnish = item(pmLanguage, "miFinnish", "F&innish");
    miFrench = item(pmLanguage, "miFrench", "&French");
    miGerman = item(pmLanguage, "miGerman", "&German");
    miGreek = item(pmLanguage, "miGreek", "G&reek");
    miHungarian = item(pmLanguage, "miHungarian", "&Hungarian");
    miItalian = item(pmLanguage, "miItalian", "&Italian");
    miJapanese = item(pmLanguage, "miJapanese", "&Japanese");
    miKurdish = item(pmLanguage, "miKurdish", "&Kurdish");
    miPolish = item(pmLanguage, "miPolish", "&Polish");
    miPortuguese = item(pmLanguage, "miPortuguese", "P&ortuguese");
    miRussian = item(pmLanguage, "miRussian", "&Russian");
    miSerbian = item(pmLanguage, "miSerbian", "Serbia&n");
    miSlovenian = item(pmLanguage, "miSlovenian", "S&lovenian");
    miSpanish = item(pmLanguage, "miSpanish", "&Spanish");
    miSwedish = item(pmLanguage, "miSwedish", "S&wedish");
    miTurkish = item(pmLanguage, "miTurkish", "&Turkish");
    miUkranian = item(pmLanguage, "miUkranian", "&Ukranian");
    N6 = item(pmLanguage, "N6", "-");
    miOther = item(pmLanguage, "miOther", "Other");

    Image1->SetPopupMenu(pmHelp);
}

} // namespace hivelet::shell
