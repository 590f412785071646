#include "db/excel/CellRange.h"

#include <algorithm>

namespace kiv::db::excel {

namespace {

// One end of a reference: a column, a row or both.
struct End {
    std::optional<std::size_t> row;
    std::optional<std::size_t> column;
};

constexpr std::size_t MaxLetters = 3;  // XFD, the last column
constexpr std::size_t MaxDigits = 7;   // 1048576, the last row

bool isLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

std::optional<End> parseEnd(std::string_view text) {
    End end;
    std::size_t i = 0;
    std::size_t column = 0;
    std::size_t letters = 0;
    i += i < text.size() && text[i] == '$' ? 1 : 0;
    for (; i < text.size() && isLetter(text[i]) && letters <= MaxLetters; ++i, ++letters) {
        column = column * 26 + static_cast<std::size_t>((text[i] & 0x1F));
    }
    i += i < text.size() && text[i] == '$' ? 1 : 0;
    std::size_t row = 0;
    std::size_t digits = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9' && digits <= MaxDigits;
         ++i, ++digits) {
        row = row * 10 + static_cast<std::size_t>(text[i] - '0');
    }
    if (i != text.size() || letters > MaxLetters || digits > MaxDigits ||
        (letters == 0 && digits == 0) || (digits > 0 && row == 0)) {
        return std::nullopt;
    }
    if (letters > 0) {
        end.column = column - 1;
    }
    if (digits > 0) {
        end.row = row - 1;
    }
    return end;
}

std::pair<std::size_t, std::size_t> ordered(std::optional<std::size_t> a,
                                            std::optional<std::size_t> b) {
    if (!a) {
        return {0, CellRange::Unbounded};
    }
    return {std::min(*a, *b), std::max(*a, *b)};
}

}  // namespace

std::optional<CellRange> CellRange::parse(std::string_view reference) {
    const std::size_t colon = reference.find(':');
    const std::optional<End> first = parseEnd(reference.substr(0, colon));
    const std::optional<End> last =
        colon == std::string_view::npos ? first : parseEnd(reference.substr(colon + 1));
    if (!first || !last || first->row.has_value() != last->row.has_value() ||
        first->column.has_value() != last->column.has_value() ||
        (colon == std::string_view::npos && (!first->row || !first->column))) {
        return std::nullopt;
    }
    const auto [firstRow, lastRow] = ordered(first->row, last->row);
    const auto [firstColumn, lastColumn] = ordered(first->column, last->column);
    return CellRange{firstRow, firstColumn, lastRow, lastColumn};
}

std::optional<CellRange> CellRange::parseOnSheet(std::string_view reference, std::string& sheet) {
    if (!reference.empty() && reference.front() == '=') {
        reference.remove_prefix(1);
    }
    sheet.clear();
    std::size_t at = 0;
    if (!reference.empty() && reference.front() == '\'') {
        for (at = 1; at < reference.size(); ++at) {
            if (reference[at] != '\'') {
                sheet.push_back(reference[at]);
            } else if (at + 1 < reference.size() && reference[at + 1] == '\'') {
                sheet.push_back('\'');
                ++at;
            } else {
                break;
            }
        }
        ++at;
    } else {
        at = std::min(reference.find('!'), reference.size());
        sheet = std::string(reference.substr(0, at));
    }
    if (at >= reference.size() || reference[at] != '!' || sheet.empty() ||
        sheet.find('[') != std::string::npos) {
        return std::nullopt;
    }
    return parse(reference.substr(at + 1));
}

}  // namespace kiv::db::excel
