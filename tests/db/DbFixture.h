#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <memory>
#include <string>

#include "TempDir.h"
#include "db/Connection.h"
#include "db/Error.h"
#include "db/ErrorOf.h"
#include "db/Recordset.h"

namespace kiv::db::testing {

// A database file in a fresh folder, a connection of the program to it, and a second way
// in that goes around the program: a plain SQLite handle of its own, which sees only what
// has been committed.
class DbFixture : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = folder_.file("test.db");
        connection_ = std::make_shared<Connection>();
        connection_->Open(connectString());
    }

    std::string connectString() const { return "Provider=SQLite;Data Source=" + path_; }

    void execute(const std::string& sql) { connection_->Execute(sql); }

    // A recordset on `sql`, streaming.
    std::shared_ptr<Recordset> query(const std::string& sql) {
        auto recordset = std::make_shared<Recordset>();
        recordset->Open(sql, connection_, adOpenForwardOnly, adLockReadOnly, adCmdText);
        return recordset;
    }

    // A recordset opened for adding rows to `table`.
    std::shared_ptr<Recordset> target(const std::string& table) {
        auto recordset = std::make_shared<Recordset>();
        recordset->Open("SELECT * FROM [" + table + "]", connection_, adOpenKeyset,
                        adLockOptimistic, adCmdText);
        return recordset;
    }

    // What another program reading the file sees.
    long long committedCount(const std::string& table) const {
        sqlite3* handle = nullptr;
        EXPECT_EQ(sqlite3_open_v2(path_.c_str(), &handle, SQLITE_OPEN_READONLY, nullptr),
                  SQLITE_OK);
        sqlite3_stmt* statement = nullptr;
        const std::string sql = "SELECT count(*) FROM \"" + table + "\"";
        long long count = -1;
        if (sqlite3_prepare_v2(handle, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW) {
            count = sqlite3_column_int64(statement, 0);
        }
        sqlite3_finalize(statement);
        sqlite3_close(handle);
        return count;
    }

    TempDir folder_;
    std::string path_;
    std::shared_ptr<Connection> connection_;
};

}  // namespace kiv::db::testing
