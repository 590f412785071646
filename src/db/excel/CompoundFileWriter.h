#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace kiv::db::excel {

// Writes a compound file (the container of .xls workbooks, 512-byte sectors) holding one
// stream; a stream under 4096 bytes goes into the mini stream, as readers expect.
class CompoundFileWriter {
public:
    using Sink = std::function<void(std::string_view)>;

    // Writes the file at `path` (replacing it) with the stream `name` of `size` bytes, which
    // `content` gives to its sink piece by piece. Throws std::runtime_error.
    static void write(const std::string& path, std::string_view name, std::uint64_t size,
                      const std::function<void(const Sink&)>& content);
};

}  // namespace kiv::db::excel
