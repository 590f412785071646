#include "base/Text.h"

#include <algorithm>

namespace kiv::text {

namespace {

// Trimming runs for every value a load reads, so it is a plain loop.
template <typename IsTrimmed>
std::string_view trimIf(std::string_view value, IsTrimmed isTrimmed) {
    std::size_t first = 0;
    std::size_t last = value.size();
    while (first < last && isTrimmed(value[first])) {
        ++first;
    }
    while (last > first && isTrimmed(value[last - 1])) {
        --last;
    }
    return value.substr(first, last - first);
}

char toUpperChar(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

std::string_view trim(std::string_view value) {
    return trimIf(value, [](char c) { return c == ' '; });
}

std::string_view trimWhitespace(std::string_view value) {
    return trimIf(value, [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; });
}

char toLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string toLower(std::string_view value) {
    std::string result(value);
    for (char& c : result) {
        c = toLower(c);
    }
    return result;
}

std::string toUpper(std::string_view value) {
    std::string result(value);
    for (char& c : result) {
        c = toUpperChar(c);
    }
    return result;
}

bool iequals(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](char x, char y) { return toLower(x) == toLower(y); });
}

bool istartsWith(std::string_view value, std::string_view prefix) {
    return value.size() >= prefix.size() && iequals(value.substr(0, prefix.size()), prefix);
}

bool iendsWith(std::string_view value, std::string_view suffix) {
    return value.size() >= suffix.size() &&
           iequals(value.substr(value.size() - suffix.size()), suffix);
}

std::vector<std::string_view> splitCrLf(std::string_view value) {
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    while (true) {
        const auto end = value.find("\r\n", start);
        if (end == std::string_view::npos) {
            if (start < value.size() || pieces.empty()) {
                pieces.push_back(value.substr(start));
            }
            return pieces;
        }
        pieces.push_back(value.substr(start, end - start));
        start = end + 2;
    }
}

std::vector<std::string_view> split(std::string_view value, char separator) {
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    while (true) {
        const auto end = value.find(separator, start);
        if (end == std::string_view::npos) {
            pieces.push_back(value.substr(start));
            return pieces;
        }
        pieces.push_back(value.substr(start, end - start));
        start = end + 1;
    }
}

std::string replaceAll(std::string_view value, std::string_view from, std::string_view to) {
    if (from.empty()) {
        return std::string(value);
    }
    std::string result;
    std::size_t start = 0;
    for (auto found = value.find(from); found != std::string_view::npos;
         found = value.find(from, start)) {
        result.append(value.substr(start, found - start)).append(to);
        start = found + from.size();
    }
    result.append(value.substr(start));
    return result;
}

std::size_t leadingTagsLength(std::string_view message) {
    std::size_t at = 0;
    while (at < message.size() && message[at] == '[') {
        const std::size_t close = message.find(']', at);
        if (close == std::string_view::npos) {
            break;
        }
        at = close + 1;
    }
    return at;
}

std::string decimal(long long value) { return std::to_string(value); }

std::string groupedDecimal(long long value) {
    std::string digits = decimal(value);
    const std::size_t first = digits.front() == '-' ? 1 : 0;
    for (std::size_t position = digits.size(); position > first + 3; position -= 3) {
        digits.insert(position - 3, 1, ',');
    }
    return digits;
}

}  // namespace kiv::text
