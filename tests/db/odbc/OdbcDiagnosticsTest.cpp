#include <gtest/gtest.h>

#include "db/Constants.h"
#include "db/odbc/OdbcDiagnostics.h"

using kiv::db::odbc::OdbcDiagnostics;

TEST(OdbcDiagnosticsTest, TheDriversTagsStayAndLaterBracketsAreShownFullWidth) {
    EXPECT_EQ(OdbcDiagnostics::describe("[unixODBC][Driver Manager]Data source name not found"),
              "[unixODBC][Driver Manager]Data source name not found");
    EXPECT_EQ(OdbcDiagnostics::describe("ERROR: column \"x\" is of type integer[]"),
              "ERROR: column \"x\" is of type integer[\xEF\xBC\xBD");
    EXPECT_EQ(OdbcDiagnostics::describe("ERROR: one\nDETAIL: two\r\nthree"),
              "ERROR: one\r\nDETAIL: two\r\nthree");
}

TEST(OdbcDiagnosticsTest, TheEnginesOwnFailuresCarryItsTag) {
    const kiv::db::Error error = OdbcDiagnostics::failure("42S02", "No such table.", 7);
    EXPECT_EQ(error.Number(), kiv::db::adErrEngineFailure);
    EXPECT_EQ(error.Source(), "Kiv.ODBC");
    EXPECT_EQ(error.SQLState(), "42S02");
    EXPECT_EQ(error.NativeError(), 7);
    EXPECT_EQ(error.Description(), "[Kiv][ODBC]No such table.");
}
