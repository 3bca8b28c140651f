#include "i18n/ApplyLanguage.h"

#include "i18n/LanguageFile.h"
#include "ui/Buttons.h"
#include "ui/Containers.h"
#include "ui/Labels.h"
#include "ui/ListView.h"
#include "ui/Menu.h"

namespace hivelet::i18n {
namespace {

// Reads one value of the window's file, with the current text as the default.
class WindowTexts {
public:
    WindowTexts(platform::Platform& platform, const ui::Form& window, const std::string& language)
        : platform_(platform), file_(LanguageFileName(platform, language)), section_(window.Name()),
          menuSection_(MenuSectionPrefix + window.Name()) {}

    std::string Read(const std::string& key, const std::string& current) const {
        return platform_.GetProfileString(section_, key, current, file_);
    }
    std::string ReadMenu(const std::string& key, const std::string& current) const {
        return platform_.GetProfileString(menuSection_, key, current, file_);
    }

private:
    platform::Platform& platform_;
    std::string file_;
    std::string section_;
    std::string menuSection_;
};

// The kinds whose caption comes from key = control name. Checked as "of that class or derived
// from it", so a kind added later under one of these gets its caption too. TsuiGroupBox is a
// sibling of TGroupBox (both derive from TCustomGroupBox), hence its own check.
bool HasTranslatedCaption(const ui::Component& c) {
    return c.IsKindOf<ui::TLabel>() || c.IsKindOf<ui::TButton>() || c.IsKindOf<ui::TGroupBox>() ||
           c.IsKindOf<ui::TPanel>() || c.IsKindOf<ui::TsuiURLLabel>() ||
           c.IsKindOf<ui::TFlatSpeedButton>() || c.IsKindOf<ui::TsuiCheckBox>() ||
           c.IsKindOf<ui::TsuiButton>() || c.IsKindOf<ui::TsuiGroupBox>();
}

void ApplyToColumns(const WindowTexts& texts, ui::TListView& list) {
    for (size_t i = 0; i < list.ColumnCount(); ++i) {
        const std::string key = list.Name() + ColumnKeyInfix + std::to_string(i);
        list.SetColumnCaption(i, texts.Read(key, list.Column(i).caption));
    }
}

} // namespace

void ApplyLanguage(platform::Platform& platform, ui::Form& window, const std::string& language) {
    const WindowTexts texts(platform, window, language);
    window.SetCaption(texts.Read(window.Name(), window.Caption()));

    for (ui::Component* component : window.Components()) {
        if (auto* item = component->As<ui::TMenuItem>()) {
            // Separators carry no text; menu items have no hint display.
            if (!item->IsSeparator()) {
                item->SetCaption(texts.ReadMenu(item->Name(), item->Caption()));
            }
            continue;
        }
        auto* control = component->As<ui::Control>();
        if (control == nullptr) {
            continue; // popup menus, timers: no text of their own
        }
        if (HasTranslatedCaption(*control)) {
            control->SetCaption(texts.Read(control->Name(), control->Caption()));
        } else if (auto* list = control->As<ui::TListView>()) {
            ApplyToColumns(texts, *list);
        }
        if (control->ShowHint()) {
            control->SetHint(texts.Read(control->Name() + HintKeySuffix, control->Hint()));
        }
    }
}

} // namespace hivelet::i18n
