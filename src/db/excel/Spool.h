#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

namespace kiv::db::excel {

// Bytes written once and read back in order when a workbook is saved: held in memory a
// megabyte at a time, the rest in a temporary file, so that millions of rows take little
// memory.
class Spool {
public:
    // `what` names the bytes in failures ("the rows of sheet Orders").
    explicit Spool(std::string what);
    ~Spool();
    Spool(const Spool&) = delete;
    Spool& operator=(const Spool&) = delete;

    // Throws std::runtime_error when the temporary file cannot be written.
    void append(std::string_view bytes);
    std::uint64_t size() const noexcept { return size_; }
    // Gives every byte to `out`, piece by piece, in order; the spool stays as it was.
    void copyTo(const std::function<void(std::string_view)>& out);
    void clear();

private:
    void flush();

    std::string what_;
    std::string pending_;  // the bytes not yet in the file
    std::FILE* file_ = nullptr;
    std::uint64_t size_ = 0;
};

}  // namespace kiv::db::excel
