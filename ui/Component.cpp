#include "ui/Component.h"

#include "ui/Form.h"

namespace hivelet::ui {

Component::Component(Form& owner, std::string name) : owner_(owner), name_(std::move(name)) {}

Component::~Component() = default;

Application& Component::App() const {
    return owner_.App();
}

} // namespace hivelet::ui
