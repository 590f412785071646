#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "db/files/TextFormat.h"

namespace kiv::db::files {

// Turns the bytes of a text file, chunk by chunk, into UTF-8. A character split between two
// chunks waits for the next one.
class TextDecoder {
public:
    // The character set a file is read in and the length of its byte-order mark: a mark
    // decides over the declared set (a UTF-8 mark always; a UTF-16 mark as well, since no
    // single-byte text starts with one).
    struct Detected {
        TextFormat::Charset charset;
        std::size_t markLength;
    };
    static Detected detect(std::string_view head, TextFormat::Charset declared);

    explicit TextDecoder(TextFormat::Charset charset);

    // Appends the UTF-8 form of the next bytes.
    void decode(std::string_view bytes, std::string& out);
    // Appends what is left at the end of the file.
    void finish(std::string& out);

private:
    TextFormat::Charset charset_;
    std::string pending_;  // UTF-16 bytes of a character not yet complete
};

}  // namespace kiv::db::files
