#pragma once

#include <sqlite3.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "base/Variant.h"
#include "db/sqlite/StoredValue.h"

namespace kiv::db::files {

class TextFormat;

// One column of a text file: its name, its type (declared in schema.ini or guessed from the
// first rows) and how its field texts become SQLite values and back.
class TextColumn {
public:
    enum class Type { Bit, Byte, Short, Long, Currency, Single, Double, DateTime, Text, Memo };

    // Text columns without a width hold this many characters.
    static constexpr std::size_t DefaultTextWidth = 255;

    std::string name;
    Type type = Type::Text;
    std::size_t width = 0;  // characters; 0 when none was given
    bool declared = false;  // from a Coln entry of schema.ini rather than guessed

    // The type word schema.ini uses ("Long", "DateTime").
    static std::string_view typeName(Type type);
    // The type a schema.ini type word stands for, aliases included; nothing for other words.
    static std::optional<Type> typeFromName(std::string_view word);

    // The SQL type the virtual table declares, which the database layer maps to a field type.
    std::string sqlType() const;
    // The most characters a value may have; 0 for no limit.
    std::size_t maxLength() const;

    // The SQLite value of a non-empty field text; text borrowed from `field`, or from
    // `buffer` for a date, which is given in the form the SQLite engine stores dates in.
    // False when the text does not fit the type; `out` is left alone then.
    bool stored(std::string_view field, const TextFormat& format, sqlite::StoredValue& out,
                Variant::DateText& buffer) const;

    // Appends the field text of a value to a line being written. False when the value does not
    // fit the type; `line` is then left as it was.
    bool appendField(sqlite3_value* value, const TextFormat& format, std::string& line) const;

    // Number of characters of UTF-8 text.
    static std::size_t characterCount(std::string_view text);
    // Field text parsers shared by the type guess and the reading: trimmed blanks, a whole
    // number of digits with an optional sign; a decimal or scientific number with the file's
    // decimal symbol; True or False.
    static std::optional<long long> parseWhole(std::string_view text);
    static std::optional<double> parseNumber(std::string_view text, char decimalSymbol);
    static std::optional<bool> parseBoolean(std::string_view text);
};

}  // namespace kiv::db::files
