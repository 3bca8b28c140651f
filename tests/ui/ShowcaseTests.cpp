// The showcase form (one of each kind) on the headless backend: the same form the Win32 tests
// read back, run with no screen.
#include "Showcase.h"
#include "TestForm.h"

#include <gtest/gtest.h>

namespace hivelet::ui {
namespace {

using test::HeadlessApp;
using test::Showcase;

TEST(Showcase, OneOfEachKindBehavesWithNoScreen) {
    HeadlessApp h;
    Showcase f(h.app);
    f.Show();
    // Focus starts in the first group box by tab order, on its first box by tab order.
    EXPECT_EQ(f.ActiveControl(), f.gridLines);
    EXPECT_EQ(f.progress->PercentText(), "43%");
    // The flat button clicks; the disabled one does not.
    EXPECT_TRUE(h.headless->Click(*f.analyze));
    EXPECT_FALSE(h.headless->Click(*f.defrag));
    EXPECT_EQ(f.clicks, 1);
    // Enter presses the focused control only when it is a button, else the default button.
    f.ok->SetModalResult(mrNone);
    int okClicks = 0;
    f.ok->OnClick = [&] { ++okClicks; };
    EXPECT_TRUE(h.headless->PressEnter(f));
    EXPECT_EQ(okClicks, 1);
    // The link opens its address through the backend when the app supplies no opener.
    EXPECT_TRUE(h.headless->Click(*f.link));
    EXPECT_EQ(h.headless->OpenedUrls(), (std::vector<std::string>{"https://www.orvane.example/"}));
    // The banner's context menu.
    h.headless->ChooseMenuItem("miEnglish");
    EXPECT_TRUE(h.headless->RightClick(*f.banner));
    ASSERT_EQ(h.headless->Menus().size(), 1u);
    EXPECT_EQ(h.headless->Menus()[0].chosen, "miEnglish");
    f.Close();
    EXPECT_FALSE(f.Visible());
}

} // namespace
} // namespace hivelet::ui
