#pragma once

#include <sqlite3.h>

#include <string>

#include "db/cells/Cell.h"

namespace kiv::db::cells {

// One column of a table of cells: its name, its type and how its cells become SQLite values.
// A cell of the column's kind gives a value of the column's type; a cell of another kind
// gives its text, so that no value is lost because its type differs from the column's.
class CellColumn {
public:
    enum class Type { Long, Double, Currency, Date, Boolean, Text, Memo };

    // Text columns report this many characters unless a scanned value is longer (Memo).
    static constexpr std::size_t TextSize = 255;

    std::string name;
    Type type = Type::Text;

    // The declared SQL type the database layer maps to the column's type code.
    std::string declaredType() const;

    // Sets `cell` as the result of an SQL function context: NULL for a blank cell.
    void setResult(sqlite3_context* context, const Cell& cell, std::string& scratch) const;

private:
    bool takes(const Cell& cell) const;
};

}  // namespace kiv::db::cells
