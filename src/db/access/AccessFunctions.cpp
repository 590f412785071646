#include "db/access/AccessFunctions.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <exception>
#include <stdexcept>
#include <string>

#include "base/Text.h"
#include "base/Variant.h"
#include "db/access/AccessFormat.h"

namespace kiv::db::access {

namespace {

using Implementation = void (*)(sqlite3_context*, int, sqlite3_value**);

struct Function {
    std::string_view accessName;
    const char* sqlName;
    int fewest;
    int most;
    Implementation call;
    bool deterministic = true;
    bool isOperator = false;
};

std::string_view textOf(sqlite3_value* value) {
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_value_text(value));
    return {bytes != nullptr ? bytes : "", static_cast<std::size_t>(sqlite3_value_bytes(value))};
}

// The value as the program holds it; a date is text in ISO form, as the tables give it.
Variant variantOf(sqlite3_value* value) {
    switch (sqlite3_value_type(value)) {
        case SQLITE_NULL:
            return Variant::Null();
        case SQLITE_INTEGER:
            return Variant(static_cast<std::int64_t>(sqlite3_value_int64(value)));
        case SQLITE_FLOAT:
            return Variant(sqlite3_value_double(value));
        default:
            return Variant(textOf(value));
    }
}

// The text Basic makes of a value: numbers in their shortest form.
void appendText(std::string& out, sqlite3_value* value) {
    switch (sqlite3_value_type(value)) {
        case SQLITE_NULL:
            return;
        case SQLITE_INTEGER:
            out += std::to_string(sqlite3_value_int64(value));
            return;
        case SQLITE_FLOAT:
            out += Variant::formatDouble(sqlite3_value_double(value));
            return;
        default:
            out += textOf(value);
    }
}

void resultText(sqlite3_context* context, const std::string& text) {
    sqlite3_result_text(context, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

// "function Left", "operator +".
std::string nameOf(sqlite3_context* context) {
    const auto* function = static_cast<const Function*>(sqlite3_user_data(context));
    return (function->isOperator ? "operator " : "function ") + std::string(function->accessName);
}

void fail(sqlite3_context* context, const std::string& why) {
    const std::string message = "The Access " + nameOf(context) + " failed: " + why;
    sqlite3_result_error(context, message.c_str(), static_cast<int>(message.size()));
}

// Runs `body` unless the first argument is Null, which gives Null; a failure of a conversion
// becomes the statement's error.
template <typename Body>
void unlessNull(sqlite3_context* context, sqlite3_value** argv, Body&& body) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    try {
        body();
    } catch (const std::exception& error) {
        fail(context, error.what());
    }
}

// The text of the first argument as code points, in a buffer kept between rows.
std::u32string& codePoints(sqlite3_value* value, std::u32string& buffer) {
    thread_local std::string bytes;
    bytes.clear();
    appendText(bytes, value);
    buffer.clear();
    for (std::size_t at = 0; at < bytes.size();) {
        const auto lead = static_cast<unsigned char>(bytes[at]);
        const int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        char32_t point = length == 1 ? lead : lead & (0x7F >> length);
        for (int i = 1; i < length && at + static_cast<std::size_t>(i) < bytes.size(); ++i) {
            point = (point << 6) | (static_cast<unsigned char>(bytes[at + i]) & 0x3F);
        }
        buffer.push_back(point);
        at += static_cast<std::size_t>(length);
    }
    return buffer;
}

std::string utf8(std::u32string_view points) {
    std::string out;
    for (const char32_t point : points) {
        if (point < 0x80) {
            out += static_cast<char>(point);
        } else if (point < 0x800) {
            out += static_cast<char>(0xC0 | (point >> 6));
            out += static_cast<char>(0x80 | (point & 0x3F));
        } else if (point < 0x10000) {
            out += static_cast<char>(0xE0 | (point >> 12));
            out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (point & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (point >> 18));
            out += static_cast<char>(0x80 | ((point >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (point & 0x3F));
        }
    }
    return out;
}

long long wholeArgument(sqlite3_value* value, const char* what) {
    const long long number = variantOf(value).toLong();
    if (number < 0) {
        throw std::runtime_error(std::string(what) + " is below 0");
    }
    return number;
}

void substring(sqlite3_context* context, sqlite3_value* value, long long start, long long length) {
    thread_local std::u32string points;
    const std::u32string& all = codePoints(value, points);
    const auto first = static_cast<std::size_t>(std::min<long long>(start, all.size()));
    resultText(context,
               utf8(std::u32string_view(all).substr(
                   first, length < 0 ? std::u32string::npos : static_cast<std::size_t>(length))));
}

void left(sqlite3_context* context, int, sqlite3_value** argv) {
    unlessNull(context, argv,
               [&] { substring(context, argv[0], 0, wholeArgument(argv[1], "the length")); });
}

void right(sqlite3_context* context, int, sqlite3_value** argv) {
    unlessNull(context, argv, [&] {
        const long long length = wholeArgument(argv[1], "the length");
        thread_local std::u32string points;
        const auto size = static_cast<long long>(codePoints(argv[0], points).size());
        substring(context, argv[0], std::max(0LL, size - length), length);
    });
}

void mid(sqlite3_context* context, int argc, sqlite3_value** argv) {
    unlessNull(context, argv, [&] {
        const long long start = wholeArgument(argv[1], "the start");
        if (start < 1) {
            throw std::runtime_error("the start is below 1");
        }
        substring(context, argv[0], start - 1,
                  argc > 2 ? wholeArgument(argv[2], "the length") : -1);
    });
}

void len(sqlite3_context* context, int, sqlite3_value** argv) {
    unlessNull(context, argv, [&] {
        thread_local std::u32string points;
        sqlite3_result_int64(context,
                             static_cast<sqlite3_int64>(codePoints(argv[0], points).size()));
    });
}

template <std::string (*Change)(std::string_view)>
void changeCase(sqlite3_context* context, int, sqlite3_value** argv) {
    unlessNull(context, argv, [&] {
        std::string written;
        appendText(written, argv[0]);
        resultText(context, Change(written));
    });
}

template <bool Leading, bool Trailing>
void trim(sqlite3_context* context, int, sqlite3_value** argv) {
    unlessNull(context, argv, [&] {
        std::string written;
        appendText(written, argv[0]);
        const std::size_t first = Leading ? written.find_first_not_of(' ') : 0;
        if (first == std::string::npos) {
            resultText(context, "");
            return;
        }
        const std::size_t last = Trailing ? written.find_last_not_of(' ') : written.size() - 1;
        resultText(context, written.substr(first, last - first + 1));
    });
}

// The number at the start of a text: blanks, tabs and line feeds are left out, reading stops
// at the first character that cannot continue the number.
void val(sqlite3_context* context, int, sqlite3_value** argv) {
    unlessNull(context, argv, [&] {
        std::string written;
        appendText(written, argv[0]);
        std::string number;
        bool point = false;
        bool exponent = false;
        for (const char c : written) {
            if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
                continue;
            }
            const char previous = number.empty() ? 0 : number.back();
            if (std::isdigit(static_cast<unsigned char>(c)) != 0) {
                number += c;
            } else if ((c == '-' || c == '+') && (number.empty() || previous == 'e')) {
                number += c;
            } else if (c == '.' && !point && !exponent) {
                number += c;
                point = true;
            } else if ((c == 'e' || c == 'E' || c == 'd' || c == 'D') && !exponent &&
                       !number.empty()) {
                number += 'e';
                exponent = true;
            } else {
                break;
            }
        }
        sqlite3_result_double(context, std::strtod(number.c_str(), nullptr));
    });
}

void cstr(sqlite3_context* context, int, sqlite3_value** argv) {
    unlessNull(context, argv, [&] {
        std::string written;
        appendText(written, argv[0]);
        resultText(context, written);
    });
}

void clng(sqlite3_context* context, int, sqlite3_value** argv) {
    unlessNull(context, argv, [&] { sqlite3_result_int64(context, variantOf(argv[0]).toLong()); });
}

void cint(sqlite3_context* context, int, sqlite3_value** argv) {
    unlessNull(context, argv,
               [&] { sqlite3_result_int64(context, variantOf(argv[0]).toInteger()); });
}

void cdbl(sqlite3_context* context, int, sqlite3_value** argv) {
    unlessNull(context, argv,
               [&] { sqlite3_result_double(context, variantOf(argv[0]).toDouble()); });
}

// A number made Currency the way Access makes a Double Currency: scaled by 10,000 in extended
// precision and rounded half to even, so that 9.21375, which is a little less as a Double,
// becomes 9.2137.
void ccur(sqlite3_context* context, int, sqlite3_value** argv) {
    unlessNull(context, argv, [&] {
        constexpr long double Scale = Variant::CurrencyScale;
        const long double scaled =
            std::nearbyint(static_cast<long double>(variantOf(argv[0]).toDouble()) * Scale);
        if (!(std::fabs(scaled) < 9.2e18L)) {
            throw std::runtime_error("Overflow");
        }
        sqlite3_result_double(context, static_cast<double>(scaled / Scale));
    });
}

double serialOf(sqlite3_value* value) {
    if (sqlite3_value_type(value) == SQLITE_TEXT) {
        if (const std::optional<double> serial = Variant::parseDate(textOf(value))) {
            return *serial;
        }
    }
    return variantOf(value).toDate();
}

template <int Variant::Civil::*Part>
void datePart(sqlite3_context* context, int, sqlite3_value** argv) {
    unlessNull(context, argv, [&] {
        sqlite3_result_int(context, Variant::civilFromSerial(serialOf(argv[0])).*Part);
    });
}

// DatePart(interval, date): the intervals yyyy, q, m, y, d, w, ww, h, n and s, with weeks
// that start on Sunday and a first week that holds January 1.
void datePartOf(sqlite3_context* context, int argc, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    try {
        for (int i = 2; i < argc; ++i) {
            const long long setting = variantOf(argv[i]).toLong();
            if (setting > 1) {
                throw std::runtime_error(
                    "only weeks from Sunday with week 1 holding January 1 are known");
            }
        }
        const std::string interval = text::toLower(textOf(argv[0]));
        const double serial = serialOf(argv[1]);
        const std::string pattern = interval == "yyyy" ? "yyyy"
                                    : interval == "q"  ? "q"
                                    : interval == "m"  ? "m"
                                    : interval == "y"  ? "y"
                                    : interval == "d"  ? "d"
                                    : interval == "w"  ? "w"
                                    : interval == "ww" ? "ww"
                                    : interval == "h"  ? "h"
                                    : interval == "n"  ? "n"
                                    : interval == "s"  ? "s"
                                                       : "";
        if (pattern.empty()) {
            throw std::runtime_error("the interval \"" + interval + "\" is not known");
        }
        sqlite3_result_int64(context,
                             std::stoll(AccessFormat::format(Variant::fromDate(serial), pattern)));
    } catch (const std::exception& error) {
        fail(context, error.what());
    }
}

double localNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return Variant::serialFromCivil(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                                    local.tm_hour, local.tm_min, local.tm_sec);
}

void date(sqlite3_context* context, int, sqlite3_value**) {
    resultText(context, Variant::formatDate(std::floor(localNow())));
}

void now(sqlite3_context* context, int, sqlite3_value**) {
    resultText(context, Variant::formatDate(localNow()));
}

void format(sqlite3_context* context, int argc, sqlite3_value** argv) {
    unlessNull(context, argv, [&] {
        const std::string pattern = argc > 1 ? std::string(textOf(argv[1])) : "";
        resultText(context, AccessFormat::format(variantOf(argv[0]), pattern));
    });
}

void concatenate(sqlite3_context* context, int argc, sqlite3_value** argv) {
    thread_local std::string joined;
    joined.clear();
    for (int i = 0; i < argc; ++i) {
        appendText(joined, argv[i]);
    }
    resultText(context, joined);
}

// A date written as text, as the tables give dates.
std::optional<double> dateOf(sqlite3_value* value) {
    return sqlite3_value_type(value) == SQLITE_TEXT ? Variant::parseDate(textOf(value))
                                                    : std::nullopt;
}

// Whole numbers stay whole unless the result leaves their range.
void arithmetic(sqlite3_context* context, sqlite3_value* a, sqlite3_value* b, bool add) {
    if (sqlite3_value_numeric_type(a) == SQLITE_INTEGER &&
        sqlite3_value_numeric_type(b) == SQLITE_INTEGER) {
        sqlite3_int64 result = 0;
        const bool overflow =
            add ? __builtin_add_overflow(sqlite3_value_int64(a), sqlite3_value_int64(b), &result)
                : __builtin_sub_overflow(sqlite3_value_int64(a), sqlite3_value_int64(b), &result);
        if (!overflow) {
            sqlite3_result_int64(context, result);
            return;
        }
    }
    const double x = sqlite3_value_double(a);
    const double y = sqlite3_value_double(b);
    sqlite3_result_double(context, add ? x + y : x - y);
}

void dateResult(sqlite3_context* context, double serial) {
    if (serial < Variant::MinDate || serial >= Variant::MaxDate + 1) {
        fail(context, "the date is outside the years 100 to 9999");
        return;
    }
    resultText(context, Variant::formatDate(serial));
}

// a + b: days added to a date, two texts joined, numbers added.
void add(sqlite3_context* context, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const std::optional<double> first = dateOf(argv[0]);
    const std::optional<double> second = dateOf(argv[1]);
    if (first.has_value() != second.has_value()) {
        dateResult(context, first.value_or(sqlite3_value_double(argv[0])) +
                                second.value_or(sqlite3_value_double(argv[1])));
    } else if (sqlite3_value_type(argv[0]) == SQLITE_TEXT &&
               sqlite3_value_type(argv[1]) == SQLITE_TEXT) {
        concatenate(context, 2, argv);
    } else {
        arithmetic(context, argv[0], argv[1], true);
    }
}

// a - b: the days between two dates, days taken from a date, numbers subtracted.
void subtract(sqlite3_context* context, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const std::optional<double> first = dateOf(argv[0]);
    const std::optional<double> second = dateOf(argv[1]);
    if (first && second) {
        sqlite3_result_double(context, *first - *second);
    } else if (first) {
        dateResult(context, *first - sqlite3_value_double(argv[1]));
    } else {
        arithmetic(context, argv[0], argv[1], false);
    }
}

char32_t folded(char32_t c) {
    return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c;
}

// Whether the character at `p` of the pattern, a [ ] list, takes `c`; moves `p` past it.
bool inList(const std::u32string& pattern, std::size_t& p, char32_t c) {
    const std::size_t close = pattern.find(U']', p + 1);
    if (close == std::u32string::npos) {
        ++p;
        return c == U'[';
    }
    std::size_t at = p + 1;
    const bool negated = at < close && pattern[at] == U'!';
    at += negated ? 1 : 0;
    bool found = false;
    for (; at < close; ++at) {
        if (at + 2 < close && pattern[at + 1] == U'-') {
            found =
                found || (folded(c) >= folded(pattern[at]) && folded(c) <= folded(pattern[at + 2]));
            at += 2;
        } else {
            found = found || folded(c) == folded(pattern[at]);
        }
    }
    p = close + 1;
    return found != negated;
}

bool matchOne(const std::u32string& pattern, std::size_t& p, char32_t c) {
    switch (pattern[p]) {
        case U'?':
            ++p;
            return true;
        case U'#':
            ++p;
            return c >= U'0' && c <= U'9';
        case U'[':
            return inList(pattern, p, c);
        default:
            return folded(pattern[p++]) == folded(c);
    }
}

bool wildcardMatch(const std::u32string& value, const std::u32string& pattern) {
    std::size_t v = 0;
    std::size_t p = 0;
    std::size_t starAt = std::u32string::npos;
    std::size_t resumeAt = 0;
    while (v < value.size()) {
        std::size_t next = p;
        if (p < pattern.size() && pattern[p] == U'*') {
            starAt = ++p;
            resumeAt = v;
        } else if (p < pattern.size() && matchOne(pattern, next, value[v])) {
            p = next;
            ++v;
        } else if (starAt != std::u32string::npos) {
            p = starAt;
            v = ++resumeAt;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == U'*') {
        ++p;
    }
    return p == pattern.size();
}

void like(sqlite3_context* context, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    thread_local std::u32string value;
    thread_local std::u32string pattern;
    codePoints(argv[0], value);
    codePoints(argv[1], pattern);
    sqlite3_result_int(context, wildcardMatch(value, pattern) ? 1 : 0);
}

const std::array<Function, 26> Functions = {{
    {"Left", "access_left", 2, 2, left},
    {"Right", "access_right", 2, 2, right},
    {"Mid", "access_mid", 2, 3, mid},
    {"Len", "access_len", 1, 1, len},
    {"UCase", "access_ucase", 1, 1, changeCase<text::toUpper>},
    {"LCase", "access_lcase", 1, 1, changeCase<text::toLower>},
    {"Trim", "access_trim", 1, 1, trim<true, true>},
    {"LTrim", "access_ltrim", 1, 1, trim<true, false>},
    {"RTrim", "access_rtrim", 1, 1, trim<false, true>},
    {"Val", "access_val", 1, 1, val},
    {"CStr", "access_cstr", 1, 1, cstr},
    {"CLng", "access_clng", 1, 1, clng},
    {"CInt", "access_cint", 1, 1, cint},
    {"CDbl", "access_cdbl", 1, 1, cdbl},
    {"CCur", "access_ccur", 1, 1, ccur},
    {"Year", "access_year", 1, 1, datePart<&Variant::Civil::year>},
    {"Month", "access_month", 1, 1, datePart<&Variant::Civil::month>},
    {"Day", "access_day", 1, 1, datePart<&Variant::Civil::day>},
    {"DatePart", "access_datepart", 2, 4, datePartOf},
    {"Date", "access_date", 0, 0, date, false},
    {"Now", "access_now", 0, 0, now, false},
    {"Format", "access_format", 1, 2, format},
    {"&", AccessFunctions::Concatenate, -1, -1, concatenate, true, true},
    {"Like", AccessFunctions::Like, 2, 2, like, true, true},
    {"+", AccessFunctions::Add, 2, 2, add, true, true},
    {"-", AccessFunctions::Subtract, 2, 2, subtract, true, true},
}};

}  // namespace

std::optional<AccessFunctions::Signature> AccessFunctions::find(std::string_view accessName) {
    for (const Function& function : Functions) {
        if (!function.isOperator && text::iequals(function.accessName, accessName)) {
            return Signature{function.sqlName, function.fewest, function.most};
        }
    }
    return std::nullopt;
}

void AccessFunctions::registerOn(sqlite3* db) {
    for (const Function& function : Functions) {
        const int flags = SQLITE_UTF8 | (function.deterministic ? SQLITE_DETERMINISTIC : 0);
        for (int count = function.fewest; count <= function.most; ++count) {
            if (sqlite3_create_function_v2(db, function.sqlName, count, flags,
                                           const_cast<Function*>(&function), function.call, nullptr,
                                           nullptr, nullptr) != SQLITE_OK) {
                throw std::runtime_error(std::string("Cannot register the function ") +
                                         function.sqlName + ": " + sqlite3_errmsg(db));
            }
        }
    }
}

}  // namespace kiv::db::access
