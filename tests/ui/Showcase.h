// A form with one of each kind of control, laid out like Hivelet's windows. The Win32 tests read
// it back through the Win32 API and the showcase program puts it on the screen for a picture.
#pragma once

#include "ui/Ui.h"

namespace hivelet::ui::test {

class Showcase : public Form {
public:
    explicit Showcase(Application& app, Form* owner = nullptr);

    TImage* banner;
    TLabel* title;
    TImageButton* closeImage;
    TsuiImageButton* minimizeImage;
    TsuiURLLabel* link;
    TLabel* heading;
    TSeparator* rule;
    TFlatSpeedButton* analyze;
    TFlatSpeedButton* defrag;
    TsuiGroupBox* options;
    TsuiCheckBox* restore;
    TsuiCheckBox* gridLines;
    TLabel* note;
    TListView* list;
    TLabel* checking;
    TMemo* memo;
    TsuiProgressBar* progress;
    TGroupBox* titled;
    TLabel* inTitled;
    TPanel* line;
    TButton* ok;
    TsuiButton* cancel;
    TTimer* timer;
    TPopupMenu* menu;
    TMenuItem* english;
    TMenuItem* german;
    TMenuItem* separator;
    TMenuItem* other;

    int clicks = 0;
    std::function<void()> onClose;
    void FormClose() override {
        if (onClose)
            onClose();
    }
};

// A simple artwork: a vertical gradient between two colours.
Bitmap Gradient(int width, int height, Color top, Color bottom);

} // namespace hivelet::ui::test
