#include "db/odbc/OdbcText.h"

#include "base/Encoding.h"

namespace kiv::db::odbc {

namespace {

constexpr char32_t Replacement = 0xFFFD;

// The code point starting at `at`, which moves past it; an invalid sequence gives U+FFFD
// for its first byte.
char32_t decodeUtf8(std::string_view text, std::size_t& at) {
    const auto lead = static_cast<unsigned char>(text[at++]);
    if (lead < 0x80) {
        return lead;
    }
    int extra = 0;
    char32_t code = 0;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1;
        code = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
        code = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
        code = lead & 0x07;
    } else {
        return Replacement;
    }
    if (at + static_cast<std::size_t>(extra) > text.size()) {
        return Replacement;
    }
    for (int i = 0; i < extra; ++i) {
        const auto next = static_cast<unsigned char>(text[at + static_cast<std::size_t>(i)]);
        if ((next & 0xC0) != 0x80) {
            return Replacement;
        }
        code = (code << 6) | (next & 0x3F);
    }
    at += static_cast<std::size_t>(extra);
    return code > 0x10FFFF ? Replacement : code;
}

}  // namespace

OdbcText::Wide OdbcText::wide(std::string_view text) {
    Wide out;
    toWide(text, out);
    out.push_back(0);
    return out;
}

void OdbcText::toWide(std::string_view text, Wide& out) {
    out.clear();
    std::size_t at = 0;
    while (at < text.size()) {
        const char32_t code = decodeUtf8(text, at);
        if (code >= 0x10000) {
            const char32_t offset = code - 0x10000;
            out.push_back(static_cast<SQLWCHAR>(0xD800 + (offset >> 10)));
            out.push_back(static_cast<SQLWCHAR>(0xDC00 + (offset & 0x3FF)));
        } else {
            out.push_back(static_cast<SQLWCHAR>(code));
        }
    }
}

void OdbcText::toUtf8(const SQLWCHAR* text, std::size_t length, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < length; ++i) {
        const char32_t unit = text[i];
        if (unit < 0x80) {
            out += static_cast<char>(unit);
            continue;
        }
        char32_t code = unit;
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < length && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            code = 0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            code = Replacement;
        }
        encoding::appendUtf8(out, code);
    }
}

std::string OdbcText::utf8(const SQLWCHAR* text, std::size_t length) {
    std::string out;
    toUtf8(text, length, out);
    return out;
}

std::size_t OdbcText::length(const SQLWCHAR* text) noexcept {
    std::size_t count = 0;
    while (text[count] != 0) {
        ++count;
    }
    return count;
}

}  // namespace kiv::db::odbc
