#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Text inside the program is UTF-8. Files arrive as UTF-8, Windows-1252, code page 437 or
// UTF-16; these turn them into UTF-8.
namespace kiv::encoding {

bool isValidUtf8(std::string_view bytes);
// The length of the valid UTF-8 character starting at `i`; 0 when the bytes there are no
// valid character or end before it does.
std::size_t utf8LengthAt(std::string_view bytes, std::size_t i);
bool hasUtf8Bom(std::string_view bytes);

std::string windows1252ToUtf8(std::string_view bytes);
std::string cp437ToUtf8(std::string_view bytes);
// UTF-16 without its byte-order mark; unpaired surrogates become U+FFFD.
std::string utf16ToUtf8(std::string_view bytes, bool littleEndian);
// Characters outside Windows-1252 become '?'.
std::string utf8ToWindows1252(std::string_view text);

// A file's content as UTF-8: a UTF-8 or UTF-16 byte-order mark decides and is removed;
// otherwise valid UTF-8 is kept as it is and anything else is read as Windows-1252.
std::string decodeText(std::string_view bytes);

void appendUtf8(std::string& out, char32_t codePoint);

}  // namespace kiv::encoding
