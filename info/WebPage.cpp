#include "info/WebPage.h"

#include "ui/WindowSlot.h"

namespace hivelet::info {

bool OpenWebPage(platform::Platform& platform, const ui::Form& owner, const std::string& address,
                 int showCommand) {
    const uintptr_t window = owner.HandleAllocated() ? owner.Slot()->Native() : 0;
    return platform.OpenWebPage(address, window, showCommand);
}

} // namespace hivelet::info
