#pragma once

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "db/odbc/OdbcCatalog.h"
#include "db/odbc/OdbcConnection.h"
#include "db/odbc/PostgresTestDatabase.h"

namespace kiv::db::odbc::testing {

// The engine's own connection to a fresh PostgreSQL database, for testing its parts below
// the layer's objects; `database.plain` goes around it.
class OdbcEngineFixture : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string unavailable = PostgresTestDatabase::unavailable();
        ASSERT_TRUE(unavailable.empty()) << unavailable;
        const std::string failure = database.create();
        ASSERT_TRUE(failure.empty()) << failure;
        connection = std::make_shared<OdbcConnection>(OdbcConnection::environment(),
                                                      database.connectString(), false);
    }

    void setUp(const std::string& sql) {
        const std::string failure = database.plain.execute(sql);
        ASSERT_TRUE(failure.empty()) << failure << "\n" << sql;
    }

    // The columns of `table` as the engine describes them, and pointers to them.
    std::vector<const OdbcColumn*> columnsOf(const std::string& table) {
        described = OdbcCatalog::columns(*connection, table);
        std::vector<const OdbcColumn*> pointers;
        for (const OdbcColumn& column : described) {
            pointers.push_back(&column);
        }
        return pointers;
    }

    PostgresTestDatabase database;
    std::shared_ptr<OdbcConnection> connection;
    std::vector<OdbcColumn> described;
};

}  // namespace kiv::db::odbc::testing
