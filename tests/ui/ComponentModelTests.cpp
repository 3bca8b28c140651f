#include "TestForm.h"

#include <gtest/gtest.h>

namespace hivelet::ui {
namespace {

using test::EventForm;
using test::HeadlessApp;

TEST(ComponentModel, FormKeepsComponentsInCreationOrderWithTheirParents) {
    HeadlessApp h;
    EventForm f(h.app, "frmTest");
    auto* group = f.Make<TsuiGroupBox>("GroupBox1");
    auto* label = f.Make<TLabel>("Label1", group);
    auto* timer = f.Make<TTimer>("Timer1");
    auto* button = f.Make<TButton>("bOK");
    auto* menu = f.Make<TPopupMenu>("pmHelp");
    auto* item = f.Make<TMenuItem>("pmiHelp");
    menu->Add(item);

    std::vector<std::string> names;
    for (Component* c : f.Components())
        names.push_back(c->Name());
    EXPECT_EQ(names, (std::vector<std::string>{"GroupBox1", "Label1", "Timer1", "bOK", "pmHelp",
                                               "pmiHelp"}));
    EXPECT_EQ(label->Parent(), group);
    EXPECT_EQ(button->Parent(), nullptr);
    EXPECT_EQ(&timer->Owner(), &f);
    EXPECT_EQ(f.FindComponent("bOK"), button);
    EXPECT_EQ(f.FindComponent("bok"), nullptr);
    EXPECT_EQ(f.FindComponent("nothing"), nullptr);
}

TEST(ComponentModel, KindsFollowTheClassTree) {
    HeadlessApp h;
    EventForm f(h.app, "frmTest");
    Component* label = f.Make<TLabel>("l");
    Component* link = f.Make<TsuiURLLabel>("u");
    Component* sui = f.Make<TsuiButton>("sb");
    Component* flat = f.Make<TFlatSpeedButton>("fb");
    Component* group = f.Make<TGroupBox>("g");
    Component* suiGroup = f.Make<TsuiGroupBox>("sg");
    Component* imageButton = f.Make<TImageButton>("ib");
    Component* winImageButton = f.Make<TsuiImageButton>("wib");
    Component* item = f.Make<TMenuItem>("mi");

    // Derived classes count as their bases ...
    EXPECT_TRUE(sui->IsKindOf<TButton>());
    EXPECT_TRUE(imageButton->IsKindOf<TImage>());
    EXPECT_TRUE(label->IsKindOf<Control>());
    // ... but siblings never count as each other.
    EXPECT_FALSE(link->IsKindOf<TLabel>());
    EXPECT_TRUE(link->IsKindOf<TCustomLabel>());
    EXPECT_FALSE(suiGroup->IsKindOf<TGroupBox>());
    EXPECT_FALSE(group->IsKindOf<TsuiGroupBox>());
    EXPECT_FALSE(flat->IsKindOf<TButton>());
    EXPECT_FALSE(winImageButton->IsKindOf<TImage>());
    EXPECT_FALSE(item->IsKindOf<Control>());

    // The class names and the name chain say the same as the C++ classes.
    EXPECT_STREQ(sui->ClassName(), "TsuiButton");
    EXPECT_STREQ(link->ClassName(), "TsuiURLLabel");
    EXPECT_TRUE(sui->InheritsFrom("TButton"));
    EXPECT_TRUE(sui->InheritsFrom("TComponent"));
    EXPECT_FALSE(link->InheritsFrom("TLabel"));
    EXPECT_TRUE(imageButton->InheritsFrom("TImage"));
    EXPECT_FALSE(suiGroup->InheritsFrom("TGroupBox"));
    EXPECT_FALSE(item->InheritsFrom("TControl"));
}

TEST(ComponentModel, ContainersAloneHoldControls) {
    HeadlessApp h;
    EventForm f(h.app, "frmTest");
    auto* panel = f.Make<TPanel>("Panel1");
    auto* button = f.Make<TButton>("b", panel);
    auto* label = f.Make<TLabel>("l");
    EXPECT_THROW(f.Make<TLabel>("inner", button), std::logic_error);
    EXPECT_THROW(f.Make<TTimer>("t", panel), std::logic_error);
    EXPECT_THROW(panel->SetParent(panel), std::logic_error);
    EventForm other(h.app, "frmOther");
    auto* foreignPanel = other.Make<TPanel>("p");
    EXPECT_THROW(label->SetParent(foreignPanel), std::logic_error);

    panel->SetBounds(10, 20, 100, 50);
    button->SetBounds(5, 6, 30, 20);
    EXPECT_EQ(button->BoundsInForm(), (Rect{15, 26, 30, 20}));
    panel->SetVisible(false);
    EXPECT_TRUE(button->Visible());
    EXPECT_FALSE(button->IsShowing());
    panel->SetEnabled(false);
    EXPECT_FALSE(button->IsEnabledInTree());
}

TEST(ComponentModel, LabelsAndCheckBoxesSizeThemselvesToTheirCaptions) {
    HeadlessApp h;
    EventForm f(h.app, "frmTest");
    auto* label = f.Make<TLabel>("Label1");
    label->SetLeft(16);
    label->SetCaption("Checking: ");
    EXPECT_EQ(label->Width(), 10 * 6);
    EXPECT_EQ(label->Height(), 13);
    EXPECT_EQ(label->Left(), 16);
    Font bold = label->Font();
    bold.bold = true;
    label->SetFont(bold);
    EXPECT_EQ(label->Width(), 10 * 7);

    label->SetAutoSize(false);
    label->SetWidth(255);
    label->SetCaption("Longer caption than before");
    EXPECT_EQ(label->Width(), 255);

    auto* box = f.Make<TsuiCheckBox>("cbAsk");
    box->SetCaption("Ask");
    EXPECT_EQ(box->Width(), TsuiCheckBox::kBoxWidth + TsuiCheckBox::kGap + 3 * 6 + 2);
}

TEST(ComponentModel, ProgressBarCaptionCutsTowardZero) {
    HeadlessApp h;
    EventForm f(h.app, "frmTest");
    auto* bar = f.Make<TsuiProgressBar>("ProgressBar1");
    bar->SetRange(0, 1000);
    bar->SetPosition(437);
    EXPECT_EQ(bar->PercentText(), "43%");
    bar->SetPosition(999);
    EXPECT_EQ(bar->PercentText(), "99%");
    bar->SetPosition(1000);
    EXPECT_EQ(bar->PercentText(), "100%");
    // Kept within the range.
    bar->SetPosition(1040);
    EXPECT_EQ(bar->Position(), 1000);
    bar->SetPosition(-5);
    EXPECT_EQ(bar->Position(), 0);
    // An offset range counts from its minimum; an empty range shows 0%.
    bar->SetRange(100, 300);
    bar->SetPosition(299);
    EXPECT_EQ(bar->PercentText(), "99%");
    bar->SetRange(5, 5);
    EXPECT_EQ(bar->PercentText(), "0%");
    // Large ranges do not overflow.
    bar->SetRange(0, 2000000000);
    bar->SetPosition(1999999999);
    EXPECT_EQ(bar->PercentText(), "99%");
}

TEST(ComponentModel, ListViewRowsGrowTheirSubItems) {
    HeadlessApp h;
    EventForm f(h.app, "frmTest");
    auto* lv = f.Make<TListView>("lvMain");
    lv->AddColumn("Hive Name", 205);
    lv->AddColumn("Current Size", 72, Alignment::Right);
    EXPECT_EQ(lv->ColumnCount(), 2u);
    EXPECT_EQ(lv->Column(1).alignment, Alignment::Right);
    size_t row = lv->AddItem("\\REGISTRY\\MACHINE\\SYSTEM", {"", "", ""});
    lv->SetSubItem(row, 2, "5%");
    size_t row2 = lv->AddItem("\\REGISTRY\\USER\\X");
    lv->SetSubItem(row2, 1, "12 KB");
    EXPECT_EQ(lv->Item(row).subItems, (std::vector<std::string>{"", "", "5%"}));
    EXPECT_EQ(lv->Item(row2).subItems, (std::vector<std::string>{"", "12 KB"}));
    EXPECT_THROW(lv->SetSubItem(7, 0, "x"), std::out_of_range);
    EXPECT_TRUE(lv->ReadOnly());
    EXPECT_TRUE(lv->RowSelect());
    lv->ClearItems();
    EXPECT_EQ(lv->ItemCount(), 0u);
}

TEST(ComponentModel, ClicksDoWhatTheKindAdds) {
    HeadlessApp h;
    EventForm f(h.app, "frmTest");
    int clicks = 0;
    bool checkedInHandler = false;
    auto* box = f.Make<TsuiCheckBox>("cbAsk");
    box->OnClick = [&] {
        ++clicks;
        checkedInHandler = box->Checked();
    };
    box->Click();
    EXPECT_TRUE(box->Checked());
    EXPECT_TRUE(checkedInHandler); // the handler sees the new state
    box->SetChecked(false);        // fires nothing
    EXPECT_EQ(clicks, 1);

    auto* ok = f.Make<TButton>("bOK");
    ok->SetModalResult(mrYes);
    ok->Click();
    EXPECT_EQ(f.ModalResult(), mrYes);

    std::vector<std::string> opened;
    h.app.SetUrlOpener([&](const std::string& url) { opened.push_back(url); });
    auto* link = f.Make<TsuiURLLabel>("suiURLLabel1");
    link->SetURL("https://example.org/");
    link->Click();
    EXPECT_EQ(opened, (std::vector<std::string>{"https://example.org/"}));
    EXPECT_EQ(link->Cursor(), Cursor::Hand);
}

TEST(ComponentModel, GeneralErrorBoxAddsAFullStopOnlyAfterHigherCharacters) {
    EXPECT_EQ(Application::ErrorBoxText("Unable to write to C:\\x.ini"),
              "Unable to write to C:\\x.ini.");
    EXPECT_EQ(Application::ErrorBoxText("Done."), "Done.");
    EXPECT_EQ(Application::ErrorBoxText("Stop!"), "Stop!"); // '!' (0x21) is below '.'
    EXPECT_EQ(Application::ErrorBoxText("50 %"), "50 %");
    EXPECT_EQ(Application::ErrorBoxText("a,"), "a,");
    EXPECT_EQ(Application::ErrorBoxText("a-"), "a-");  // '-' (0x2D) is just below
    EXPECT_EQ(Application::ErrorBoxText("a/"), "a/."); // '/' (0x2F) is just above
    EXPECT_EQ(Application::ErrorBoxText("100"), "100.");
    EXPECT_EQ(Application::ErrorBoxText("caf\xE9"), "caf\xE9."); // upper half of the code page
    EXPECT_EQ(Application::ErrorBoxText(""), "");
}

TEST(ComponentModel, ExceptionInAHandlerShowsTheErrorBoxAndTheLoopGoesOn) {
    HeadlessApp h;
    h.app.SetTitle("Orvane Hivelet");
    EventForm f(h.app, "frmTest");
    auto* b = f.Make<TButton>("bBoom");
    b->OnClick = [] { throw std::runtime_error("Unable to write to options.ini"); };
    auto* ok = f.Make<TButton>("bOK");
    ok->SetModalResult(mrOk);
    h.headless->WhenIdle([&] { EXPECT_TRUE(h.headless->Click(*b)); });
    h.headless->WhenIdle([&] { EXPECT_TRUE(h.headless->Click(*ok)); });
    EXPECT_EQ(f.ShowModal(), mrOk);
    ASSERT_EQ(h.headless->MessageBoxes().size(), 1u);
    const auto& box = h.headless->MessageBoxes()[0];
    EXPECT_EQ(box.text, "Unable to write to options.ini.");
    EXPECT_EQ(box.caption, "Orvane Hivelet");
    EXPECT_EQ(box.flags, mb::IconError | mb::Ok);
    EXPECT_EQ(box.owner, "frmTest");
}

} // namespace
} // namespace hivelet::ui
