#include "db/cells/CellColumn.h"

#include <cmath>

#include "base/Text.h"
#include "base/Variant.h"

namespace kiv::db::cells {

namespace {

void setText(sqlite3_context* context, const std::string& text) {
    sqlite3_result_text(context, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

bool wholeLong(double value) {
    return value == std::floor(value) && value >= -2147483648.0 && value <= 2147483647.0;
}

}  // namespace

std::string CellColumn::declaredType() const {
    switch (type) {
        case Type::Long:
            return "INTEGER";
        case Type::Double:
            return "DOUBLE";
        case Type::Currency:
            return "CURRENCY";
        case Type::Date:
            return "DATETIME";
        case Type::Boolean:
            return "BIT";
        case Type::Memo:
            return "NTEXT";
        case Type::Text:
            break;
    }
    return "NVARCHAR(" + text::decimal(static_cast<long long>(TextSize)) + ")";
}

bool CellColumn::takes(const Cell& cell) const {
    switch (type) {
        case Type::Long:
            return cell.numeric() && wholeLong(cell.number);
        case Type::Double:
        case Type::Currency:
            return cell.numeric();
        case Type::Date:
            return cell.kind == Cell::Kind::Date;
        case Type::Boolean:
            return cell.kind == Cell::Kind::Boolean;
        case Type::Text:
        case Type::Memo:
            break;
    }
    return false;
}

void CellColumn::setResult(sqlite3_context* context, const Cell& cell, std::string& scratch) const {
    if (cell.blank()) {
        sqlite3_result_null(context);
    } else if (cell.kind == Cell::Kind::Text) {
        setText(context, cell.text);
    } else if (!takes(cell)) {
        scratch = cell.display();
        setText(context, scratch);
    } else if (type == Type::Long || type == Type::Boolean) {
        sqlite3_result_int64(context, static_cast<sqlite3_int64>(cell.number));
    } else if (type == Type::Date) {
        scratch = Variant::formatDate(cell.number);
        setText(context, scratch);
    } else {
        sqlite3_result_double(context, cell.number);
    }
}

}  // namespace kiv::db::cells
