#include "db/sqlite/SqliteValues.h"

#include <sqlite3.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

namespace kiv::db::sqlite {

using ReadAs = SqliteColumnType::ReadAs;

namespace {

void readWhole(std::int64_t value, Variant& out) {
    if (value >= std::numeric_limits<std::int32_t>::min() &&
        value <= std::numeric_limits<std::int32_t>::max()) {
        out = Variant(static_cast<std::int32_t>(value));
    } else {
        out = Variant(value);
    }
}

// A number of a Single column as the shortest decimal that reads back as the same Single, so
// 0.15 stays 0.15.
double singleValue(double value) {
    char buffer[32];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, static_cast<float>(value));
    double result = value;
    std::from_chars(buffer, written.ptr, result);
    return result;
}

// A value read as the storage class it has.
void readStored(const StoredValue& value, Variant& out) {
    switch (value.storageClass) {
        case SQLITE_INTEGER:
            readWhole(value.integer, out);
            break;
        case SQLITE_FLOAT:
            out = Variant(value.real);
            break;
        default:
            out.assignText(value.bytes);
            break;
    }
}

}  // namespace

StoredValue SqliteValues::stored(sqlite3_stmt* statement, int column) {
    StoredValue value;
    value.storageClass = sqlite3_column_type(statement, column);
    switch (value.storageClass) {
        case SQLITE_INTEGER:
            value.integer = sqlite3_column_int64(statement, column);
            break;
        case SQLITE_FLOAT:
            value.real = sqlite3_column_double(statement, column);
            break;
        case SQLITE_TEXT:
        case SQLITE_BLOB: {
            const void* data = sqlite3_column_blob(statement, column);
            const int size = sqlite3_column_bytes(statement, column);
            if (data != nullptr && size > 0) {
                value.bytes = {static_cast<const char*>(data), static_cast<std::size_t>(size)};
            }
            break;
        }
        default:
            break;
    }
    return value;
}

void SqliteValues::read(const StoredValue& value, ReadAs as, Variant& out) {
    const int storageClass = value.storageClass;
    if (storageClass == SQLITE_NULL) {
        out = Variant::Null();
        return;
    }
    const bool number = storageClass == SQLITE_INTEGER || storageClass == SQLITE_FLOAT;
    const double real =
        storageClass == SQLITE_INTEGER ? static_cast<double>(value.integer) : value.real;
    switch (as) {
        case ReadAs::Integer:
            if (storageClass == SQLITE_INTEGER &&
                value.integer >= std::numeric_limits<std::int16_t>::min() &&
                value.integer <= std::numeric_limits<std::int16_t>::max()) {
                out = Variant(static_cast<std::int16_t>(value.integer));
                return;
            }
            break;
        case ReadAs::Long:
            break;
        case ReadAs::BigInt:
            if (storageClass == SQLITE_INTEGER) {
                out = Variant(static_cast<std::int64_t>(value.integer));
                return;
            }
            break;
        case ReadAs::Single:
            if (number) {
                out = Variant(singleValue(real));
                return;
            }
            break;
        case ReadAs::Double:
            if (number) {
                out = Variant(real);
                return;
            }
            break;
        case ReadAs::Currency:
            if (number) {
                const double scaled = std::nearbyint(real * Variant::CurrencyScale);
                if (std::fabs(scaled) < 9.2e18) {
                    out = Variant::fromCurrencyScaled(static_cast<std::int64_t>(scaled));
                    return;
                }
            }
            break;
        case ReadAs::Boolean:
            if (number) {
                out = Variant(real != 0);
                return;
            }
            break;
        case ReadAs::Date:
            if (storageClass == SQLITE_TEXT) {
                if (const std::optional<double> serial = Variant::parseDate(value.bytes)) {
                    out = Variant::fromDate(*serial);
                } else {
                    out.assignText(value.bytes);
                }
                return;
            }
            break;
        case ReadAs::Text:
        case ReadAs::Any:
            break;
    }
    readStored(value, out);
}

void SqliteValues::result(sqlite3_context* context, const StoredValue& value) {
    switch (value.storageClass) {
        case SQLITE_INTEGER:
            sqlite3_result_int64(context, value.integer);
            break;
        case SQLITE_FLOAT:
            sqlite3_result_double(context, value.real);
            break;
        case SQLITE_TEXT:
            sqlite3_result_text(context, value.bytes.empty() ? "" : value.bytes.data(),
                                static_cast<int>(value.bytes.size()), SQLITE_TRANSIENT);
            break;
        case SQLITE_BLOB:
            sqlite3_result_blob(context, value.bytes.empty() ? "" : value.bytes.data(),
                                static_cast<int>(value.bytes.size()), SQLITE_TRANSIENT);
            break;
        default:
            sqlite3_result_null(context);
            break;
    }
}

int SqliteValues::bindValue(sqlite3_stmt* statement, int index, const Variant& value) {
    switch (value.kind()) {
        case Variant::Kind::Empty:
        case Variant::Kind::Null:
            return sqlite3_bind_null(statement, index);
        case Variant::Kind::Boolean:
            return sqlite3_bind_int(statement, index, value.toBool() ? 1 : 0);
        case Variant::Kind::Integer:
        case Variant::Kind::Long:
        case Variant::Kind::BigInt:
            return sqlite3_bind_int64(statement, index, value.toBigInt());
        case Variant::Kind::Double:
            return sqlite3_bind_double(statement, index, value.toDouble());
        case Variant::Kind::Currency:
            return sqlite3_bind_double(
                statement, index,
                static_cast<double>(value.currencyScaled()) / Variant::CurrencyScale);
        case Variant::Kind::Date: {
            Variant::DateText buffer;
            const std::string_view text = Variant::formatDate(value.toDate(), buffer);
            return sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()),
                                     SQLITE_TRANSIENT);
        }
        case Variant::Kind::Text: {
            const std::string_view text = value.textView();
            return sqlite3_bind_text(statement, index, text.empty() ? "" : text.data(),
                                     static_cast<int>(text.size()), SQLITE_STATIC);
        }
    }
    return SQLITE_MISUSE;
}

void SqliteValues::toStorageForm(Variant& value) {
    if (value.isDate()) {
        value = Variant(Variant::formatDate(value.toDate()));
    }
}

}  // namespace kiv::db::sqlite
