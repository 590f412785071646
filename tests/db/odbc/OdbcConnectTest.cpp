#include <regex>

#include "db/odbc/OdbcFixture.h"

namespace kiv::db::testing {

using OdbcConnectTest = OdbcFixture;

TEST_F(OdbcConnectTest, OpensWithBracesAroundEveryValue) {
    const auto opened =
        open("Driver={PostgreSQL Unicode};Server={127.0.0.1};Port={" +
             PostgresTestDatabase::port() + "};Database={" + database.name() + "};UID={" +
             PostgresTestDatabase::user() + "};PWD={" + PostgresTestDatabase::password() + "};");
    EXPECT_EQ(opened->State(), adStateOpen);
    EXPECT_EQ(opened->Provider(), "Kiv.ODBC");
}

TEST_F(OdbcConnectTest, OpensWithoutBraces) {
    EXPECT_EQ(connection->State(), adStateOpen);
    const auto rows = connection->Execute("SELECT current_database()");
    EXPECT_EQ(rows->Fields().Item(0)->Value(), Variant(database.name()));
}

TEST_F(OdbcConnectTest, OpensThroughADataSourceName) {
    const auto opened =
        open("DSN=KivTest;Database=" + database.name() + ";UID={" + PostgresTestDatabase::user() +
             "};PWD={" + PostgresTestDatabase::password() + "};");
    EXPECT_EQ(opened->Execute("SELECT current_database()")->Fields().Item(0)->Value(),
              Variant(database.name()));
}

TEST_F(OdbcConnectTest, TheSqlServerConnectStringReachesTheDriverRegisteredAsSqlServer) {
    const auto opened =
        open("Driver={SQL Server};Server={127.0.0.1};Database={" + database.name() + "};UID={" +
             PostgresTestDatabase::user() + "};PWD={" + PostgresTestDatabase::password() + "};");
    EXPECT_EQ(opened->Execute("SELECT current_database()")->Fields().Item(0)->Value(),
              Variant(database.name()));
}

TEST_F(OdbcConnectTest, ARefusedLoginLeavesTheDriversMessageInErrors) {
    auto failing = std::make_shared<Connection>();
    const std::string connectString =
        std::regex_replace(database.connectString(), std::regex("PWD=[^;]*;"), "PWD=wrong;");
    const Error error = errorOf([&] { failing->Open(connectString); });
    EXPECT_EQ(error.SQLState(), "08001");
    EXPECT_NE(error.Description().find("password authentication failed"), std::string::npos)
        << error.Description();
    EXPECT_EQ(error.Description().rfind("[Kiv][ODBC]", 0), 0U);
    EXPECT_EQ(failing->State(), adStateClosed);
    ASSERT_EQ(failing->Errors().Count(), 1);
    EXPECT_EQ(failing->Errors().Item(0)->Description(), error.Description());
}

TEST_F(OdbcConnectTest, APasswordThatNeedsBracesKeepsThem) {
    const std::string role = database.name() + "_login";
    setUp("CREATE ROLE " + role + " LOGIN PASSWORD 'se;cr}et'");
    const auto opened = open("Driver={SQL Server};Server={127.0.0.1};Database={" + database.name() +
                             "};UID={" + role + "};PWD={se;cr}}et};");
    EXPECT_EQ(opened->Execute("SELECT current_user")->Fields().Item(0)->Value(), Variant(role));
    opened->Close();
    setUp("DROP ROLE " + role);
}

TEST_F(OdbcConnectTest, AnUnknownDataSourceFailsWithTheDriverManagersMessage) {
    auto failing = std::make_shared<Connection>();
    const Error error = errorOf([&] { failing->Open("DSN=NoSuchSource;"); });
    EXPECT_EQ(error.SQLState(), "IM002");
    EXPECT_EQ(error.Description().rfind("[Kiv][ODBC][unixODBC][Driver Manager]", 0), 0U)
        << error.Description();
}

}  // namespace kiv::db::testing
