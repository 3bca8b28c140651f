#include "ui/Form.h"

#include "ui/Application.h"
#include "ui/Backend.h"
#include "ui/Buttons.h"
#include "ui/WindowSlot.h"

#include <algorithm>
#include <stdexcept>

namespace hivelet::ui {

Form::Form(Application& app, std::string name, Form* owner)
    : app_(app), name_(std::move(name)), owner_(owner) {}

Form::~Form() {
    if (modal_)
        app_.PopModal(*this);
    if (app_.mainForm_ == this)
        app_.mainForm_ = nullptr;
    if (slot_) {
        slot_->Expire();
        app_.GetBackend().DestroyFormWindow(*this);
        slot_.reset();
    }
    // Contained controls before their containers, timers stopped with their components.
    while (!components_.empty())
        components_.pop_back();
}

std::string Form::WindowClassName() const {
    return windowClass_.empty() ? "Hivelet." + className_ : windowClass_;
}

void Form::SetCaption(std::string c) {
    if (c == caption_)
        return;
    caption_ = std::move(c);
    FormChanged(FormProp::Caption);
}

void Form::SetClientSize(int width, int height) {
    clientWidth_ = width;
    clientHeight_ = height;
    FormChanged(FormProp::Bounds);
}

void Form::SetBorderStyle(ui::BorderStyle s) {
    if (s == borderStyle_)
        return;
    borderStyle_ = s;
    FormChanged(FormProp::Style);
}

void Form::SetLeftTop(int left, int top) {
    left_ = left;
    top_ = top;
    placed_ = true;
    FormChanged(FormProp::Bounds);
}

Rect Form::WindowRect() const {
    FrameInsets f = app_.GetBackend().Frame(borderStyle_);
    return Rect{left_, top_, clientWidth_ + f.left + f.right, clientHeight_ + f.top + f.bottom};
}

Point Form::ClientOrigin() const {
    FrameInsets f = app_.GetBackend().Frame(borderStyle_);
    return Point{left_ + f.left, top_ + f.top};
}

void Form::SetColor(ui::Color c) {
    if (c == color_)
        return;
    color_ = c;
    FormChanged(FormProp::Color);
}

void Form::Adopt(std::unique_ptr<Component> c, Control* parent) {
    Component* raw = c.get();
    components_.push_back(std::move(c));
    if (auto* control = dynamic_cast<Control*>(raw)) {
        control->SetParent(parent);
        if (slot_)
            app_.GetBackend().ControlAdded(*control);
    } else if (parent) {
        throw std::logic_error(raw->Name() + " is not a control and cannot have a parent");
    }
}

std::vector<Component*> Form::Components() const {
    std::vector<Component*> out;
    out.reserve(components_.size());
    for (const auto& c : components_)
        out.push_back(c.get());
    return out;
}

Component* Form::FindComponent(std::string_view name) const {
    for (const auto& c : components_)
        if (c->Name() == name)
            return c.get();
    return nullptr;
}

void Form::OnMessage(uint32_t msg, MessageHandler handler) {
    if (handler)
        handlers_[msg] = std::move(handler);
    else
        handlers_.erase(msg);
}

void Form::FormChanged(FormProp what) {
    if (slot_)
        app_.GetBackend().UpdateForm(*this, what);
}

void Form::ControlChanged(Control& c, Prop what) {
    if (slot_)
        app_.GetBackend().UpdateControl(c, what);
}

void Form::WindowMovedTo(Point outerTopLeft) {
    left_ = outerTopLeft.x;
    top_ = outerTopLeft.y;
    placed_ = true;
}

void Form::WindowResizedTo(int clientWidth, int clientHeight) {
    clientWidth_ = clientWidth;
    clientHeight_ = clientHeight;
}

void Form::PlaceWindow() {
    Rect outer = WindowRect();
    Rect area = app_.GetBackend().Screen();
    if (position_ == FormPosition::OwnerCenter && owner_)
        area = owner_->WindowRect();
    else if (position_ == FormPosition::Designed)
        return;
    left_ = area.left + (area.width - outer.width) / 2;
    top_ = area.top + (area.height - outer.height) / 2;
}

void Form::HandleNeeded() {
    if (slot_)
        return;
    if (!placed_ || position_ != FormPosition::Designed)
        PlaceWindow();
    slot_ = std::make_shared<detail::WindowSlot>(app_.GetBackend(), *this);
    app_.GetBackend().CreateFormWindow(*this);
}

Control* Form::FirstInTabOrder(const Control* parent) const {
    std::vector<Control*> level;
    for (const auto& c : components_)
        if (auto* control = dynamic_cast<Control*>(c.get()); control && control->Parent() == parent)
            level.push_back(control);
    // Controls without a tab order keep creation order after those with one.
    std::stable_sort(level.begin(), level.end(), [](const Control* a, const Control* b) {
        unsigned ta = unsigned(a->TabOrder()), tb = unsigned(b->TabOrder());
        return ta < tb;
    });
    for (Control* c : level) {
        if (!c->Visible() || !c->Enabled())
            continue;
        if (c->IsContainer()) {
            if (Control* inner = FirstInTabOrder(c))
                return inner;
        } else if (c->CanFocus()) {
            return c;
        }
    }
    return nullptr;
}

void Form::SetActiveControl(Control* c) {
    if (c && &c->Owner() != this)
        throw std::logic_error("the active control must belong to the form");
    activeControl_ = c;
    FormChanged(FormProp::Focus);
}

TButton* Form::DefaultButton() const {
    for (const auto& c : components_)
        if (auto* b = dynamic_cast<TButton*>(c.get()); b && b->Default() && b->IsShowing())
            return b;
    return nullptr;
}

TButton* Form::CancelButton() const {
    for (const auto& c : components_)
        if (auto* b = dynamic_cast<TButton*>(c.get()); b && b->Cancel() && b->IsShowing())
            return b;
    return nullptr;
}

void Form::Show() {
    if (visible_)
        return;
    HandleNeeded();
    if (!activeControl_ || !activeControl_->IsShowing() || !activeControl_->IsEnabledInTree())
        activeControl_ = FirstInTabOrder(nullptr);
    app_.Guard([this] { FormShow(); });
    if (!slot_)
        return; // FormShow closed the form
    visible_ = true;
    app_.GetBackend().ShowFormWindow(*this, true);
    FormChanged(FormProp::Focus);
    app_.Guard([this] { FormActivate(); });
}

void Form::Hide() {
    if (!visible_)
        return;
    visible_ = false;
    if (slot_)
        app_.GetBackend().ShowFormWindow(*this, false);
}

void Form::HideWindow() {
    if (slot_)
        app_.GetBackend().ShowFormWindow(*this, false);
}

ModalResult Form::ShowModal() {
    if (modal_ || visible_)
        throw std::logic_error("ShowModal of a form that is already shown: " + name_);
    Backend& backend = app_.GetBackend();
    modal_ = true;
    modalResult_ = mrNone;
    HandleNeeded();
    app_.PushModal(*this);
    backend.BeginModal(*this);
    // Ends the showing also when a handler's exception unwinds through here.
    struct Finish {
        Form& f;
        bool done = false;
        void Now() {
            if (done)
                return;
            done = true;
            f.modal_ = false;
            if (f.modalResult_ == mrNone)
                f.modalResult_ = mrCancel;
            f.CloseWindow(); // FormClose may still change the result
            f.app_.GetBackend().EndModal(f);
            f.app_.PopModal(f);
        }
        ~Finish() { Now(); }
    } finish{*this};
    Show();
    app_.RunUntil([this] { return modalResult_ != mrNone; });
    finish.Now();
    return modalResult_;
}

void Form::Close() {
    if (modal_) {
        modalResult_ = mrCancel;
        return;
    }
    if (!visible_ && !slot_)
        return;
    // The dialogs shown over this form go first: their workers are abandoned and released
    // before this form's close may wait for them.
    app_.CloseModalFormsOwnedBy(*this);
    CloseWindow();
    if (app_.mainForm_ == this)
        app_.Terminate();
}

void Form::CloseWindow() {
    // A modal form closed from outside its loop (CloseModalFormsOwnedBy) is not closed again when
    // the loop unwinds.
    if (closing_ || (!slot_ && !visible_))
        return;
    closing_ = true;
    app_.Guard([this] { FormClose(); });
    visible_ = false;
    if (slot_) {
        Backend& backend = app_.GetBackend();
        backend.ShowFormWindow(*this, false);
        slot_->Expire(); // releases waiting hand-overs; later posts do nothing
        backend.DestroyFormWindow(*this);
        slot_.reset();
    }
    closing_ = false;
}

NativeWindow Form::NativeHandle() const {
    return slot_ ? slot_->Native() : 0;
}

WindowRef Form::Ref() {
    HandleNeeded();
    return WindowRef(slot_);
}

bool Form::Post(uint32_t msg, uint64_t wParam, int64_t lParam) {
    HandleNeeded();
    return slot_->Post(msg, wParam, lParam);
}

void Form::RunHandOvers() {
    if (!slot_)
        return;
    for (auto& job : slot_->TakeJobs()) {
        app_.Guard(job->work);
        job->Finish(detail::HandOverJob::State::Done);
    }
}

bool Form::DispatchMessage(uint32_t msg, uint64_t wParam, int64_t lParam) {
    if (msg == detail::kHandOverMessage) {
        RunHandOvers();
        return true;
    }
    if (auto it = handlers_.find(msg); it != handlers_.end()) {
        MessageHandler handler = it->second; // the handler may replace itself
        app_.Guard([&] { handler(wParam, lParam); });
        return true;
    }
    if (msg == wm::Close) {
        Close();
        return true;
    }
    if (msg == wm::SysCommand && (wParam & 0xFFF0) == sc::Minimize && app_.MainForm() == this) {
        // The application window carries the taskbar button, so it is what minimises.
        app_.Minimize();
        return true;
    }
    if (msg == wm::SysCommand && (wParam & 0xFFF0) == sc::Close)
        return DispatchMessage(wm::Close, 0, 0); // as the system turns it into WM_CLOSE
    return false;
}

int Form::HitTest(Point screen, int standard) {
    if (!OnNcHitTest)
        return standard;
    int answer = standard;
    app_.Guard([&] { answer = OnNcHitTest(screen, standard); });
    return answer;
}

void Form::UserClick(Control& c) {
    if (!c.IsShowing() || !c.IsEnabledInTree())
        return;
    app_.Guard([&c] { c.Click(); });
}

} // namespace hivelet::ui
