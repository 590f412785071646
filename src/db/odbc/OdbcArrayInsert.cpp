#include "db/odbc/OdbcArrayInsert.h"

#include <sqlucode.h>

#include <algorithm>
#include <charconv>
#include <utility>

#include "db/DataType.h"
#include "db/odbc/OdbcConnection.h"

namespace kiv::db::odbc {

namespace {

void appendWhole(std::string& array, long long number) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    array.append(digits, end);
}

// An element in double quotes, in which only a backslash and a double quote need escaping.
void appendQuoted(std::string& array, std::string_view text) {
    array += '"';
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            array += '\\';
        }
        array += c;
    }
    array += '"';
}

// Bytes as PostgreSQL's hexadecimal bytea text, whose backslash the element quoting escapes.
void appendBytes(std::string& array, std::string_view bytes) {
    static constexpr char Hex[] = "0123456789abcdef";
    array += "\"\\\\x";
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        array += Hex[byte >> 4];
        array += Hex[byte & 0x0F];
    }
    array += '"';
}

}  // namespace

OdbcArrayInsert::OdbcArrayInsert(const OdbcConnection& connection, const std::string& table,
                                 std::vector<const OdbcColumn*> columns, std::size_t rows,
                                 const std::string& conflict)
    : OdbcGroupInsert(connection, std::move(columns), rows), arrays_(columns_.size()) {
    std::string sql = intoClause(table) + " SELECT * FROM unnest(";
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        sql += (i == 0 ? "CAST(? AS " : ", CAST(? AS ") +
               connection_.quote(columns_[i]->info.declaredType) + "[])";
    }
    prepare(sql + ")" + conflict, columns_.size());
    for (OdbcParameter& parameter : parameters_) {
        parameter.target(SQL_WLONGVARCHAR, 0, 0);
    }
}

bool OdbcArrayInsert::suits(const std::vector<const OdbcColumn*>& columns) {
    return !columns.empty() &&
           std::all_of(columns.begin(), columns.end(),
                       [](const OdbcColumn* column) { return !column->info.declaredType.empty(); });
}

bool OdbcArrayInsert::send(const Variant* values, std::size_t rows) {
    const std::size_t width = columns_.size();
    for (std::size_t i = 0; i < width; ++i) {
        std::string& array = arrays_[i];
        array.assign(1, '{');
        for (std::size_t row = 0; row < rows; ++row) {
            if (row > 0) {
                array += ',';
            }
            appendElement(array, values[row * width + i], *columns_[i]);
        }
        array += '}';
        parameters_[i].setText(array);
    }
    execute();
    return true;
}

void OdbcArrayInsert::appendElement(std::string& array, const Variant& value,
                                    const OdbcColumn& column) {
    switch (value.kind()) {
        case Variant::Kind::Empty:
        case Variant::Kind::Null:
            array += "NULL";
            return;
        case Variant::Kind::Boolean:
            array += value.toBool() ? "t" : "f";
            return;
        case Variant::Kind::Integer:
        case Variant::Kind::Long:
        case Variant::Kind::BigInt:
            appendWhole(array, value.toBigInt());
            return;
        case Variant::Kind::Double:
            array += Variant::formatDouble(value.toDouble());
            return;
        case Variant::Kind::Currency:
            array += Variant::formatCurrency(value.currencyScaled());
            return;
        case Variant::Kind::Date:
            appendQuoted(array, Variant::formatDate(value.toDate()));
            return;
        case Variant::Kind::Text:
            if (DataType::isBinary(column.info.type)) {
                appendBytes(array, value.textView());
            } else {
                appendQuoted(array, value.textView());
            }
            return;
    }
}

}  // namespace kiv::db::odbc
