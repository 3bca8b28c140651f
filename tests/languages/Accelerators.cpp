#include "languages/Accelerators.h"

#include "languages/Encoding.h"

#include <functional>
#include <map>
#include <set>

namespace hivelet::languages {

AcceleratorScan ScanAccelerators(std::string_view caption, int codePage) {
    AcceleratorScan scan;
    size_t pos = 0;
    while (pos < caption.size()) {
        if (caption[pos] != '&') {
            pos += CharLength(caption, pos, codePage);
            continue;
        }
        if (pos + 1 < caption.size() && caption[pos + 1] == '&') {
            pos += 2;
            continue;
        }
        if (pos + 1 == caption.size()) {
            scan.dangling = true;
            break;
        }
        size_t length = CharLength(caption, pos + 1, codePage);
        std::string_view marked = caption.substr(pos + 1, length);
        if (!IsAcceleratorCandidate(marked, codePage))
            scan.marksNonLetter = true;
        if (scan.count == 0)
            scan.key = FoldCase(marked, codePage);
        ++scan.count;
        pos += 1 + length;
    }
    return scan;
}

size_t MaxDistinctAccelerators(const std::vector<std::string>& captions, int codePage) {
    // Candidate characters of each caption, numbered across all captions.
    std::map<std::string, size_t> ids;
    std::vector<std::set<size_t>> candidates(captions.size());
    for (size_t i = 0; i < captions.size(); ++i) {
        const std::string& caption = captions[i];
        for (size_t pos = 0; pos < caption.size();) {
            size_t length = CharLength(caption, pos, codePage);
            std::string_view character(caption.data() + pos, length);
            if (IsAcceleratorCandidate(character, codePage)) {
                std::string key = FoldCase(character, codePage);
                auto [it, added] = ids.emplace(key, ids.size());
                candidates[i].insert(it->second);
            }
            pos += length;
        }
    }
    // Kuhn's augmenting paths: small inputs (two dozen captions), so simplicity wins.
    std::vector<long> owner(ids.size(), -1);
    size_t matched = 0;
    for (size_t i = 0; i < captions.size(); ++i) {
        std::vector<bool> visited(ids.size(), false);
        std::function<bool(size_t)> augment = [&](size_t item) {
            for (size_t c : candidates[item]) {
                if (visited[c])
                    continue;
                visited[c] = true;
                if (owner[c] < 0 || augment(static_cast<size_t>(owner[c]))) {
                    owner[c] = static_cast<long>(item);
                    return true;
                }
            }
            return false;
        };
        if (augment(i))
            ++matched;
    }
    return matched;
}

} // namespace hivelet::languages
