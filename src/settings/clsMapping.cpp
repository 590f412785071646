#include "settings/clsMapping.h"

#include <charconv>
#include <cstdint>
#include <optional>
#include <vector>

#include "base/Text.h"

namespace kiv {

namespace {

// Byte offset of the code point at 0-based character position `index` (the text's size when
// the position is at or past its end).
std::size_t byteOffsetOfCharacter(std::string_view text, std::size_t index) {
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            if (characters == index) {
                return i;
            }
            ++characters;
        }
    }
    return text.size();
}

std::size_t characterCount(std::string_view text) {
    std::size_t count = 0;
    for (char c : text) {
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    }
    return count;
}

std::optional<std::int16_t> parseWholeNumber(std::string_view text) {
    text = text::trimWhitespace(text);
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    std::int16_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

void clsMapping::Dump(clsDebugLog* log) const {
    log = clsDebugLog::Chosen(log, mclsDebugLog);
    if (log != nullptr) {
        log->WriteLog(msMappingName + " = " + msMappingValue);
    }
}

void clsMapping::MappingName(std::string_view value) {
    const std::string_view trimmed = text::trim(value);
    if (trimmed.empty() || trimmed == msMappingName) {
        return;
    }
    msMappingName = std::string(trimmed);
    Changed.raise(msMappingName);
}

void clsMapping::MappingValue(std::string_view value) {
    if (value == msMappingValue) {
        return;
    }
    msMappingValue = std::string(value);
    Changed.raise(msMappingName);
}

std::string clsMapping::ReplaceMappingOccurrences(std::string_view original) const {
    const std::string token = "$(" + text::toLower(msMappingName);
    const std::string foldedOriginal = text::toLower(original);
    if (foldedOriginal.find(token) == std::string::npos) {
        return std::string(original);
    }

    // Whole-value placeholders $(N) first. Each pass reads the text once and builds the
    // result, so what a value brings in is never searched again.
    std::string whole;
    const std::string closed = token + ")";
    std::size_t from = 0;
    for (std::size_t position; (position = foldedOriginal.find(closed, from)) != std::string::npos;
         from = position + closed.size()) {
        whole.append(original.substr(from, position - from)).append(msMappingValue);
    }
    whole.append(original.substr(from));

    // Then the $(N: forms, each up to the first ")" after it.
    const std::string folded = from == 0 ? foldedOriginal : text::toLower(whole);
    const std::string opening = token + ":";
    std::string result;
    std::size_t at = 0;
    for (std::size_t position; (position = folded.find(opening, at)) != std::string::npos;) {
        const auto close = folded.find(')', position);
        if (close == std::string::npos) {
            break;
        }
        const std::string_view placeholder =
            std::string_view(whole).substr(position, close - position + 1);
        result.append(whole, at, position - at);
        if (folded.compare(position + token.size(), 4, ":sub") != 0) {
            result.append(msMappingValue);
        } else if (const auto selected = substringOf(placeholder)) {
            result.append(*selected);
        } else {
            reportMalformed(original, placeholder);
            result.append(placeholder);
        }
        at = close + 1;
    }
    result.append(whole, at);
    return result;
}

// The part of the value a substring placeholder selects; nothing when it is malformed.
std::optional<std::string> clsMapping::substringOf(std::string_view placeholder) const {
    std::vector<std::string_view> parts =
        text::split(placeholder.substr(0, placeholder.size() - 1), ',');
    if (parts.size() < 2 || parts.size() > 3) {
        return std::nullopt;
    }
    const auto start = parseWholeNumber(parts[1]);
    const auto count =
        parts.size() == 3 ? parseWholeNumber(parts[2]) : std::optional<std::int16_t>(0);
    if (!start || !count) {
        return std::nullopt;
    }
    const long valueLength = static_cast<long>(characterCount(msMappingValue));
    const long first = *start < 0 ? valueLength + *start + 1 : *start;
    long take = *count < 0 ? valueLength + *count : *count;
    if (first < 1 || take < 0) {
        return std::nullopt;
    }
    if (take == 0) {
        take = valueLength;
    }
    const std::size_t begin =
        byteOffsetOfCharacter(msMappingValue, static_cast<std::size_t>(first - 1));
    const std::size_t end =
        byteOffsetOfCharacter(msMappingValue, static_cast<std::size_t>(first - 1 + take));
    return msMappingValue.substr(begin, end - begin);
}

void clsMapping::reportMalformed(std::string_view text, std::string_view placeholder) const {
    if (mclsDebugLog) {
        mclsDebugLog->WriteLog("Malformed substring placeholder '" + std::string(placeholder) +
                               "' left as written in the text '" + std::string(text) + "'");
    }
}

}  // namespace kiv
