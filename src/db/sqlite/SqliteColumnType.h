#pragma once

#include <string_view>

#include "db/ColumnInfo.h"

namespace kiv::db::sqlite {

// The meaning of a declared column type ("VARCHAR(20)", "NUMERIC(10,2)", "DATETIME", ...):
// the type code, size and precision the layer reports, and how values are read.
class SqliteColumnType {
public:
    // How a column's values are read back: the kind its declared type promises. A stored
    // value of another storage class is read as what it is.
    enum class ReadAs { Any, Integer, Long, BigInt, Single, Double, Currency, Boolean, Date, Text };

    // Fills type, definedSize, precision, numericScale and declaredType of `column`.
    static ReadAs describe(std::string_view declared, ColumnInfo& column);

    // The type a column without declared type reports, from the storage class of its
    // first value (SQLITE_INTEGER, ...).
    static ReadAs describeValue(int storageClass, long long integer, ColumnInfo& column);
};

}  // namespace kiv::db::sqlite
