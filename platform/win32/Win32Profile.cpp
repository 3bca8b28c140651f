// Profile (INI) files through the Windows profile-string service.
#include "platform/win32/Win32Platform.h"
#include "platform/win32/WindowsApi.h"

namespace hivelet::platform::win32 {

namespace {

// Values longer than the buffer are cut to 2047 characters and a terminator.
constexpr DWORD ProfileBufferChars = 2048;

} // namespace

std::string Win32Platform::GetProfileString(const std::string& section, const std::string& key,
                                            const std::string& defaultValue,
                                            const std::string& file) {
    std::string buffer(ProfileBufferChars, '\0');
    DWORD length = GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue.c_str(),
                                            buffer.data(), ProfileBufferChars, file.c_str());
    buffer.resize(length < ProfileBufferChars ? length : ProfileBufferChars - 1);
    return buffer;
}

bool Win32Platform::WriteProfileString(const std::string& section, const std::string& key,
                                       const std::string& value, const std::string& file) {
    return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str()) !=
           FALSE;
}

bool Win32Platform::EraseProfileSection(const std::string& section, const std::string& file) {
    return WritePrivateProfileStringA(section.c_str(), nullptr, nullptr, file.c_str()) != FALSE;
}

bool Win32Platform::FlushProfile(const std::string& file) {
    return WritePrivateProfileStringA(nullptr, nullptr, nullptr, file.c_str()) != FALSE;
}

} // namespace hivelet::platform::win32
