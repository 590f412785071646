#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

namespace kiv::db::excel {

// Bytes written once and read back, in order when a workbook is saved or from anywhere when the
// rows of a sheet are scanned: held in memory a megabyte at a time, the rest in a temporary
// file, so that millions of rows take little memory.
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
    // Puts up to `size` bytes from `offset` on into `buffer`; gives how many (0 at the end).
    // Throws std::runtime_error when the temporary file cannot be read.
    std::size_t readAt(std::uint64_t offset, char* buffer, std::size_t size);
    void clear();

private:
    void flush();

    std::string what_;
    std::string pending_;  // the bytes not yet in the file
    std::FILE* file_ = nullptr;
    std::uint64_t size_ = 0;
    bool unflushed_ = false;  // written to the file's buffer since it was last flushed
};

}  // namespace kiv::db::excel
