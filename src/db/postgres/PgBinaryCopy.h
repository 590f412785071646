#pragma once

#include <libpq-fe.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/Variant.h"

namespace kiv::db::postgres {

// COPY's binary format: each value in the form the server keeps for its column's type, so
// the server parses nothing. Whole numbers, floating point numbers, numerics, flags, texts,
// json and jsonb, dates, times, timestamps, uuids and bytea have one; timestamps with a time
// zone only where the session's time zone is UTC (the program's dates hold no zone). A group
// with a column of any other type (arrays, intervals, domains, ...) goes in COPY's text
// format, which the server reads for every type.
class PgBinaryCopy {
public:
    // The start and the end of every binary COPY's data.
    static std::string_view header() noexcept;
    static std::string_view trailer() noexcept;

    // For the columns of types `types`, with the session's TimeZone `timeZone`.
    PgBinaryCopy(const std::vector<Oid>& types, std::string_view timeZone);

    // Whether every column of `columns` has a binary form.
    bool covers(const std::vector<std::size_t>& columns) const;

    // Appends a row's field count.
    static void beginRow(std::string& out, std::size_t fields);
    // Appends Null.
    static void appendNull(std::string& out);
    // Appends `value` (not Null: the value `given` converted to column `column`'s kind) in
    // the form of the column's type; a numeric is taken from the text of `given` where it
    // is one, so no digit is lost. The name of the type when `value` is no such thing (a
    // flag, a uuid), nothing appended; else empty.
    std::string_view append(std::string& out, std::size_t column, const Variant& given,
                            const Variant& value);

private:
    enum class Form : std::uint8_t {
        None,
        Int2,
        Int4,
        Int8,
        Float4,
        Float8,
        Numeric,
        Bool,
        Text,
        Jsonb,
        Date,
        Time,
        Timestamp,
        Uuid,
        Bytea
    };

    static Form formOf(Oid type, bool utc) noexcept;
    // A numeric of the decimal text `text`; false, nothing appended, when it is no plain or
    // scientific decimal number.
    bool appendNumeric(std::string& out, std::string_view text);

    std::vector<Form> forms_;
    std::vector<std::int16_t> groups_;  // a numeric's base-10000 digits, reused
    std::string digits_;                // a number written as text, reused
};

}  // namespace kiv::db::postgres
