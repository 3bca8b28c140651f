// hivelet-icon FILE: writes the program icon drawn by shell/Artwork.cpp. The Windows build embeds
// the copy kept in shell/Hivelet.ico (a cross build cannot run this tool); a test checks that the
// copy is what this tool writes.
#include "shell/Artwork.h"

#include <cstdio>
#include <fstream>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: hivelet-icon FILE\n");
        return 2;
    }
    const std::vector<uint8_t> bytes = hivelet::shell::ProgramIconFile();
    std::ofstream out(argv[1], std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out) {
        std::fprintf(stderr, "hivelet-icon: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
