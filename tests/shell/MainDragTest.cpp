// Dragging the borderless main window by its background: the drag test at the edges of the
// controls drawn on the picture, and the window's hit test as the system asks it.
#include "MainWindowFixture.h"

namespace hivelet::shell::test {
namespace {

class MainDragTest : public MainWindowTest {
protected:
    // The four corners of a control's inclusive bounds, and the four points just outside them.
    static std::vector<ui::Point> Corners(const ui::Rect& r) {
        return {{r.left, r.top}, {r.Right(), r.top}, {r.left, r.Bottom()}, {r.Right(), r.Bottom()}};
    }
    static std::vector<ui::Point> JustOutside(const ui::Rect& r) {
        const int midX = r.left + r.width / 2, midY = r.top + r.height / 2;
        return {
            {r.left - 1, midY}, {r.Right() + 1, midY}, {midX, r.top - 1}, {midX, r.Bottom() + 1}};
    }
};

TEST_F(MainDragTest, FlatButtonsAndLabelsAreNotDragAreasUpToAndIncludingTheirEdges) {
    TfrmMain& f = Create();
    for (ui::Control* c : std::initializer_list<ui::Control*>{
             f.bAnalyzeRegistry, f.bOptions, f.bExit, f.Label6, f.lTitle, f.suiURLLabel1,
             f.lCompactPercent, f.bClose}) {
        for (ui::Point p : Corners(c->Bounds()))
            EXPECT_FALSE(f.IsDragArea(p)) << c->Name() << " at " << p.x << "," << p.y;
    }
    // Points just past an edge lie on the background (chosen where no other control is near).
    for (ui::Control* c :
         std::initializer_list<ui::Control*>{f.bOptions, f.Label6, f.suiURLLabel1, f.bClose}) {
        for (ui::Point p : JustOutside(c->Bounds()))
            EXPECT_TRUE(f.IsDragArea(p)) << c->Name() << " at " << p.x << "," << p.y;
    }
}

TEST_F(MainDragTest, TheHiddenHomePageButtonIsIgnored) {
    TfrmMain& f = Create();
    // x = 15 lies inside the hidden button only: the Language button moved in starts at 16.
    EXPECT_TRUE(f.IsDragArea({15, 230}));
    EXPECT_FALSE(f.IsDragArea({16, 230}));
    // A label that is hidden stops covering the background too.
    f.Label6->SetVisible(false);
    EXPECT_TRUE(f.IsDragArea({f.Label6->Left() + 1, f.Label6->Top() + 1}));
}

TEST_F(MainDragTest, BackgroundAndWindowedControlsAreLeftToTheirOwnHitTests) {
    TfrmMain& f = Create();
    EXPECT_TRUE(f.IsDragArea({0, 0}));
    EXPECT_TRUE(f.IsDragArea({555, 391}));
    // Between the step hint labels (rows 344 to 347 are free).
    EXPECT_TRUE(f.IsDragArea({380, 345}));
    // The list view, the minimise button and the rules are windowed: not this test's concern.
    EXPECT_TRUE(f.IsDragArea({200, 150}));
    EXPECT_TRUE(f.IsDragArea({500, 20}));
    EXPECT_TRUE(f.IsDragArea({50, 85}));
}

TEST_F(MainDragTest, HitTestAnswersCaptionOnlyOnTheBackground) {
    TfrmMain& f = Show();
    // Background between the step hints: the press moves the window.
    EXPECT_EQ(headless->HitTest(f, Screen({380, 345})), ui::ht::Caption);
    EXPECT_EQ(headless->HitTest(f, Screen({300, 20})), ui::ht::Caption);
    // A label, a flat button, the close image: ordinary client area.
    EXPECT_EQ(headless->HitTest(f, Screen({f.Label2->Left() + 2, 335})), ui::ht::Client);
    EXPECT_EQ(headless->HitTest(f, Screen({20, 100})), ui::ht::Client);
    EXPECT_EQ(headless->HitTest(f, Screen({528, 20})), ui::ht::Client);
    // The list view answers for itself.
    EXPECT_EQ(headless->HitTest(f, Screen({200, 150})), ui::ht::Nowhere);
    // The window follows a move: the drag test uses the window's current place.
    f.SetLeftTop(f.Left() + 40, f.Top() + 30);
    EXPECT_EQ(headless->HitTest(f, Screen({380, 345})), ui::ht::Caption);
    EXPECT_EQ(headless->HitTest(f, Screen({20, 100})), ui::ht::Client);
}

TEST_F(MainDragTest, StandardAnswersOtherThanClientStand) {
    TfrmMain& f = Create();
    EXPECT_EQ(f.NcHitTest(Screen({380, 345}), ui::ht::Nowhere), ui::ht::Nowhere);
    EXPECT_EQ(f.NcHitTest(Screen({380, 345}), ui::ht::Client), ui::ht::Caption);
    EXPECT_EQ(f.NcHitTest(Screen({20, 100}), ui::ht::Client), ui::ht::Client);
}

} // namespace
} // namespace hivelet::shell::test
