// The user's settings: one process-wide record, read from and written to options.ini beside the
// executable. Only the user-interface thread touches the record and the file.
#pragma once

#include "platform/Platform.h"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

namespace hivelet::settings {

struct TOptionsSetting {
    bool IsAskBeforeDefrag = false; // confirm before replacing hives
    bool IsShowLine = false;        // grid lines in the hive list view
    bool RestorePoint = false;      // create a restore point before replacing hives
    std::string Lan;                // language name; "English" means the built-in texts
};

// The process-wide record. It starts zeroed and is filled by the first load; tests put it back
// with `OptionsSetting() = {}`.
TOptionsSetting& OptionsSetting();

inline constexpr const char* OptionsFileName = "options.ini";
inline constexpr const char* OptionsSection = "Options";

// A settings key that could not be written. The text names the file: "Unable to write to <path>".
class SettingsWriteError : public std::runtime_error {
public:
    explicit SettingsWriteError(const std::string& file);
    const std::string& file() const { return file_; }

private:
    std::string file_;
};

// The settings file: the executable's folder followed by "options.ini".
std::string OptionsFilePath(platform::Platform& platform);

// load = true reads RestorePoint, IsAskBeforeDefrag, IsShowLine and Lan, in this order, into the
// record; a boolean key that is missing or not an integer (decimal, or hexadecimal after "0x")
// reads as true, a missing Lan as "English". load = false writes the four keys in the same order
// ("1"/"0" and the language name), then flushes the file; a key that cannot be written throws
// SettingsWriteError and the keys after it are not written.
void LoadOrSaveOptions(platform::Platform& platform, bool load, TOptionsSetting& record);
// The same on the process-wide record.
void LoadOrSaveOptions(platform::Platform& platform, bool load);

// A profile value read as an integer: optional sign and decimal digits, or "0x"/"0X" followed by
// hexadecimal digits, within 32 bits. nullopt for anything else (including the empty text).
std::optional<int32_t> ParseProfileInteger(const std::string& text);

} // namespace hivelet::settings
