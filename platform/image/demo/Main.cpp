// hivelet-demo-image [--windows] FOLDER [SEED]: writes the demo system image (or, with
// --windows, the demo Windows installation) and shows what it holds.
#include "platform/image/demo/DemoImage.h"
#include "platform/image/demo/DemoInstallation.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>

int main(int argc, char** argv) {
    const bool installation = argc > 1 && std::strcmp(argv[1], "--windows") == 0;
    const int first = installation ? 2 : 1;
    if (argc < first + 1 || argc > first + 2) {
        std::fprintf(stderr,
                     "usage: hivelet-demo-image [--windows] FOLDER [SEED]\n"
                     "Writes a demo Windows system image for hivelet --image FOLDER, or with\n"
                     "--windows a demo Windows installation for hivelet --windows FOLDER.\n");
        return 2;
    }
    try {
        uint64_t seed = argc == first + 2 ? std::strtoull(argv[first + 1], nullptr, 10) : 1;
        auto reports = installation ? hivelet::image::demo::WriteDemoInstallation(argv[first], seed)
                                    : hivelet::image::demo::WriteDemoImage(argv[first], seed);
        std::printf("%-58s %10s %10s %7s %7s %8s\n", "hive", "bytes", "compact", "keys", "values",
                    "free");
        for (const auto& r : reports) {
            std::printf("%-58s %10llu %10llu %7llu %7llu %7.1f%%\n", r.file.c_str(),
                        static_cast<unsigned long long>(r.bytes),
                        static_cast<unsigned long long>(r.compactBytes),
                        static_cast<unsigned long long>(r.keys),
                        static_cast<unsigned long long>(r.values), r.reclaimablePercent());
        }
        std::printf("demo %s written to %s\n", installation ? "installation" : "image",
                    argv[first]);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "hivelet-demo-image: %s\n", e.what());
        return 1;
    }
}
