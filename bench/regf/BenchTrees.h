// Large trees for the benchmark: a hive-like shape (a few wide levels), values of every size
// class from inline to big data (data-heavy) or only up to 1 KiB (key-heavy, like a SOFTWARE
// hive), until the value data reaches a target size.
#pragma once

#include "platform/regf/Regf.h"

#include <cstdint>

hivelet::regf::Key MakeBenchTree(uint64_t targetDataBytes, bool dataHeavy, uint32_t seed,
                                 uint64_t& keys, uint64_t& values);
