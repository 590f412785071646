#pragma once

#include <string>
#include <string_view>

#include "db/files/TextFormat.h"

namespace kiv::db::files {

// Turns UTF-8 text into the bytes of a file's character set. Characters the set cannot hold
// become '?', as the platform's own conversion writes them.
class TextEncoder {
public:
    explicit TextEncoder(TextFormat::Charset charset);

    // Appends the encoded text.
    void encode(std::string_view text, std::string& out) const;
    // The byte-order mark a new file of the set starts with ("" for none): UTF-16 files carry
    // one so that readers know the byte order; UTF-8 files do without.
    static std::string_view byteOrderMark(TextFormat::Charset charset);

private:
    TextFormat::Charset charset_;
};

}  // namespace kiv::db::files
