// The backend the native build starts with: headless on the real clock, its boxes answered by
// the entry point's function.
#include "ui/MakeBackend.h"
#include "ui/Ui.h"

#include <gtest/gtest.h>

namespace hivelet::ui {
namespace {

TEST(MakeBackend, NativeBoxesGoToTheGivenFunction) {
    std::vector<std::string> shown;
    BackendOptions options;
    options.answerWithoutScreen = [&](const MessageBoxRequest& box) {
        shown.push_back(box.caption + ": " + box.text);
        return box.flags == (mb::YesNo | mb::DefButton2) ? mrNo : mrOk;
    };
    Application app(MakeBackend(options));
    app.SetTitle("Orvane Hivelet");
    EXPECT_EQ(app.MessageBox("Contiue to defrag?", "Orvane Hivelet", mb::YesNo | mb::DefButton2),
              mrNo);
    app.ShowException("Unable to write to options.ini");
    EXPECT_EQ(shown, (std::vector<std::string>{"Orvane Hivelet: Contiue to defrag?",
                                               "Orvane Hivelet: Unable to write to options.ini."}));
}

TEST(MakeBackend, NativeBoxesWithoutAFunctionTakeTheirDefaultButton) {
    Application app(MakeBackend());
    EXPECT_EQ(app.MessageBox("?", "Orvane Hivelet", mb::YesNo | mb::DefButton2), mrNo);
    EXPECT_EQ(app.MessageBox("?", "Orvane Hivelet", mb::OkCancel), mrOk);
}

} // namespace
} // namespace hivelet::ui
