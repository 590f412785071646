#include "base/Variant.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>

namespace kiv {

static_assert(sizeof(Variant) == 16, "a Variant is a kind tag and one eight-byte payload");

// Texts are stored as this header followed directly by the characters, in one allocation.
struct Variant::TextRep {
    std::size_t refs;
    std::size_t length;
    std::size_t capacity;

    char* chars() noexcept { return reinterpret_cast<char*>(this + 1); }
};

namespace {

constexpr std::int64_t SecondsPerDay = 86400;
constexpr double TwoTo63 = 9223372036854775808.0;
// Serials are clamped to this many days before splitting so the day arithmetic stays
// defined for any double; it lies far outside the valid date range.
constexpr double SerialClamp = 1e9;
// Past this a decimal exponent is out of range for every kind; the cap keeps exponent
// arithmetic from overflowing on absurd input.
constexpr std::int64_t ExponentCap = 100000;

enum class Fault : std::uint8_t { None, Mismatch, Overflow, Null };

[[noreturn]] void raise(Fault fault) {
    if (fault == Fault::Null) {
        throw VariantError("Invalid use of Null");
    }
    throw VariantError(fault == Fault::Overflow ? "Overflow" : "Type mismatch");
}

// A conversion result or the reason there is none; the throwing and the try forms of a
// conversion share one implementation through it.
template <typename T>
struct Outcome {
    T value{};
    Fault fault = Fault::None;

    Outcome(T result) noexcept : value(result) {}
    Outcome(Fault failure) noexcept : fault(failure) {}

    bool ok() const noexcept { return fault == Fault::None; }
    T get() const {
        if (!ok()) {
            raise(fault);
        }
        return value;
    }
    std::optional<T> maybe() const noexcept {
        if (!ok()) {
            return std::nullopt;
        }
        return value;
    }
};

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool equalsIgnoreCase(std::string_view text, std::string_view lowerWord) {
    return text.size() == lowerWord.size() &&
           std::equal(text.begin(), text.end(), lowerWord.begin(),
                      [](char a, char b) { return lower(a) == b; });
}

std::string_view takeDigits(std::string_view& rest) {
    std::size_t count = 0;
    while (count < rest.size() && isDigit(rest[count])) {
        ++count;
    }
    const std::string_view digits = rest.substr(0, count);
    rest.remove_prefix(count);
    return digits;
}

// ---- Number texts -----------------------------------------------------------------

// A number text taken apart; the views point into the original text.
struct Decimal {
    bool negative = false;
    std::string_view body;      // everything after the sign, as std::from_chars reads it
    std::string_view whole;     // digits before the point
    std::string_view fraction;  // digits after the point
    std::int64_t exponent = 0;
};

bool scanExponent(std::string_view& rest, std::int64_t& exponent) {
    if (rest.empty() || lower(rest.front()) != 'e') {
        return true;
    }
    rest.remove_prefix(1);
    const bool negative = !rest.empty() && rest.front() == '-';
    if (!rest.empty() && (rest.front() == '+' || negative)) {
        rest.remove_prefix(1);
    }
    const std::string_view digits = takeDigits(rest);
    for (char c : digits) {
        exponent = std::min(exponent * 10 + (c - '0'), ExponentCap);
    }
    if (negative) {
        exponent = -exponent;
    }
    return !digits.empty();
}

// Accepts only [sign] digits [. digits] [e [sign] digits] around blanks, so that
// std::from_chars never sees its extras (inf, nan, hex).
std::optional<Decimal> scanDecimal(std::string_view text) {
    std::string_view rest = trim(text);
    Decimal number;
    if (!rest.empty() && (rest.front() == '+' || rest.front() == '-')) {
        number.negative = rest.front() == '-';
        rest.remove_prefix(1);
    }
    number.body = rest;
    number.whole = takeDigits(rest);
    if (!rest.empty() && rest.front() == '.') {
        rest.remove_prefix(1);
        number.fraction = takeDigits(rest);
    }
    if (number.whole.empty() && number.fraction.empty()) {
        return std::nullopt;
    }
    if (!scanExponent(rest, number.exponent) || !rest.empty()) {
        return std::nullopt;
    }
    return number;
}

// Power of ten of the leading non-zero digit; the number must not be zero.
std::int64_t leadingPower(const Decimal& number) {
    const std::size_t first = number.whole.find_first_not_of('0');
    if (first != std::string_view::npos) {
        return number.exponent + static_cast<std::int64_t>(number.whole.size() - first) - 1;
    }
    return number.exponent - static_cast<std::int64_t>(number.fraction.find_first_not_of('0')) - 1;
}

Outcome<double> doubleFromDecimal(const Decimal& number) {
    const char* const end = number.body.data() + number.body.size();
    double value = 0;
    const auto [stop, error] = std::from_chars(number.body.data(), end, value);
    if (error == std::errc::result_out_of_range) {
        // Too small to represent is zero; too large has no value.
        if (leadingPower(number) >= 0) {
            return Fault::Overflow;
        }
        value = 0;
    } else if (error != std::errc() || stop != end) {
        return Fault::Mismatch;
    }
    return number.negative ? -value : value;
}

int digitAt(const Decimal& number, std::int64_t index) {
    const auto wholeSize = static_cast<std::int64_t>(number.whole.size());
    if (index < wholeSize) {
        return number.whole[index] - '0';
    }
    index -= wholeSize;
    return index < static_cast<std::int64_t>(number.fraction.size()) ? number.fraction[index] - '0'
                                                                     : 0;
}

// Whether dropping the digits from `index` on rounds the kept part up, half to even.
bool roundsUp(const Decimal& number, std::int64_t index, std::uint64_t kept) {
    const int first = digitAt(number, index);
    if (first != 5) {
        return first > 5;
    }
    const auto total = static_cast<std::int64_t>(number.whole.size() + number.fraction.size());
    for (std::int64_t i = index + 1; i < total; ++i) {
        if (digitAt(number, i) != 0) {
            return true;
        }
    }
    return kept % 2 != 0;
}

// The number times 10^scale as a whole number, rounded half to even. Worked on the decimal
// digits rather than through a double so that a tie spelt in the text ("0.00005") stays a
// tie and values near the int64 limits keep every digit.
Outcome<std::int64_t> scaledFromDecimal(const Decimal& number, int scale) {
    const std::uint64_t limit = (std::uint64_t{1} << 63) - (number.negative ? 0 : 1);
    const auto total = static_cast<std::int64_t>(number.whole.size() + number.fraction.size());
    const std::int64_t kept =
        static_cast<std::int64_t>(number.whole.size()) + number.exponent + scale;
    std::uint64_t magnitude = 0;
    for (std::int64_t i = 0; i < kept; ++i) {
        const auto digit = static_cast<std::uint64_t>(digitAt(number, i));
        if (magnitude > (limit - digit) / 10) {
            return Fault::Overflow;
        }
        magnitude = magnitude * 10 + digit;
    }
    if (kept >= 0 && kept < total && roundsUp(number, kept, magnitude)) {
        if (magnitude == limit) {
            return Fault::Overflow;
        }
        ++magnitude;
    }
    return static_cast<std::int64_t>(number.negative ? 0 - magnitude : magnitude);
}

// Goes through the shortest decimal text of the double, so 2.00005 rounds as the tie it
// reads as instead of by the binary noise below it.
Outcome<std::int64_t> currencyFromDouble(double value) {
    if (!std::isfinite(value)) {
        return Fault::Overflow;
    }
    char buffer[32];
    const char* const end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    return scaledFromDecimal(*scanDecimal({buffer, static_cast<std::size_t>(end - buffer)}), 4);
}

double roundHalfEven(double value) {
    const double below = std::floor(value);
    const double excess = value - below;
    if (excess > 0.5 || (excess == 0.5 && std::fmod(below, 2.0) != 0)) {
        return below + 1;
    }
    return below;
}

Outcome<std::int64_t> wholeFromDouble(double value) {
    if (!(value >= -TwoTo63 && value < TwoTo63)) {
        return Fault::Overflow;
    }
    return static_cast<std::int64_t>(roundHalfEven(value));
}

std::int64_t wholeFromCurrency(std::int64_t scaled) {
    const std::int64_t half = Variant::CurrencyScale / 2;
    std::int64_t whole = scaled / Variant::CurrencyScale;
    const std::int64_t rest = scaled % Variant::CurrencyScale;
    const bool tie = rest == half || rest == -half;
    if (rest > half || (tie && rest > 0 && whole % 2 != 0)) {
        ++whole;
    } else if (rest < -half || (tie && rest < 0 && whole % 2 != 0)) {
        --whole;
    }
    return whole;
}

// ---- Calendar -----------------------------------------------------------------------

// Days since 1970-01-01 of a proleptic Gregorian date, counted in 400-year eras that
// start on March 1st so the leap day falls at the end of each year.
constexpr std::int64_t daysFromCivil(std::int64_t year, std::int64_t month, std::int64_t day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

constexpr std::int64_t EpochDay = daysFromCivil(1899, 12, 30);

constexpr std::int64_t MicrosPerSecond = 1000000;
constexpr std::int64_t MicrosPerDay = SecondsPerDay * MicrosPerSecond;

struct SerialParts {
    std::int64_t day;     // days after 1899-12-30
    std::int64_t micros;  // microseconds of that day
};

// The step, in microseconds, that a serial of this size still tells apart: a microsecond for
// serials below 2^16 (up to the year 2079), then ten, a hundred microseconds as the spacing of
// doubles grows; never coarser than a millisecond within the valid date range. Rounding to a
// step wider than the spacing gives back exactly the time a serial was made from.
std::int64_t timeStep(double serial) {
    const double magnitude = std::max(std::fabs(serial), 1.0);
    const double spacing = (std::nextafter(magnitude, SerialClamp * 2) - magnitude) * MicrosPerDay;
    std::int64_t step = 1;
    while (static_cast<double>(step) <= spacing && step < MicrosPerSecond) {
        step *= 10;
    }
    return step;
}

// A serial's day is its integral part (truncated toward zero: a negative serial carries
// its time as a positive fraction); the time is rounded to the finest step the double holds,
// and rounding up to midnight moves on to the next calendar day.
SerialParts splitSerial(double serial) {
    serial = std::isfinite(serial) ? std::clamp(serial, -SerialClamp, SerialClamp) : 0.0;
    const double day = std::trunc(serial);
    const std::int64_t step = timeStep(serial);
    const double steps = std::fabs(serial - day) * static_cast<double>(MicrosPerDay / step);
    SerialParts parts{static_cast<std::int64_t>(day), std::llround(steps) * step};
    if (parts.micros == MicrosPerDay) {
        ++parts.day;
        parts.micros = 0;
    }
    return parts;
}

bool serialInRange(double serial) {
    if (!std::isfinite(serial)) {
        return false;
    }
    const std::int64_t day = splitSerial(serial).day;
    return day >= Variant::MinDate && day <= Variant::MaxDate;
}

Variant::Civil civilFromParts(SerialParts parts) {
    const std::int64_t seconds = parts.micros / MicrosPerSecond;
    const std::int64_t days = parts.day + EpochDay + 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;
    const std::int64_t month = shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9;
    const std::int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    const std::int64_t day = dayOfYear - (153 * shiftedMonth + 2) / 5 + 1;
    return {static_cast<int>(year),
            static_cast<int>(month),
            static_cast<int>(day),
            static_cast<int>(seconds / 3600),
            static_cast<int>(seconds / 60 % 60),
            static_cast<int>(seconds % 60),
            static_cast<int>(parts.micros % MicrosPerSecond)};
}

bool isLeapYear(int year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int daysInMonth(int year, int month) {
    constexpr std::array<int, 12> days{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : days[month - 1];
}

// ---- Date texts ---------------------------------------------------------------------

constexpr std::array<std::string_view, 12> MonthNames{
    "january", "february", "march",     "april",   "may",      "june",
    "july",    "august",   "september", "october", "november", "december"};

bool toNumber(std::string_view digits, std::size_t minDigits, std::size_t maxDigits, int& value) {
    if (digits.size() < minDigits || digits.size() > maxDigits) {
        return false;
    }
    value = 0;
    for (char c : digits) {
        value = value * 10 + (c - '0');
    }
    return true;
}

class Cursor {
public:
    explicit Cursor(std::string_view text) : rest_(text) {}

    bool done() const { return rest_.empty(); }
    bool atLetter() const { return !rest_.empty() && isLetter(rest_.front()); }

    // Consumes the character if it matches, ignoring case.
    bool take(char lowerChar) {
        if (rest_.empty() || lower(rest_.front()) != lowerChar) {
            return false;
        }
        rest_.remove_prefix(1);
        return true;
    }

    bool skipBlanks() {
        const std::size_t before = rest_.size();
        rest_ = rest_.substr(std::min(rest_.find_first_not_of(" \t"), rest_.size()));
        return rest_.size() != before;
    }

    std::string_view digits() { return takeDigits(rest_); }

    bool number(std::size_t minDigits, std::size_t maxDigits, int& value) {
        return toNumber(digits(), minDigits, maxDigits, value);
    }

    // A month by its English name or the name's first three letters.
    bool month(int& value) {
        std::size_t length = 0;
        while (length < rest_.size() && isLetter(rest_[length])) {
            ++length;
        }
        const std::string_view word = rest_.substr(0, length);
        rest_.remove_prefix(length);
        for (std::size_t i = 0; i < MonthNames.size(); ++i) {
            if (equalsIgnoreCase(word, MonthNames[i]) ||
                equalsIgnoreCase(word, MonthNames[i].substr(0, 3))) {
                value = static_cast<int>(i) + 1;
                return true;
            }
        }
        return false;
    }

private:
    std::string_view rest_;
};

// Defaults to the epoch day, which makes a time alone come out as a fraction of a day.
struct DateFields {
    int year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    double second = 0;
};

// "AM"/"PM" turns a 12-hour clock time into a 24-hour one; without it the hour must
// already be on the 24-hour clock.
bool applyMeridiem(Cursor& in, int& hour) {
    const bool pm = in.take('p');
    if (!pm && !in.take('a')) {
        return hour <= 23;
    }
    if (!in.take('m') || hour < 1 || hour > 12) {
        return false;
    }
    hour = hour % 12 + (pm ? 12 : 0);
    return true;
}

// hh:mm[:ss[.fff]] with an optional AM/PM.
bool parseTime(Cursor& in, DateFields& fields) {
    if (!in.number(1, 2, fields.hour) || !in.take(':') || !in.number(2, 2, fields.minute)) {
        return false;
    }
    int second = 0;
    if (in.take(':')) {
        if (!in.number(2, 2, second)) {
            return false;
        }
        fields.second = second;
        if (in.take('.')) {
            const std::string_view fraction = in.digits();
            double place = 0.1;
            for (char c : fraction) {
                fields.second += (c - '0') * place;
                place /= 10;
            }
            if (fraction.empty()) {
                return false;
            }
        }
    }
    in.skipBlanks();
    return applyMeridiem(in, fields.hour) && fields.minute <= 59 && second <= 59;
}

// mmm d, yyyy
bool parseMonthFirst(Cursor& in, DateFields& fields) {
    if (!in.month(fields.month) || !in.skipBlanks() || !in.number(1, 2, fields.day) ||
        !in.take(',')) {
        return false;
    }
    in.skipBlanks();
    return in.number(4, 4, fields.year);
}

// Everything but the month-name-first form starts with a number whose separator tells
// the form: yyyy-mm-dd, d-mmm-yyyy or m/d/yyyy. Sets `iso` for the first.
bool parseNumericFirst(Cursor& in, DateFields& fields, bool& iso) {
    const std::string_view lead = in.digits();
    if (lead.size() == 4 && in.take('-')) {
        iso = true;
        return toNumber(lead, 4, 4, fields.year) && in.number(1, 2, fields.month) && in.take('-') &&
               in.number(1, 2, fields.day);
    }
    if (in.take('-')) {
        return toNumber(lead, 1, 2, fields.day) && in.month(fields.month) && in.take('-') &&
               in.number(4, 4, fields.year);
    }
    return in.take('/') && toNumber(lead, 1, 2, fields.month) && in.number(1, 2, fields.day) &&
           in.take('/') && in.number(4, 4, fields.year);
}

// A date with an optional time after blanks (or after 'T' in the ISO form).
bool parseDateTime(Cursor& in, DateFields& fields) {
    bool iso = false;
    const bool dated =
        in.atLetter() ? parseMonthFirst(in, fields) : parseNumericFirst(in, fields, iso);
    if (!dated || in.done()) {
        return dated;
    }
    const bool separated = (iso && in.take('t')) || in.skipBlanks();
    return separated && parseTime(in, fields);
}

bool startsWithTime(std::string_view text) {
    Cursor probe(text);
    probe.digits();
    return probe.take(':');
}

bool validDay(const DateFields& fields) {
    return fields.month >= 1 && fields.month <= 12 && fields.day >= 1 &&
           fields.day <= daysInMonth(fields.year, fields.month);
}

}  // namespace

// ---- Conversions --------------------------------------------------------------------

struct Variant::Convert {
    static Outcome<double> toDouble(const Variant& v) noexcept {
        switch (v.kind_) {
            case Kind::Empty:
                return 0.0;
            case Kind::Null:
                return Fault::Null;
            case Kind::Boolean:
                return static_cast<double>(-v.i64_);
            case Kind::Integer:
            case Kind::Long:
            case Kind::BigInt:
                return static_cast<double>(v.i64_);
            case Kind::Double:
            case Kind::Date:
                return v.dbl_;
            case Kind::Currency:
                return static_cast<double>(v.i64_) / CurrencyScale;
            case Kind::Text:
                break;
        }
        const std::optional<Decimal> number = scanDecimal(v.textView());
        if (!number) {
            return Fault::Mismatch;
        }
        return doubleFromDecimal(*number);
    }

    static Outcome<bool> toBool(const Variant& v) noexcept {
        if (v.kind_ == Kind::Text) {
            const std::string_view text = trim(v.textView());
            if (equalsIgnoreCase(text, "true")) {
                return true;
            }
            if (equalsIgnoreCase(text, "false")) {
                return false;
            }
        }
        const Outcome<double> number = toDouble(v);
        if (!number.ok()) {
            return number.fault;
        }
        return number.value != 0;
    }

    static Outcome<std::int64_t> toWhole(const Variant& v) noexcept {
        switch (v.kind_) {
            case Kind::Empty:
                return std::int64_t{0};
            case Kind::Null:
                return Fault::Null;
            case Kind::Boolean:
                return -v.i64_;
            case Kind::Integer:
            case Kind::Long:
            case Kind::BigInt:
                return v.i64_;
            case Kind::Double:
            case Kind::Date:
                return wholeFromDouble(v.dbl_);
            case Kind::Currency:
                return wholeFromCurrency(v.i64_);
            case Kind::Text:
                break;
        }
        const std::optional<Decimal> number = scanDecimal(v.textView());
        if (!number) {
            return Fault::Mismatch;
        }
        return scaledFromDecimal(*number, 0);
    }

    template <typename T>
    static Outcome<T> toWhole(const Variant& v) noexcept {
        const Outcome<std::int64_t> whole = toWhole(v);
        if (!whole.ok()) {
            return whole.fault;
        }
        if (whole.value < std::numeric_limits<T>::min() ||
            whole.value > std::numeric_limits<T>::max()) {
            return Fault::Overflow;
        }
        return static_cast<T>(whole.value);
    }

    static Outcome<std::int64_t> toCurrency(const Variant& v) noexcept {
        std::int64_t scaled = 0;
        switch (v.kind_) {
            case Kind::Empty:
                return std::int64_t{0};
            case Kind::Null:
                return Fault::Null;
            case Kind::Boolean:
                return -v.i64_ * CurrencyScale;
            case Kind::Integer:
            case Kind::Long:
            case Kind::BigInt:
                if (__builtin_mul_overflow(v.i64_, CurrencyScale, &scaled)) {
                    return Fault::Overflow;
                }
                return scaled;
            case Kind::Double:
            case Kind::Date:
                return currencyFromDouble(v.dbl_);
            case Kind::Currency:
                return v.i64_;
            case Kind::Text:
                break;
        }
        const std::optional<Decimal> number = scanDecimal(v.textView());
        if (!number) {
            return Fault::Mismatch;
        }
        return scaledFromDecimal(*number, 4);
    }

    static Outcome<double> toDate(const Variant& v) noexcept {
        if (v.kind_ == Kind::Text) {
            const std::optional<double> serial = parseDate(v.textView());
            if (!serial) {
                return Fault::Mismatch;
            }
            return *serial;
        }
        const Outcome<double> serial = toDouble(v);
        if (serial.ok() && !serialInRange(serial.value)) {
            return Fault::Overflow;
        }
        return serial;
    }
};

// ---- Construction and lifetime ------------------------------------------------------

Variant::Variant(std::string_view text) : kind_(Kind::Text), text_(nullptr) {
    if (text.empty()) {
        return;
    }
    void* const storage = ::operator new(sizeof(TextRep) + text.size());
    text_ = new (storage) TextRep{1, text.size(), text.size()};
    std::memcpy(text_->chars(), text.data(), text.size());
}

void Variant::assignText(std::string_view text) {
    if (kind_ == Kind::Text && text_ != nullptr && text_->refs == 1 &&
        text_->capacity >= text.size()) {
        // An empty view may point nowhere, and copying from nowhere is undefined even for
        // no bytes.
        if (!text.empty()) {
            std::memcpy(text_->chars(), text.data(), text.size());
        }
        text_->length = text.size();
        return;
    }
    *this = Variant(text);
}

Variant Variant::Null() noexcept {
    Variant value;
    value.kind_ = Kind::Null;
    return value;
}

Variant Variant::fromCurrencyScaled(std::int64_t scaled) noexcept {
    Variant value;
    value.kind_ = Kind::Currency;
    value.i64_ = scaled;
    return value;
}

Variant Variant::fromCurrency(double value) {
    return fromCurrencyScaled(currencyFromDouble(value).get());
}

Variant Variant::fromDate(double serial) noexcept {
    Variant value;
    value.kind_ = Kind::Date;
    value.dbl_ = serial;
    return value;
}

Variant::Variant(const Variant& other) noexcept : kind_(other.kind_) {
    std::memcpy(&i64_, &other.i64_, sizeof i64_);
    retain();
}

Variant::Variant(Variant&& other) noexcept : kind_(other.kind_) {
    std::memcpy(&i64_, &other.i64_, sizeof i64_);
    other.kind_ = Kind::Empty;
    other.i64_ = 0;
}

Variant& Variant::operator=(const Variant& other) noexcept {
    // Retaining first keeps self-assignment from freeing the text it is about to share.
    other.retain();
    release();
    kind_ = other.kind_;
    std::memcpy(&i64_, &other.i64_, sizeof i64_);
    return *this;
}

Variant& Variant::operator=(Variant&& other) noexcept {
    if (this != &other) {
        release();
        kind_ = other.kind_;
        std::memcpy(&i64_, &other.i64_, sizeof i64_);
        other.kind_ = Kind::Empty;
        other.i64_ = 0;
    }
    return *this;
}

Variant::~Variant() {
    release();
}

void Variant::retain() const noexcept {
    if (kind_ == Kind::Text && text_ != nullptr) {
        ++text_->refs;
    }
}

void Variant::release() noexcept {
    if (kind_ == Kind::Text && text_ != nullptr && --text_->refs == 0) {
        ::operator delete(text_);
    }
}

// ---- Access and conversion ----------------------------------------------------------

bool Variant::isNumeric() const noexcept {
    switch (kind_) {
        case Kind::Boolean:
        case Kind::Integer:
        case Kind::Long:
        case Kind::BigInt:
        case Kind::Double:
        case Kind::Currency:
            return true;
        default:
            return false;
    }
}

std::string_view Variant::textView() const noexcept {
    if (kind_ != Kind::Text || text_ == nullptr) {
        return {};
    }
    return {text_->chars(), text_->length};
}

std::string Variant::toText() const {
    switch (kind_) {
        case Kind::Empty:
            return {};
        case Kind::Null:
            raise(Fault::Null);
        case Kind::Boolean:
            return i64_ != 0 ? "True" : "False";
        case Kind::Integer:
        case Kind::Long:
        case Kind::BigInt:
            return std::to_string(i64_);
        case Kind::Double:
            return formatDouble(dbl_);
        case Kind::Currency:
            return formatCurrency(i64_);
        case Kind::Date:
            return formatDate(dbl_);
        case Kind::Text:
            break;
    }
    return std::string(textView());
}

double Variant::toDouble() const {
    return Convert::toDouble(*this).get();
}
bool Variant::toBool() const {
    return Convert::toBool(*this).get();
}
std::int16_t Variant::toInteger() const {
    return Convert::toWhole<std::int16_t>(*this).get();
}
std::int32_t Variant::toLong() const {
    return Convert::toWhole<std::int32_t>(*this).get();
}
std::int64_t Variant::toBigInt() const {
    return Convert::toWhole(*this).get();
}
std::int64_t Variant::toCurrencyScaled() const {
    return Convert::toCurrency(*this).get();
}
double Variant::toDate() const {
    return Convert::toDate(*this).get();
}

std::optional<double> Variant::tryToDouble() const noexcept {
    return Convert::toDouble(*this).maybe();
}
std::optional<bool> Variant::tryToBool() const noexcept {
    return Convert::toBool(*this).maybe();
}
std::optional<std::int16_t> Variant::tryToInteger() const noexcept {
    return Convert::toWhole<std::int16_t>(*this).maybe();
}
std::optional<std::int32_t> Variant::tryToLong() const noexcept {
    return Convert::toWhole<std::int32_t>(*this).maybe();
}
std::optional<std::int64_t> Variant::tryToBigInt() const noexcept {
    return Convert::toWhole(*this).maybe();
}
std::optional<std::int64_t> Variant::tryToCurrencyScaled() const noexcept {
    return Convert::toCurrency(*this).maybe();
}
std::optional<double> Variant::tryToDate() const noexcept {
    return Convert::toDate(*this).maybe();
}

bool Variant::operator==(const Variant& other) const noexcept {
    if (kind_ != other.kind_) {
        return false;
    }
    switch (kind_) {
        case Kind::Empty:
        case Kind::Null:
            return true;
        case Kind::Boolean:
        case Kind::Integer:
        case Kind::Long:
        case Kind::BigInt:
        case Kind::Currency:
            return i64_ == other.i64_;
        case Kind::Double:
        case Kind::Date:
            return dbl_ == other.dbl_;
        case Kind::Text:
            break;
    }
    return textView() == other.textView();
}

// ---- Text helpers -------------------------------------------------------------------

std::string Variant::formatDouble(double value) {
    if (value == 0) {
        return "0";  // also keeps negative zero from showing its sign
    }
    char buffer[32];
    char* const end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    std::replace(buffer, end, 'e', 'E');
    return std::string(buffer, end);
}

std::string Variant::formatCurrency(std::int64_t scaled) {
    const bool negative = scaled < 0;
    const std::uint64_t magnitude =
        negative ? 0 - static_cast<std::uint64_t>(scaled) : static_cast<std::uint64_t>(scaled);
    const auto unit = static_cast<std::uint64_t>(CurrencyScale);
    char buffer[32];
    char* end = buffer;
    if (negative) {
        *end++ = '-';
    }
    end = std::to_chars(end, buffer + sizeof buffer, magnitude / unit).ptr;
    std::uint64_t fraction = magnitude % unit;
    if (fraction != 0) {
        *end++ = '.';
        for (std::uint64_t place = unit / 10; fraction != 0; place /= 10) {
            *end++ = static_cast<char>('0' + fraction / place);
            fraction %= place;
        }
    }
    return std::string(buffer, end);
}

namespace {

// Writes `value` with at least `width` digits at `out`; dates are formatted for every row of a
// load, so this avoids the cost of a general formatting routine.
char* putDigits(char* out, int value, int width) {
    char digits[12];
    int count = 0;
    const bool negative = value < 0;
    unsigned magnitude =
        negative ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
    do {
        digits[count++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (negative) {
        *out++ = '-';
    }
    for (int pad = count; pad < width; ++pad) {
        *out++ = '0';
    }
    while (count > 0) {
        *out++ = digits[--count];
    }
    return out;
}

// The fraction of a second with its point and without trailing zeros; nothing for none.
char* putFraction(char* out, int microsecond) {
    if (microsecond == 0) {
        return out;
    }
    *out++ = '.';
    int digits = 6;
    while (microsecond % 10 == 0) {
        microsecond /= 10;
        --digits;
    }
    return putDigits(out, microsecond, digits);
}

char* putTime(char* out, const Variant::Civil& civil) {
    out = putDigits(out, civil.hour, 2);
    *out++ = ':';
    out = putDigits(out, civil.minute, 2);
    *out++ = ':';
    out = putDigits(out, civil.second, 2);
    return putFraction(out, civil.microsecond);
}

}  // namespace

std::string_view Variant::formatFraction(int microsecond, DateText& buffer) noexcept {
    const char* end = putFraction(buffer.data(), microsecond);
    return std::string_view(buffer.data(), static_cast<std::size_t>(end - buffer.data()));
}

std::string_view Variant::formatDate(double serial, DateText& buffer) noexcept {
    const SerialParts parts = splitSerial(serial);
    const Civil civil = civilFromParts(parts);
    char* out = buffer.data();
    if (parts.day == 0 && parts.micros != 0) {
        out = putTime(out, civil);
    } else {
        out = putDigits(out, civil.year, 4);
        *out++ = '-';
        out = putDigits(out, civil.month, 2);
        *out++ = '-';
        out = putDigits(out, civil.day, 2);
        if (parts.micros != 0) {
            *out++ = ' ';
            out = putTime(out, civil);
        }
    }
    return std::string_view(buffer.data(), static_cast<std::size_t>(out - buffer.data()));
}

std::string Variant::formatDate(double serial) {
    DateText buffer;
    return std::string(formatDate(serial, buffer));
}

namespace {

int twoDigits(std::string_view text, std::size_t at) {
    const char a = text[at];
    const char b = text[at + 1];
    return a >= '0' && a <= '9' && b >= '0' && b <= '9' ? (a - '0') * 10 + (b - '0') : -1;
}

// Up to six digits after a seconds' point, as microseconds; -1 for anything else.
int fractionMicros(std::string_view digits) {
    if (digits.empty() || digits.size() > 6) {
        return -1;
    }
    int micros = 0;
    for (char c : digits) {
        if (!isDigit(c)) {
            return -1;
        }
        micros = micros * 10 + (c - '0');
    }
    for (std::size_t place = digits.size(); place < 6; ++place) {
        micros *= 10;
    }
    return micros;
}

struct IsoDate {
    int year, month, day, hour, minute, second, micros;
};

// yyyy-mm-dd and yyyy-mm-dd hh:mm:ss[.ffffff] (or with T for the blank), the forms the engines
// store dates in: read without the general parser, since a load reads one per date value.
// Gives false for anything else.
bool parseIsoDate(std::string_view text, IsoDate& date) {
    if (text.size() < 10 || text[4] != '-' || text[7] != '-') {
        return false;
    }
    const int century = twoDigits(text, 0);
    const int decade = twoDigits(text, 2);
    date.month = twoDigits(text, 5);
    date.day = twoDigits(text, 8);
    date.hour = date.minute = date.second = date.micros = 0;
    if (text.size() > 10) {
        if (text.size() < 19 || (text[10] != ' ' && text[10] != 'T') || text[13] != ':' ||
            text[16] != ':') {
            return false;
        }
        date.hour = twoDigits(text, 11);
        date.minute = twoDigits(text, 14);
        date.second = twoDigits(text, 17);
        if (text.size() > 19 &&
            (text[19] != '.' || (date.micros = fractionMicros(text.substr(20))) < 0)) {
            return false;
        }
    }
    date.year = century * 100 + decade;
    return century >= 0 && decade >= 0 && date.month >= 0 && date.day >= 0 && date.hour >= 0 &&
           date.minute >= 0 && date.second >= 0;
}

}  // namespace

std::optional<double> Variant::parseDate(std::string_view text) noexcept {
    IsoDate iso{};
    if (parseIsoDate(text, iso)) {
        DateFields fields;
        fields.year = iso.year;
        fields.month = iso.month;
        fields.day = iso.day;
        if (iso.year >= 100 && iso.hour <= 23 && iso.minute <= 59 && iso.second <= 59 &&
            validDay(fields)) {
            return serialFromCivil(iso.year, iso.month, iso.day, iso.hour, iso.minute,
                                   iso.second + iso.micros / 1e6);
        }
        return std::nullopt;
    }
    const std::string_view trimmed = trim(text);
    Cursor in(trimmed);
    DateFields fields;
    const bool parsed = startsWithTime(trimmed) ? parseTime(in, fields) : parseDateTime(in, fields);
    if (!parsed || !in.done() || !validDay(fields)) {
        return std::nullopt;
    }
    const double serial = serialFromCivil(fields.year, fields.month, fields.day, fields.hour,
                                          fields.minute, fields.second);
    if (!serialInRange(serial)) {
        return std::nullopt;
    }
    return serial;
}

std::optional<double> Variant::parseNumber(std::string_view text) noexcept {
    const std::optional<Decimal> number = scanDecimal(text);
    if (!number) {
        return std::nullopt;
    }
    return doubleFromDecimal(*number).maybe();
}

double Variant::serialFromCivil(int year, int month, int day, int hour, int minute,
                                double second) noexcept {
    const auto days = static_cast<double>(daysFromCivil(year, month, day) - EpochDay);
    const double time = (hour * 3600.0 + minute * 60.0 + second) / SecondsPerDay;
    return days < 0 ? days - time : days + time;
}

Variant::Civil Variant::civilFromSerial(double serial) noexcept {
    return civilFromParts(splitSerial(serial));
}

}  // namespace kiv
