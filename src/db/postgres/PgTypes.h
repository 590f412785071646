#pragma once

#include <libpq-fe.h>

#include <string>
#include <string_view>

#include "base/Variant.h"
#include "db/ColumnInfo.h"

namespace kiv::db::postgres {

// Type numbers of PostgreSQL's built-in types (pg_type.oid).
enum TypeOid : Oid {
    BoolOid = 16,
    ByteaOid = 17,
    CharOid = 18,
    NameOid = 19,
    Int8Oid = 20,
    Int2Oid = 21,
    Int4Oid = 23,
    TextOid = 25,
    OidOid = 26,
    JsonOid = 114,
    Float4Oid = 700,
    Float8Oid = 701,
    BpcharOid = 1042,
    VarcharOid = 1043,
    DateOid = 1082,
    TimeOid = 1083,
    TimestampOid = 1114,
    TimestampTzOid = 1184,
    NumericOid = 1700,
    UuidOid = 2950,
    JsonbOid = 3802,
};

// PostgreSQL's types as the layer's columns and values. Columns take the type codes the
// ODBC engine gives for the same server's columns; values travel as PostgreSQL's text
// forms.
class PgTypes {
public:
    // Fills the type, size, precision and scale of `column` for a column of type `type`
    // with modifier `modifier` (-1: none).
    static void describe(Oid type, int modifier, ColumnInfo& column);

    // The value of the text `text` of a column of type `type`, as the column's kind.
    static void read(Oid type, const ColumnInfo& column, std::string_view text, Variant& out);

    // Appends `value` (not Null) in the text form PostgreSQL reads for a column of the
    // layer's type `type`.
    static void append(std::string& out, const Variant& value, long type);
    // Whether `text` is a date "yyyy-mm-dd" or "yyyy-mm-dd hh:mm:ss", which PostgreSQL reads
    // as the layer does.
    static bool isIsoDate(std::string_view text) noexcept;
    // The same, escaped for a line of COPY's text format; Null is "\N".
    static void appendCopyField(std::string& out, const Variant& value, long type);
};

}  // namespace kiv::db::postgres
