#include "info/WebPage.h"

namespace hivelet::info {

bool OpenWebPage(platform::Platform& platform, const ui::Form& owner, const std::string& address,
                 int showCommand) {
    return platform.OpenWebPage(address, owner.NativeHandle(), showCommand);
}

} // namespace hivelet::info
