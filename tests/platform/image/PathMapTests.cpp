// Windows paths of an image: case, separators, WOW64 redirection, device paths, host paths.
#include "TestImage.h"

#include "platform/image/ImagePlatform.h"

#include <gtest/gtest.h>

namespace hivelet::image {
namespace {

using namespace testing;

class PathMapping : public ::testing::Test {
protected:
    void Make(bool wow64) {
        WriteStandardImage(folder_.path(), wow64, "", Hives::Placeholder);
        WriteBytes(folder_.path() / "C/Windows/System32/drivers/etc/hosts", "native hosts");
        WriteBytes(folder_.path() / "C/Windows/System32/kernel32.dll", "64-bit");
        WriteBytes(folder_.path() / "C/Windows/SysWOW64/kernel32.dll", "32-bit");
        WriteBytes(folder_.path() / "C/Program Files/System32/readme.txt", "not redirected");
        WriteBytes(folder_.path() / "D/Data/File.TXT", "on D");
        image_ = std::make_unique<ImagePlatform>(folder_.path());
    }
    std::string HostOf(const std::string& windowsPath) {
        auto p = image_->paths().Resolve(windowsPath);
        return p ? p->host.lexically_relative(folder_.path()).generic_string() : "<none>";
    }
    TempFolder folder_;
    std::unique_ptr<ImagePlatform> image_;
};

TEST_F(PathMapping, ComponentsAndDriveLettersMatchIgnoringCase) {
    Make(false);
    EXPECT_EQ(HostOf("C:\\Windows\\System32\\config\\SYSTEM"), "C/Windows/System32/config/SYSTEM");
    EXPECT_EQ(HostOf("c:\\WINDOWS\\system32\\CONFIG\\system"), "C/Windows/System32/config/SYSTEM");
    EXPECT_EQ(HostOf("d:/data/file.txt"), "D/Data/File.TXT");
    // Names that do not exist yet keep the caller's spelling; their folders are still matched.
    EXPECT_EQ(HostOf("C:\\windows\\system32\\config\\System.hvt"),
              "C/Windows/System32/config/System.hvt");
    EXPECT_EQ(HostOf("C:\\Windows\\\\System32\\.\\config\\..\\config\\SAM"),
              "C/Windows/System32/config/SAM");
    EXPECT_EQ(HostOf("C:\\..\\..\\Windows"), "C/Windows"); // never above the drive's folder
    EXPECT_EQ(HostOf("C:\\Windows\\System32\\config\\SAM. "), "C/Windows/System32/config/SAM");
    EXPECT_TRUE(image_->FileExists("C:\\USERS\\ANN\\ntuser.dat"));
    EXPECT_FALSE(image_->FileExists("C:\\Users\\ann")); // a folder is not a file
}

TEST_F(PathMapping, PathsOutsideTheImageDoNotResolve) {
    Make(false);
    for (const char* p : {"Windows\\System32", "Z:\\Windows", "F:\\setup.exe", "C:\\a<b", "C:\\a|b",
                          "C:\\what?", "C:\\x\\y:z", "\\\\server\\share\\x", "", "C"}) {
        SCOPED_TRACE(p);
        EXPECT_EQ(HostOf(p), "<none>");
    }
    EXPECT_FALSE(image_->FileExists("Z:\\Windows\\win.ini"));
    EXPECT_EQ(image_->FindFileSize("F:\\autorun.inf"), std::nullopt);
}

TEST_F(PathMapping, Wow64RedirectsSystem32AndOffersSysnative) {
    Make(true);
    EXPECT_EQ(ReadBytes(image_->paths().Resolve("C:\\Windows\\System32\\kernel32.dll")->host),
              "32-bit");
    EXPECT_EQ(ReadBytes(image_->paths().Resolve("c:\\windows\\SYSNATIVE\\kernel32.dll")->host),
              "64-bit");
    EXPECT_FALSE(image_->FileExists("C:\\Windows\\System32\\config\\SYSTEM"));
    EXPECT_TRUE(image_->FileExists("C:\\Windows\\sysnative\\config\\SYSTEM"));
    // Folders Windows exempts from redirection, and System32 elsewhere, are left alone.
    EXPECT_TRUE(image_->FileExists("C:\\Windows\\System32\\drivers\\etc\\hosts"));
    EXPECT_TRUE(image_->FileExists("C:\\Program Files\\System32\\readme.txt"));
    EXPECT_EQ(HostOf("C:\\Windows\\System32"), "C/Windows/SysWOW64");
}

TEST_F(PathMapping, WithoutWow64NothingIsRedirected) {
    Make(false);
    EXPECT_EQ(ReadBytes(image_->paths().Resolve("C:\\Windows\\System32\\kernel32.dll")->host),
              "64-bit");
    EXPECT_TRUE(image_->FileExists("C:\\Windows\\System32\\config\\SYSTEM"));
    EXPECT_FALSE(image_->FileExists("C:\\Windows\\sysnative\\config\\SYSTEM"));
}

TEST_F(PathMapping, DevicePathsMatchWholeVolumeNames) {
    Make(false);
    const PathMap& map = image_->paths();
    auto c = map.ResolveDevicePath("\\device\\harddiskvolume2\\Windows\\System32\\config\\SAM");
    ASSERT_TRUE(c);
    EXPECT_EQ(c->drive, 'C');
    EXPECT_TRUE(fs::is_regular_file(c->host));
    // HarddiskVolume1 is not a prefix match for HarddiskVolume12, nor 2 for 21.
    auto d = map.ResolveDevicePath("\\Device\\HarddiskVolume12\\Data\\file.txt");
    ASSERT_TRUE(d);
    EXPECT_EQ(d->drive, 'D');
    EXPECT_FALSE(map.ResolveDevicePath("\\Device\\HarddiskVolume21\\x"));
    EXPECT_FALSE(map.ResolveDevicePath("\\Device\\HarddiskVolume2"));
    EXPECT_FALSE(map.ResolveDevicePath("Device\\HarddiskVolume2\\Windows"));
}

TEST_F(PathMapping, TheExecutablesFolderAndHostPathsStayOnTheHost) {
    TempFolder exeFolder("-exe");
    WriteStandardImage(folder_.path(), false, "", Hives::Placeholder);
    WriteBytes(exeFolder.path() / "options.ini", "[Options]\r\nLan=German\r\n");
    ImageOptions options;
    options.executablePath = (exeFolder.path() / "hivelet").string();
    ImagePlatform image(folder_.path(), options);
    EXPECT_EQ(image.ExecutablePath(), options.executablePath);
    std::string exe = image.ExecutablePath();
    std::string settings = exe.substr(0, exe.find_last_of("\\/") + 1) + "options.ini";
    EXPECT_EQ(image.GetProfileString("Options", "Lan", "English", settings), "German");
    EXPECT_TRUE(image.WriteProfileString("Options", "IsShowLine", "0", settings));
    EXPECT_EQ(ReadBytes(exeFolder.path() / "options.ini"),
              "[Options]\r\nLan=German\r\nIsShowLine=0\r\n");
    // Windows-style separators after the folder reach the same host files.
    WriteBytes(exeFolder.path() / "Languages/DLan_German.ini", "[ResourceString]\r\nX=y\r\n");
    EXPECT_TRUE(image.FileExists(exe.substr(0, exe.find_last_of("\\/") + 1) +
                                 "Languages\\DLan_German.ini"));
}

// The language setting keeps the letter case the user chose; the program's files are found as
// Windows would find them, beside the executable and in its Languages folder.
TEST_F(PathMapping, TheExecutablesOwnFilesMatchIgnoringCase) {
    TempFolder exeFolder("-exe");
    WriteStandardImage(folder_.path(), false, "", Hives::Placeholder);
    WriteBytes(exeFolder.path() / "Languages/DLan_German.ini",
               "[ResourceString]\r\nRES_Not_Found=nicht gefunden\r\n");
    WriteBytes(exeFolder.path() / "DLan_French.ini",
               "[ResourceString]\r\nRES_Not_Found=absent\r\n");
    ImageOptions options;
    options.executablePath = (exeFolder.path() / "hivelet").string();
    ImagePlatform image(folder_.path(), options);
    const std::string exe = image.ExecutablePath();
    const std::string folder = exe.substr(0, exe.find_last_of("\\/") + 1);

    EXPECT_TRUE(image.FileExists(folder + "Languages/DLan_german.ini"));
    EXPECT_TRUE(image.FileExists(folder + "LANGUAGES\\dlan_GERMAN.INI"));
    EXPECT_EQ(image.GetProfileString("ResourceString", "RES_Not_Found", "-",
                                     folder + "languages/DLan_german.ini"),
              "nicht gefunden");
    EXPECT_TRUE(image.FileExists(folder + "DLan_french.ini"));
    EXPECT_EQ(
        image.GetProfileString("ResourceString", "RES_Not_Found", "-", folder + "dlan_french.ini"),
        "absent");
    EXPECT_FALSE(image.FileExists(folder + "DLan_Germa.ini"));
    // A file written under another spelling updates the one that is there.
    EXPECT_TRUE(image.WriteProfileString("ResourceString", "X", "1", folder + "DLAN_FRENCH.INI"));
    EXPECT_NE(ReadBytes(exeFolder.path() / "DLan_French.ini").find("X=1"), std::string::npos);
#ifndef _WIN32 // Windows' own file system finds the file under either spelling
    EXPECT_FALSE(fs::exists(exeFolder.path() / "DLAN_FRENCH.INI"));
#endif
}

TEST_F(PathMapping, ProfileNamesWithoutAFolderLiveInTheWindowsFolder) {
    WriteStandardImage(folder_.path(), true, "SystemRoot=C:\\WinNT\\\r\n", Hives::Placeholder);
    fs::create_directories(folder_.path() / "C/WinNT");
    ImagePlatform image(folder_.path());
    ASSERT_TRUE(image.WriteProfileString("Scan Result", "Current Size", "10 KB", "result.ini"));
    EXPECT_TRUE(fs::exists(folder_.path() / "C/WinNT/result.ini"));
#ifdef _WIN32
    // On Windows a full path names a file of the running computer, never one of the image.
    const fs::path host = folder_.path() / "host-result.ini";
    const std::string hostPath = fs::absolute(host).string();
    ASSERT_TRUE(image.WriteProfileString("Scan Result", "Time", "now", hostPath));
    EXPECT_TRUE(fs::exists(host));
    EXPECT_EQ(image.GetProfileString("Scan Result", "Time", "", hostPath), "now");
    EXPECT_FALSE(image.WriteProfileString("S", "k", "v", "Q:\\no-such-folder\\out.ini"));
#else
    EXPECT_EQ(image.GetProfileString("scan result", "current size", "", "C:\\winnt\\RESULT.INI"),
              "10 KB");
    ASSERT_TRUE(image.WriteProfileString("S", "k", "v", "E:\\out.ini"));
    EXPECT_TRUE(fs::exists(folder_.path() / "E/out.ini"));
    EXPECT_FALSE(image.WriteProfileString("S", "k", "v", "Z:\\out.ini"));
    EXPECT_FALSE(image.WriteProfileString("S", "k", "v", "C:\\NoFolder\\out.ini"));
    EXPECT_EQ(image.GetProfileString("S", "k", "dflt", "Z:\\out.ini"), "dflt");
    EXPECT_TRUE(image.EraseProfileSection("S", "E:\\out.ini"));
    EXPECT_EQ(image.GetProfileString("S", "k", "gone", "E:\\out.ini"), "gone");
    EXPECT_TRUE(image.FlushProfile("E:\\out.ini"));
#endif
}

} // namespace
} // namespace hivelet::image
