#include "db/cells/CellTable.h"

#include <algorithm>

#include "base/Text.h"
#include "db/cells/SqlName.h"

namespace kiv::db::cells {

CellTable::CellTable(std::string name, std::vector<CellColumn> columns,
                     std::shared_ptr<const RowSource> rows)
    : name_(std::move(name)), columns_(std::move(columns)), rows_(std::move(rows)) {}

std::string CellTable::declaration() const {
    std::string sql = "CREATE TABLE x(";
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        sql.append(i == 0 ? "" : ", ")
            .append(SqlName::quoted(columns_[i].name))
            .append(" ")
            .append(columns_[i].declaredType());
    }
    return sql + ")";
}

void CellTable::setResult(sqlite3_context* context, const Row& cells, std::size_t column,
                          std::string& scratch) const {
    static const Cell Blank;
    columns_[column].setResult(context, column < cells.size() ? cells[column] : Blank, scratch);
}

std::vector<CellColumn> CellTable::namedColumns(const Row* header, std::size_t count) {
    std::vector<CellColumn> columns(std::max<std::size_t>(count, 1));
    const auto taken = [&](std::size_t before, const std::string& name) {
        return std::any_of(
            columns.begin(), columns.begin() + static_cast<std::ptrdiff_t>(before),
            [&](const CellColumn& column) { return text::iequals(column.name, name); });
    };
    for (std::size_t i = 0; i < columns.size(); ++i) {
        std::string name;
        if (header != nullptr && i < header->size()) {
            name = std::string(text::trimWhitespace((*header)[i].display()));
        }
        if (name.empty() || taken(i, name)) {
            name = "F" + text::decimal(static_cast<long long>(i + 1));
        }
        // A header may itself hold a name of the F1, F2, ... form.
        for (long long suffix = 2; taken(i, name); ++suffix) {
            name = "F" + text::decimal(static_cast<long long>(i + 1)) + "_" + text::decimal(suffix);
        }
        columns[i].name = std::move(name);
    }
    return columns;
}

}  // namespace kiv::db::cells
