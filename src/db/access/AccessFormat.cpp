#include "db/access/AccessFormat.h"

#include <array>
#include <cmath>
#include <optional>
#include <stdexcept>

#include "base/Text.h"

namespace kiv::db::access {

namespace {

constexpr std::array<std::string_view, 12> Months = {
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December"};
constexpr std::array<std::string_view, 7> Weekdays = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                      "Thursday", "Friday", "Saturday"};

struct Named {
    std::string_view name;
    std::string_view pattern;
};

constexpr std::array<Named, 10> NamedFormats = {{
    {"Fixed", "0.00"},
    {"Standard", "#,##0.00"},
    {"Currency", "$#,##0.00;($#,##0.00)"},
    {"Percent", "0.00%"},
    {"Long Date", "dddd, mmmm d, yyyy"},
    {"Medium Date", "dd-mmm-yy"},
    {"Short Date", "yyyy-mm-dd"},
    {"Long Time", "hh:nn:ss"},
    {"Medium Time", "hh:nn AM/PM"},
    {"Short Time", "hh:nn"},
}};

std::string twoDigits(int value) {
    return (value < 10 ? "0" : "") + std::to_string(value);
}

double serialOf(const Variant& value) {
    if (value.isText()) {
        if (const std::optional<double> serial = Variant::parseDate(value.textView())) {
            return *serial;
        }
    }
    return value.toDate();
}

// 0 for Sunday.
int weekday(double serial) {
    const long long day = static_cast<long long>(std::floor(serial));
    return static_cast<int>(((day + 6) % 7 + 7) % 7);
}

int dayOfYear(const Variant::Civil& civil) {
    return static_cast<int>(Variant::serialFromCivil(civil.year, civil.month, civil.day) -
                            Variant::serialFromCivil(civil.year, 1, 1)) +
           1;
}

bool startsWithAt(std::string_view pattern, std::size_t at, std::string_view token) {
    return text::istartsWith(pattern.substr(at), token);
}

// A date pattern applied to a serial date.
std::string formatDate(double serial, std::string_view pattern) {
    const Variant::Civil civil = Variant::civilFromSerial(serial);
    const std::string lower = text::toLower(pattern);
    const bool twelveHours =
        lower.find("am/pm") != std::string::npos || lower.find("a/p") != std::string::npos;
    const int hour = twelveHours && civil.hour % 12 == 0 ? 12
                     : twelveHours                       ? civil.hour % 12
                                                         : civil.hour;
    std::string out;
    bool afterHour = false;
    for (std::size_t at = 0; at < pattern.size();) {
        const char c = text::toLower(pattern[at]);
        std::size_t run = 1;
        while (at + run < pattern.size() && text::toLower(pattern[at + run]) == c) {
            ++run;
        }
        if (c == 'd') {
            out += run == 1   ? std::to_string(civil.day)
                   : run == 2 ? twoDigits(civil.day)
                   : run == 3 ? std::string(Weekdays[weekday(serial)].substr(0, 3))
                              : std::string(Weekdays[weekday(serial)]);
        } else if (c == 'm' && afterHour && run <= 2) {
            out += run == 1 ? std::to_string(civil.minute) : twoDigits(civil.minute);
        } else if (c == 'm') {
            out += run == 1   ? std::to_string(civil.month)
                   : run == 2 ? twoDigits(civil.month)
                   : run == 3 ? std::string(Months[civil.month - 1].substr(0, 3))
                              : std::string(Months[civil.month - 1]);
        } else if (c == 'y') {
            out += run == 1   ? std::to_string(dayOfYear(civil))
                   : run == 2 ? twoDigits(civil.year % 100)
                              : std::to_string(civil.year);
        } else if (c == 'q') {
            out += std::to_string((civil.month - 1) / 3 + 1);
        } else if (c == 'w') {
            out += run == 1 ? std::to_string(weekday(serial) + 1)
                            : std::to_string((dayOfYear(civil) - 1 +
                                              weekday(Variant::serialFromCivil(civil.year, 1, 1))) /
                                                 7 +
                                             1);
        } else if (c == 'h') {
            out += run == 1 ? std::to_string(hour) : twoDigits(hour);
        } else if (c == 'n') {
            out += run == 1 ? std::to_string(civil.minute) : twoDigits(civil.minute);
        } else if (c == 's') {
            out += run == 1 ? std::to_string(civil.second) : twoDigits(civil.second);
        } else if (startsWithAt(pattern, at, "am/pm") || startsWithAt(pattern, at, "a/p")) {
            const bool full = startsWithAt(pattern, at, "am/pm");
            const bool upper = pattern[at] == 'A';
            std::string marker = civil.hour < 12 ? (full ? "am" : "a") : (full ? "pm" : "p");
            out += upper ? text::toUpper(marker) : marker;
            run = full ? 5 : 3;
        } else if (c == '"') {
            const std::size_t end = pattern.find('"', at + 1);
            out += pattern.substr(at + 1, end == std::string_view::npos ? end : end - at - 1);
            run = end == std::string_view::npos ? pattern.size() - at : end - at + 1;
        } else if (c == '\\' && at + 1 < pattern.size()) {
            out += pattern[at + 1];
            run = 2;
        } else {
            out += pattern.substr(at, run);
        }
        if (c == 'h') {
            afterHour = true;
        } else if (c != ':' && c != ' ') {
            afterHour = false;
        }
        at += run;
    }
    return out;
}

// Digits of a non-negative whole number with thousands separators when asked.
std::string wholeDigits(std::string digits, std::size_t fewest, bool thousands) {
    while (digits.size() < fewest) {
        digits.insert(0, "0");
    }
    if (digits == "0" && fewest == 0) {
        digits.clear();
    }
    if (thousands) {
        for (std::ptrdiff_t at = static_cast<std::ptrdiff_t>(digits.size()) - 3; at > 0; at -= 3) {
            digits.insert(static_cast<std::size_t>(at), ",");
        }
    }
    return digits;
}

// A number pattern (one section) applied to a number that is not negative.
std::string formatNumber(double value, std::string_view pattern) {
    if (pattern.find('%') != std::string_view::npos) {
        value *= 100;
    }
    const std::size_t point = pattern.find('.');
    const std::string_view whole = pattern.substr(0, point);
    std::size_t decimals = 0;
    std::size_t fewestDecimals = 0;
    if (point != std::string_view::npos) {
        for (const char c : pattern.substr(point + 1)) {
            if (c == '0' || c == '#') {
                ++decimals;
                fewestDecimals += c == '0' ? 1 : 0;
            }
        }
    }
    std::size_t fewestWhole = 0;
    bool thousands = false;
    std::size_t firstPlaceholder = std::string_view::npos;
    std::size_t lastPlaceholder = 0;
    for (std::size_t i = 0; i < whole.size(); ++i) {
        if (whole[i] == '0' || whole[i] == '#') {
            fewestWhole += whole[i] == '0' ? 1 : 0;
            firstPlaceholder = std::min(firstPlaceholder, i);
            lastPlaceholder = i;
        } else if (whole[i] == ',' && firstPlaceholder != std::string_view::npos) {
            thousands = true;
        }
    }
    // Half away from zero, as Access rounds for display.
    const double scale = std::pow(10.0, static_cast<double>(decimals));
    const double rounded = std::round(value * scale);
    const std::string all = Variant::formatDouble(rounded);
    if (all.find_first_not_of("0123456789") != std::string::npos) {
        throw std::runtime_error("the number " + Variant::formatDouble(value) +
                                 " is too large for the pattern " + std::string(pattern));
    }
    std::string digits = all.size() > decimals ? all.substr(0, all.size() - decimals) : "0";
    std::string fraction = all.size() > decimals ? all.substr(all.size() - decimals)
                                                 : std::string(decimals - all.size(), '0') + all;
    while (fraction.size() > fewestDecimals && fraction.back() == '0') {
        fraction.pop_back();
    }
    const std::string number = wholeDigits(digits, fewestWhole, thousands);
    std::string out;
    const std::string_view prefix =
        firstPlaceholder == std::string_view::npos ? whole : whole.substr(0, firstPlaceholder);
    for (const char c : prefix) {
        if (c != '"' && c != '\\') {
            out += c;
        }
    }
    out += number;
    if (point != std::string_view::npos && (!fraction.empty() || decimals == 0)) {
        out += fraction.empty() ? "" : "." + fraction;
    }
    const std::string_view suffix =
        point != std::string_view::npos
            ? pattern.substr(point + 1)
            : (firstPlaceholder == std::string_view::npos ? std::string_view()
                                                          : whole.substr(lastPlaceholder + 1));
    for (const char c : suffix) {
        if (c != '0' && c != '#' && c != '"' && c != '\\' && c != ',') {
            out += c;
        }
    }
    return out;
}

bool isDatePattern(std::string_view pattern) {
    return pattern.find_first_of("0#") == std::string_view::npos &&
           pattern.find_first_of("dDmMyYqQwWhHnNsS") != std::string_view::npos;
}

std::string formatByPattern(const Variant& value, std::string_view pattern) {
    if (isDatePattern(pattern)) {
        return formatDate(serialOf(value), pattern);
    }
    const double number = value.toDouble();
    const std::size_t split = pattern.find(';');
    if (number < 0 && split != std::string_view::npos) {
        const std::string_view negative = pattern.substr(split + 1);
        return formatNumber(-number, negative.substr(0, negative.find(';')));
    }
    const std::string_view positive = pattern.substr(0, split);
    const std::string written = formatNumber(std::fabs(number), positive);
    return number < 0 && written.find_first_of("123456789") != std::string::npos ? "-" + written
                                                                                 : written;
}

std::string formatNamed(const Variant& value, std::string_view name) {
    if (text::iequals(name, "General Number")) {
        return Variant::formatDouble(value.toDouble());
    }
    if (text::iequals(name, "General Date")) {
        return Variant::formatDate(serialOf(value));
    }
    if (text::iequals(name, "Yes/No") || text::iequals(name, "True/False") ||
        text::iequals(name, "On/Off")) {
        const bool set = value.toDouble() != 0;
        const std::size_t slash = name.find('/');
        return std::string(set ? name.substr(0, slash) : name.substr(slash + 1));
    }
    for (const Named& named : NamedFormats) {
        if (text::iequals(name, named.name)) {
            return formatByPattern(value, named.pattern);
        }
    }
    return formatByPattern(value, name);
}

}  // namespace

std::string AccessFormat::format(const Variant& value, std::string_view pattern) {
    if (pattern.empty()) {
        return value.isText() ? std::string(value.textView()) : value.toText();
    }
    if (pattern == ">" || pattern == "<") {
        const std::string written = value.toText();
        return pattern == ">" ? text::toUpper(written) : text::toLower(written);
    }
    return formatNamed(value, pattern);
}

}  // namespace kiv::db::access
