#pragma once

#include <cstddef>
#include <string>

#include "base/Variant.h"
#include "db/ColumnInfo.h"

namespace kiv::db {

class Recordset;

// One column of a recordset. Its value is the column's value in the recordset's current
// row (or in the row being added); it has no value of its own, so every field of a
// streaming recordset follows the recordset as it moves.
class Field {
public:
    Field(ColumnInfo column, Recordset* owner, std::size_t index);

    const std::string& Name() const noexcept { return column_.name; }
    long Type() const noexcept { return column_.type; }
    long DefinedSize() const noexcept { return column_.definedSize; }
    long Precision() const noexcept { return column_.precision; }
    long NumericScale() const noexcept { return column_.numericScale; }
    long Attributes() const noexcept { return column_.attributes; }
    const ColumnInfo& column() const noexcept { return column_; }

    // Reading without a current row (before the first, after the last, on a closed
    // recordset) is an error. Writing is allowed while a row is being added, and on the
    // current row of an in-memory recordset.
    const Variant& Value() const;
    void Value(const Variant& value);

private:
    friend class Fields;
    friend class Recordset;

    ColumnInfo column_;
    Recordset* owner_;  // cleared when the recordset closes or goes away
    std::size_t index_;
};

}  // namespace kiv::db
