#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "db/files/TextFormat.h"

namespace kiv::db::files {

// Turns the bytes of a text file, chunk by chunk, into UTF-8. A character split between two
// chunks waits for the next one.
class TextDecoder {
public:
    // The first bytes of a file that decide its character set.
    static constexpr std::size_t HeadSize = std::size_t{64} << 10;

    // The character set a file is read in and the length of its byte-order mark: a mark
    // decides over the declared set (a UTF-8 mark always; a UTF-16 mark as well, since no
    // single-byte text starts with one). For the machine's set the head decides: UTF-8 when
    // it is valid UTF-8 (a character cut off at its end aside, unless `whole`: the head is
    // the whole file), else Windows-1252.
    struct Detected {
        TextFormat::Charset charset;
        std::size_t markLength;
    };
    static Detected detect(std::string_view head, bool whole, TextFormat::Charset declared);

    explicit TextDecoder(TextFormat::Charset charset);

    // Appends the UTF-8 form of the next bytes.
    void decode(std::string_view bytes, std::string& out);
    // Appends what is left at the end of the file.
    void finish(std::string& out);

    // Where in `out` of the last call the first bytes went that a UTF-8 file holds but that
    // are no UTF-8, read as Windows-1252 so that none is lost; told once per file.
    std::optional<std::size_t> takeFallback() { return std::exchange(fallback_, std::nullopt); }

private:
    void decodeUtf8(std::string_view bytes, std::string& out, bool last);
    void fallBack(unsigned char byte, std::string& out);

    TextFormat::Charset charset_;
    std::string pending_;  // bytes of a character not yet complete
    bool fellBack_ = false;
    std::optional<std::size_t> fallback_;
};

}  // namespace kiv::db::files
