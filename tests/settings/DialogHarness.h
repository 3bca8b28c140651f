// What the dialog suites share: a headless application on the virtual clock, a scriptable
// platform, and the shipped English language file.
#pragma once

#include "platform/fake/FakePlatform.h"
#include "platform/ini/Profile.h"
#include "ui/TestForm.h"
#include "ui/Ui.h"

#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace hivelet::test {

inline const std::string ProgramFolder = "C:\\Program Files\\Hivelet\\";
inline const std::string OptionsIni = ProgramFolder + "options.ini";

// The text of a file of the source tree.
inline std::string SourceFile(const std::string& relative) {
    std::ifstream in(std::string(HIVELET_SOURCE_DIR) + "/" + relative, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The keys and values of one section of the shipped English file, in file order, as the
// program's profile lookups read them.
inline std::vector<std::pair<std::string, std::string>> EnglishSection(const std::string& name) {
    const ini::Profile english = ini::Profile::Parse(SourceFile("Languages/DLan_English.ini"));
    std::vector<std::pair<std::string, std::string>> entries;
    for (const ini::Entry& e : english.Entries(name))
        entries.emplace_back(e.key, e.value);
    return entries;
}

// Runs `action` once the modal loop of a dialog shown next has nothing else to do.
struct DialogHarness {
    fake::FakePlatform platform;
    ui::test::HeadlessApp h;

    DialogHarness() { h.app.SetTitle("Orvane Hivelet"); }

    void WhenShown(std::function<void()> action) { h.headless->WhenIdle(std::move(action)); }
    // Puts a language file where the program looks for it.
    void AddLanguage(const std::string& language, const std::string& text) {
        platform.AddTextFile(ProgramFolder + "Languages\\DLan_" + language + ".ini", text);
    }
};

} // namespace hivelet::test
