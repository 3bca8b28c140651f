// Opening one of the maker's web pages in the user's browser.
#pragma once

#include "platform/Platform.h"
#include "ui/Form.h"

#include <string>

namespace hivelet::info {

// Asks the shell to open `address` with `owner`'s native window as the owner (none while the
// form has no window), its window shown with `showCommand`. Returns at once; the outcome is not
// looked at by any caller, since a page that does not open is not reported.
bool OpenWebPage(platform::Platform& platform, const ui::Form& owner, const std::string& address,
                 int showCommand = platform::show::Show);

} // namespace hivelet::info
