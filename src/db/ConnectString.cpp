#include "db/ConnectString.h"

#include "base/Text.h"

namespace kiv::db {

ConnectString::ConnectString(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t equals = text.find_first_of("=;", at);
        if (equals == std::string_view::npos || text[equals] == ';') {
            at = equals == std::string_view::npos ? text.size() : equals + 1;
            continue;
        }
        const std::string key(text::trimWhitespace(text.substr(at, equals - at)));
        std::size_t start = equals + 1;
        while (start < text.size() && (text[start] == ' ' || text[start] == '\t')) {
            ++start;
        }
        std::string value;
        std::size_t next = text.size();
        const char open = start < text.size() ? text[start] : '\0';
        if (open == '{' || open == '"') {
            const char close = open == '{' ? '}' : '"';
            std::size_t i = start + 1;
            for (; i < text.size(); ++i) {
                if (text[i] == close) {
                    if (i + 1 < text.size() && text[i + 1] == close) {
                        value += close;
                        ++i;
                        continue;
                    }
                    break;
                }
                value += text[i];
            }
            const std::size_t semicolon = text.find(';', i);
            next = semicolon == std::string_view::npos ? text.size() : semicolon + 1;
        } else {
            const std::size_t semicolon = text.find(';', start);
            const std::size_t end = semicolon == std::string_view::npos ? text.size() : semicolon;
            value = std::string(text::trimWhitespace(text.substr(start, end - start)));
            next = semicolon == std::string_view::npos ? text.size() : semicolon + 1;
        }
        if (!key.empty()) {
            parts_.emplace_back(key, std::move(value));
        }
        at = next;
    }
}

std::string ConnectString::asValue(std::string_view value) {
    const bool plain =
        value.find_first_of(";\"") == std::string_view::npos &&
        (value.empty() || (value.front() != '{' && value.front() != ' ' && value.front() != '\t' &&
                           value.back() != ' ' && value.back() != '\t'));
    return plain ? std::string(value) : '"' + text::replaceAll(value, "\"", "\"\"") + '"';
}

std::optional<std::string> ConnectString::value(std::string_view key) const {
    for (const auto& [name, value] : parts_) {
        if (text::iequals(name, key)) {
            return value;
        }
    }
    return std::nullopt;
}

}  // namespace kiv::db
