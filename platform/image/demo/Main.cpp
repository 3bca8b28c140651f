// hivelet-demo-image FOLDER [SEED]: writes the demo system image and shows what it holds.
#include "platform/image/demo/DemoImage.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: hivelet-demo-image FOLDER [SEED]\n"
                             "Writes a demo Windows system image for hivelet --image FOLDER.\n");
        return 2;
    }
    try {
        uint64_t seed = argc == 3 ? std::strtoull(argv[2], nullptr, 10) : 1;
        auto reports = hivelet::image::demo::WriteDemoImage(argv[1], seed);
        std::printf("%-58s %10s %10s %7s %7s %8s\n", "hive", "bytes", "compact", "keys", "values",
                    "free");
        for (const auto& r : reports) {
            std::printf("%-58s %10llu %10llu %7llu %7llu %7.1f%%\n", r.file.c_str(),
                        static_cast<unsigned long long>(r.bytes),
                        static_cast<unsigned long long>(r.compactBytes),
                        static_cast<unsigned long long>(r.keys),
                        static_cast<unsigned long long>(r.values), r.reclaimablePercent());
        }
        std::printf("demo image written to %s\n", argv[1]);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "hivelet-demo-image: %s\n", e.what());
        return 1;
    }
}
