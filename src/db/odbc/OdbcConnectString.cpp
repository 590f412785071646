#include "db/odbc/OdbcConnectString.h"

#include "base/Text.h"

namespace kiv::db::odbc {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// A braced value from the "{" at `at`; afterwards `at` is past the closing "}".
std::string takeBraced(std::string_view text, std::size_t& at) {
    std::string value;
    std::size_t i = at + 1;
    for (; i < text.size(); ++i) {
        if (text[i] == '}') {
            if (i + 1 < text.size() && text[i + 1] == '}') {
                value += '}';
                ++i;
                continue;
            }
            break;
        }
        value += text[i];
    }
    at = i < text.size() ? i + 1 : i;
    return value;
}

bool needsBraces(std::string_view value) {
    return value.find_first_of(";{}") != std::string_view::npos ||
           (!value.empty() && (isBlank(value.front()) || isBlank(value.back())));
}

}  // namespace

OdbcConnectString::OdbcConnectString(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t equals = text.find_first_of("=;", at);
        if (equals == std::string_view::npos || text[equals] == ';') {
            at = equals == std::string_view::npos ? text.size() : equals + 1;
            continue;
        }
        std::string key(text::trimWhitespace(text.substr(at, equals - at)));
        std::size_t start = equals + 1;
        while (start < text.size() && isBlank(text[start])) {
            ++start;
        }
        std::string value;
        if (start < text.size() && text[start] == '{') {
            value = takeBraced(text, start);
            const std::size_t semicolon = text.find(';', start);
            at = semicolon == std::string_view::npos ? text.size() : semicolon + 1;
        } else {
            const std::size_t semicolon = text.find(';', start);
            const std::size_t end = semicolon == std::string_view::npos ? text.size() : semicolon;
            value = std::string(text::trimWhitespace(text.substr(start, end - start)));
            at = semicolon == std::string_view::npos ? text.size() : semicolon + 1;
        }
        if (!key.empty()) {
            parts_.emplace_back(std::move(key), std::move(value));
        }
    }
}

std::optional<std::string> OdbcConnectString::value(std::string_view key) const {
    for (const auto& [name, value] : parts_) {
        if (text::iequals(name, key)) {
            return value;
        }
    }
    return std::nullopt;
}

void OdbcConnectString::set(std::string_view key, std::string value) {
    for (auto& [name, current] : parts_) {
        if (text::iequals(name, key)) {
            current = std::move(value);
            return;
        }
    }
    parts_.emplace_back(std::string(key), std::move(value));
}

std::string OdbcConnectString::text() const {
    std::string out;
    for (const auto& [name, value] : parts_) {
        out += name;
        out += '=';
        out += asValue(value);
        out += ';';
    }
    return out;
}

std::string OdbcConnectString::asValue(std::string_view value) {
    return needsBraces(value) ? braced(value) : std::string(value);
}

std::string OdbcConnectString::braced(std::string_view value) {
    return '{' + text::replaceAll(value, "}", "}}") + '}';
}

}  // namespace kiv::db::odbc
