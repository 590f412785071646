#include "db/files/TextDecoder.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <utility>

#include "base/Encoding.h"

namespace kiv::db::files {

namespace {

// The UTF-8 form of every byte of a single-byte code page, taken once from the conversions
// of the base layer so that both agree.
struct ByteTable {
    std::array<std::array<char, 4>, 256> utf8{};
    std::array<std::uint8_t, 256> length{};

    explicit ByteTable(std::string (*convert)(std::string_view)) {
        for (unsigned byte = 0; byte < 256; ++byte) {
            const std::string one = convert(std::string(1, static_cast<char>(byte)));
            length[byte] = static_cast<std::uint8_t>(one.size());
            for (std::size_t i = 0; i < one.size() && i < 4; ++i) {
                utf8[byte][i] = one[i];
            }
        }
    }
};

const ByteTable& tableFor(TextFormat::Charset charset) {
    static const ByteTable Windows1252(&encoding::windows1252ToUtf8);
    static const ByteTable Cp437(&encoding::cp437ToUtf8);
    return charset == TextFormat::Charset::Cp437 ? Cp437 : Windows1252;
}

// The position of the first byte from `from` on that is not ASCII (the size when there is
// none), looked for eight bytes at a time: most text is plain ASCII.
std::size_t asciiEnd(std::string_view bytes, std::size_t from) {
    constexpr std::uint64_t HighBits = 0x8080808080808080ULL;
    std::size_t i = from;
    for (; i + sizeof(std::uint64_t) <= bytes.size(); i += sizeof(std::uint64_t)) {
        std::uint64_t word;
        std::memcpy(&word, bytes.data() + i, sizeof word);
        if ((word & HighBits) != 0) {
            break;
        }
    }
    while (i < bytes.size() && static_cast<unsigned char>(bytes[i]) < 0x80) {
        ++i;
    }
    return i;
}

// The length of the character a UTF-8 lead byte starts; 0 for a byte that starts none.
std::size_t utf8Length(unsigned char lead) {
    if ((lead & 0xE0) == 0xC0) {
        return 2;
    }
    if ((lead & 0xF0) == 0xE0) {
        return 3;
    }
    return (lead & 0xF8) == 0xF0 ? 4 : 0;
}

// Whether the bytes from `i` to the end may begin a character that the next bytes complete.
bool cutOff(std::string_view bytes, std::size_t i) {
    const std::size_t length = utf8Length(static_cast<unsigned char>(bytes[i]));
    if (i + length <= bytes.size()) {
        return false;
    }
    for (std::size_t k = i + 1; k < bytes.size(); ++k) {
        if ((static_cast<unsigned char>(bytes[k]) & 0xC0) != 0x80) {
            return false;
        }
    }
    return true;
}

bool validUtf8Head(std::string_view head, bool whole) {
    for (std::size_t i = asciiEnd(head, 0); i < head.size(); i = asciiEnd(head, i)) {
        const std::size_t length = encoding::utf8LengthAt(head, i);
        if (length == 0) {
            return !whole && cutOff(head, i);
        }
        i += length;
    }
    return true;
}

bool isHighSurrogate(std::string_view unit, bool littleEndian) {
    const auto high = static_cast<unsigned char>(littleEndian ? unit[1] : unit[0]);
    return high >= 0xD8 && high <= 0xDB;
}

}  // namespace

TextDecoder::Detected TextDecoder::detect(std::string_view head, bool whole,
                                          TextFormat::Charset declared) {
    if (encoding::hasUtf8Bom(head)) {
        return {TextFormat::Charset::Utf8, 3};
    }
    if (head.starts_with("\xFF\xFE")) {
        return {TextFormat::Charset::Utf16LE, 2};
    }
    if (head.starts_with("\xFE\xFF")) {
        return {TextFormat::Charset::Utf16BE, 2};
    }
    if (declared == TextFormat::Charset::Machine) {
        return {validUtf8Head(head, whole) ? TextFormat::Charset::Utf8
                                           : TextFormat::Charset::Windows1252,
                0};
    }
    return {declared, 0};
}

TextDecoder::TextDecoder(TextFormat::Charset charset) : charset_(charset) {}

void TextDecoder::decode(std::string_view bytes, std::string& out) {
    switch (charset_) {
        case TextFormat::Charset::Machine:
        case TextFormat::Charset::Utf8:
            decodeUtf8(bytes, out, false);
            return;
        case TextFormat::Charset::Windows1252:
        case TextFormat::Charset::Cp437: {
            const ByteTable& table = tableFor(charset_);
            std::size_t run = 0;
            for (std::size_t i = asciiEnd(bytes, 0); i < bytes.size(); i = asciiEnd(bytes, run)) {
                const auto byte = static_cast<unsigned char>(bytes[i]);
                out.append(bytes.substr(run, i - run));
                out.append(table.utf8[byte].data(), table.length[byte]);
                run = i + 1;
            }
            out.append(bytes.substr(run));
            return;
        }
        case TextFormat::Charset::Utf16LE:
        case TextFormat::Charset::Utf16BE: {
            const bool littleEndian = charset_ == TextFormat::Charset::Utf16LE;
            pending_.append(bytes);
            std::size_t usable = pending_.size() & ~std::size_t{1};
            if (usable >= 2 &&
                isHighSurrogate(std::string_view(pending_).substr(usable - 2), littleEndian)) {
                usable -= 2;
            }
            out.append(
                encoding::utf16ToUtf8(std::string_view(pending_).substr(0, usable), littleEndian));
            pending_.erase(0, usable);
            return;
        }
    }
}

void TextDecoder::finish(std::string& out) {
    if (charset_ == TextFormat::Charset::Utf16LE || charset_ == TextFormat::Charset::Utf16BE) {
        if (pending_.size() >= 2) {
            out.append(encoding::utf16ToUtf8(pending_, charset_ == TextFormat::Charset::Utf16LE));
        }
    } else if (!pending_.empty()) {
        decodeUtf8({}, out, true);
    }
    pending_.clear();
}

// Valid characters are copied as they are, in runs; a character cut off at the end of the
// chunk waits for the next one, unless this is the `last` chunk.
void TextDecoder::decodeUtf8(std::string_view bytes, std::string& out, bool last) {
    if (!pending_.empty()) {
        const std::string waiting = std::exchange(pending_, {});
        const std::size_t wanted = utf8Length(static_cast<unsigned char>(waiting[0]));
        const std::size_t taken = std::min(bytes.size(), wanted - waiting.size());
        const std::string joined = waiting + std::string(bytes.substr(0, taken));
        if (encoding::utf8LengthAt(joined, 0) == wanted) {
            out.append(joined);
            bytes.remove_prefix(taken);
        } else if (!last && taken == bytes.size() && cutOff(joined, 0)) {
            pending_ = joined;
            return;
        } else {
            for (const char byte : waiting) {
                fallBack(static_cast<unsigned char>(byte), out);
            }
        }
    }
    std::size_t run = 0;
    for (std::size_t i = asciiEnd(bytes, 0); i < bytes.size(); i = asciiEnd(bytes, i)) {
        const std::size_t length = encoding::utf8LengthAt(bytes, i);
        if (length != 0) {
            i += length;
            continue;
        }
        out.append(bytes.substr(run, i - run));
        if (!last && cutOff(bytes, i)) {
            pending_.assign(bytes.substr(i));
            return;
        }
        fallBack(static_cast<unsigned char>(bytes[i]), out);
        run = ++i;
    }
    out.append(bytes.substr(run));
}

void TextDecoder::fallBack(unsigned char byte, std::string& out) {
    if (!fellBack_) {
        fellBack_ = true;
        fallback_ = out.size();
    }
    const ByteTable& table = tableFor(TextFormat::Charset::Windows1252);
    out.append(table.utf8[byte].data(), table.length[byte]);
}

}  // namespace kiv::db::files
