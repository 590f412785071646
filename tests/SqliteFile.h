#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>
#include <vector>

// Reads and writes a SQLite file around the program, the way another tool would.
namespace SqliteFile {

inline void execute(const std::string& file, const std::string& statement) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    char* error = nullptr;
    const int rc = sqlite3_exec(db, statement.c_str(), nullptr, nullptr, &error);
    const std::string message = error ? error : "";
    sqlite3_free(error);
    sqlite3_close(db);
    ASSERT_EQ(rc, SQLITE_OK) << message;
}

// Each row as its values joined by "|", NULL written as NULL.
inline std::vector<std::string> query(const std::string& file, const std::string& statement) {
    sqlite3* db = nullptr;
    sqlite3_open(file.c_str(), &db);
    std::vector<std::string> rows;
    sqlite3_exec(
        db, statement.c_str(),
        [](void* out, int count, char** values, char**) {
            std::string row;
            for (int i = 0; i < count; ++i) {
                row += (i ? "|" : "") + std::string(values[i] ? values[i] : "NULL");
            }
            static_cast<std::vector<std::string>*>(out)->push_back(row);
            return 0;
        },
        &rows, nullptr);
    sqlite3_close(db);
    return rows;
}

}  // namespace SqliteFile
