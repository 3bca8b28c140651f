// A second program for the tests of the real Windows services. It carries Hivelet's manifest and
// version resource, and reports what Windows tells it:
//   version   the platform's GetVersion answer: "ok platformId major minor build|servicePack"
//   comctl32  the path of the common controls library the manifest activates
//   wait      waits until it is ended (it holds whatever handles it inherited)
//   (nothing) ends at once with exit code 0; when HIVELET_PROBE_SHOW names a file, it first
//             writes there the show command it was started with (STARTUPINFO.wShowWindow)
#include "platform/win32/Win32Platform.h"
#include "platform/win32/WindowsApi.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc < 2) {
        char file[MAX_PATH] = {};
        if (GetEnvironmentVariableA("HIVELET_PROBE_SHOW", file, MAX_PATH) > 0) {
            STARTUPINFOA si{};
            si.cb = sizeof si;
            GetStartupInfoA(&si);
            if (FILE* out = std::fopen(file, "w")) {
                std::fprintf(out, "%d", (si.dwFlags & STARTF_USESHOWWINDOW) ? si.wShowWindow : -1);
                std::fclose(out);
            }
        }
        return 0;
    }
    if (std::strcmp(argv[1], "version") == 0) {
        hivelet::platform::win32::Win32Platform platform;
        auto v = platform.GetVersion();
        std::printf("%d %u %u %u %u|%s\n", v.ok ? 1 : 0, v.platformId, v.major, v.minor, v.build,
                    v.servicePack.c_str());
        return 0;
    }
    if (std::strcmp(argv[1], "comctl32") == 0) {
        HMODULE library = LoadLibraryA("comctl32.dll");
        char path[MAX_PATH] = {};
        GetModuleFileNameA(library, path, MAX_PATH);
        std::printf("%s\n", path);
        return 0;
    }
    if (std::strcmp(argv[1], "wait") == 0) {
        Sleep(INFINITE);
    }
    return 2;
}
