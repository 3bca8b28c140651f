// Puts the showcase form on the screen (for pictures of the toolkit).
// Usage: ui_showcase [MILLISECONDS]   closes itself after that long when given.
#include "Showcase.h"

#include "ui/MakeBackend.h"

#include <cstdlib>

using namespace hivelet::ui;

int main(int argc, char** argv) {
    Application app(MakeBackend());
    app.SetTitle("Hivelet toolkit");
    test::Showcase form(app);
    long closeAfter = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 0;
    if (closeAfter > 0) {
        form.timer->SetInterval(uint32_t(closeAfter));
        form.timer->OnTimer = [&form] { form.Close(); };
        form.timer->SetEnabled(true);
    }
    app.Run(form);
    return 0;
}
