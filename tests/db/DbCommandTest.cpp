#include <gtest/gtest.h>

#include <string>

#include "DbFixture.h"
#include "db/Command.h"
#include "db/Constants.h"
#include "db/Field.h"
#include "db/sqlite/SqliteDatabase.h"

namespace kiv::db::testing {
namespace {

class DbCommand : public DbFixture {
protected:
    void SetUp() override {
        DbFixture::SetUp();
        execute("CREATE TABLE Codes (Id INTEGER, Label VARCHAR(20))");
        execute("INSERT INTO Codes VALUES (1, 'one'), (2, 'two'), (3, 'three')");
    }

    std::shared_ptr<Command> lookup() {
        auto command = std::make_shared<Command>();
        command->ActiveConnection(connection_);
        command->CommandText("SELECT Label FROM Codes WHERE Id = ?");
        command->CommandType(adCmdText);
        command->Parameters().Append(
            command->CreateParameter("1-Id", adVarChar, adParamInput, 50, Variant()));
        return command;
    }
};

TEST_F(DbCommand, ALookupIsPreparedOnceHoweverOftenItRuns) {
    auto command = lookup();
    const unsigned long before = sqlite::SqliteDatabase::prepareCount();
    std::string labels;
    for (int round = 0; round < 100; ++round) {
        command->Parameters().Item("1-Id")->Value(round % 4);
        auto result = command->Execute();
        ASSERT_TRUE(result);
        labels += result->EOF() ? "-" : result->Fields().Item(0L)->Value().toText().substr(0, 1);
    }
    EXPECT_EQ(sqlite::SqliteDatabase::prepareCount() - before, 1U);
    EXPECT_EQ(labels.substr(0, 8), "-ott-ott");
}

TEST_F(DbCommand, RunningAgainClosesThePreviousResult) {
    auto command = lookup();
    command->Parameters().Item(0L)->Value(1);
    auto first = command->Execute();
    command->Parameters().Item(0L)->Value("2");
    auto second = command->Execute();
    EXPECT_EQ(first->State(), adStateClosed);
    EXPECT_EQ(second->Fields().Item(0L)->Value(), Variant("two"));
}

TEST_F(DbCommand, AnInsertCommandWritesEachRowAndCountsIt) {
    auto insert = std::make_shared<Command>();
    insert->ActiveConnection(connection_);
    insert->CommandText("INSERT INTO [Codes] (\r\n  [Id]\r\n, [Label] )\r\n VALUES ( ?, ? )");
    insert->Parameters().Append(insert->CreateParameter("Param-Id", adInteger, adParamInput, 4));
    insert->Parameters().Append(
        insert->CreateParameter("Param-Label", adVarChar, adParamInput, 20));
    for (int id = 10; id < 15; ++id) {
        insert->Parameters().Item(0L)->Value(id);
        insert->Parameters().Item("param-label")->Value("L" + std::to_string(id));
        long affected = 0;
        EXPECT_FALSE(insert->Execute(&affected));
        EXPECT_EQ(affected, 1);
    }
    auto counted = connection_->Execute("SELECT count(*) FROM Codes WHERE Label LIKE 'L%'");
    EXPECT_EQ(counted->Fields().Item(0L)->Value().toText(), "5");
    insert.reset();
    EXPECT_EQ(committedCount("Codes"), 8);
}

TEST_F(DbCommand, ParametersMustMatchThePlaceholders) {
    auto command = lookup();
    command->Parameters().Append(command->CreateParameter("2-Extra", adVarChar, adParamInput, 50));
    const Error mismatch = errorOf([&] { command->Execute(); });
    EXPECT_EQ(mismatch.SQLState(), "07002");
    EXPECT_EQ(connection_->Errors().Count(), 1);
}

TEST_F(DbCommand, AClosedConnectionCannotRunTheCommand) {
    auto command = lookup();
    command->Parameters().Item(0L)->Value(1);
    command->Execute();
    connection_->Close();
    EXPECT_EQ(errorOf([&] { command->Execute(); }).Number(), adErrInvalidConnection);
    connection_->Open();
    EXPECT_EQ(command->Execute()->Fields().Item(0L)->Value(), Variant("one"));
}

}  // namespace
}  // namespace kiv::db::testing
