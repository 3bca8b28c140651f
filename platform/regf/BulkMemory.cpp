#include "platform/regf/BulkMemory.h"

#include <cstdlib>
#include <cstring>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace hivelet::regf {

namespace {
constexpr size_t kHugePage = size_t{2} << 20;
} // namespace

void BulkFree::operator()(void* p) const {
    std::free(p);
}

std::unique_ptr<uint8_t[], BulkFree> AllocateBulk(size_t bytes) {
    void* p = nullptr;
#if defined(__linux__)
    if (bytes >= kHugePage / 2) {
        size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
        p = std::aligned_alloc(kHugePage, rounded);
        if (p != nullptr) {
            madvise(p, rounded, MADV_HUGEPAGE);
        }
    }
#endif
    if (p == nullptr) {
        p = std::malloc(bytes > 0 ? bytes : 1);
    }
    if (p == nullptr) {
        throw std::bad_alloc();
    }
    return std::unique_ptr<uint8_t[], BulkFree>(static_cast<uint8_t*>(p));
}

void BulkWords::assign(size_t words) {
    if (words > words_ || storage_ == nullptr) {
        storage_ = AllocateBulk(words * sizeof(uint64_t));
        data_ = reinterpret_cast<uint64_t*>(storage_.get());
    }
    words_ = words;
    std::memset(data_, 0, words * sizeof(uint64_t));
}

} // namespace hivelet::regf
