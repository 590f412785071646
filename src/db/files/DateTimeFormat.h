#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kiv::db::files {

// A date pattern as schema.ini writes it (`DateTimeFormat=dd.mm.yyyy hh:nn:ss`): y, m, d for
// the date, h, n, s for the time, m right after an hour also meaning minutes, mmm and mmmm
// for month names; every other character stands for itself.
class DateTimeFormat {
public:
    static constexpr std::string_view Default = "yyyy-mm-dd hh:nn:ss";

    explicit DateTimeFormat(std::string_view pattern = Default);

    const std::string& pattern() const { return pattern_; }

    // Appends a serial day number in the pattern. At midnight the time part is left out when
    // the pattern puts it after the date, so that pure dates read as dates.
    void format(double serial, std::string& out) const;

    // The serial day number of a text in the pattern; the time part may be missing. Nothing
    // when the text does not follow the pattern or names no valid date.
    std::optional<double> parse(std::string_view text) const;

private:
    enum class Token {
        Literal,
        Year4,
        Year2,
        Month,
        Month2,
        MonthShort,
        MonthLong,
        Day,
        Day2,
        WeekdayShort,
        WeekdayLong,
        Hour,
        Hour2,
        Minute,
        Minute2,
        Second,
        Second2
    };
    struct Piece {
        Token token;
        char literal;
    };

    static bool isTime(Token token);

    std::string pattern_;
    std::vector<Piece> pieces_;
    // Pieces written at midnight: those before the first time piece, without the separators
    // that lead up to it.
    std::size_t dateEnd_ = 0;
};

}  // namespace kiv::db::files
