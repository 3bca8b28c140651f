#include "platform/regf/Errors.h"
#include "platform/regf/Walk.h"

namespace hivelet::regf {

bool FindKey(Reader& reader, uint32_t root, const std::string& path, uint32_t& cell) {
    cell = root;
    size_t start = 0;
    std::vector<uint32_t> children;
    while (start <= path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string::npos) {
            end = path.size();
        }
        std::string component = path.substr(start, end - start);
        start = end + 1;
        if (component.empty()) {
            continue;
        }
        std::u16string units;
        if (!Utf8ToUtf16(component, units)) {
            return reader.fail(ErrorKind::NotFound, cell, "key path is not valid UTF-8");
        }
        std::vector<uint8_t> bytes;
        bool compressed;
        EncodeName(units, bytes, compressed);
        NameRef wanted{bytes.data(), static_cast<uint32_t>(bytes.size()), compressed};

        // Lookups read keys one level at a time; the later walk claims cells afresh.
        reader.resetClaims();
        KeyView key;
        if (!reader.readKey(cell, key) || !reader.readSubkeys(key, children)) {
            return false;
        }
        bool found = false;
        for (uint32_t child : children) {
            KeyView candidate;
            if (!reader.readKey(child, candidate, cell)) {
                return false;
            }
            if (CompareNames(candidate.name, wanted) == 0) {
                cell = child;
                found = true;
                break;
            }
        }
        if (!found) {
            return reader.fail(ErrorKind::NotFound, cell, "no subkey \"" + component + "\"");
        }
    }
    reader.resetClaims();
    return true;
}

} // namespace hivelet::regf
