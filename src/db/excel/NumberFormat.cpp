#include "db/excel/NumberFormat.h"

#include <array>
#include <string>

#include "base/Text.h"

namespace kiv::db::excel {

namespace {

// The symbols of the currencies formats most often show, as UTF-8.
constexpr std::array<std::string_view, 5> CurrencySymbols = {"$", "\xE2\x82\xAC", "\xC2\xA3",
                                                             "\xC2\xA5", "\xE2\x82\xB9"};

constexpr std::string_view General = "General";

bool isDatePart(char c) {
    return std::string_view("yYmMdDhHsS").find(c) != std::string_view::npos;
}

// [h], [mm], [ss]: hours, minutes or seconds counted past a day.
bool isElapsedTime(std::string_view inside) {
    return !inside.empty() &&
           std::string_view("hHmMsS").find(inside.front()) != std::string_view::npos &&
           inside.find_first_not_of(inside.front()) == std::string_view::npos;
}

// The first section of a code with what only decorates it taken out: quoted and escaped
// literals, and bracketed colours, conditions and locales. Elapsed-time brackets ([h], [mm])
// stay as their letters; a locale that names a currency ([$€-407]) stays as its symbol.
struct Stripped {
    std::string pattern;
    std::string literals;
};

Stripped strip(std::string_view code) {
    Stripped out;
    for (std::size_t i = 0; i < code.size(); ++i) {
        const char c = code[i];
        if (c == ';') {
            break;
        }
        if (c == '"') {
            const std::size_t end = code.find('"', i + 1);
            out.literals.append(code.substr(i + 1, end - i - 1));
            i = end == std::string_view::npos ? code.size() : end;
        } else if (c == '\\' || c == '_' || c == '*') {
            out.literals.append(code.substr(i + 1, 1));
            ++i;
        } else if (c == '[') {
            const std::size_t end = std::min(code.find(']', i + 1), code.size());
            const std::string_view inside = code.substr(i + 1, end - i - 1);
            if (!inside.empty() && inside.front() == '$') {
                out.literals.append(inside.substr(1, inside.find('-') - 1));
            } else if (isElapsedTime(inside)) {
                out.pattern.append(inside);
            }
            i = end;
        } else if (text::istartsWith(code.substr(i), General)) {
            i += General.size() - 1;
        } else {
            out.pattern.push_back(c);
        }
    }
    return out;
}

bool showsCurrency(std::string_view text) {
    for (const std::string_view symbol : CurrencySymbols) {
        if (text.find(symbol) != std::string_view::npos) {
            return true;
        }
    }
    return false;
}

}  // namespace

NumberFormat::Kind NumberFormat::ofBuiltin(int id) {
    if ((id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) ||
        (id >= 50 && id <= 58)) {
        return Kind::Date;
    }
    if ((id >= 5 && id <= 8) || id == 42 || id == 44) {
        return Kind::Currency;
    }
    return Kind::Number;
}

NumberFormat::Kind NumberFormat::ofCode(std::string_view code) {
    const Stripped stripped = strip(code);
    for (const char c : stripped.pattern) {
        if (isDatePart(c)) {
            return Kind::Date;
        }
    }
    if (showsCurrency(stripped.pattern) || showsCurrency(stripped.literals)) {
        return Kind::Currency;
    }
    return Kind::Number;
}

}  // namespace kiv::db::excel
