#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kiv::db::excel {

// The pieces of the records of a BIFF8 workbook stream: little-endian numbers, texts, and
// records (identifier, length, data).
class BiffWriter {
public:
    // The most data one record carries; the rest of a long record goes into CONTINUE records.
    static constexpr std::size_t MaxData = 8224;

    static void u8(std::string& out, std::uint8_t value) { out += static_cast<char>(value); }
    static void u16(std::string& out, std::uint16_t value);
    static void u32(std::string& out, std::uint32_t value);
    static void f64(std::string& out, double value);
    // Sets two bytes already appended at `at`.
    static void set16(std::string& out, std::size_t at, std::uint16_t value);
    static void set32(std::string& out, std::size_t at, std::uint32_t value);

    // Appends a record's identifier and length; `length` bytes of data follow.
    static void header(std::string& out, std::uint16_t id, std::size_t length);

    // The characters of UTF-8 text as BIFF8 stores them: one byte each when every character
    // fits in one (Latin-1), else UTF-16 (`wide`). Returns the count of characters (UTF-16
    // units).
    static std::size_t characters(std::string& out, std::string_view text, bool& wide);

    // A string with a one-byte count (sheet names) or a two-byte count (formats).
    static void shortString(std::string& out, std::string_view text);
    static void longString(std::string& out, std::string_view text);
};

}  // namespace kiv::db::excel
