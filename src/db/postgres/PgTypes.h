#pragma once

#include <libpq-fe.h>

#include <string>
#include <string_view>

#include "base/Variant.h"
#include "db/ColumnInfo.h"

namespace kiv::db::postgres {

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
