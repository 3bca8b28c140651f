// Random bits for what must not collide or be guessed: the names of temporary files and private
// folders, and the GUIDs of a new hive.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <random>

#if defined(__linux__)
#include <sys/random.h>
#endif

namespace hivelet::platform {

// Linux asks the kernel once (std::random_device probes the processor on every construction,
// which under a hypervisor costs tens of microseconds a time). It never waits for entropy: early
// in a boot the kernel's pool may not be ready, and then std::random_device's source serves.
inline void FillRandom(void* out, size_t size) {
    auto* bytes = static_cast<uint8_t*>(out);
#if defined(__linux__)
    while (size > 0) {
        ssize_t got = ::getrandom(bytes, size, GRND_NONBLOCK);
        if (got <= 0) {
            break;
        }
        bytes += got;
        size -= static_cast<size_t>(got);
    }
#endif
    if (size > 0) {
        std::random_device device;
        while (size > 0) {
            uint32_t r = device();
            size_t take = size < sizeof r ? size : sizeof r;
            std::memcpy(bytes, &r, take);
            bytes += take;
            size -= take;
        }
    }
}

inline uint32_t RandomWord() {
    uint32_t word = 0;
    FillRandom(&word, sizeof word);
    return word;
}

} // namespace hivelet::platform
