// The main window as created: the designed places, the buttons moved up into the hidden home
// page button's place, and the texts, checked against the English language file that translators
// start from.
#include "MainWindowFixture.h"

#include "shell/Artwork.h"

#include <fstream>
#include <map>

namespace hivelet::shell::test {
namespace {

using Section = std::vector<std::pair<std::string, std::string>>;

std::map<std::string, Section> ReadLanguageFile(const std::string& path) {
    std::map<std::string, Section> sections;
    std::ifstream in(path);
    std::string line, current;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.size() > 2 && line.front() == '[' && line.back() == ']') {
            current = line.substr(1, line.size() - 2);
        } else if (auto eq = line.find('='); eq != std::string::npos && !current.empty()) {
            sections[current].emplace_back(line.substr(0, eq), line.substr(eq + 1));
        }
    }
    return sections;
}

TEST_F(MainWindowTest, ButtonsBelowTheHiddenHomePageButtonMoveUpWithTheirPlacesColours) {
    TfrmMain& f = Create();
    EXPECT_FALSE(f.bHomepage->Visible());
    EXPECT_EQ(f.bHomepage->Bounds(), (ui::Rect{15, 221, 68, 25}));

    EXPECT_EQ(f.bLanguage->Bounds(), (ui::Rect{16, 221, 64, 25}));
    EXPECT_EQ(f.bAbout->Bounds(), (ui::Rect{16, 252, 37, 25}));
    EXPECT_EQ(f.bExit->Bounds(), (ui::Rect{16, 283, 35, 25}));
    // Each takes the border colour designed for its new place.
    EXPECT_EQ(f.bLanguage->ColorBorder(), 0xF1EFEEu);
    EXPECT_EQ(f.bAbout->ColorBorder(), 0xF5F6F4u);
    EXPECT_EQ(f.bExit->ColorBorder(), 0xF1F2F0u);
}

TEST_F(MainWindowTest, ControlsSitAtTheirDesignedPlaces) {
    TfrmMain& f = Create();
    EXPECT_EQ(f.ClientWidth(), 556);
    EXPECT_EQ(f.ClientHeight(), 392);
    EXPECT_EQ(f.BorderStyle(), ui::BorderStyle::None);
    EXPECT_EQ(f.Position(), ui::FormPosition::ScreenCenter);
    EXPECT_EQ(f.WindowClassName(), "Orvane Hivelet Made by Orvane Software");
    EXPECT_EQ(f.Font().name, "MS Sans Serif");
    EXPECT_EQ(f.Font().height, -11);

    EXPECT_EQ(f.Image1->Bounds(), (ui::Rect{0, 0, 556, 393}));
    EXPECT_TRUE(f.Image1->Stretch());
    EXPECT_EQ(f.Image1->PopupMenu(), f.pmHelp);
    EXPECT_EQ(f.lTitle->Bounds(), (ui::Rect{17, 12, 197, 16}));
    EXPECT_TRUE(f.lTitle->Font().bold);
    EXPECT_EQ(f.lTitle->Font().height, -13); // 10 pt
    EXPECT_EQ(f.bMinimize->Bounds(), (ui::Rect{488, 9, 24, 24}));
    EXPECT_EQ(f.bClose->Bounds(), (ui::Rect{517, 9, 24, 24}));
    EXPECT_EQ(f.lTitle1->Bounds(), (ui::Rect{13, 67, 88, 13}));
    EXPECT_EQ(f.lTitle3->Bounds(), (ui::Rect{13, 193, 72, 13}));
    EXPECT_TRUE(f.lTitle1->Font().bold);
    EXPECT_EQ(f.Bevel1->Bounds(), (ui::Rect{11, 85, 100, 1}));
    EXPECT_EQ(f.Bevel2->Bounds(), (ui::Rect{11, 213, 100, 1}));
    EXPECT_EQ(f.bAnalyzeRegistry->Bounds(), (ui::Rect{13, 93, 94, 25}));
    EXPECT_EQ(f.bDefragRegistry->Bounds(), (ui::Rect{13, 122, 91, 25}));
    EXPECT_EQ(f.bOptions->Bounds(), (ui::Rect{12, 151, 56, 25}));
    EXPECT_FALSE(f.bDefragRegistry->Enabled());
    EXPECT_EQ(f.lvMain->Bounds(), (ui::Rect{119, 65, 423, 236}));
    EXPECT_EQ(f.suiURLLabel1->Left(), 436);
    EXPECT_EQ(f.suiURLLabel1->Top(), 38);
    EXPECT_EQ(f.suiURLLabel1->URL(), "https://www.orvane.example/");

    const std::pair<ui::TLabel*, ui::Point> captions[] = {
        {f.lLastWashed, {116, 312}},      {f.Label4, {116, 330}}, {f.Label5, {116, 348}},
        {f.lCompactPercent1, {117, 366}}, {f.Label6, {342, 312}}, {f.Label2, {353, 330}},
        {f.Label1, {353, 348}},           {f.Label3, {353, 366}},
    };
    for (const auto& [label, at] : captions)
        EXPECT_EQ((ui::Point{label->Left(), label->Top()}), at) << label->Name();

    int top = 312;
    for (ui::TLabel* value :
         {f.lCurrentRegistrySize, f.lNewRegistrySize, f.lSizeReduction, f.lCompactPercent}) {
        EXPECT_EQ(value->Left(), 222) << value->Name();
        EXPECT_EQ(value->Top(), top) << value->Name();
        EXPECT_EQ(value->Width(), 70) << value->Name();
        EXPECT_EQ(value->Alignment(), ui::Alignment::Right) << value->Name();
        EXPECT_EQ(value->Caption(), "") << value->Name();
        top += 18;
    }

    ASSERT_EQ(f.lvMain->ColumnCount(), 4u);
    const std::tuple<const char*, int, ui::Alignment> columns[] = {
        {"Hive Name", 205, ui::Alignment::Left},
        {"Current Size", 72, ui::Alignment::Right},
        {"New Size", 70, ui::Alignment::Right},
        {"Reduction", 65, ui::Alignment::Right},
    };
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(f.lvMain->Column(i).caption, std::get<0>(columns[i]));
        EXPECT_EQ(f.lvMain->Column(i).width, std::get<1>(columns[i]));
        EXPECT_EQ(f.lvMain->Column(i).alignment, std::get<2>(columns[i]));
    }
    EXPECT_TRUE(f.lvMain->ReadOnly());
    EXPECT_TRUE(f.lvMain->RowSelect());
    EXPECT_TRUE(f.lvMain->GridLines());

    for (ui::Component* c : f.Components()) {
        auto* b = c->As<ui::TFlatSpeedButton>();
        if (!b)
            continue;
        EXPECT_EQ(b->Height(), 25) << b->Name();
        EXPECT_EQ(b->Cursor(), ui::Cursor::Hand) << b->Name();
        EXPECT_TRUE(b->ShowHint()) << b->Name();
        EXPECT_EQ(b->ColorFocused(), ui::kSilver) << b->Name();
    }
}

TEST_F(MainWindowTest, TitleCarriesTheVersion) {
    TfrmMain& f = Create();
    EXPECT_EQ(f.lTitle->Caption(), "Orvane Hivelet 3.0");
}

// Every key of the main window's sections in the English file must name a component that shows
// that very text: a misspelt name loses its translations, a changed text drifts from the file.
TEST_F(MainWindowTest, TextsMatchTheEnglishLanguageFile) {
    TfrmMain& f = Create();
    const auto file =
        ReadLanguageFile(std::string(HIVELET_SOURCE_DIR) + "/Languages/DLan_English.ini");
    ASSERT_TRUE(file.count("frmMain")) << "Languages/DLan_English.ini not found or empty";

    for (const auto& [key, text] : file.at("frmMain")) {
        if (key == "frmMain")
            continue;
        if (auto col = key.find("_Column"); col != std::string::npos) {
            auto* lv = dynamic_cast<ui::TListView*>(f.FindComponent(key.substr(0, col)));
            ASSERT_NE(lv, nullptr) << key;
            const size_t index = std::stoul(key.substr(col + 7));
            ASSERT_LT(index, lv->ColumnCount()) << key;
            EXPECT_EQ(lv->Column(index).caption, text) << key;
            continue;
        }
        if (key.size() > 4 && key.compare(key.size() - 4, 4, "Hint") == 0) {
            auto* c = dynamic_cast<ui::Control*>(f.FindComponent(key.substr(0, key.size() - 4)));
            ASSERT_NE(c, nullptr) << key;
            EXPECT_EQ(c->Hint(), text) << key;
            EXPECT_TRUE(c->ShowHint()) << key << ": a hint that is not shown is never translated";
            continue;
        }
        auto* c = dynamic_cast<ui::Control*>(f.FindComponent(key));
        ASSERT_NE(c, nullptr) << key;
        EXPECT_EQ(c->Caption(), text) << key;
    }

    size_t items = 0;
    for (const auto& [key, text] : file.at("Menu_frmMain")) {
        auto* item = dynamic_cast<ui::TMenuItem*>(f.FindComponent(key));
        ASSERT_NE(item, nullptr) << key;
        EXPECT_EQ(item->Caption(), text) << key;
        ++items;
    }
    // Both menus hold exactly the named items of the file plus their separators.
    EXPECT_EQ(f.pmHelp->Items().size() + f.pmLanguage->Items().size(), items + 4);
}

TEST_F(MainWindowTest, MenusHoldTheirItemsInOrder) {
    TfrmMain& f = Create();
    auto names = [](ui::TPopupMenu* m) {
        std::vector<std::string> out;
        for (ui::TMenuItem* i : m->Items())
            out.push_back(i->Name());
        return out;
    };
    EXPECT_EQ(names(f.pmHelp), (std::vector<std::string>{"pmiHelp", "N5", "Homepage1", "N1",
                                                         "pmiCheckUpdate", "N2", "About1"}));
    const std::vector<std::string> languages = names(f.pmLanguage);
    ASSERT_EQ(languages.size(), 26u);
    EXPECT_EQ(languages.front(), "miArabic");
    EXPECT_EQ(languages[6], "miEnglish");
    EXPECT_EQ(languages[23], "miUkranian");
    EXPECT_EQ(languages[24], "N6");
    EXPECT_TRUE(f.N6->IsSeparator());
    EXPECT_EQ(languages[25], "miOther");
}

// The side bar of the background has, at every row of each flat button, the button's border
// colour, so the frames melt into the picture wherever the buttons end up.
TEST_F(MainWindowTest, FlatButtonBordersMatchTheBackgroundUnderThem) {
    TfrmMain& f = Create();
    const ui::Bitmap& picture = f.Image1->Picture();
    ASSERT_EQ(picture.width, 556);
    ASSERT_EQ(picture.height, 393);
    for (ui::TFlatSpeedButton* b : {f.bAnalyzeRegistry, f.bDefragRegistry, f.bOptions, f.bLanguage,
                                    f.bAbout, f.bExit, f.bHomepage}) {
        for (int y = b->Top(); y < b->Top() + b->Height(); ++y) {
            for (int x : {b->Left(), b->Left() + b->Width() / 2, b->Left() + b->Width() - 1}) {
                ASSERT_EQ(picture.At(x, y) & 0xFFFFFFu, b->ColorBorder())
                    << b->Name() << " at " << x << "," << y;
            }
        }
    }
}

} // namespace
} // namespace hivelet::shell::test
