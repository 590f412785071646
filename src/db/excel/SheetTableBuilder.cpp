#include "db/excel/SheetTableBuilder.h"

#include <algorithm>
#include <set>

#include "db/cells/HeldRows.h"

namespace kiv::db::excel {

using cells::Cell;
using cells::CellColumn;
using cells::CellTable;

namespace {

using Type = CellColumn::Type;

std::size_t characters(std::string_view text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

Type typeOf(const std::vector<CellTable::Row>& rows, std::size_t column) {
    std::set<Cell::Kind> kinds;
    std::size_t longest = 0;
    const std::size_t end = std::min(rows.size(), SheetTableBuilder::ScanRows);
    for (std::size_t row = 0; row < end; ++row) {
        if (column < rows[row].size() && !rows[row][column].blank()) {
            const Cell& cell = rows[row][column];
            kinds.insert(cell.kind);
            longest = std::max(longest, characters(cell.display()));
        }
    }
    if (kinds.size() == 1) {
        switch (*kinds.begin()) {
            case Cell::Kind::Number:
                return Type::Double;
            case Cell::Kind::Currency:
                return Type::Currency;
            case Cell::Kind::Date:
                return Type::Date;
            case Cell::Kind::Boolean:
                return Type::Boolean;
            default:
                break;
        }
    }
    if (kinds == std::set<Cell::Kind>{Cell::Kind::Number, Cell::Kind::Currency}) {
        return Type::Double;
    }
    return longest > CellColumn::TextSize ? Type::Memo : Type::Text;
}

// The range with whole rows and columns cut at the sheet's last used row and column, and at
// most as wide as a worksheet table may be.
CellRange bounded(const SheetSource& sheet, CellRange range) {
    if (range.lastRow == CellRange::Unbounded || range.lastColumn == CellRange::Unbounded) {
        const std::optional<CellRange> used = sheet.usedRange();
        if (range.lastRow == CellRange::Unbounded) {
            range.lastRow = used ? std::max(used->lastRow, range.firstRow) : range.firstRow;
        }
        if (range.lastColumn == CellRange::Unbounded) {
            range.lastColumn =
                used ? std::max(used->lastColumn, range.firstColumn) : range.firstColumn;
        }
    }
    range.lastColumn =
        std::min(range.lastColumn, range.firstColumn + SheetTableBuilder::MaxColumns - 1);
    return range;
}

// The first rows of a range: the header, if any, and the rows whose cells give the types.
std::vector<CellTable::Row> firstRowsOf(const SheetSource& sheet, CellRange range) {
    range.lastRow = std::min(range.lastRow, range.firstRow + SheetTableBuilder::ScanRows);
    std::vector<CellTable::Row> rows;
    const std::shared_ptr<const cells::RowSource> source = sheet.rowsOf(range);
    const std::unique_ptr<cells::RowSource::Cursor> cursor = source->rows();
    while (const CellTable::Row* row = cursor->next()) {
        rows.push_back(*row);
    }
    return rows;
}

}  // namespace

std::shared_ptr<const CellTable> SheetTableBuilder::build(std::string name,
                                                          const SheetSource& sheet,
                                                          const std::optional<CellRange>& range,
                                                          bool header) {
    if (!range) {
        return std::make_shared<const CellTable>(
            std::move(name), CellTable::namedColumns(nullptr, 1),
            std::make_shared<const cells::HeldRows>(std::vector<CellTable::Row>()));
    }
    CellRange cut = bounded(sheet, *range);
    std::vector<CellTable::Row> rows = firstRowsOf(sheet, cut);
    const bool named = header && !rows.empty();
    std::vector<CellColumn> columns = CellTable::namedColumns(named ? &rows.front() : nullptr,
                                                              cut.lastColumn - cut.firstColumn + 1);
    if (named) {
        rows.erase(rows.begin());
        ++cut.firstRow;
    }
    for (std::size_t i = 0; i < columns.size(); ++i) {
        columns[i].type = typeOf(rows, i);
    }
    return std::make_shared<const CellTable>(std::move(name), std::move(columns),
                                             sheet.rowsOf(cut));
}

}  // namespace kiv::db::excel
