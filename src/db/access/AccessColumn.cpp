#include "db/access/AccessColumn.h"

#include "db/access/Mdb.h"

#include "base/Text.h"

namespace kiv::db::access {

std::string AccessColumn::declaredType() const {
    switch (type) {
        case MDB_BOOL:
            return "BIT";
        case MDB_BYTE:
            return "BYTE";
        case MDB_INT:
            return "SMALLINT";
        case MDB_LONGINT:
        case MDB_COMPLEX:
            return "INTEGER";
        case LargeNumber:
            return "BIGINT";
        case MDB_MONEY:
            return "CURRENCY";
        case MDB_FLOAT:
            return "SINGLE";
        case MDB_DOUBLE:
            return "DOUBLE";
        case MDB_DATETIME:
            return "DATETIME";
        case MDB_BINARY:
            return "VARBINARY(" + text::decimal(size) + ")";
        case MDB_TEXT:
            return "NVARCHAR(" + text::decimal(size) + ")";
        case MDB_OLE:
            return "OLEOBJECT";
        case MDB_MEMO:
            return "NTEXT";
        case MDB_REPID:
            return "GUID";
        case MDB_NUMERIC:
            return "DECIMAL(" + text::decimal(precision) + "," + text::decimal(scale) + ")";
        default:
            return "";
    }
}

}  // namespace kiv::db::access
