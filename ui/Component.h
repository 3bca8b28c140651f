// The root of every part of a window: a named component owned by a form.
//
// The form that owns a component keeps it (through std::unique_ptr) in creation order; that order
// is the order the language files are applied in and the drag test walks. Components are never
// copied or moved: the backends and event handlers hold plain pointers to them for the form's life.
#pragma once

#include <string>
#include <string_view>

namespace hivelet::ui {

class Form;
class Application;

class Component {
public:
    static constexpr const char* kClassName = "TComponent";

    Component(Form& owner, std::string name);
    virtual ~Component();
    Component(const Component&) = delete;
    Component& operator=(const Component&) = delete;

    const std::string& Name() const { return name_; }
    Form& Owner() const { return owner_; }
    Application& App() const;

    // The class name the forms and the language files know this kind by ("TLabel", ...).
    virtual const char* ClassName() const { return kClassName; }
    // True when this component is of class `name` or of a class derived from it. Mirrors
    // IsKindOf<T>() for code that only has the name.
    virtual bool InheritsFrom(std::string_view name) const { return name == kClassName; }

    // "Of class T or of a class derived from it."
    template <class T> bool IsKindOf() const { return dynamic_cast<const T*>(this) != nullptr; }
    template <class T> T* As() { return dynamic_cast<T*>(this); }
    template <class T> const T* As() const { return dynamic_cast<const T*>(this); }

    // Free for the form's own use.
    long long Tag = 0;

private:
    Form& owner_;
    std::string name_;
};

// Declares a kind's class name and its place in the class chain. Used inside the class body of
// every component kind: `HIVELET_UI_KIND(TLabel, TCustomLabel)`.
#define HIVELET_UI_KIND(Self, Base)                                                                \
    static constexpr const char* kClassName = #Self;                                               \
    const char* ClassName() const override {                                                       \
        return kClassName;                                                                         \
    }                                                                                              \
    bool InheritsFrom(std::string_view n) const override {                                         \
        return n == kClassName || Base::InheritsFrom(n);                                           \
    }

} // namespace hivelet::ui
