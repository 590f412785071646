#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "db/Connection.h"
#include "db/Error.h"
#include "db/ErrorOf.h"
#include "db/Recordset.h"
#include "db/odbc/PostgresTestDatabase.h"

namespace kiv::db::testing {

// A fresh PostgreSQL database for each test, a connection of the program to it through the
// ODBC engine, and `database.plain`, which goes around the program.
class OdbcFixture : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string unavailable = PostgresTestDatabase::unavailable();
        ASSERT_TRUE(unavailable.empty()) << unavailable;
        const std::string failure = database.create();
        ASSERT_TRUE(failure.empty()) << failure;
        connection = open(database.connectString());
    }

    static std::shared_ptr<Connection> open(const std::string& connectString,
                                            long mode = adModeReadWrite) {
        auto opened = std::make_shared<Connection>();
        opened->Mode(mode);
        opened->Open(connectString);
        return opened;
    }

    // Runs a statement around the program and fails the test when it fails.
    void setUp(const std::string& sql) {
        const std::string failure = database.plain.execute(sql);
        ASSERT_TRUE(failure.empty()) << failure << "\n" << sql;
    }

    // A streaming recordset on `sql`.
    std::shared_ptr<Recordset> query(const std::string& sql) {
        auto recordset = std::make_shared<Recordset>();
        recordset->Open(sql, connection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        return recordset;
    }

    // A recordset opened for adding rows to `table`, as the data load opens its target.
    std::shared_ptr<Recordset> target(const std::string& table) {
        auto recordset = std::make_shared<Recordset>();
        recordset->Open("SELECT * FROM [" + table + "]", connection, adOpenKeyset, adLockOptimistic,
                        adCmdText);
        return recordset;
    }

    // Rows of `table` another program sees (committed ones).
    long committedCount(const std::string& table) {
        return std::stol(database.plain.scalar("SELECT count(*) FROM \"" + table + "\""));
    }

    PostgresTestDatabase database;
    std::shared_ptr<Connection> connection;
};

}  // namespace kiv::db::testing
