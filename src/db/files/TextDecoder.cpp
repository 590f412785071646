#include "db/files/TextDecoder.h"

#include <array>
#include <cstdint>
#include <cstring>

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
    return charset == TextFormat::Charset::Oem ? Cp437 : Windows1252;
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

bool isHighSurrogate(std::string_view unit, bool littleEndian) {
    const auto high = static_cast<unsigned char>(littleEndian ? unit[1] : unit[0]);
    return high >= 0xD8 && high <= 0xDB;
}

}  // namespace

TextDecoder::Detected TextDecoder::detect(std::string_view head, TextFormat::Charset declared) {
    if (encoding::hasUtf8Bom(head)) {
        return {TextFormat::Charset::Utf8, 3};
    }
    if (head.starts_with("\xFF\xFE")) {
        return {TextFormat::Charset::Utf16LE, 2};
    }
    if (head.starts_with("\xFE\xFF")) {
        return {TextFormat::Charset::Utf16BE, 2};
    }
    return {declared, 0};
}

TextDecoder::TextDecoder(TextFormat::Charset charset) : charset_(charset) {}

void TextDecoder::decode(std::string_view bytes, std::string& out) {
    switch (charset_) {
        case TextFormat::Charset::Utf8:
            out.append(bytes);
            return;
        case TextFormat::Charset::Ansi:
        case TextFormat::Charset::Oem: {
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
    if (pending_.size() >= 2) {
        out.append(encoding::utf16ToUtf8(pending_, charset_ == TextFormat::Charset::Utf16LE));
    }
    pending_.clear();
}

}  // namespace kiv::db::files
