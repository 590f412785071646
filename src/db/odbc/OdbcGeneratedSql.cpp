#include "db/odbc/OdbcGeneratedSql.h"

#include <array>

#include "base/Text.h"

namespace kiv::db::odbc {

namespace {

constexpr std::array<std::string_view, 9> Words = {"SELECT", "COUNT", "AS",     "RcdCnt", "FROM",
                                                   "INSERT", "INTO",  "VALUES", "DELETE"};
constexpr std::string_view Signs = "*(),?;";

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool isWordCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

bool isGeneratedWord(std::string_view word) {
    for (const std::string_view known : Words) {
        if (text::iequals(word, known)) {
            return true;
        }
    }
    return false;
}

// The bracketed name starting at `at`, a doubled "]" standing for itself; `at` moves past
// the closing bracket. Nothing when the bracket is never closed.
std::optional<std::string> takeName(std::string_view sql, std::size_t& at) {
    std::string name;
    for (std::size_t i = at + 1; i < sql.size(); ++i) {
        if (sql[i] != ']') {
            name += sql[i];
        } else if (i + 1 < sql.size() && sql[i + 1] == ']') {
            name += ']';
            ++i;
        } else {
            at = i + 1;
            return name;
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> OdbcGeneratedSql::requote(
    std::string_view sql, const std::function<std::string(std::string_view)>& quote) {
    std::string out;
    out.reserve(sql.size() + 16);
    bool named = false;
    std::size_t at = 0;
    while (at < sql.size()) {
        const char c = sql[at];
        if (isSpace(c) || Signs.find(c) != std::string_view::npos) {
            out += c;
            ++at;
        } else if (c == '[') {
            const std::optional<std::string> name = takeName(sql, at);
            if (!name) {
                return std::nullopt;
            }
            out += quote(*name);
            named = true;
        } else if (isWordCharacter(c)) {
            const std::size_t start = at;
            while (at < sql.size() && isWordCharacter(sql[at])) {
                ++at;
            }
            const std::string_view word = sql.substr(start, at - start);
            if (!isGeneratedWord(word)) {
                return std::nullopt;
            }
            out += word;
        } else {
            return std::nullopt;
        }
    }
    if (!named) {
        return std::nullopt;
    }
    return out;
}

}  // namespace kiv::db::odbc
