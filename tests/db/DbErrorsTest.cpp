#include <gtest/gtest.h>

#include <string>

#include "DbFixture.h"
#include "base/Path.h"
#include "db/Constants.h"

namespace kiv::db::testing {
namespace {

class DbErrors : public DbFixture {};

std::string withoutTags(const std::string& description) {
    return description.substr(description.rfind(']') + 1);
}

TEST_F(DbErrors, AFailingStatementIsThrownAndRecorded) {
    const Error thrown = errorOf([&] { execute("SELEC 1"); });
    EXPECT_EQ(thrown.Number(), adErrEngineFailure);
    EXPECT_EQ(thrown.Source(), "Kiv.SQLite");
    EXPECT_EQ(thrown.SQLState(), "42000");
    EXPECT_EQ(thrown.NativeError(), SQLITE_ERROR);
    EXPECT_EQ(thrown.Description(), "[Kiv][SQLite]near \"SELEC\": syntax error");
    EXPECT_EQ(withoutTags(thrown.Description()), "near \"SELEC\": syntax error");

    const Errors& errors = connection_->Errors();
    ASSERT_EQ(errors.Count(), 1);
    EXPECT_EQ(errors.Item(0)->Description(), thrown.Description());
    EXPECT_EQ(errors.Item(0)->SQLState(), "42000");
    EXPECT_EQ(errorOf([&] { errors.Item(1); }).Number(), adErrItemNotFound);
}

TEST_F(DbErrors, AFailingStatementAfterOthersIsNamed) {
    const Error thrown = errorOf([&] {
        execute("CREATE TABLE a (x INTEGER);\r\nINSERT INTO a VALUES (1);\r\n"
                "INSERT INTO a VALUES (2, 3);\r\nINSERT INTO a VALUES (4)");
    });
    EXPECT_EQ(withoutTags(thrown.Description()),
              "table a has 1 columns but 2 values were supplied (in statement 3, 'INSERT INTO a "
              "VALUES (2, 3)'; the statements before it are done)");
    EXPECT_EQ(connection_->Errors().Item(0)->Description(), thrown.Description());
    execute("INSERT INTO a VALUES (5)");
    EXPECT_EQ(errorOf([&] { execute("SELECT x FROM a; SELECT nope FROM a"); }).Description(),
              "[Kiv][SQLite]no such column: nope (in statement 2, 'SELECT nope FROM a'; the "
              "statements before it are done)");
}

TEST_F(DbErrors, RecordsStayUntilClearedOrReplaced) {
    errorOf([&] { execute("SELECT * FROM Missing"); });
    EXPECT_EQ(connection_->Errors().Item(0)->SQLState(), "42S02");
    execute("CREATE TABLE T (A INTEGER)");
    EXPECT_EQ(connection_->Errors().Count(), 1) << "success leaves the records alone";
    errorOf([&] { execute("SELECT Nope FROM T"); });
    ASSERT_EQ(connection_->Errors().Count(), 1);
    EXPECT_EQ(connection_->Errors().Item(0)->SQLState(), "42S22");
    connection_->Errors().Clear();
    EXPECT_EQ(connection_->Errors().Count(), 0);
}

TEST_F(DbErrors, ConstraintFailuresCarryTheStateAndSqliteCode) {
    execute("CREATE TABLE T (A INTEGER NOT NULL)");
    const Error failed = errorOf([&] { execute("INSERT INTO T VALUES (NULL)"); });
    EXPECT_EQ(failed.SQLState(), "23000");
    EXPECT_EQ(failed.NativeError(), SQLITE_CONSTRAINT_NOTNULL);
}

TEST_F(DbErrors, AnUnknownProviderFailsToOpenSayingWhichItIs) {
    for (const std::string connectString : {"Provider=Other", "Nothing=at all"}) {
        Connection connection;
        const Error refused = errorOf([&] { connection.Open(connectString); });
        EXPECT_EQ(refused.Number(), adErrProviderNotFound) << connectString;
        EXPECT_EQ(refused.Description().rfind("[Kiv]", 0), 0U) << connectString;
        EXPECT_EQ(connection.State(), adStateClosed);
        EXPECT_EQ(connection.Errors().Count(), 1);
    }
    EXPECT_NE(errorOf([] { Connection().Open("Provider=Other"); }).Description().find("'Other'"),
              std::string::npos);
}

TEST_F(DbErrors, AReadOnlyConnectionNeedsAnExistingFileAndRefusesWrites) {
    const std::string missing = folder_.file("missing.db");
    Connection reader;
    reader.Mode(adModeRead);
    const Error absent = errorOf([&] { reader.Open("Provider=SQLite;Data Source=" + missing); });
    EXPECT_EQ(absent.SQLState(), "08001");
    EXPECT_EQ(absent.Description(),
              "[Kiv][SQLite]The database file '" + missing + "' does not exist.");
    EXPECT_EQ(reader.State(), adStateClosed);
    EXPECT_FALSE(path::exists(missing));

    execute("CREATE TABLE T (A INTEGER)");
    auto shared = std::make_shared<Connection>();
    shared->Mode(adModeRead);
    shared->Open(connectString());
    EXPECT_NO_THROW(shared->Execute("SELECT * FROM T"));
    EXPECT_NE(errorOf([&] { shared->Execute("INSERT INTO T VALUES (1)"); })
                  .Description()
                  .find("readonly"),
              std::string::npos);
    auto table = std::make_shared<Recordset>();
    EXPECT_NO_THROW(errorOf([&] {
        table->Open("SELECT * FROM [T]", shared, adOpenKeyset, adLockOptimistic, adCmdText);
    }));
    EXPECT_EQ(table->State(), adStateClosed);
}

TEST_F(DbErrors, AWritableConnectionCreatesAMissingFileAndSaysSo) {
    const std::string created = folder_.file("sub.db");
    Connection writer;
    writer.Open("Provider=SQLite;Data Source=" + created);
    EXPECT_EQ(writer.Provider(), "Kiv.SQLite");
    EXPECT_TRUE(path::exists(created));
    const std::vector<Notices::Notice> told = writer.Notices().take();
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].kind, Notices::Kind::Information);
    EXPECT_EQ(told[0].text, "created new database file " + created);

    Connection again;
    again.Open("Provider=SQLite;Data Source=" + created);
    EXPECT_TRUE(again.Notices().take().empty());
}

TEST_F(DbErrors, FailIfMissingKeepsAWritableConnectionFromCreatingAFile) {
    const std::string missing = folder_.file("typo.db");
    Connection connection;
    const Error absent = errorOf(
        [&] { connection.Open("Provider=SQLite;Data Source=" + missing + ";FailIfMissing=True"); });
    EXPECT_EQ(absent.Description(),
              "[Kiv][SQLite]The database file '" + missing + "' does not exist.");
    EXPECT_FALSE(path::exists(missing));
    execute("CREATE TABLE T (A INTEGER)");
    Connection existing;
    EXPECT_NO_THROW(existing.Open(connectString() + ";FailIfMissing=True"));
    EXPECT_NO_THROW(existing.Execute("INSERT INTO T VALUES (1)"));
}

TEST_F(DbErrors, AFileThatIsNoDatabaseFailsToOpen) {
    const std::string text = folder_.write("notes.db", std::string(4096, 'x'));
    Connection connection;
    const Error refused = errorOf([&] { connection.Open("Provider=SQLite;Data Source=" + text); });
    EXPECT_EQ(refused.SQLState(), "08001");
    EXPECT_NE(refused.Description().find("not a database"), std::string::npos);
}

}  // namespace
}  // namespace kiv::db::testing
