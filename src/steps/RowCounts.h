#pragma once

#include <cstdint>

namespace kiv {

// What became of the source rows a step took.
struct RowCounts {
    std::int64_t read = 0;
    std::int64_t written = 0;
    std::int64_t skipped = 0;
    std::int64_t rejected = 0;

    RowCounts& operator+=(const RowCounts& other) {
        read += other.read;
        written += other.written;
        skipped += other.skipped;
        rejected += other.rejected;
        return *this;
    }
};

}  // namespace kiv
