#include "ui/Application.h"

#include "ui/Backend.h"
#include "ui/Form.h"

#include <algorithm>

namespace hivelet::ui {

Application::Application(std::unique_ptr<Backend> backend) : backend_(std::move(backend)) {
    backend_->Attach(*this);
    backend_->SetAppTitle(title_);
}

Application::~Application() = default;

void Application::SetTitle(std::string t) {
    title_ = std::move(t);
    backend_->SetAppTitle(title_);
}

void Application::Run(Form& mainForm) {
    mainForm_ = &mainForm;
    terminated_ = false;
    mainForm.Show();
    RunUntil([] { return false; });
}

void Application::ProcessMessages() {
    backend_->ProcessMessages();
}

void Application::RunUntil(const std::function<bool()>& done) {
    backend_->RunUntil([this, &done] { return terminated_ || done(); });
}

int Application::MessageBox(const std::string& text, const std::string& caption, uint32_t flags) {
    if (boxAnswer_)
        return boxAnswer_(MessageBoxRequest{text, caption, flags});
    return backend_->MessageBox(ActiveForm(), text, caption, flags);
}

std::string Application::ErrorBoxText(std::string text) {
    // Compared as unsigned: a last character of the upper half of the code page is above ".".
    if (!text.empty() && static_cast<unsigned char>(text.back()) > '.')
        text += '.';
    return text;
}

void Application::ShowException(const std::string& text) {
    MessageBox(ErrorBoxText(text), title_, mb::Ok | mb::IconError);
}

void Application::Guard(const std::function<void()>& fn) {
    std::string error;
    try {
        fn();
        return;
    } catch (const std::exception& e) {
        error = e.what();
    } catch (...) {
        error = "Unknown error";
    }
    // The box runs outside the catch block, so a nested loop inside it starts clean.
    try {
        ShowException(error);
    } catch (...) {
        // Nothing more can be reported; the loop goes on.
    }
}

void Application::Minimize() {
    backend_->MinimizeApp();
}
void Application::Restore() {
    backend_->RestoreApp();
}
bool Application::IsMinimized() const {
    return backend_->IsAppMinimized();
}
void Application::HideAppWindow() {
    backend_->ShowAppWindow(false);
}
void Application::ShowAppWindow() {
    backend_->ShowAppWindow(true);
}

std::optional<NativeWindow> Application::FindWindowByClass(const std::string& className) {
    return backend_->FindWindowByClass(className);
}

bool Application::PostTo(NativeWindow window, uint32_t msg, uint64_t wParam, int64_t lParam) {
    return backend_->PostToNative(window, msg, wParam, lParam);
}

void Application::BringToFront(NativeWindow window) {
    backend_->BringToFront(window);
}

Point Application::CursorPos() const {
    return backend_->CursorPos();
}

int Application::TextWidth(const std::string& text, const Font& font) const {
    return backend_->TextExtent(text, font).x;
}

Point Application::TextExtent(const std::string& text, const Font& font) const {
    return backend_->TextExtent(text, font);
}

void Application::OpenUrl(const std::string& url) {
    if (urlOpener_)
        urlOpener_(url);
    else
        backend_->OpenUrl(url);
}

Form* Application::ActiveForm() const {
    return modalStack_.empty() ? mainForm_ : modalStack_.back();
}

void Application::CloseModalFormsOwnedBy(const Form& owner) {
    auto ownedBy = [&owner](const Form* f) {
        for (const Form* o = f->Owner(); o; o = o->Owner())
            if (o == &owner)
                return true;
        return false;
    };
    // Innermost first, each as its own close would: FormClose, then the window goes. Their loops
    // see the result and unwind once control returns to them.
    const std::vector<Form*> open(modalStack_.rbegin(), modalStack_.rend());
    for (Form* f : open) {
        if (!ownedBy(f))
            continue;
        if (f->modalResult_ == mrNone)
            f->modalResult_ = mrCancel;
        f->CloseWindow();
    }
}

void Application::PushModal(Form& f) {
    modalStack_.push_back(&f);
}

void Application::PopModal(Form& f) {
    auto it = std::find(modalStack_.begin(), modalStack_.end(), &f);
    if (it != modalStack_.end())
        modalStack_.erase(it);
}

} // namespace hivelet::ui
