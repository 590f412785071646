#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kiv {

// Raised by the throwing conversions of Variant: "Type mismatch" when a value has no
// meaning in the target kind, "Overflow" when it does not fit.
class VariantError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The value of a field, a lookup result or a constant. Sixteen bytes: a kind tag and a
// payload; texts live in a shared, immutable, reference-counted buffer so copies never
// allocate.
class Variant {
public:
    enum class Kind : std::uint8_t {
        Empty,
        Null,
        Boolean,
        Integer,  // 16-bit
        Long,     // 32-bit
        BigInt,   // 64-bit
        Double,
        Currency,  // 64-bit, scaled by 10 000
        Date,      // days since 1899-12-30, fraction = time of day
        Text       // UTF-8
    };

    // Serial day numbers of 0100-01-01 and 9999-12-31: the valid date range.
    static constexpr double MinDate = -657434.0;
    static constexpr double MaxDate = 2958465.0;
    static constexpr std::int64_t CurrencyScale = 10000;

    Variant() noexcept : kind_(Kind::Empty), i64_(0) {}
    Variant(bool value) noexcept : kind_(Kind::Boolean), i64_(value ? 1 : 0) {}
    Variant(std::int16_t value) noexcept : kind_(Kind::Integer), i64_(value) {}
    Variant(std::int32_t value) noexcept : kind_(Kind::Long), i64_(value) {}
    Variant(std::int64_t value) noexcept : kind_(Kind::BigInt), i64_(value) {}
    Variant(double value) noexcept : kind_(Kind::Double), dbl_(value) {}
    Variant(std::string_view text);
    Variant(const std::string& text) : Variant(std::string_view(text)) {}
    Variant(const char* text) : Variant(std::string_view(text)) {}

    static Variant Null() noexcept;
    // Makes this a text; reuses the text buffer when this value alone holds it and it is large
    // enough, so a row of values read again and again does not allocate.
    void assignText(std::string_view text);
    static Variant fromCurrencyScaled(std::int64_t scaled) noexcept;
    // Rounds half to even at the fourth decimal; throws VariantError("Overflow") out of range.
    static Variant fromCurrency(double value);
    static Variant fromDate(double serial) noexcept;

    Variant(const Variant& other) noexcept;
    Variant(Variant&& other) noexcept;
    Variant& operator=(const Variant& other) noexcept;
    Variant& operator=(Variant&& other) noexcept;
    ~Variant();

    Kind kind() const noexcept { return kind_; }
    bool isEmpty() const noexcept { return kind_ == Kind::Empty; }
    bool isNull() const noexcept { return kind_ == Kind::Null; }
    bool isText() const noexcept { return kind_ == Kind::Text; }
    bool isDate() const noexcept { return kind_ == Kind::Date; }
    // Boolean, whole numbers, Double and Currency.
    bool isNumeric() const noexcept;

    // The payload as stored, without conversion (the kind must match).
    std::string_view textView() const noexcept;
    std::int64_t currencyScaled() const noexcept { return i64_; }

    // Conversions with the classic Basic rules. The throwing forms raise VariantError
    // ("Type mismatch", "Overflow", "Invalid use of Null"); the try forms return nothing
    // where the throwing form would raise.
    std::string toText() const;  // Empty gives "", Null throws
    double toDouble() const;
    bool toBool() const;
    std::int16_t toInteger() const;  // round half to even
    std::int32_t toLong() const;     // round half to even
    std::int64_t toBigInt() const;   // round half to even
    std::int64_t toCurrencyScaled() const;
    double toDate() const;  // serial day number within MinDate..MaxDate

    std::optional<double> tryToDouble() const noexcept;
    std::optional<bool> tryToBool() const noexcept;
    std::optional<std::int16_t> tryToInteger() const noexcept;
    std::optional<std::int32_t> tryToLong() const noexcept;
    std::optional<std::int64_t> tryToBigInt() const noexcept;
    std::optional<std::int64_t> tryToCurrencyScaled() const noexcept;
    std::optional<double> tryToDate() const noexcept;

    // Same kind and same value (texts compared exactly). Empty equals only Empty and Null
    // only Null.
    bool operator==(const Variant& other) const noexcept;

    // Text helpers shared by the conversions and the database engines.
    static std::string formatDouble(double value);
    static std::string formatCurrency(std::int64_t scaled);
    // yyyy-mm-dd, yyyy-mm-dd hh:mm:ss or hh:mm:ss (date part left out for a pure time,
    // time part for midnight), the seconds followed by their fraction when there is one
    // (".5", ".123").
    static std::string formatDate(double serial);
    // The same text written into `buffer`, without allocating: loads format a date per row.
    using DateText = std::array<char, 48>;
    static std::string_view formatDate(double serial, DateText& buffer) noexcept;
    // ".5", ".123", ".000001": the fraction of a second written after the seconds; empty for 0.
    static std::string_view formatFraction(int microsecond, DateText& buffer) noexcept;
    // ISO 8601 forms, m/d/yyyy, d-mmm-yyyy, mmm d, yyyy, each with an optional time
    // (hh:mm[:ss[.fff]] with an optional AM/PM), or a time alone.
    static std::optional<double> parseDate(std::string_view text) noexcept;
    // Trimmed decimal or scientific number text; nothing for anything else.
    static std::optional<double> parseNumber(std::string_view text) noexcept;
    static double serialFromCivil(int year, int month, int day, int hour = 0, int minute = 0,
                                  double second = 0) noexcept;
    // The time is rounded to the microsecond where the serial holds that precision (dates up
    // to 2079), otherwise to ten or a hundred microseconds; milliseconds are always exact.
    struct Civil {
        int year, month, day, hour, minute, second, microsecond;
    };
    static Civil civilFromSerial(double serial) noexcept;

private:
    struct TextRep;
    // The conversion rules; a nested type so they can read the payload directly.
    struct Convert;
    void retain() const noexcept;
    void release() noexcept;

    Kind kind_;
    union {
        std::int64_t i64_;
        double dbl_;
        TextRep* text_;
    };
};

}  // namespace kiv
