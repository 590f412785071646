#include "db/files/TextEncoder.h"

#include <unordered_map>

#include "base/Encoding.h"

namespace kiv::db::files {

namespace {

// Decodes the UTF-8 character at `i`, advancing `i`; U+FFFD for a byte that starts no
// valid character.
char32_t nextCodePoint(std::string_view text, std::size_t& i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    char32_t codePoint = 0;
    if (lead < 0x80) {
        ++i;
        return lead;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, codePoint = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, codePoint = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, codePoint = lead & 0x07;
    }
    if (length == 0 || i + length > text.size()) {
        ++i;
        return 0xFFFD;
    }
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80) {
            ++i;
            return 0xFFFD;
        }
        codePoint = (codePoint << 6) | (next & 0x3F);
    }
    i += length;
    return codePoint;
}

// The byte of each character a single-byte code page holds above ASCII, taken from the
// base layer's decoding so that writing and reading agree.
std::unordered_map<char32_t, char> reverseTable(std::string (*convert)(std::string_view)) {
    std::unordered_map<char32_t, char> table;
    for (unsigned byte = 0x80; byte < 256; ++byte) {
        const std::string utf8 = convert(std::string(1, static_cast<char>(byte)));
        std::size_t i = 0;
        table.emplace(nextCodePoint(utf8, i), static_cast<char>(byte));
    }
    return table;
}

const std::unordered_map<char32_t, char>& tableFor(TextFormat::Charset charset) {
    static const auto Windows1252 = reverseTable(&encoding::windows1252ToUtf8);
    static const auto Cp437 = reverseTable(&encoding::cp437ToUtf8);
    return charset == TextFormat::Charset::Cp437 ? Cp437 : Windows1252;
}

void appendUnit(std::string& out, char32_t unit, bool littleEndian) {
    const auto high = static_cast<char>(unit >> 8);
    const auto low = static_cast<char>(unit & 0xFF);
    out.push_back(littleEndian ? low : high);
    out.push_back(littleEndian ? high : low);
}

}  // namespace

TextEncoder::TextEncoder(TextFormat::Charset charset) : charset_(charset) {}

std::string_view TextEncoder::byteOrderMark(TextFormat::Charset charset) {
    switch (charset) {
        case TextFormat::Charset::Utf16LE:
            return "\xFF\xFE";
        case TextFormat::Charset::Utf16BE:
            return "\xFE\xFF";
        default:
            return "";
    }
}

void TextEncoder::encode(std::string_view text, std::string& out) const {
    switch (charset_) {
        case TextFormat::Charset::Machine:
        case TextFormat::Charset::Utf8:
            out.append(text);
            return;
        case TextFormat::Charset::Windows1252:
        case TextFormat::Charset::Cp437: {
            const auto& table = tableFor(charset_);
            for (std::size_t i = 0; i < text.size();) {
                const char32_t codePoint = nextCodePoint(text, i);
                if (codePoint < 0x80) {
                    out.push_back(static_cast<char>(codePoint));
                    continue;
                }
                const auto found = table.find(codePoint);
                out.push_back(found == table.end() ? '?' : found->second);
            }
            return;
        }
        case TextFormat::Charset::Utf16LE:
        case TextFormat::Charset::Utf16BE: {
            const bool littleEndian = charset_ == TextFormat::Charset::Utf16LE;
            for (std::size_t i = 0; i < text.size();) {
                const char32_t codePoint = nextCodePoint(text, i);
                if (codePoint >= 0x10000) {
                    appendUnit(out, 0xD800 + ((codePoint - 0x10000) >> 10), littleEndian);
                    appendUnit(out, 0xDC00 + ((codePoint - 0x10000) & 0x3FF), littleEndian);
                } else {
                    appendUnit(out, codePoint, littleEndian);
                }
            }
            return;
        }
    }
}

}  // namespace kiv::db::files
