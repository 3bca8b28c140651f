// Puts the showcase form on the screen (for pictures of the toolkit).
// Usage: ui_showcase [MILLISECONDS [borderless]]
//   closes itself after that long when given (0: stays); "borderless" shows it without a frame.
#include "Showcase.h"

#include "ui/MakeBackend.h"

#include <cstdlib>
#include <string>

using namespace hivelet::ui;

int main(int argc, char** argv) {
    Application app(MakeBackend());
    app.SetTitle("Hivelet toolkit");
    test::Showcase form(app);
    long closeAfter = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 0;
    if (argc > 2 && std::string(argv[2]) == "borderless")
        form.SetBorderStyle(BorderStyle::None);
    if (closeAfter > 0) {
        form.timer->SetInterval(uint32_t(closeAfter));
        form.timer->OnTimer = [&form] { form.Close(); };
        form.timer->SetEnabled(true);
    }
    app.Run(form);
    return 0;
}
