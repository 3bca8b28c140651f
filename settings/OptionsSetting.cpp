#include "settings/OptionsSetting.h"

#include "platform/HexDigit.h"
#include "settings/ExecutableFolder.h"

#include <cstdint>
#include <optional>

namespace hivelet::settings {
namespace {

constexpr const char* DefaultLanguage = "English";

bool ReadBool(platform::Platform& platform, const std::string& file, const char* key) {
    auto value = ParseProfileInteger(platform.GetProfileString(OptionsSection, key, "", file));
    return value ? *value != 0 : true;
}

void Write(platform::Platform& platform, const std::string& file, const char* key,
           const std::string& value) {
    if (!platform.WriteProfileString(OptionsSection, key, value, file)) {
        throw SettingsWriteError(file);
    }
}

} // namespace

TOptionsSetting& OptionsSetting() {
    static TOptionsSetting record;
    return record;
}

SettingsWriteError::SettingsWriteError(const std::string& file)
    : std::runtime_error("Unable to write to " + file), file_(file) {}

std::string OptionsFilePath(platform::Platform& platform) {
    return ExecutableFolder(platform) + OptionsFileName;
}

std::optional<int32_t> ParseProfileInteger(const std::string& text) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        uint64_t value = 0;
        for (size_t i = 2; i < text.size(); ++i) {
            int digit = platform::HexDigit(text[i]);
            if (digit < 0) {
                return std::nullopt;
            }
            value = value * 16 + static_cast<uint64_t>(digit);
            if (value > UINT32_MAX) {
                return std::nullopt;
            }
        }
        return static_cast<int32_t>(static_cast<uint32_t>(value));
    }
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size()) {
        return std::nullopt;
    }
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return std::nullopt;
        }
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<int64_t>(INT32_MAX) + 1) {
            return std::nullopt;
        }
    }
    value = negative ? -value : value;
    if (value > INT32_MAX || value < INT32_MIN) {
        return std::nullopt;
    }
    return static_cast<int32_t>(value);
}

void LoadOrSaveOptions(platform::Platform& platform, bool load, TOptionsSetting& record) {
    const std::string file = OptionsFilePath(platform);
    if (load) {
        record.RestorePoint = ReadBool(platform, file, "RestorePoint");
        record.IsAskBeforeDefrag = ReadBool(platform, file, "IsAskBeforeDefrag");
        record.IsShowLine = ReadBool(platform, file, "IsShowLine");
        record.Lan = platform.GetProfileString(OptionsSection, "Lan", DefaultLanguage, file);
        return;
    }
    Write(platform, file, "RestorePoint", record.RestorePoint ? "1" : "0");
    Write(platform, file, "IsAskBeforeDefrag", record.IsAskBeforeDefrag ? "1" : "0");
    Write(platform, file, "IsShowLine", record.IsShowLine ? "1" : "0");
    Write(platform, file, "Lan", record.Lan);
    platform.FlushProfile(file);
}

void LoadOrSaveOptions(platform::Platform& platform, bool load) {
    LoadOrSaveOptions(platform, load, OptionsSetting());
}

} // namespace hivelet::settings
