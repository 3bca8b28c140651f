#include "platform/win32/Win32TestSupport.h"

#include <algorithm>
#include <vector>

namespace hivelet::platform::win32::testing {

bool RunningUnderWine() {
    HMODULE ntdll = GetModuleHandleA("ntdll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::string TestProgramFolder() {
    char path[MAX_PATH * 4] = {};
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof(path));
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

std::string BuiltFile(const std::string& fileName) {
    return TestProgramFolder() + fileName;
}

std::string WindowsPathOf(std::string path) {
    if (!path.empty() && path[0] == '/') {
        path = "Z:" + path;
        std::replace(path.begin(), path.end(), '/', '\\');
    }
    return path;
}

namespace {

void RemoveTree(const std::string& folder) {
    WIN32_FIND_DATAA entry{};
    UniqueFind search(FindFirstFileA((folder + "*").c_str(), &entry));
    if (search) {
        do {
            std::string name = entry.cFileName;
            if (name == "." || name == "..") {
                continue;
            }
            std::string path = folder + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path + "\\");
            } else {
                RemoveFile(path);
            }
        } while (FindNextFileA(search.get(), &entry));
    }
    search.reset();
    RemoveDirectoryA(folder.c_str());
}

} // namespace

ScratchFolder::ScratchFolder() {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    static unsigned counter = 0;
    for (;;) {
        path_ = std::string(temp) + "hivelet-test-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(++counter) + "\\";
        if (CreateDirectoryA(path_.c_str(), nullptr)) {
            return;
        }
    }
}

ScratchFolder::~ScratchFolder() {
    RemoveTree(path_);
}

RemoveAtEnd::~RemoveAtEnd() {
    RemoveFile(path_);
}

void RemoveFile(const std::string& path) {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
}

bool WriteWholeFile(const std::string& path, const std::string& content) {
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return false;
    }
    DWORD written = 0;
    return WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written,
                     nullptr) &&
           written == content.size();
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return std::nullopt;
    }
    std::string content;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file.get(), chunk, sizeof(chunk), &got, nullptr) && got > 0) {
        content.append(chunk, got);
    }
    return content;
}

std::optional<ChildResult> RunChild(const std::string& program, const std::string& arguments) {
    // The output goes to a file rather than a pipe: a program the child starts (Wine's desktop
    // process, for one) may inherit the handle and outlive the child, and a pipe would then
    // never report its end.
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    char outputPath[MAX_PATH] = {};
    if (!GetTempFileNameA(temp, "hvc", 0, outputPath)) {
        return std::nullopt;
    }
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    UniqueFile output(CreateFileA(outputPath, GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr));
    if (!output) {
        return std::nullopt;
    }
    DeleteFileA(outputPath); // gone once the last handle closes

    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = output.get();
    startup.hStdError = output.get();
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    std::string commandLine = "\"" + program + "\" " + arguments;
    std::vector<char> mutableLine(commandLine.begin(), commandLine.end());
    mutableLine.push_back('\0');
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(program.c_str(), mutableLine.data(), nullptr, nullptr, TRUE,
                        CREATE_NO_WINDOW, nullptr, nullptr, &startup, &info)) {
        return std::nullopt;
    }
    UniqueKernelHandle process(info.hProcess);
    UniqueKernelHandle thread(info.hThread);
    // A guard against a child that hangs; not a measure of speed.
    if (WaitForSingleObject(process.get(), 120000) != WAIT_OBJECT_0) {
        TerminateProcess(process.get(), 1);
        return std::nullopt;
    }
    ChildResult result;
    GetExitCodeProcess(process.get(), &result.exitCode);

    SetFilePointer(output.get(), 0, nullptr, FILE_BEGIN);
    char chunk[1024];
    DWORD got = 0;
    while (ReadFile(output.get(), chunk, sizeof(chunk), &got, nullptr) && got > 0) {
        result.output.append(chunk, got);
    }
    return result;
}

ScopedEnvironment::ScopedEnvironment(std::string name, const std::string& value)
    : name_(std::move(name)) {
    char old[32768];
    DWORD length = GetEnvironmentVariableA(name_.c_str(), old, sizeof(old));
    if (length > 0 && length < sizeof(old)) {
        previous_ = std::string(old, length);
    }
    SetEnvironmentVariableA(name_.c_str(), value.c_str());
}

ScopedEnvironment::~ScopedEnvironment() {
    SetEnvironmentVariableA(name_.c_str(), previous_ ? previous_->c_str() : nullptr);
}

} // namespace hivelet::platform::win32::testing
