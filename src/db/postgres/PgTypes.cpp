#include "db/postgres/PgTypes.h"

#include <charconv>
#include <cstdint>

#include "db/DataType.h"

namespace kiv::db::postgres {

namespace {

// The size a long type reports.
constexpr long UnboundedSize = 2147483647;
// Precision of a whole number that still fits into 64 bits, whatever its digits.
constexpr long WholeDigits = 18;
// The sizes psqlODBC reports for a character column without a length, for a type it
// does not know (json, arrays, ...), which it reads as text, and for a flag, which it reads
// as the text 1 or 0.
constexpr long UnsizedText = 8190;
constexpr long UnknownTypeSize = 255;
constexpr long FlagSize = 5;

void fixed(ColumnInfo& column, long type) {
    column.type = type;
    column.definedSize = DataType::defaultSize(type);
    column.precision = DataType::defaultPrecision(type);
    column.numericScale = 0;
}

void sized(ColumnInfo& column, long type, long size) {
    column.type = type;
    column.definedSize = size;
    column.precision = 0;
    column.numericScale = 0;
    if (type == adLongVarWChar || type == adLongVarBinary) {
        column.attributes |= adFldLong;
    }
}

template <typename Number>
bool parse(std::string_view text, Number& number) {
    const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), number);
    return failure == std::errc() && end == text.data() + text.size();
}

int hexDigit(char c) {
    return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
}

// bytea's hexadecimal form "\x0a1b..." as its bytes.
void readBytes(std::string_view text, Variant& out) {
    std::string bytes;
    if (text.starts_with("\\x")) {
        bytes.reserve((text.size() - 2) / 2);
        for (std::size_t i = 2; i + 1 < text.size(); i += 2) {
            bytes += static_cast<char>(hexDigit(text[i]) * 16 + hexDigit(text[i + 1]));
        }
    }
    out.assignText(bytes);
}

// A date, a timestamp or a time with its fraction of a second; a time zone is left out, as the
// layer's dates hold the session's time zone. A value outside the layer's dates (BC,
// infinity) stays text.
void readDate(Oid type, std::string_view text, Variant& out) {
    std::size_t length = type == TimeOid ? 8 : type == DateOid ? 10 : 19;
    if (length < text.size() && text[length] == '.') {
        length = text.find_first_not_of("0123456789", length + 1);
    }
    const std::string_view civil = text.substr(0, length);
    const std::optional<double> serial = Variant::parseDate(civil);
    if (!serial || text.ends_with(" BC")) {
        out.assignText(text);
        return;
    }
    out = Variant::fromDate(*serial);
}

void appendWhole(std::string& out, std::int64_t number) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    out.append(digits, end);
}

void appendDouble(std::string& out, double number) {
    char digits[32];
    const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    out.append(digits, end);
}

void appendHex(std::string& out, std::string_view bytes, std::string_view prefix) {
    static constexpr char Hex[] = "0123456789abcdef";
    out += prefix;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        out += Hex[byte >> 4];
        out += Hex[byte & 0x0F];
    }
}

// COPY's text format: a backslash, a tab and a line break inside a value are escaped.
void appendEscaped(std::string& out, std::string_view text) {
    std::size_t plain = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\\' && c != '\t' && c != '\n' && c != '\r') {
            continue;
        }
        out.append(text.substr(plain, i - plain));
        out += '\\';
        out += c == '\t' ? 't' : c == '\n' ? 'n' : c == '\r' ? 'r' : '\\';
        plain = i + 1;
    }
    out.append(text.substr(plain));
}

}  // namespace

void PgTypes::describe(Oid type, int modifier, ColumnInfo& column) {
    switch (type) {
        case Int2Oid:
            return fixed(column, adSmallInt);
        case Int4Oid:
        case OidOid:
            return fixed(column, adInteger);
        case Int8Oid:
            return fixed(column, adBigInt);
        case Float4Oid:
            return fixed(column, adSingle);
        case Float8Oid:
            return fixed(column, adDouble);
        case NumericOid:
            column.type = adNumeric;
            column.definedSize = DataType::defaultSize(adNumeric);
            column.precision = modifier >= 4 ? ((modifier - 4) >> 16) & 0xFFFF : 0;
            column.numericScale = modifier >= 4 ? (modifier - 4) & 0xFFFF : 0;
            return;
        case BoolOid:
            return sized(column, adVarChar, FlagSize);
        case DateOid:
            return fixed(column, adDBDate);
        case TimeOid:
            return fixed(column, adDBTime);
        case TimestampOid:
        case TimestampTzOid:
            return fixed(column, adDBTimeStamp);
        case UuidOid:
            return fixed(column, adGUID);
        case CharOid:
            return sized(column, adWChar, 1);
        case NameOid:
            return sized(column, adVarWChar, 63);
        case BpcharOid:
            return sized(column, adWChar, modifier >= 4 ? modifier - 4 : UnsizedText);
        case VarcharOid:
            return sized(column, adVarWChar, modifier >= 4 ? modifier - 4 : UnsizedText);
        case ByteaOid:
            return sized(column, adLongVarBinary, UnboundedSize);
        case TextOid:
            return sized(column, adLongVarWChar, UnsizedText);
        default:
            return sized(column, adVarWChar, UnknownTypeSize);
    }
}

void PgTypes::read(Oid type, const ColumnInfo& column, std::string_view text, Variant& out) {
    switch (type) {
        case Int2Oid: {
            std::int16_t number = 0;
            out = parse(text, number) ? Variant(number) : Variant(text);
            return;
        }
        case Int4Oid: {
            std::int32_t number = 0;
            out = parse(text, number) ? Variant(number) : Variant(text);
            return;
        }
        case Int8Oid: {
            std::int64_t number = 0;
            out = parse(text, number) ? Variant(number) : Variant(text);
            return;
        }
        case NumericOid:
            if (column.numericScale == 0 && column.precision > 0 &&
                column.precision <= WholeDigits) {
                std::int64_t number = 0;
                out = parse(text, number) ? Variant(number) : Variant(text);
                return;
            }
            DataType::readDecimal(text, out);
            return;
        case Float4Oid:
        case Float8Oid: {
            const std::optional<double> number = Variant::parseNumber(text);
            out = number ? Variant(*number) : Variant(text);
            return;
        }
        case BoolOid:
            out.assignText(text == "t" ? "1" : "0");
            return;
        case DateOid:
        case TimeOid:
        case TimestampOid:
        case TimestampTzOid:
            readDate(type, text, out);
            return;
        case ByteaOid:
            readBytes(text, out);
            return;
        default:
            out.assignText(text);
            return;
    }
}

void PgTypes::append(std::string& out, const Variant& value, long type) {
    switch (value.kind()) {
        case Variant::Kind::Boolean:
            out += value.toBool() ? 't' : 'f';
            return;
        case Variant::Kind::Integer:
        case Variant::Kind::Long:
        case Variant::Kind::BigInt:
            appendWhole(out, value.toBigInt());
            return;
        case Variant::Kind::Double:
            appendDouble(out, value.toDouble());
            return;
        case Variant::Kind::Currency:
            out += Variant::formatCurrency(value.currencyScaled());
            return;
        case Variant::Kind::Date: {
            Variant::DateText date;
            out += Variant::formatDate(value.toDate(), date);
            return;
        }
        default:
            if (DataType::isBinary(type)) {
                appendHex(out, value.textView(), "\\x");
            } else {
                out += value.textView();
            }
            return;
    }
}

bool PgTypes::isIsoDate(std::string_view text) noexcept {
    static constexpr std::string_view Shape = "dddd-dd-dd dd:dd:dd";
    if (text.size() != 10 && text.size() != Shape.size()) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (Shape[i] == 'd' ? !digit : text[i] != Shape[i]) {
            return false;
        }
    }
    return true;
}

void PgTypes::appendCopyField(std::string& out, const Variant& value, long type) {
    if (value.isNull() || value.isEmpty()) {
        out += "\\N";
        return;
    }
    if (value.isText()) {
        if (DataType::isBinary(type)) {
            appendHex(out, value.textView(), "\\\\x");
        } else {
            appendEscaped(out, value.textView());
        }
        return;
    }
    // Numbers, flags and dates hold no character to escape.
    append(out, value, type);
}

}  // namespace kiv::db::postgres
