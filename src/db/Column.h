#pragma once

#include <string>
#include <utility>

#include "db/ColumnInfo.h"
#include "db/Items.h"

namespace kiv::db {

// One column of a catalog table.
class Column {
public:
    explicit Column(ColumnInfo info) : info_(std::move(info)) {}

    const std::string& Name() const noexcept { return info_.name; }
    long Type() const noexcept { return info_.type; }
    long DefinedSize() const noexcept { return info_.definedSize; }
    long Precision() const noexcept { return info_.precision; }
    long NumericScale() const noexcept { return info_.numericScale; }
    long Attributes() const noexcept { return info_.attributes; }

private:
    ColumnInfo info_;
};

using Columns = Items<Column>;

}  // namespace kiv::db
