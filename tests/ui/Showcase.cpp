#include "Showcase.h"

namespace hivelet::ui::test {

Bitmap Gradient(int width, int height, Color top, Color bottom) {
    Bitmap b(width, height);
    for (int y = 0; y < height; ++y) {
        auto mix = [&](int shift) {
            int a = int((top >> shift) & 0xFF), z = int((bottom >> shift) & 0xFF);
            return uint32_t(a + (z - a) * y / (height > 1 ? height - 1 : 1));
        };
        uint32_t px = 0xFF000000u | (mix(16) << 16) | (mix(8) << 8) | mix(0);
        for (int x = 0; x < width; ++x)
            b.At(x, y) = px;
    }
    return b;
}

static Bitmap Glyph(int size, Color bg, Color fg, bool cross) {
    Bitmap b(size, size, 0xFF000000u | bg);
    for (int i = 6; i < size - 6; ++i) {
        if (cross) {
            b.At(i, i) = b.At(size - 1 - i, i) = 0xFF000000u | fg;
            b.At(i + 1 < size ? i + 1 : i, i) = b.At(size - 2 - i >= 0 ? size - 2 - i : 0, i) =
                0xFF000000u | fg;
        } else {
            b.At(i, size - 8) = b.At(i, size - 9) = 0xFF000000u | fg;
        }
    }
    return b;
}

Showcase::Showcase(Application& app, Form* owner) : Form(app, "frmShowcase", owner) {
    SetClassName("TfrmShowcase");
    SetWindowClassName("Hivelet Showcase Window");
    SetCaption("Hivelet toolkit");
    SetBorderStyle(BorderStyle::Dialog);
    SetClientSize(560, 400);
    SetPosition(FormPosition::ScreenCenter);

    banner = Make<TImage>("Image1");
    banner->SetBounds(0, 0, 560, 50);
    banner->SetStretch(true);
    banner->SetPicture(Gradient(8, 50, 0x3F6FA8, 0x27496F));
    title = Make<TLabel>("lTitle");
    ui::Font titleFont = Font();
    titleFont.bold = true;
    titleFont.height = -13;
    titleFont.color = kWhite;
    title->SetFont(titleFont);
    title->SetLeft(17);
    title->SetTop(16);
    title->SetCaption("Orvane Hivelet 3.0");

    minimizeImage = Make<TsuiImageButton>("bMinimize");
    minimizeImage->SetBounds(492, 13, 24, 24);
    minimizeImage->SetNormal(Glyph(24, 0x2F5686, 0xFFFFFF, false));
    minimizeImage->SetHover(Glyph(24, 0x4A79B3, 0xFFFFFF, false));
    minimizeImage->SetHint("Minimize");
    minimizeImage->SetShowHint(true);
    closeImage = Make<TImageButton>("bClose");
    closeImage->SetBounds(521, 13, 24, 24);
    closeImage->SetPicture(Glyph(24, 0x2F5686, 0xFFFFFF, true));
    closeImage->SetHover(Glyph(24, 0xC0504D, 0xFFFFFF, true));
    closeImage->SetHint("Close");
    closeImage->SetShowHint(true);

    link = Make<TsuiURLLabel>("suiURLLabel1");
    link->SetLeft(430);
    link->SetTop(60);
    link->SetCaption("www.orvane.example");
    link->SetURL("https://www.orvane.example/");

    heading = Make<TLabel>("lTitle1");
    ui::Font bold = Font();
    bold.bold = true;
    heading->SetFont(bold);
    heading->SetLeft(13);
    heading->SetTop(67);
    heading->SetCaption("Main");
    rule = Make<TSeparator>("Bevel1");
    rule->SetBounds(11, 85, 100, 1);
    rule->SetColor(0x27496F);

    analyze = Make<TFlatSpeedButton>("bAnalyzeRegistry");
    analyze->SetBounds(13, 93, 94, 25);
    analyze->SetCaption("Analyze Registry");
    analyze->SetHint("Analyze your registry");
    analyze->SetShowHint(true);
    analyze->SetCursor(Cursor::Hand);
    analyze->SetColorBorder(0xE0E0DE);
    analyze->OnClick = [this] { ++clicks; };
    defrag = Make<TFlatSpeedButton>("bDefragRegistry");
    defrag->SetBounds(13, 122, 91, 25);
    defrag->SetCaption("Defrag Registry");
    defrag->SetHint("Defrag your registry");
    defrag->SetShowHint(true);
    defrag->SetCursor(Cursor::Hand);
    defrag->SetColorBorder(0xE0E0DE);
    defrag->SetEnabled(false);

    options = Make<TsuiGroupBox>("GroupBox2");
    options->SetBounds(11, 160, 100, 130);
    options->SetTabOrder(0);
    restore = Make<TsuiCheckBox>("cbCreateRestore", options);
    restore->SetLeft(8);
    restore->SetTop(12);
    restore->SetCaption("Restore");
    restore->SetHint("Create a system restore point before defragment");
    restore->SetShowHint(true);
    restore->SetChecked(true);
    restore->SetTabOrder(1);
    gridLines = Make<TsuiCheckBox>("cbShowLines", options);
    gridLines->SetLeft(8);
    gridLines->SetTop(36);
    gridLines->SetCaption("Grid lines");
    gridLines->SetHint("not shown: ShowHint is off");
    gridLines->SetChecked(true);
    gridLines->SetTabOrder(0);
    note = Make<TLabel>("Label1", options);
    note->SetLeft(8);
    note->SetTop(66);
    note->SetCaption("In a group box");

    list = Make<TListView>("lvMain");
    list->SetBounds(125, 85, 420, 150);
    list->SetGridLines(true);
    list->SetTabOrder(1);
    list->AddColumn("Hive Name", 205);
    list->AddColumn("Current Size", 72, Alignment::Right);
    list->AddColumn("New Size", 70, Alignment::Right);
    list->AddColumn("Reduction", 65, Alignment::Right);
    list->AddItem("\\REGISTRY\\MACHINE\\SYSTEM", {"12,288 KB", "10,240 KB", "16%"});
    list->AddItem("\\REGISTRY\\MACHINE\\SOFTWARE", {"65,536 KB", "49,152 KB", "25%"});
    list->AddItem("\\REGISTRY\\USER\\.DEFAULT", {"", "", ""});

    checking = Make<TLabel>("Label2");
    checking->SetLeft(125);
    checking->SetTop(249);
    checking->SetCaption("Checking: ");
    memo = Make<TMemo>("Memo1");
    memo->SetBounds(185, 250, 240, 32);
    memo->SetText("Registry Key");
    progress = Make<TsuiProgressBar>("ProgressBar1");
    progress->SetBounds(125, 290, 420, 18);
    progress->SetRange(0, 1000);
    progress->SetPosition(437);

    titled = Make<TGroupBox>("GroupBox1");
    titled->SetBounds(11, 300, 100, 50);
    inTitled = Make<TLabel>("Label3", titled);
    inTitled->SetLeft(8);
    inTitled->SetTop(22);
    inTitled->SetCaption("Titled box");
    titled->SetCaption("Options");

    line = Make<TPanel>("Panel2");
    line->SetBounds(125, 322, 420, 2);
    line->SetBevelOuter(Bevel::Lowered);

    ok = Make<TButton>("bOK");
    ok->SetBounds(384, 360, 75, 25);
    ok->SetCaption("&OK");
    ok->SetModalResult(mrOk);
    ok->SetDefault(true);
    ok->SetTabOrder(2);
    cancel = Make<TsuiButton>("bCancel");
    cancel->SetBounds(470, 360, 75, 25);
    cancel->SetCaption("&Cancel");
    cancel->SetModalResult(mrCancel);
    cancel->SetCancel(true);
    cancel->SetTabOrder(3);

    timer = Make<TTimer>("Timer1");
    timer->SetEnabled(false);
    menu = Make<TPopupMenu>("pmLanguage");
    english = Make<TMenuItem>("miEnglish");
    english->SetCaption("&English");
    german = Make<TMenuItem>("miGerman");
    german->SetCaption("&German");
    german->SetChecked(true);
    separator = Make<TMenuItem>("N6");
    separator->SetCaption("-");
    other = Make<TMenuItem>("miOther");
    other->SetCaption("Other");
    for (TMenuItem* item : {english, german, separator, other})
        menu->Add(item);
    banner->SetPopupMenu(menu);
}

} // namespace hivelet::ui::test
