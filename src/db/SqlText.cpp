#include "db/SqlText.h"

#include "base/Text.h"

namespace kiv::db {

namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

void skipSpace(std::string_view sql, std::size_t& at) {
    while (at < sql.size() && isSpace(sql[at])) {
        ++at;
    }
}

bool takeWord(std::string_view sql, std::size_t& at, std::string_view word) {
    if (!text::iequals(sql.substr(at, word.size()), word)) {
        return false;
    }
    const std::size_t end = at + word.size();
    if (end < sql.size() && !isSpace(sql[end]) && sql[end] != '*' && sql[end] != '[' &&
        sql[end] != '"') {
        return false;
    }
    at = end;
    return true;
}

// A name quoted with `open`/`close`, where a doubled `close` stands for itself. `at` is on
// the opening character; afterwards it is past the closing one.
std::optional<std::string> takeQuoted(std::string_view sql, std::size_t& at, char close) {
    std::string name;
    for (std::size_t i = at + 1; i < sql.size(); ++i) {
        if (sql[i] != close) {
            name += sql[i];
        } else if (i + 1 < sql.size() && sql[i + 1] == close) {
            name += close;
            ++i;
        } else {
            at = i + 1;
            return name;
        }
    }
    return std::nullopt;
}

}  // namespace

std::string SqlText::bracket(std::string_view name) {
    return "[" + text::replaceAll(name, "]", "]]") + "]";
}

std::optional<std::string> SqlText::selectAllTable(std::string_view sql) {
    std::size_t at = 0;
    skipSpace(sql, at);
    if (!takeWord(sql, at, "SELECT")) {
        return std::nullopt;
    }
    skipSpace(sql, at);
    if (at >= sql.size() || sql[at] != '*') {
        return std::nullopt;
    }
    ++at;
    skipSpace(sql, at);
    if (!takeWord(sql, at, "FROM")) {
        return std::nullopt;
    }
    skipSpace(sql, at);
    if (at >= sql.size()) {
        return std::nullopt;
    }
    std::optional<std::string> name;
    if (sql[at] == '[') {
        name = takeQuoted(sql, at, ']');
    } else if (sql[at] == '"' || sql[at] == '`') {
        name = takeQuoted(sql, at, sql[at]);
    } else {
        const std::size_t start = at;
        while (at < sql.size() && !isSpace(sql[at]) && sql[at] != ';') {
            const char c = sql[at];
            const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                               (c >= '0' && c <= '9') || c == '_' || c == '$' ||
                               static_cast<unsigned char>(c) >= 0x80;
            if (!plain) {
                return std::nullopt;
            }
            ++at;
        }
        name = std::string(sql.substr(start, at - start));
    }
    if (!name || name->empty()) {
        return std::nullopt;
    }
    skipSpace(sql, at);
    if (at < sql.size() && sql[at] == ';') {
        ++at;
        skipSpace(sql, at);
    }
    if (at != sql.size()) {
        return std::nullopt;
    }
    return name;
}

std::optional<std::string> SqlText::withoutBracketEscapes(std::string_view sql) {
    if (sql.find("]]") == std::string_view::npos) {
        return std::nullopt;
    }
    std::string out;
    out.reserve(sql.size() + 8);
    bool changed = false;
    std::size_t i = 0;
    while (i < sql.size()) {
        const char c = sql[i];
        if (c == '\'' || c == '"' || c == '`') {
            // A literal or quoted name runs to its closing quote; a doubled quote inside
            // it is part of it.
            std::size_t end = i + 1;
            while (end < sql.size()) {
                if (sql[end] == c) {
                    if (end + 1 < sql.size() && sql[end + 1] == c) {
                        end += 2;
                        continue;
                    }
                    break;
                }
                ++end;
            }
            end = end < sql.size() ? end + 1 : end;
            out.append(sql.substr(i, end - i));
            i = end;
        } else if (c == '-' && i + 1 < sql.size() && sql[i + 1] == '-') {
            const std::size_t newline = sql.find('\n', i);
            const std::size_t end = newline == std::string_view::npos ? sql.size() : newline;
            out.append(sql.substr(i, end - i));
            i = end;
        } else if (c == '/' && i + 1 < sql.size() && sql[i + 1] == '*') {
            const std::size_t close = sql.find("*/", i + 2);
            const std::size_t end = close == std::string_view::npos ? sql.size() : close + 2;
            out.append(sql.substr(i, end - i));
            i = end;
        } else if (c == '[') {
            std::size_t end = i;
            const std::optional<std::string> name = takeQuoted(sql, end, ']');
            if (!name) {
                out.append(sql.substr(i));
                break;
            }
            if (name->find(']') == std::string::npos) {
                out.append(sql.substr(i, end - i));
            } else {
                out += '"';
                out += text::replaceAll(*name, "\"", "\"\"");
                out += '"';
                changed = true;
            }
            i = end;
        } else {
            out += c;
            ++i;
        }
    }
    if (!changed) {
        return std::nullopt;
    }
    return out;
}

}  // namespace kiv::db
