// What the Linux build prints: it has no screen, so the hive list, the results of an unattended
// run and the text of every message box go to the terminal.
#pragma once

#include "shell/Main.h"

#include <cstdint>
#include <string>
#include <vector>

namespace hivelet::shell {

// One row per hive (name and file), then how to start the analysis.
std::string HiveListReport(const std::vector<std::string>& hiveNames,
                           const std::vector<std::string>& hiveFiles);

// The rows of the main window's hive list and the four totals, as the window shows them. A
// non-empty `rowNotes[i]` follows row i (how the hive was recovered, or why it was skipped).
std::string AnalysisReport(const TfrmMain& form, const std::vector<std::string>& rowNotes = {});

// The button a message box answers when nobody is there to press one: its default button.
int DefaultMessageBoxAnswer(uint32_t flags);

// One line for the terminal: the caption, a colon and the text with its line breaks flattened.
std::string MessageBoxLine(const std::string& caption, const std::string& text);

} // namespace hivelet::shell
