#include "RegfTestSupport.h"

#include <algorithm>
#include <fstream>
#include <random>

namespace regf_test {

fs::path SampleFolder() {
#ifdef HIVELET_SAMPLE_HIVES
    fs::path folder(HIVELET_SAMPLE_HIVES);
    std::error_code ec;
    if (fs::is_directory(folder, ec)) {
        return folder;
    }
#endif
    return {};
}

std::vector<fs::path> SampleFiles() {
    std::vector<fs::path> files;
    fs::path folder = SampleFolder();
    if (folder.empty()) {
        return files;
    }
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file()) {
            continue;
        }
        std::string ext = entry.path().extension().string();
        if (ext == ".md" || ext == ".py" || ext == ".sh") {
            continue;
        }
        files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string SampleName(const fs::path& file) {
    return fs::relative(file, SampleFolder()).generic_string();
}

std::vector<std::string> FolderEntries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

ScratchFolder::ScratchFolder() {
    std::random_device device;
    path_ = fs::temp_directory_path() /
            ("hivelet-regf-" + std::to_string(device()) + "-" + std::to_string(device()));
    fs::create_directories(path_);
}

ScratchFolder::~ScratchFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

std::vector<uint8_t> Pattern(size_t length, uint8_t seed) {
    std::vector<uint8_t> bytes(length);
    for (size_t i = 0; i < length; ++i) {
        bytes[i] = static_cast<uint8_t>(seed + i * 7 + (i >> 8));
    }
    return bytes;
}

hivelet::regf::Key RichTree(uint32_t manySubkeys) {
    using hivelet::regf::Key;
    using hivelet::regf::Value;
    Key root;
    root.name = "ROOT";
    root.lastWritten = 0x01D7000000000001ull;
    root.values.push_back({"", 1, Pattern(10)}); // the default value
    root.values.push_back({"zero", 3, {}});
    for (size_t size : {1u, 4u, 5u, 16344u, 16345u, 40000u, 100000u}) {
        root.values.push_back({"size " + std::to_string(size), 3, Pattern(size, uint8_t(size))});
    }

    Key unicode;
    unicode.name = "Ünïcödé \xE2\x84\xA2 \xF0\x90\x90\x80"; // Latin-1, U+2122 and a surrogate pair
    unicode.className = "Klasse \xE2\x82\xAC";
    unicode.lastWritten = 0x01D7000000000002ull;
    unicode.values.push_back({"na\xC3\xAFve \xE2\x82\xAC", 1, Pattern(30)});
    root.subkeys.push_back(unicode);

    Key secured;
    secured.name = "secured";
    secured.flags = 0x0010; // symbolic link, kept as given
    // Self-relative descriptor with only an owner (S-1-5-18).
    secured.security = {1, 0, 0x00, 0x80, 20, 0, 0, 0, 0, 0, 0, 0, 0,  0, 0, 0,
                        0, 0, 0,    0,    1,  1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0};
    Key sameDescriptor = secured;
    sameDescriptor.name = "secured too";
    sameDescriptor.flags = 0;
    root.subkeys.push_back(secured);
    root.subkeys.push_back(sameDescriptor);

    Key many;
    many.name = "Many";
    many.className = "lots";
    for (uint32_t i = 0; i < manySubkeys; ++i) {
        Key child;
        child.name = "child " + std::to_string(manySubkeys - i); // given out of order
        child.className = i % 7 == 0 ? "c" + std::to_string(i) : "";
        child.lastWritten = i;
        if (i % 3 == 0) {
            child.values.push_back({"v", 4, Pattern(4, uint8_t(i))});
        }
        many.subkeys.push_back(child);
    }
    root.subkeys.push_back(many);

    // Names that sort differently by byte and by Windows' upper case.
    Key mixed;
    mixed.name = "mixed";
    for (const char* name : {"b", "A", "_", "a\xC3\x9F", "ab", "\xC3\xA9", "Z"}) {
        Key child;
        child.name = name;
        mixed.subkeys.push_back(child);
    }
    root.subkeys.push_back(mixed);

    // A deep chain.
    Key* deepest = &root;
    for (int depth = 0; depth < 40; ++depth) {
        deepest->subkeys.push_back(Key{});
        deepest = &deepest->subkeys.back();
        deepest->name = "deep" + std::to_string(depth);
    }
    return root;
}

} // namespace regf_test
