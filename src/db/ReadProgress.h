#pragma once

#include <cstdint>

namespace kiv::db {

// Bytes of a source read so far, of its size when the reading began; a size of zero means
// the size is not known.
struct ReadProgress {
    std::uint64_t bytesRead = 0;
    std::uint64_t bytesTotal = 0;
};

}  // namespace kiv::db
