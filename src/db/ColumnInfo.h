#pragma once

#include <string>

#include "db/Constants.h"

namespace kiv::db {

// What an engine knows about one column of a table or a result: everything a field, a
// catalog column and the write checks need.
struct ColumnInfo {
    std::string name;
    long type = adVariant;
    long definedSize = 0;
    long precision = 0;
    long numericScale = 0;
    long attributes = adFldIsNullable | adFldMayBeNull;
    // The type as the database declares it ("VARCHAR(20)"), named in refusals; empty when
    // the column has none.
    std::string declaredType;
    bool notNull = false;
    bool hasDefault = false;
    bool primaryKey = false;
};

}  // namespace kiv::db
