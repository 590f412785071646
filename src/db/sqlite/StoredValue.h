#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string_view>

namespace kiv::db::sqlite {

// One value as SQLite holds it: its storage class (SQLITE_NULL, SQLITE_INTEGER, SQLITE_FLOAT,
// SQLITE_TEXT or SQLITE_BLOB) and the payload of that class. Text and blobs are borrowed
// from whoever produced the value.
struct StoredValue {
    int storageClass = SQLITE_NULL;
    std::int64_t integer = 0;
    double real = 0;
    std::string_view bytes;
};

}  // namespace kiv::db::sqlite
