#include <gtest/gtest.h>

#include "db/odbc/OdbcConnectString.h"

using kiv::db::odbc::OdbcConnectString;

TEST(OdbcConnectStringTest, BracesAreKeptOnlyWhereAValueNeedsThem) {
    const OdbcConnectString parts(
        "Driver={SQL Server};Server={db1};Database={Sales};UID={};PWD={a;b};");
    EXPECT_EQ(parts.text(), "Driver=SQL Server;Server=db1;Database=Sales;UID=;PWD={a;b};");
}

TEST(OdbcConnectStringTest, AClosingBraceInsideAValueIsDoubled) {
    const OdbcConnectString parts("PWD={x}}y{z};UID=me");
    EXPECT_EQ(parts.value("pwd"), "x}y{z");
    EXPECT_EQ(parts.text(), "PWD={x}}y{z};UID=me;");
}

TEST(OdbcConnectStringTest, BlanksAtTheEndsOfAValueKeepTheirBraces) {
    const OdbcConnectString parts("PWD={ secret };Server= host ;");
    EXPECT_EQ(parts.value("PWD"), " secret ");
    EXPECT_EQ(parts.value("Server"), "host");
    EXPECT_EQ(parts.text(), "PWD={ secret };Server=host;");
}

TEST(OdbcConnectStringTest, KeysIgnoreCaseAndTheFirstOfTwoCounts) {
    const OdbcConnectString parts("dsn=First;DSN=Second;");
    EXPECT_EQ(parts.value("DSN"), "First");
    EXPECT_FALSE(parts.value("Driver"));
}

TEST(OdbcConnectStringTest, SettingAValueKeepsItsPlaceOrAddsItAtTheEnd) {
    OdbcConnectString parts("Driver={SQL Server};Server=db1;");
    parts.set("driver", "FreeTDS");
    parts.set("Port", "1433");
    EXPECT_EQ(parts.text(), "Driver=FreeTDS;Server=db1;Port=1433;");
}

TEST(OdbcConnectStringTest, DoubleQuotesArePartOfTheValue) {
    const OdbcConnectString parts("Database=\"my db\";");
    EXPECT_EQ(parts.value("Database"), "\"my db\"");
}
