// A small form with one of each kind, and a headless application around it, for the model tests.
#pragma once

#include "ui/Ui.h"
#include "ui/scripted/ScriptedBackend.h"

#include <string>
#include <vector>

namespace hivelet::ui::test {

// An application on the virtual clock; `headless` stays valid for the application's life.
struct HeadlessApp {
    ScriptedBackend* headless = nullptr;
    Application app;

    explicit HeadlessApp(ScriptOptions o = {}) : app(Make(o, headless)) {}

private:
    static std::unique_ptr<Backend> Make(ScriptOptions o, ScriptedBackend*& out) {
        auto b = MakeScriptedBackend(o);
        out = b.get();
        return b;
    }
};

// Records its events in order.
class EventForm : public Form {
public:
    EventForm(Application& app, std::string name, Form* owner = nullptr)
        : Form(app, std::move(name), owner) {
        SetClassName("TEventForm");
    }
    std::vector<std::string> events;
    std::function<void()> onShow, onActivate, onClose;

    void FormCreate() override { events.push_back("create"); }
    void FormShow() override {
        events.push_back("show");
        if (onShow)
            onShow();
    }
    void FormActivate() override {
        events.push_back("activate");
        if (onActivate)
            onActivate();
    }
    void FormClose() override {
        events.push_back("close");
        if (onClose)
            onClose();
    }
};

} // namespace hivelet::ui::test
