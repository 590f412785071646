#include "db/files/DateTimeFormat.h"

#include <algorithm>
#include <array>

#include "base/Text.h"
#include "base/Variant.h"

namespace kiv::db::files {

namespace {

constexpr std::array<std::string_view, 12> MonthNames = {
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December"};
constexpr std::array<std::string_view, 7> WeekdayNames = {
    "Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

int daysInMonth(int year, int month) {
    static constexpr std::array<int, 12> Days = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : Days[static_cast<std::size_t>(month - 1)];
}

// Appends a non-negative number with at least `digits` digits; called for every date read,
// so without the cost of a formatted print.
void appendNumber(std::string& out, int value, int digits) {
    char buffer[12];
    int length = 0;
    unsigned rest = value < 0 ? 0u : static_cast<unsigned>(value);
    do {
        buffer[length++] = static_cast<char>('0' + rest % 10);
        rest /= 10;
    } while (rest > 0);
    for (int pad = length; pad < digits; ++pad) {
        out.push_back('0');
    }
    while (length > 0) {
        out.push_back(buffer[--length]);
    }
}

// Reads up to `maxDigits` digits, at least one.
bool readNumber(std::string_view text, std::size_t& at, std::size_t maxDigits, int& value) {
    std::size_t count = 0;
    value = 0;
    while (at < text.size() && count < maxDigits && isDigit(text[at])) {
        value = value * 10 + (text[at] - '0');
        ++at;
        ++count;
    }
    return count > 0;
}

// After the seconds, when the text has one there: a point and up to six digits, as
// microseconds.
void readFraction(std::string_view text, std::size_t& at, int& micros) {
    if (at + 1 >= text.size() || text[at] != '.' || !isDigit(text[at + 1])) {
        return;
    }
    const std::size_t start = ++at;
    readNumber(text, at, 6, micros);
    for (std::size_t digits = at - start; digits < 6; ++digits) {
        micros *= 10;
    }
}

// The fraction of a second, when there is one, after the seconds.
void appendFraction(std::string& out, int microsecond) {
    Variant::DateText buffer;
    out.append(Variant::formatFraction(microsecond, buffer));
}

// A month given by its full or three-letter English name.
bool readMonthName(std::string_view text, std::size_t& at, int& month) {
    std::size_t end = at;
    while (end < text.size() && isLetter(text[end])) {
        ++end;
    }
    const std::string_view word = text.substr(at, end - at);
    for (std::size_t i = 0; i < MonthNames.size(); ++i) {
        if (text::iequals(word, MonthNames[i]) || text::iequals(word, MonthNames[i].substr(0, 3))) {
            month = static_cast<int>(i) + 1;
            at = end;
            return true;
        }
    }
    return false;
}

}  // namespace

bool DateTimeFormat::isTime(Token token) {
    switch (token) {
        case Token::Hour:
        case Token::Hour2:
        case Token::Minute:
        case Token::Minute2:
        case Token::Second:
        case Token::Second2:
            return true;
        default:
            return false;
    }
}

DateTimeFormat::DateTimeFormat(std::string_view pattern) : pattern_(pattern) {
    bool afterHour = false;
    for (std::size_t i = 0; i < pattern.size();) {
        const char letter = text::toLower(pattern[i]);
        std::size_t run = 1;
        while (i + run < pattern.size() && text::toLower(pattern[i + run]) == letter) {
            ++run;
        }
        Token token = Token::Literal;
        switch (letter) {
            case 'y':
                token = run >= 3 ? Token::Year4 : Token::Year2;
                break;
            case 'm':
                if (run >= 4) {
                    token = Token::MonthLong;
                } else if (run == 3) {
                    token = Token::MonthShort;
                } else if (afterHour) {
                    token = run == 2 ? Token::Minute2 : Token::Minute;
                } else {
                    token = run == 2 ? Token::Month2 : Token::Month;
                }
                break;
            case 'd':
                token = run >= 4   ? Token::WeekdayLong
                        : run == 3 ? Token::WeekdayShort
                        : run == 2 ? Token::Day2
                                   : Token::Day;
                break;
            case 'h':
                token = run >= 2 ? Token::Hour2 : Token::Hour;
                break;
            case 'n':
                token = run >= 2 ? Token::Minute2 : Token::Minute;
                break;
            case 's':
                token = run >= 2 ? Token::Second2 : Token::Second;
                break;
            default:
                break;
        }
        if (token == Token::Literal) {
            pieces_.push_back({Token::Literal, pattern[i]});
            ++i;
            continue;
        }
        afterHour = token == Token::Hour || token == Token::Hour2;
        pieces_.push_back({token, '\0'});
        i += run;
    }

    std::size_t firstTime = pieces_.size();
    bool dateAfterTime = false;
    for (std::size_t k = 0; k < pieces_.size(); ++k) {
        if (isTime(pieces_[k].token)) {
            firstTime = std::min(firstTime, k);
        } else if (pieces_[k].token != Token::Literal && firstTime < k) {
            dateAfterTime = true;
        }
    }
    dateEnd_ = pieces_.size();
    if (firstTime > 0 && firstTime < pieces_.size() && !dateAfterTime) {
        dateEnd_ = firstTime;
        while (dateEnd_ > 0 && pieces_[dateEnd_ - 1].token == Token::Literal) {
            --dateEnd_;
        }
    }
}

void DateTimeFormat::format(double serial, std::string& out) const {
    const Variant::Civil civil = Variant::civilFromSerial(serial);
    const bool midnight =
        civil.hour == 0 && civil.minute == 0 && civil.second == 0 && civil.microsecond == 0;
    const std::size_t end = midnight && dateEnd_ > 0 ? dateEnd_ : pieces_.size();
    for (std::size_t k = 0; k < end; ++k) {
        const Piece& piece = pieces_[k];
        switch (piece.token) {
            case Token::Literal:
                out.push_back(piece.literal);
                break;
            case Token::Year4:
                appendNumber(out, civil.year, 4);
                break;
            case Token::Year2:
                appendNumber(out, civil.year % 100, 2);
                break;
            case Token::Month:
            case Token::Month2:
                appendNumber(out, civil.month, piece.token == Token::Month2 ? 2 : 1);
                break;
            case Token::MonthShort:
            case Token::MonthLong: {
                const std::string_view name = MonthNames[static_cast<std::size_t>(civil.month - 1)];
                out.append(piece.token == Token::MonthShort ? name.substr(0, 3) : name);
                break;
            }
            case Token::Day:
            case Token::Day2:
                appendNumber(out, civil.day, piece.token == Token::Day2 ? 2 : 1);
                break;
            case Token::WeekdayShort:
            case Token::WeekdayLong: {
                // Day 0 of the serial numbers, 1899-12-30, was a Saturday.
                const auto day = static_cast<long long>(
                    Variant::serialFromCivil(civil.year, civil.month, civil.day));
                const std::string_view name =
                    WeekdayNames[static_cast<std::size_t>(((day + 6) % 7 + 7) % 7)];
                out.append(piece.token == Token::WeekdayShort ? name.substr(0, 3) : name);
                break;
            }
            case Token::Hour:
            case Token::Hour2:
                appendNumber(out, civil.hour, piece.token == Token::Hour2 ? 2 : 1);
                break;
            case Token::Minute:
            case Token::Minute2:
                appendNumber(out, civil.minute, piece.token == Token::Minute2 ? 2 : 1);
                break;
            case Token::Second:
            case Token::Second2:
                appendNumber(out, civil.second, piece.token == Token::Second2 ? 2 : 1);
                appendFraction(out, civil.microsecond);
                break;
        }
    }
}

std::optional<double> DateTimeFormat::parse(std::string_view input) const {
    const std::string_view text = text::trim(input);
    int year = 1899, month = 12, day = 30, hour = 0, minute = 0, second = 0, micros = 0;
    bool twoDigitYear = false;
    std::size_t at = 0;
    for (std::size_t k = 0; k < pieces_.size(); ++k) {
        const Piece& piece = pieces_[k];
        if (at == text.size()) {
            // A text that stops after its date part is a date at midnight.
            for (std::size_t rest = k; rest < pieces_.size(); ++rest) {
                if (pieces_[rest].token != Token::Literal && !isTime(pieces_[rest].token)) {
                    return std::nullopt;
                }
            }
            break;
        }
        bool ok = true;
        switch (piece.token) {
            case Token::Literal:
                if (piece.literal == ' ') {
                    ok = text[at] == ' ';
                    while (at < text.size() && text[at] == ' ') {
                        ++at;
                    }
                } else {
                    ok = text::toLower(text[at]) == text::toLower(piece.literal);
                    ++at;
                }
                break;
            case Token::Year4:
                ok = readNumber(text, at, 4, year);
                break;
            case Token::Year2:
                ok = readNumber(text, at, 2, year);
                twoDigitYear = true;
                break;
            case Token::Month:
            case Token::Month2:
                ok = readNumber(text, at, 2, month);
                break;
            case Token::MonthShort:
            case Token::MonthLong:
                ok = readMonthName(text, at, month);
                break;
            case Token::Day:
            case Token::Day2:
                ok = readNumber(text, at, 2, day);
                break;
            case Token::WeekdayShort:
            case Token::WeekdayLong:
                ok = isLetter(text[at]);
                while (at < text.size() && isLetter(text[at])) {
                    ++at;
                }
                break;
            case Token::Hour:
            case Token::Hour2:
                ok = readNumber(text, at, 2, hour);
                break;
            case Token::Minute:
            case Token::Minute2:
                ok = readNumber(text, at, 2, minute);
                break;
            case Token::Second:
            case Token::Second2:
                ok = readNumber(text, at, 2, second);
                readFraction(text, at, micros);
                break;
        }
        if (!ok) {
            return std::nullopt;
        }
    }
    if (at != text.size()) {
        return std::nullopt;
    }
    if (twoDigitYear) {
        // Two-digit years follow the usual window: 00-29 are 2000-2029, 30-99 are 1930-1999.
        year += year < 30 ? 2000 : 1900;
    }
    if (month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month) || hour > 23 ||
        minute > 59 || second > 59) {
        return std::nullopt;
    }
    const double serial =
        Variant::serialFromCivil(year, month, day, hour, minute, second + micros / 1e6);
    if (serial < Variant::MinDate || serial >= Variant::MaxDate + 1) {
        return std::nullopt;
    }
    return serial;
}

}  // namespace kiv::db::files
