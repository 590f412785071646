#include "db/ValueCoercion.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include "base/Text.h"
#include "db/Constants.h"
#include "db/DataType.h"

namespace kiv::db {

namespace {

// Longer values are cut in descriptions so one bad value cannot flood a report.
constexpr std::size_t ShownValueLength = 60;

std::string typeText(const ColumnInfo& column) {
    return column.declaredType.empty() ? DataType::name(column.type) : column.declaredType;
}

// Callers keep only the text after the last "]" of a description, where the tags end; a
// "]" of a value or name is shown in its full-width form so the description survives that.
std::string shown(std::string_view text) {
    return text::replaceAll(text, "]", "\xEF\xBC\xBD");
}

std::string shownValue(const Variant& value) {
    std::string full = value.toText();
    if (full.size() > ShownValueLength) {
        std::size_t cut = ShownValueLength;
        while (cut > 0 && (static_cast<unsigned char>(full[cut]) & 0xC0) == 0x80) {
            --cut;
        }
        full.resize(cut);
        full += "...";
    }
    return shown(full);
}

ValueCoercion::Refusal mismatch(const Variant& value, const ColumnInfo& column) {
    return {"22018", "Cannot convert the value '" + shownValue(value) + "' to " + typeText(column) +
                         " for column '" + shown(column.name) + "'."};
}

ValueCoercion::Refusal outOfRange(const Variant& value, const ColumnInfo& column) {
    const bool date = DataType::isDate(column.type);
    return {date ? "22008" : "22003", "The value '" + shownValue(value) + "' is out of range for " +
                                          typeText(column) + " column '" + shown(column.name) +
                                          "'."};
}

// A failed conversion is out of range when the value is a number at all, a type mismatch
// otherwise.
ValueCoercion::Refusal failure(const Variant& value, const ColumnInfo& column) {
    if (value.tryToDouble()) {
        return outOfRange(value, column);
    }
    return mismatch(value, column);
}

std::optional<ValueCoercion::Refusal> whole(const Variant& value, const ColumnInfo& column,
                                            std::int64_t low, std::int64_t high, Variant& out) {
    const std::optional<std::int64_t> number = value.tryToBigInt();
    if (!number || *number < low || *number > high) {
        return failure(value, column);
    }
    if (column.type == adBigInt || column.type == adUnsignedBigInt ||
        column.type == adUnsignedInt) {
        out = Variant(*number);
    } else if (column.type == adInteger || column.type == adUnsignedSmallInt) {
        out = Variant(static_cast<std::int32_t>(*number));
    } else {
        out = Variant(static_cast<std::int16_t>(*number));
    }
    return std::nullopt;
}

std::optional<ValueCoercion::Refusal> decimal(const Variant& value, const ColumnInfo& column,
                                              Variant& out) {
    const std::optional<double> number = value.tryToDouble();
    if (!number || !std::isfinite(*number)) {
        return failure(value, column);
    }
    double result = *number;
    if (column.precision > 0) {
        const double scale = std::pow(10.0, static_cast<double>(column.numericScale));
        result = std::nearbyint(result * scale) / scale;
        const double limit =
            std::pow(10.0, static_cast<double>(column.precision - column.numericScale));
        if (std::fabs(result) >= limit) {
            return outOfRange(value, column);
        }
    }
    if (value.kind() == Variant::Kind::Integer || value.kind() == Variant::Kind::Long ||
        value.kind() == Variant::Kind::BigInt) {
        out = value;
    } else if (value.isText() && DataType::beyondDouble(value.textView()) &&
               Variant::parseNumber(value.textView())) {
        // More digits than a double holds: the text goes on with every one of them.
        out.assignText(text::trimWhitespace(value.textView()));
    } else {
        out = Variant(result);
    }
    return std::nullopt;
}

std::optional<ValueCoercion::Refusal> text(const Variant& value, const ColumnInfo& column,
                                           Variant& out) {
    if (value.isText()) {
        // Copied into the buffer `out` may already own, so a row of values written again
        // and again does not allocate.
        out.assignText(value.textView());
    } else {
        out = Variant(value.toText());
    }
    const bool bounded = column.type == adChar || column.type == adWChar ||
                         column.type == adVarChar || column.type == adVarWChar ||
                         column.type == adBinary || column.type == adVarBinary;
    // A text has no more characters than bytes, so only a longer one is counted.
    const std::string_view chars = out.textView();
    if (bounded && column.definedSize > 0 && static_cast<long>(chars.size()) > column.definedSize) {
        const long length = DataType::isBinary(column.type) ? static_cast<long>(chars.size())
                                                            : ValueCoercion::characterCount(chars);
        if (length > column.definedSize) {
            return ValueCoercion::Refusal{
                "22001", "String data, right truncation: the value for column '" +
                             shown(column.name) + "' has " + text::decimal(length) +
                             " characters, " + typeText(column) + " holds " +
                             text::decimal(column.definedSize) + "."};
        }
    }
    return std::nullopt;
}

}  // namespace

long ValueCoercion::characterCount(std::string_view text) noexcept {
    long count = 0;
    for (const char c : text) {
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {
            ++count;
        }
    }
    return count;
}

std::optional<ValueCoercion::Refusal> ValueCoercion::coerce(const Variant& value,
                                                            const ColumnInfo& column,
                                                            Variant& out) {
    if (value.isNull() || value.isEmpty()) {
        out = Variant::Null();
        return std::nullopt;
    }
    switch (column.type) {
        case adTinyInt:
            return whole(value, column, -128, 127, out);
        case adUnsignedTinyInt:
            return whole(value, column, 0, 255, out);
        case adSmallInt:
            return whole(value, column, std::numeric_limits<std::int16_t>::min(),
                         std::numeric_limits<std::int16_t>::max(), out);
        case adUnsignedSmallInt:
            return whole(value, column, 0, 65535, out);
        case adInteger:
            return whole(value, column, std::numeric_limits<std::int32_t>::min(),
                         std::numeric_limits<std::int32_t>::max(), out);
        case adUnsignedInt:
            return whole(value, column, 0, 4294967295LL, out);
        case adBigInt:
        case adUnsignedBigInt:
            return whole(value, column, std::numeric_limits<std::int64_t>::min(),
                         std::numeric_limits<std::int64_t>::max(), out);
        case adSingle: {
            const std::optional<double> number = value.tryToDouble();
            if (!number || std::fabs(*number) > std::numeric_limits<float>::max()) {
                return failure(value, column);
            }
            out = Variant(static_cast<double>(static_cast<float>(*number)));
            return std::nullopt;
        }
        case adDouble: {
            const std::optional<double> number = value.tryToDouble();
            if (!number) {
                return failure(value, column);
            }
            out = Variant(*number);
            return std::nullopt;
        }
        case adCurrency: {
            const std::optional<std::int64_t> scaled = value.tryToCurrencyScaled();
            if (!scaled) {
                return failure(value, column);
            }
            out = Variant::fromCurrencyScaled(*scaled);
            return std::nullopt;
        }
        case adDecimal:
        case adNumeric:
        case adVarNumeric:
            return decimal(value, column, out);
        case adBoolean: {
            const std::optional<bool> flag = value.tryToBool();
            if (!flag) {
                return mismatch(value, column);
            }
            out = Variant(*flag);
            return std::nullopt;
        }
        case adDate:
        case adDBDate:
        case adDBTime:
        case adDBTimeStamp: {
            const std::optional<double> serial = value.tryToDate();
            if (!serial) {
                return value.isText() ? mismatch(value, column) : outOfRange(value, column);
            }
            out = Variant::fromDate(*serial);
            return std::nullopt;
        }
        case adBSTR:
        case adChar:
        case adWChar:
        case adVarChar:
        case adLongVarChar:
        case adVarWChar:
        case adLongVarWChar:
        case adGUID:
        case adBinary:
        case adVarBinary:
        case adLongVarBinary:
            return text(value, column, out);
        default:
            out = value;
            return std::nullopt;
    }
}

ColumnInfo ValueCoercion::kindOnly(ColumnInfo column) {
    column.definedSize = 0;
    column.precision = 0;
    column.numericScale = 0;
    return column;
}

}  // namespace kiv::db
