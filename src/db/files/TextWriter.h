#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "db/files/TextEncoder.h"
#include "db/files/TextFormat.h"

namespace kiv::db::files {

// Appends lines to a text file in its character set, CR LF after each. The file stays open
// and lines are gathered in memory until flush(), so that a load of many rows does not pay a
// system call for each. A write that fails (a full disk, a file size limit) leaves the file
// as it was before it, ending in a complete line, and says how many lines were not written.
class TextWriter {
public:
    // Opens the file for appending, creating it when it is missing. A last line without its
    // line end gets one before the first new line. Throws std::runtime_error.
    TextWriter(std::string path, TextFormat::Charset charset);
    // Writes what is gathered; a failure here cannot be reported any more.
    ~TextWriter();
    TextWriter(const TextWriter&) = delete;
    TextWriter& operator=(const TextWriter&) = delete;

    // Whether the file held nothing when it was opened.
    bool startedEmpty() const noexcept { return startedEmpty_; }

    // Adds one line given in UTF-8, without its line end.
    void writeLine(std::string_view line);
    // Writes the gathered lines to the file. Throws std::runtime_error.
    void flush();

private:
    // Gathered bytes are written once they reach this size.
    static constexpr std::size_t FlushSize = 64 * 1024;

    std::string path_;
    TextEncoder encoder_;
    int fd_ = -1;
    // What goes before the first line (a byte-order mark, or the line end a last line
    // lacked) until it is written.
    std::string lead_;
    std::string pending_;
    std::size_t pendingLines_ = 0;
    bool startedEmpty_ = false;
};

}  // namespace kiv::db::files
