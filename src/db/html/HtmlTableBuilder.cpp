#include "db/html/HtmlTableBuilder.h"

#include <algorithm>
#include <optional>

#include "base/Variant.h"
#include "db/cells/HeldRows.h"
#include "db/files/ColumnGuess.h"
#include "db/files/TextColumn.h"
#include "db/files/TextFormat.h"

namespace kiv::db::html {

namespace {

using cells::Cell;
using cells::CellColumn;
using files::TextColumn;
using Rows = std::vector<std::vector<std::string>>;

CellColumn::Type typeOf(TextColumn::Type guessed) {
    switch (guessed) {
        case TextColumn::Type::Bit:
            return CellColumn::Type::Boolean;
        case TextColumn::Type::Long:
            return CellColumn::Type::Long;
        case TextColumn::Type::Double:
            return CellColumn::Type::Double;
        case TextColumn::Type::DateTime:
            return CellColumn::Type::Date;
        case TextColumn::Type::Memo:
            return CellColumn::Type::Memo;
        default:
            return CellColumn::Type::Text;
    }
}

CellColumn::Type guessType(const Rows& rows, std::size_t first, std::size_t column,
                           const files::TextFormat& format) {
    files::ColumnGuess guess;
    const std::size_t end = std::min(rows.size(), first + HtmlTableBuilder::ScanRows);
    for (std::size_t row = first; row < end; ++row) {
        if (column < rows[row].size() && !rows[row][column].empty()) {
            guess.observe(rows[row][column], format);
        }
    }
    return typeOf(guess.type());
}

// The value a text stands for in a column of the type; the text itself where it is none.
Cell cellOf(const std::string& text, CellColumn::Type type, const files::TextFormat& format) {
    std::optional<double> value;
    Cell::Kind kind = Cell::Kind::Number;
    switch (type) {
        case CellColumn::Type::Long:
            if (const std::optional<long long> whole = TextColumn::parseWhole(text)) {
                value = static_cast<double>(*whole);
            }
            break;
        case CellColumn::Type::Double:
            value = TextColumn::parseNumber(text, format.decimalSymbol);
            break;
        case CellColumn::Type::Date:
            value = format.parseDate(text);
            kind = Cell::Kind::Date;
            break;
        case CellColumn::Type::Boolean:
            if (const std::optional<bool> flag = TextColumn::parseBoolean(text)) {
                value = *flag ? 1 : 0;
            }
            kind = Cell::Kind::Boolean;
            break;
        default:
            break;
    }
    return value ? Cell::ofNumber(*value, kind) : Cell::ofText(text);
}

}  // namespace

std::shared_ptr<const cells::CellTable> HtmlTableBuilder::build(std::string name,
                                                                const HtmlDocument::Table& table,
                                                                bool header) {
    const Rows& rows = table.rows;
    std::size_t width = 0;
    for (const auto& row : rows) {
        width = std::max(width, row.size());
    }
    const std::size_t first = header && !rows.empty() ? 1 : 0;
    cells::CellTable::Row names;
    if (first == 1) {
        for (const std::string& text : rows.front()) {
            names.push_back(Cell::ofText(text));
        }
    }
    std::vector<CellColumn> columns =
        cells::CellTable::namedColumns(first == 1 ? &names : nullptr, width);
    const files::TextFormat format;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        columns[i].type = guessType(rows, first, i, format);
    }
    std::vector<cells::CellTable::Row> cells;
    cells.reserve(rows.size() - first);
    for (std::size_t row = first; row < rows.size(); ++row) {
        cells::CellTable::Row& out = cells.emplace_back();
        out.reserve(rows[row].size());
        for (std::size_t i = 0; i < rows[row].size(); ++i) {
            out.push_back(cellOf(rows[row][i], columns[i].type, format));
        }
    }
    return std::make_shared<const cells::CellTable>(
        std::move(name), std::move(columns),
        std::make_shared<const cells::HeldRows>(std::move(cells)));
}

}  // namespace kiv::db::html
