// The application manifest and version resource that hivelet_add_windows_resources embeds, read
// back from the probe program, and the effect of the manifest when the probe runs.
#include "platform/win32/Win32TestSupport.h"

#include <gtest/gtest.h>

#include <map>

namespace hivelet::platform::win32 {
namespace {

using testing::BuiltFile;

using Attributes = std::map<std::string, std::string>;

// The attributes of every <assemblyIdentity .../> element, in document order.
std::vector<Attributes> AssemblyIdentities(const std::string& xml) {
    std::vector<Attributes> found;
    const std::string tag = "<assemblyIdentity";
    for (size_t at = xml.find(tag); at != std::string::npos; at = xml.find(tag, at + 1)) {
        size_t end = xml.find("/>", at);
        std::string element = xml.substr(at + tag.size(), end - at - tag.size());
        Attributes attributes;
        size_t pos = 0;
        while ((pos = element.find('=', pos)) != std::string::npos) {
            size_t nameEnd = pos;
            size_t nameStart = element.find_last_of(" \t\r\n", nameEnd - 1) + 1;
            size_t open = element.find('"', pos);
            size_t close = element.find('"', open + 1);
            attributes[element.substr(nameStart, nameEnd - nameStart)] =
                element.substr(open + 1, close - open - 1);
            pos = close + 1;
        }
        found.push_back(attributes);
    }
    return found;
}

std::string Manifest(HMODULE module) {
    HRSRC info = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    if (!info) {
        return {};
    }
    HGLOBAL data = LoadResource(module, info);
    return std::string(static_cast<const char*>(LockResource(data)), SizeofResource(module, info));
}

TEST(Win32Resources, TheManifestAsksForElevationAndCommonControlsSix) {
    UniqueModule probe(LoadLibraryExA(BuiltFile("platform_win32_probe.exe").c_str(), nullptr,
                                      LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(probe);
    std::string xml = Manifest(probe.get());
    ASSERT_FALSE(xml.empty()) << "no manifest resource";

    EXPECT_NE(xml.find("<requestedExecutionLevel level=\"requireAdministrator\" "
                       "uiAccess=\"false\"/>"),
              std::string::npos);
    EXPECT_NE(xml.find("<description>Orvane Hivelet</description>"), std::string::npos);
    // With no supported systems declared, Windows 8.1 and later report 6.2.
    EXPECT_EQ(xml.find("supportedOS"), std::string::npos);
    EXPECT_EQ(xml.find("compatibility"), std::string::npos);

#ifdef _WIN64
    const std::string arch = "amd64";
#else
    const std::string arch = "x86";
#endif
    std::vector<Attributes> identities = AssemblyIdentities(xml);
    ASSERT_EQ(identities.size(), 2u);
    EXPECT_EQ(identities[0], (Attributes{{"type", "win32"},
                                         {"processorArchitecture", arch},
                                         {"version", "1.0.0.0"},
                                         {"name", "Microsoft.Windows.Orvane Hivelet"}}));
    EXPECT_EQ(identities[1], (Attributes{{"type", "win32"},
                                         {"name", "Microsoft.Windows.Common-Controls"},
                                         {"version", "6.0.0.0"},
                                         {"processorArchitecture", arch},
                                         {"publicKeyToken", "6595b64144ccf1df"},
                                         {"language", "*"}}));
}

std::string VersionString(const std::vector<char>& block, const std::string& name) {
    char* text = nullptr;
    UINT length = 0;
    std::string query = "\\StringFileInfo\\040904E4\\" + name;
    if (!VerQueryValueA(block.data(), query.c_str(), reinterpret_cast<void**>(&text), &length) ||
        !text) {
        return {};
    }
    return std::string(text);
}

TEST(Win32Resources, TheVersionResourceCarriesTheProjectVersion) {
    const std::string probe = BuiltFile("platform_win32_probe.exe");
    DWORD size = GetFileVersionInfoSizeA(probe.c_str(), nullptr);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(probe.c_str(), 0, size, block.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(HIWORD(fixed->dwFileVersionMS), HIVELET_VERSION_MAJOR);
    EXPECT_EQ(LOWORD(fixed->dwFileVersionMS), HIVELET_VERSION_MINOR);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

    EXPECT_EQ(VersionString(block, "ProductName"), "Orvane Hivelet");
    EXPECT_EQ(VersionString(block, "FileDescription"), "Orvane Hivelet");
    EXPECT_EQ(VersionString(block, "OriginalFilename"), "platform_win32_probe.exe");
    EXPECT_EQ(VersionString(block, "FileVersion")
                  .rfind(std::to_string(HIVELET_VERSION_MAJOR) + "." +
                             std::to_string(HIVELET_VERSION_MINOR) + ".",
                         0),
              0u);
}

TEST(Win32Resources, TheManifestActivatesCommonControlsSix) {
    // The elevated, manifested program still starts, and loads version 6 of the common controls
    // from the side-by-side store rather than the system folder's version 5.
    auto run = testing::RunChild(BuiltFile("platform_win32_probe.exe"), "comctl32");
    ASSERT_TRUE(run);
    EXPECT_EQ(run->exitCode, 0u);
    std::string path = run->output;
    CharLowerBuffA(path.data(), static_cast<DWORD>(path.size()));
    EXPECT_NE(path.find("\\winsxs\\"), std::string::npos) << run->output;
    EXPECT_NE(path.find("common-controls"), std::string::npos) << run->output;
}

} // namespace
} // namespace hivelet::platform::win32
