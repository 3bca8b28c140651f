// Helpers for the tests of the real Windows services: scratch folders, files, child programs.
#pragma once

#include "platform/win32/Handles.h"

#include <optional>
#include <string>

namespace hivelet::platform::win32::testing {

// True when the tests run under Wine (whose settings some tests change to steer Windows).
bool RunningUnderWine();

// The folder of the running test program, with a trailing backslash.
std::string TestProgramFolder();

// Full path of a program or library built beside the test program.
std::string BuiltFile(const std::string& fileName);

// `path` as Windows sees it: the build names programs by POSIX paths when it runs under Wine,
// which reaches them through drive Z:.
std::string WindowsPathOf(std::string path);

// A new, empty folder under the user's temporary folder, removed with its contents at the end.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // The folder with a trailing backslash.
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + name; }

private:
    std::string path_;
};

// Removes a file at the end of a scope, clearing a read-only attribute first.
class RemoveAtEnd {
public:
    explicit RemoveAtEnd(std::string path) : path_(std::move(path)) {}
    ~RemoveAtEnd();
    RemoveAtEnd(const RemoveAtEnd&) = delete;
    RemoveAtEnd& operator=(const RemoveAtEnd&) = delete;

private:
    std::string path_;
};

bool WriteWholeFile(const std::string& path, const std::string& content);
std::optional<std::string> ReadWholeFile(const std::string& path);
void RemoveFile(const std::string& path);

// Runs a program and collects what it writes to its standard output. nullopt when it could not
// be started or did not end.
struct ChildResult {
    unsigned long exitCode = 0;
    std::string output;
};
std::optional<ChildResult> RunChild(const std::string& program, const std::string& arguments);

// Sets an environment variable for the scope (it is inherited by libraries and children).
class ScopedEnvironment {
public:
    ScopedEnvironment(std::string name, const std::string& value);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::string name_;
    std::optional<std::string> previous_;
};

} // namespace hivelet::platform::win32::testing
