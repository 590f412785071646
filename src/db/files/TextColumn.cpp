#include "db/files/TextColumn.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

#include "base/Text.h"
#include "base/Variant.h"
#include "db/files/TextFormat.h"

namespace kiv::db::files {

namespace {

struct TypeWord {
    std::string_view word;
    TextColumn::Type type;
};

// The first word of each type is the one the engine writes; the others are accepted aliases.
constexpr std::array<TypeWord, 15> TypeWords = {{{"Bit", TextColumn::Type::Bit},
                                                 {"Byte", TextColumn::Type::Byte},
                                                 {"Short", TextColumn::Type::Short},
                                                 {"Long", TextColumn::Type::Long},
                                                 {"Currency", TextColumn::Type::Currency},
                                                 {"Single", TextColumn::Type::Single},
                                                 {"Double", TextColumn::Type::Double},
                                                 {"DateTime", TextColumn::Type::DateTime},
                                                 {"Text", TextColumn::Type::Text},
                                                 {"Memo", TextColumn::Type::Memo},
                                                 {"Char", TextColumn::Type::Text},
                                                 {"Float", TextColumn::Type::Double},
                                                 {"Integer", TextColumn::Type::Short},
                                                 {"LongChar", TextColumn::Type::Memo},
                                                 {"Date", TextColumn::Type::DateTime}}};

// The range a whole-number type holds.
std::pair<double, double> wholeRange(TextColumn::Type type) {
    switch (type) {
        case TextColumn::Type::Byte:
            return {0, 255};
        case TextColumn::Type::Short:
            return {-32768, 32767};
        default:
            return {-2147483648.0, 2147483647.0};
    }
}

bool isWhole(TextColumn::Type type) {
    return type == TextColumn::Type::Byte || type == TextColumn::Type::Short ||
           type == TextColumn::Type::Long;
}

double roundCurrency(double value) {
    return std::nearbyint(value * 10000.0) / 10000.0;
}

template <typename Number>
void appendNumber(std::string& out, Number value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

void appendQuoted(std::string& out, std::string_view value, char quote) {
    out.push_back(quote);
    for (char c : value) {
        if (c == quote) {
            out.push_back(quote);
        }
        out.push_back(c);
    }
    out.push_back(quote);
}

std::string_view valueText(sqlite3_value* value) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
    return text == nullptr
               ? std::string_view()
               : std::string_view(text, static_cast<std::size_t>(sqlite3_value_bytes(value)));
}

// A value bound by the program as a number: numbers, and texts in the program's own form.
std::optional<double> numberOf(sqlite3_value* value) {
    switch (sqlite3_value_type(value)) {
        case SQLITE_INTEGER:
            return static_cast<double>(sqlite3_value_int64(value));
        case SQLITE_FLOAT:
            return sqlite3_value_double(value);
        default:
            return Variant::parseNumber(valueText(value));
    }
}

// A value bound by the program as a date: a serial day number or a date text in the
// program's own forms (never the file's DateTimeFormat, which may read day and month the
// other way round).
std::optional<double> dateOf(sqlite3_value* value) {
    std::optional<double> serial;
    switch (sqlite3_value_type(value)) {
        case SQLITE_INTEGER:
        case SQLITE_FLOAT:
            serial = sqlite3_value_double(value);
            break;
        default:
            serial = Variant::parseDate(valueText(value));
            break;
    }
    if (serial && (*serial < Variant::MinDate || *serial >= Variant::MaxDate + 1)) {
        return std::nullopt;
    }
    return serial;
}

}  // namespace

std::string_view TextColumn::typeName(Type type) {
    for (const TypeWord& entry : TypeWords) {
        if (entry.type == type) {
            return entry.word;
        }
    }
    return "Text";
}

std::optional<TextColumn::Type> TextColumn::typeFromName(std::string_view word) {
    for (const TypeWord& entry : TypeWords) {
        if (text::iequals(entry.word, word)) {
            return entry.type;
        }
    }
    return std::nullopt;
}

std::string TextColumn::sqlType() const {
    switch (type) {
        case Type::Bit:
            return "BIT";
        case Type::Byte:
            return "TINYINT";
        case Type::Short:
            return "SMALLINT";
        case Type::Long:
            return "INTEGER";
        case Type::Currency:
            return "CURRENCY";
        case Type::Single:
            return "SINGLE";
        case Type::Double:
            return "DOUBLE";
        case Type::DateTime:
            return "DATETIME";
        case Type::Memo:
            return "TEXT";
        case Type::Text:
            break;
    }
    return "VARCHAR(" + text::decimal(static_cast<long long>(maxLength())) + ")";
}

std::size_t TextColumn::maxLength() const {
    if (type == Type::Memo) {
        return 0;
    }
    return width > 0 ? width : DefaultTextWidth;
}

std::size_t TextColumn::characterCount(std::string_view text) {
    std::size_t count = 0;
    for (char c : text) {
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    }
    return count;
}

std::optional<long long> TextColumn::parseWhole(std::string_view text) {
    std::string_view digits = text::trim(text);
    if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) {
        digits.remove_prefix(1);
    }
    if (digits.empty() || digits.size() > 18) {
        return std::nullopt;
    }
    long long value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    return text::trim(text).front() == '-' ? -value : value;
}

std::optional<double> TextColumn::parseNumber(std::string_view text, char decimalSymbol) {
    if (decimalSymbol == '.') {
        return Variant::parseNumber(text);
    }
    // Numbers longer than this are not numbers any file holds; they stay text.
    char buffer[128];
    if (text.size() > sizeof buffer) {
        return std::nullopt;
    }
    std::size_t length = 0;
    for (char c : text) {
        if (c == '.') {
            return std::nullopt;
        }
        buffer[length++] = c == decimalSymbol ? '.' : c;
    }
    return Variant::parseNumber(std::string_view(buffer, length));
}

std::optional<bool> TextColumn::parseBoolean(std::string_view text) {
    const std::string_view word = text::trim(text);
    if (text::iequals(word, "True")) {
        return true;
    }
    if (text::iequals(word, "False")) {
        return false;
    }
    return std::nullopt;
}

bool TextColumn::stored(std::string_view field, const TextFormat& format, sqlite::StoredValue& out,
                        Variant::DateText& buffer) const {
    switch (type) {
        case Type::Text:
        case Type::Memo:
            if (maxLength() > 0 && field.size() > maxLength() &&
                characterCount(field) > maxLength()) {
                return false;
            }
            out = {SQLITE_TEXT, 0, 0, field};
            return true;
        case Type::Bit: {
            std::optional<bool> flag = parseBoolean(field);
            if (!flag) {
                const std::optional<double> number = parseNumber(field, format.decimalSymbol);
                if (!number) {
                    return false;
                }
                flag = *number != 0;
            }
            out = {SQLITE_INTEGER, *flag ? 1 : 0, 0, {}};
            return true;
        }
        case Type::DateTime: {
            const std::optional<double> serial = format.parseDate(field);
            if (!serial) {
                return false;
            }
            out = {SQLITE_TEXT, 0, 0, Variant::formatDate(*serial, buffer)};
            return true;
        }
        default:
            break;
    }
    if (isWhole(type)) {
        // Plain digits, by far the most common form, skip the general number parser.
        if (const std::optional<long long> whole = parseWhole(field)) {
            const auto [low, high] = wholeRange(type);
            if (*whole < low || *whole > high) {
                return false;
            }
            out = {SQLITE_INTEGER, *whole, 0, {}};
            return true;
        }
    }
    const std::optional<double> number = parseNumber(field, format.decimalSymbol);
    if (!number) {
        return false;
    }
    if (isWhole(type)) {
        const auto [low, high] = wholeRange(type);
        if (*number != std::floor(*number) || *number < low || *number > high) {
            return false;
        }
        out = {SQLITE_INTEGER, static_cast<std::int64_t>(*number), 0, {}};
    } else if (type == Type::Currency) {
        out = {SQLITE_FLOAT, 0, roundCurrency(*number), {}};
    } else if (type == Type::Single) {
        if (std::fabs(*number) > std::numeric_limits<float>::max()) {
            return false;
        }
        out = {SQLITE_FLOAT, 0, static_cast<float>(*number), {}};
    } else {
        out = {SQLITE_FLOAT, 0, *number, {}};
    }
    return true;
}

bool TextColumn::appendField(sqlite3_value* value, const TextFormat& format,
                             std::string& line) const {
    if (sqlite3_value_type(value) == SQLITE_NULL) {
        return true;
    }
    const bool quoting = format.layout == TextFormat::Layout::Delimited && format.quote != '\0';
    const std::size_t start = line.size();
    switch (type) {
        case Type::Text:
        case Type::Memo: {
            const std::string_view text = valueText(value);
            if (maxLength() > 0 && characterCount(text) > maxLength()) {
                return false;
            }
            if (text.empty()) {
                return true;
            }
            if (quoting) {
                appendQuoted(line, text, format.quote);
            } else {
                line.append(text);
            }
            return true;
        }
        case Type::Bit: {
            std::optional<bool> flag;
            if (sqlite3_value_type(value) == SQLITE_TEXT) {
                flag = parseBoolean(valueText(value));
            }
            if (!flag) {
                const std::optional<double> number = numberOf(value);
                if (!number) {
                    return false;
                }
                flag = *number != 0;
            }
            line.append(*flag ? "True" : "False");
            break;
        }
        case Type::DateTime: {
            const std::optional<double> serial = dateOf(value);
            if (!serial) {
                return false;
            }
            format.dates.format(*serial, line);
            break;
        }
        default: {
            std::optional<double> number = numberOf(value);
            if (!number) {
                return false;
            }
            if (isWhole(type)) {
                const double whole = std::nearbyint(*number);
                const auto [low, high] = wholeRange(type);
                if (whole < low || whole > high) {
                    return false;
                }
                appendNumber(line, static_cast<long long>(whole));
            } else if (type == Type::Single) {
                if (std::fabs(*number) > std::numeric_limits<float>::max()) {
                    return false;
                }
                appendNumber(line, static_cast<float>(*number));
            } else if (sqlite3_value_type(value) == SQLITE_INTEGER && type == Type::Double) {
                appendNumber(line, sqlite3_value_int64(value));
            } else {
                appendNumber(line, type == Type::Currency ? roundCurrency(*number) : *number);
            }
            if (format.decimalSymbol != '.') {
                for (std::size_t i = start; i < line.size(); ++i) {
                    if (line[i] == '.') {
                        line[i] = format.decimalSymbol;
                    }
                }
            }
            break;
        }
    }
    // A number or date that holds the delimiter (a decimal comma in a comma-separated file)
    // is quoted so that it stays one field.
    if (quoting && line.find(format.delimiter, start) != std::string::npos) {
        const std::string field = line.substr(start);
        line.resize(start);
        appendQuoted(line, field, format.quote);
    }
    return true;
}

}  // namespace kiv::db::files
