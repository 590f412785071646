#include "db/postgres/PgBinaryCopy.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cstring>

#include "db/postgres/PgTypes.h"

namespace kiv::db::postgres {

namespace {

// Days from 1970-01-01 to 2000-01-01, the server's day 0.
constexpr std::int64_t ServerEpochDays = 10957;
constexpr std::int64_t MicrosPerSecond = 1000000;
// A numeric's exponent beyond which the server refuses it anyway.
constexpr int MaxExponent = 1000;
constexpr std::int16_t NumericNegative = 0x4000;

// Writes `value` at `at` in the server's byte order, most significant byte first.
template <typename Whole>
void store(char* at, Whole value) {
    auto bits = static_cast<std::make_unsigned_t<Whole>>(value);
    if constexpr (std::endian::native == std::endian::little) {
        if constexpr (sizeof bits == 2) {
            bits = __builtin_bswap16(bits);
        } else if constexpr (sizeof bits == 4) {
            bits = __builtin_bswap32(bits);
        } else {
            bits = __builtin_bswap64(bits);
        }
    }
    std::memcpy(at, &bits, sizeof bits);
}

template <typename Whole>
void put(std::string& out, Whole value) {
    char bytes[sizeof value];
    store(bytes, value);
    out.append(bytes, sizeof value);
}

// Days from 1970-01-01 to the civil date (proleptic Gregorian).
std::int64_t daysFromCivil(int year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    const int era = (year >= 0 ? year : year - 399) / 400;
    const int yearOfEra = year - era * 400;
    const int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return static_cast<std::int64_t>(era) * 146097 + dayOfEra - 719468;
}

std::int64_t microsOfDay(const Variant::Civil& civil) {
    return (civil.hour * 3600 + civil.minute * 60 + civil.second) * MicrosPerSecond +
           civil.microsecond;
}

int floorQuarter(int position) {
    return position >= 0 ? position / 4 : -((3 - position) / 4);
}

std::string_view trimmed(std::string_view text) {
    const auto space = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    while (!text.empty() && space(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && space(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// The server's reading of a flag: t, true, y, yes, on, 1 and f, false, n, no, off, 0, any
// case, each word also cut short to a start that tells it apart.
std::optional<bool> flag(std::string_view text) {
    text = trimmed(text);
    const auto startOf = [&text](std::string_view word, std::size_t least) {
        if (text.size() < least || text.size() > word.size()) {
            return false;
        }
        return std::equal(text.begin(), text.end(), word.begin(),
                          [](char a, char b) { return (a | 0x20) == b; });
    };
    if (startOf("true", 1) || startOf("yes", 1) || startOf("on", 2) || text == "1") {
        return true;
    }
    if (startOf("false", 1) || startOf("no", 1) || startOf("off", 2) || text == "0") {
        return false;
    }
    return std::nullopt;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    const char lower = static_cast<char>(c | 0x20);
    return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

// The server's reading of a uuid: 32 hexadecimal digits, a hyphen allowed after any group
// of four, all in braces or not.
bool uuid(std::string_view text, std::array<char, 16>& bytes) {
    const bool braced = text.starts_with('{');
    std::size_t at = braced ? 1 : 0;
    for (std::size_t byte = 0; byte < bytes.size(); ++byte) {
        if (at + 2 > text.size()) {
            return false;
        }
        const int high = hexValue(text[at]);
        const int low = hexValue(text[at + 1]);
        if (high < 0 || low < 0) {
            return false;
        }
        bytes[byte] = static_cast<char>(high * 16 + low);
        at += 2;
        if (byte % 2 == 1 && byte < 15 && at < text.size() && text[at] == '-') {
            ++at;
        }
    }
    if (braced) {
        if (at >= text.size() || text[at] != '}') {
            return false;
        }
        ++at;
    }
    return at == text.size();
}

}  // namespace

std::string_view PgBinaryCopy::header() noexcept {
    static constexpr char Header[] = "PGCOPY\n\xff\r\n\0\0\0\0\0\0\0\0\0";
    return {Header, sizeof Header - 1};
}

std::string_view PgBinaryCopy::trailer() noexcept {
    return "\xff\xff";
}

PgBinaryCopy::PgBinaryCopy(const std::vector<Oid>& types, std::string_view timeZone) {
    static constexpr std::string_view Utc[] = {"UTC",       "Etc/UTC",      "GMT",  "Etc/GMT",
                                               "UCT",       "Etc/UCT",      "Zulu", "Etc/Zulu",
                                               "Universal", "Etc/Universal"};
    const bool utc = std::find(std::begin(Utc), std::end(Utc), timeZone) != std::end(Utc);
    for (const Oid type : types) {
        forms_.push_back(formOf(type, utc));
    }
}

PgBinaryCopy::Form PgBinaryCopy::formOf(Oid type, bool utc) noexcept {
    switch (type) {
        case Int2Oid:
            return Form::Int2;
        case Int4Oid:
            return Form::Int4;
        case Int8Oid:
            return Form::Int8;
        case Float4Oid:
            return Form::Float4;
        case Float8Oid:
            return Form::Float8;
        case NumericOid:
            return Form::Numeric;
        case BoolOid:
            return Form::Bool;
        case TextOid:
        case VarcharOid:
        case BpcharOid:
        case JsonOid:
            return Form::Text;
        case JsonbOid:
            return Form::Jsonb;
        case DateOid:
            return Form::Date;
        case TimeOid:
            return Form::Time;
        case TimestampOid:
            return Form::Timestamp;
        case TimestampTzOid:
            return utc ? Form::Timestamp : Form::None;
        case UuidOid:
            return Form::Uuid;
        case ByteaOid:
            return Form::Bytea;
        default:
            return Form::None;
    }
}

bool PgBinaryCopy::covers(const std::vector<std::size_t>& columns) const {
    return std::none_of(columns.begin(), columns.end(),
                        [this](std::size_t column) { return forms_[column] == Form::None; });
}

void PgBinaryCopy::beginRow(std::string& out, std::size_t fields) {
    put(out, static_cast<std::int16_t>(fields));
}

void PgBinaryCopy::appendNull(std::string& out) {
    put(out, std::int32_t{-1});
}

std::string_view PgBinaryCopy::append(std::string& out, std::size_t column, const Variant& given,
                                      const Variant& value) {
    const std::size_t start = out.size();
    put(out, std::int32_t{0});
    const std::string_view text = value.isText() ? value.textView() : std::string_view();
    switch (forms_[column]) {
        case Form::Int2:
            put(out, static_cast<std::int16_t>(value.toBigInt()));
            break;
        case Form::Int4:
            put(out, static_cast<std::int32_t>(value.toBigInt()));
            break;
        case Form::Int8:
            put(out, value.toBigInt());
            break;
        case Form::Float4:
            put(out, std::bit_cast<std::uint32_t>(static_cast<float>(value.toDouble())));
            break;
        case Form::Float8:
            put(out, std::bit_cast<std::uint64_t>(value.toDouble()));
            break;
        case Form::Numeric:
            // A text the program reads as a number but the server would not (thousands
            // separators, ...) goes as the number read; a currency goes as its digits.
            if (!given.isText() || !appendNumeric(out, given.textView())) {
                digits_.clear();
                PgTypes::append(digits_, given.kind() == Variant::Kind::Currency ? given : value,
                                adNumeric);
                appendNumeric(out, digits_);
            }
            break;
        case Form::Bool: {
            const std::optional<bool> truth = flag(text);
            if (!truth) {
                out.resize(start);
                return "boolean";
            }
            out += *truth ? '\1' : '\0';
            break;
        }
        case Form::Jsonb:
            out += '\1';
            out += text;
            break;
        case Form::Text:
        case Form::Bytea:
            out += text;
            break;
        case Form::Date: {
            const Variant::Civil civil = Variant::civilFromSerial(value.toDate());
            put(out, static_cast<std::int32_t>(daysFromCivil(civil.year, civil.month, civil.day) -
                                               ServerEpochDays));
            break;
        }
        case Form::Time:
            put(out, microsOfDay(Variant::civilFromSerial(value.toDate())));
            break;
        case Form::Timestamp: {
            const Variant::Civil civil = Variant::civilFromSerial(value.toDate());
            const std::int64_t days =
                daysFromCivil(civil.year, civil.month, civil.day) - ServerEpochDays;
            put(out, days * 86400 * MicrosPerSecond + microsOfDay(civil));
            break;
        }
        case Form::Uuid: {
            std::array<char, 16> bytes{};
            if (!uuid(text, bytes)) {
                out.resize(start);
                return "uuid";
            }
            out.append(bytes.data(), bytes.size());
            break;
        }
        case Form::None:
            break;
    }
    store(out.data() + start, static_cast<std::int32_t>(out.size() - start - 4));
    return {};
}

bool PgBinaryCopy::appendNumeric(std::string& out, std::string_view text) {
    text = trimmed(text);
    std::size_t end = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        ++end;
    }
    // Where the significant digits start, and how many of the digits follow the point.
    std::size_t first = std::string_view::npos;
    int fraction = 0;
    bool point = false;
    bool anyDigit = false;
    for (; end < text.size(); ++end) {
        const char c = text[end];
        if (c == '.' && !point) {
            point = true;
            continue;
        }
        if (c < '0' || c > '9') {
            break;
        }
        anyDigit = true;
        fraction += point ? 1 : 0;
        if (first == std::string_view::npos && c != '0') {
            first = end;
        }
    }
    if (!anyDigit) {
        return false;
    }
    const std::size_t digitsEnd = end;
    int exponent = 0;
    if (end < text.size() && (text[end] | 0x20) == 'e') {
        const char* from = text.data() + end + 1;
        from += from < text.data() + text.size() && *from == '+' ? 1 : 0;
        const auto [stop, error] = std::from_chars(from, text.data() + text.size(), exponent);
        if (error != std::errc() || stop == from || exponent > MaxExponent ||
            exponent < -MaxExponent) {
            return false;
        }
        end = static_cast<std::size_t>(stop - text.data());
    }
    if (end != text.size()) {
        return false;
    }
    const auto scale = static_cast<std::int16_t>(std::max(0, fraction - exponent));
    if (first == std::string_view::npos) {
        put(out, std::int16_t{0});
        put(out, std::int16_t{0});
        put(out, std::int16_t{0});
        put(out, scale);
        return true;
    }
    // The significant digits, the point left out; the last stands for 10^lowest.
    const std::string_view digits = text.substr(first, digitsEnd - first);
    const int count = static_cast<int>(digits.size()) - (digits.find('.') != digits.npos ? 1 : 0);
    const int lowest = exponent - fraction;
    const int high = lowest + count - 1;
    const int top = floorQuarter(high);
    groups_.assign(static_cast<std::size_t>(top - floorQuarter(lowest) + 1), 0);
    static constexpr std::int16_t Powers[] = {1, 10, 100, 1000};
    int position = high;
    for (const char c : digits) {
        if (c == '.') {
            continue;
        }
        const int group = floorQuarter(position);
        groups_[static_cast<std::size_t>(top - group)] +=
            static_cast<std::int16_t>((c - '0') * Powers[position - 4 * group]);
        --position;
    }
    while (groups_.size() > 1 && groups_.back() == 0) {
        groups_.pop_back();
    }
    put(out, static_cast<std::int16_t>(groups_.size()));
    put(out, static_cast<std::int16_t>(top));
    put(out, negative ? NumericNegative : std::int16_t{0});
    put(out, scale);
    for (const std::int16_t group : groups_) {
        put(out, group);
    }
    return true;
}

}  // namespace kiv::db::postgres
