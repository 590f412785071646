#pragma once

#include <string>

namespace kiv::db::access {

// One column of an Access table as the file declares it: its name, its storage type (an
// mdbtools type code) and, for the types that have them, its size, precision and scale.
struct AccessColumn {
    // The type code of Large Number columns (64-bit whole numbers, from Access 2016), which
    // mdbtools names no constant for.
    static constexpr int LargeNumber = 0x13;

    std::string name;
    int type = 0;
    int size = 0;  // characters of a Text column, bytes of a Binary one
    int precision = 0;
    int scale = 0;

    // The declared SQL type the database layer maps to the type code the platform reported
    // for the column: Text 202 with its size, Memo 203, Byte 17, Integer 2, Long Integer 3,
    // Single 4, Double 5, Currency 6, Date/Time 7, Yes/No 11, Decimal 131, Replication ID 72,
    // OLE Object 205, Binary 204; and Large Number 20.
    std::string declaredType() const;
};

}  // namespace kiv::db::access
