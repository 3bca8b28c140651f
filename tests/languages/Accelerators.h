// Keyboard accelerators in captions: "&" marks the next character, "&&" is a literal ampersand.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace hivelet::languages {

struct AcceleratorScan {
    int count = 0;               // single "&" marks found
    std::string key;             // the first marked character, case-folded; empty when none
    bool dangling = false;       // a single "&" at the very end marks nothing
    bool marksNonLetter = false; // a mark stands before a blank, punctuation or the like
};

AcceleratorScan ScanAccelerators(std::string_view caption, int codePage);

// The most items that can carry pairwise different accelerators, each drawing its accelerator
// from the characters of its own caption (a bipartite matching of captions to characters).
size_t MaxDistinctAccelerators(const std::vector<std::string>& captions, int codePage);

} // namespace hivelet::languages
