#include "db/excel/BiffWriter.h"

#include <cstring>

#include "base/Encoding.h"

namespace kiv::db::excel {

namespace {

// The code point at `i` of UTF-8 text, and how many bytes it takes; a byte that starts no
// valid sequence stands for itself.
char32_t codePointAt(std::string_view text, std::size_t i, std::size_t& length) {
    length = encoding::utf8LengthAt(text, i);
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
    switch (length) {
        case 2:
            return ((byte(0) & 0x1Fu) << 6) | (byte(1) & 0x3Fu);
        case 3:
            return ((byte(0) & 0x0Fu) << 12) | ((byte(1) & 0x3Fu) << 6) | (byte(2) & 0x3Fu);
        case 4:
            return ((byte(0) & 0x07u) << 18) | ((byte(1) & 0x3Fu) << 12) |
                   ((byte(2) & 0x3Fu) << 6) | (byte(3) & 0x3Fu);
        default:
            length = 1;
            return byte(0);
    }
}

}  // namespace

void BiffWriter::u16(std::string& out, std::uint16_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>(value >> 8);
}

void BiffWriter::u32(std::string& out, std::uint32_t value) {
    u16(out, static_cast<std::uint16_t>(value & 0xFFFF));
    u16(out, static_cast<std::uint16_t>(value >> 16));
}

void BiffWriter::f64(std::string& out, double value) {
    char bytes[8];
    std::memcpy(bytes, &value, sizeof bytes);
    out.append(bytes, sizeof bytes);
}

void BiffWriter::set16(std::string& out, std::size_t at, std::uint16_t value) {
    out[at] = static_cast<char>(value & 0xFF);
    out[at + 1] = static_cast<char>(value >> 8);
}

void BiffWriter::set32(std::string& out, std::size_t at, std::uint32_t value) {
    set16(out, at, static_cast<std::uint16_t>(value & 0xFFFF));
    set16(out, at + 2, static_cast<std::uint16_t>(value >> 16));
}

void BiffWriter::header(std::string& out, std::uint16_t id, std::size_t length) {
    u16(out, id);
    u16(out, static_cast<std::uint16_t>(length));
}

std::size_t BiffWriter::characters(std::string& out, std::string_view text, bool& wide) {
    std::size_t length = 0;
    wide = false;
    for (std::size_t i = 0; i < text.size() && !wide; i += length) {
        wide = codePointAt(text, i, length) > 0xFF;
    }
    std::size_t units = 0;
    for (std::size_t i = 0; i < text.size(); i += length) {
        char32_t point = codePointAt(text, i, length);
        if (!wide) {
            u8(out, static_cast<std::uint8_t>(point));
        } else if (point < 0x10000) {
            u16(out, static_cast<std::uint16_t>(point));
        } else {
            point -= 0x10000;
            u16(out, static_cast<std::uint16_t>(0xD800 + (point >> 10)));
            u16(out, static_cast<std::uint16_t>(0xDC00 + (point & 0x3FF)));
            ++units;
        }
        ++units;
    }
    return units;
}

void BiffWriter::shortString(std::string& out, std::string_view text) {
    std::string chars;
    bool wide = false;
    const std::size_t units = characters(chars, text, wide);
    u8(out, static_cast<std::uint8_t>(units));
    u8(out, wide ? 1 : 0);
    out += chars;
}

void BiffWriter::longString(std::string& out, std::string_view text) {
    std::string chars;
    bool wide = false;
    const std::size_t units = characters(chars, text, wide);
    u16(out, static_cast<std::uint16_t>(units));
    u8(out, wide ? 1 : 0);
    out += chars;
}

}  // namespace kiv::db::excel
