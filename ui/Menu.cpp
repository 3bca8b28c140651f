#include "ui/Menu.h"

#include "ui/Application.h"
#include "ui/Backend.h"

namespace hivelet::ui {

TMenuItem* TPopupMenu::Popup(Point screen) {
    TMenuItem* chosen = App().GetBackend().TrackPopup(*this, screen);
    if (chosen)
        App().Guard([chosen] { chosen->Click(); });
    return chosen;
}

} // namespace hivelet::ui
