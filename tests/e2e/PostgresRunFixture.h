#pragma once

#include <string>

#include "RunFixture.h"
#include "db/odbc/PostgresTestDatabase.h"

// Runs of kivrun against a PostgreSQL database of the test's own, reached as a "SQLServer"
// connection through the driver the test set-up registers under that name.
class PostgresRunFixture : public RunFixture {
public:
    // For fixtures that hold a test database of their own: creates it; "" or why not.
    static std::string created(PostgresTestDatabase& database) {
        const std::string unavailable = PostgresTestDatabase::unavailable();
        return unavailable.empty() ? database.create() : unavailable;
    }
    static std::string serverConnection(const PostgresTestDatabase& database,
                                        const std::string& name) {
        return "[Data Connection - " + name +
               "]\r\nDatabaseType=SQLServer\r\nServer=127.0.0.1\r\n"
               "Database=" +
               database.name() + "\r\nUserID=" + PostgresTestDatabase::user() +
               "\r\nPassword=" + PostgresTestDatabase::password() + "\r\n";
    }

    // The same through libpq; the port comes from libpq's environment.
    static std::string postgresConnection(const PostgresTestDatabase& database,
                                          const std::string& name) {
        return "[Data Connection - " + name +
               "]\r\nDatabaseType=PostgreSQL\r\nServer=127.0.0.1\r\nDatabase=" + database.name() +
               "\r\nUserID=" + PostgresTestDatabase::user() +
               "\r\nPassword=" + PostgresTestDatabase::password() + "\r\n";
    }

protected:
    void SetUp() override {
        const std::string failure = created(database);
        ASSERT_TRUE(failure.empty()) << failure;
    }

    void setUp(const std::string& sql) {
        const std::string failure = database.plain.execute(sql);
        ASSERT_TRUE(failure.empty()) << failure << "\n" << sql;
    }

    // The section of a connection named `name` to the test database.
    std::string serverConnection(const std::string& name) const {
        return serverConnection(database, name);
    }

    PostgresTestDatabase database;
};
