#include "connections/clsKivConnection.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>

#include "TempDir.h"
#include "connections/CatalogListing.h"
#include "connections/clsKivConnections.h"
#include "diagnostics/Globals.h"

namespace kiv {

namespace {

void makeSqliteFile(const std::string& file, const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
}

std::string environmentValue(clsEnvironmentVariables& environment, std::string_view name) {
    auto entry = environment.Item(name);
    return entry ? entry->MappingValue() : "<missing>";
}

}  // namespace

class clsKivConnectionTest : public ::testing::Test {
protected:
    std::shared_ptr<clsKivConnection> load(const std::string& section) {
        ini.sINIFileName(dir.write("spec.ini", section));
        auto connection = std::make_shared<clsKivConnection>();
        connection->ErrorMessages(messages);
        connection->Environment(environment);
        connection->LoadSpecification(&ini, "Input");
        return connection;
    }
    std::string openingString(clsKivConnection& connection) {
        connection.OpenConnection();
        return connection.ADOConnection()->ConnectionString();
    }

    TempDir dir;
    clsINIFile ini;
    std::shared_ptr<clsEnvironmentVariables> environment = std::make_shared<clsEnvironmentVariables>();
    std::shared_ptr<clsMessages> messages = std::make_shared<clsMessages>();
};

TEST_F(clsKivConnectionTest, ConnectStringsOfEveryType) {
    environment->Add("Folder", dir.path());
    auto text = load("[Data Connection - Input]\nDatabaseType= textfile \nDatabase=$(Folder)\n");
    EXPECT_EQ(text->KivConnectionType(), kctTextFile);
    EXPECT_TRUE(text->OpenConnection());
    EXPECT_EQ(text->ADOConnection()->ConnectionString(),
              "Driver={Microsoft Text Driver (*.txt; *.csv)};DBQ=" + dir.path() +
                  ";DefaultDir=" + dir.path() + ";");

    auto server = load("[Data Connection - Input]\nDatabaseType=sqlserver\nServer=db1\nDatabase=Sales\n");
    server->OpenConnection();
    EXPECT_EQ(server->CurrentDatabaseName(), "Sales");
    auto odbc = load("[Data Connection - Input]\nDatabaseType=ODBC\nDatabase=Warehouse\nUserID=me\nPassword=pw\n");
    EXPECT_FALSE(odbc->OpenConnection());
    auto odbcString = load("[Data Connection - Input]\nDatabaseType=odbc\nDatabase=Driver={X};Server=h;\n");
    EXPECT_FALSE(odbcString->OpenConnection());
    auto unknown = load("[Data Connection - Input]\nDatabaseType=SQL Server\nDatabase=x\n");
    EXPECT_EQ(unknown->KivConnectionType(), kctUnknown);
    const auto before = messages->Count();
    EXPECT_FALSE(unknown->OpenConnection());
    EXPECT_EQ(messages->Count(), before);  // no connect string: no message
}

TEST_F(clsKivConnectionTest, DumpShowsExactStringsWithPasswordsMasked) {
    gbDebugEnabled = true;
    auto log = std::make_shared<clsDebugLog>();
    log->LogFileName(dir.file("dump.log"));
    log->WriteLog("start");
    auto server = load("[Data Connection - Input]\nDatabaseType=SQLServer\nServer=db1\n"
                       "Database=Sales\nPassword=Secret\n");
    EXPECT_FALSE(server->OpenConnection());
    auto odbc = load("[Data Connection - Input]\nDatabaseType=ODBC\nDatabase=Warehouse\nUserID=me\n");
    odbc->OpenConnection();
    server->Dump(log.get());
    gbDebugEnabled = false;
    const std::string dump = TempDir::read(dir.file("dump.log"));
    EXPECT_NE(dump.find("Opening Connect Str:      'Driver={SQL Server};Server={db1};"
                        "Database={Sales};UID={};PWD={********};'\r\n"),
              std::string::npos)
        << dump;
    EXPECT_NE(dump.find("Password:                 '********'  (After environment substitution: "
                        "'********')\r\n"),
              std::string::npos);
    EXPECT_NE(dump.find("Connection Type:          'SQLServer'  (After environment substitution: '4')"),
              std::string::npos);
    EXPECT_NE(dump.find("   Connection State:       'adStateClosed' (0)\r\n"), std::string::npos);
    EXPECT_EQ(dump.find("Secret"), std::string::npos);
    EXPECT_EQ(odbc->ADOConnection()->ConnectionString(), "DSN=Warehouse;UID={me};");
}

TEST_F(clsKivConnectionTest, PrimaryInputPatternOpensEachFileInTurn) {
    for (const char* name : {"b.db", "a.db", "c.DB"}) {
        makeSqliteFile(dir.file(name), "CREATE TABLE t (x INTEGER);");
    }
    dir.write("notes.txt", "not a database");
    auto input = load("[Data Connection - Input]\nDatabaseType=SQLite\nPrimaryInputDataSource=1\n"
                      "Database=" + dir.path() + "\\*.db\n"
                      "AfterOpeningEnvVar_1_Name=Opened\nAfterOpeningEnvVar_1_Value=$(Input-CurrentDatabase)!\n"
                      "AfterOpeningEnvVar_3_Name=Skipped\nAfterOpeningEnvVar_3_Value=x\n");
    EXPECT_TRUE(input->PrimaryInputDataSource());
    EXPECT_EQ(input->CountMatchingDataSets(), 3);
    int opened = 0;
    input->ConnectionOpened.subscribe([&] { ++opened; }).reset();
    auto subscription = input->ConnectionOpened.subscribe([&] { ++opened; });
    for (const char* name : {"a.db", "b.db", "c.DB"}) {
        EXPECT_TRUE(input->OpenConnection()) << name;
        EXPECT_EQ(input->CurrentDatabaseName(), dir.path() + "/" + name);
        EXPECT_EQ(environmentValue(*environment, "Input-CurrentDatabase"), dir.path() + "/" + name);
        EXPECT_EQ(environmentValue(*environment, "Opened"), dir.path() + "/" + name + "!");
        input->CloseConnection();
    }
    // Past the last file there is no connect string: opening gives up before touching the
    // environment.
    EXPECT_FALSE(input->OpenConnection());
    EXPECT_EQ(opened, 3);
    EXPECT_EQ(environmentValue(*environment, "Input-CurrentDatabase"), dir.path() + "/c.DB");
    EXPECT_EQ(environmentValue(*environment, "Skipped"), "<missing>");
    EXPECT_EQ(messages->Count(), 0);
}

TEST_F(clsKivConnectionTest, PatternWithoutPrimaryFlagFailsWithAMessage) {
    auto input = load("[Data Connection - Input]\nDatabaseType=SQLite\nReadOnlyMode=True\n"
                      "Database=" + dir.path() + "/*.db\n");
    EXPECT_EQ(input->CountMatchingDataSets(), 1);
    EXPECT_FALSE(input->OpenConnection());
    ASSERT_EQ(messages->Count(), 1);
    EXPECT_EQ(messages->Item(1)->Source(), "Open Connection");
    EXPECT_EQ(messages->Item(1)->Number(), -1);
    EXPECT_EQ(messages->Item(1)->Text().rfind("Failed to Open Data Source Connection: Reason- '", 0), 0u);

    auto none = load("[Data Connection - Input]\nDatabaseType=SQLite\nPrimaryInputDataSource=true\n"
                     "Database=" + dir.path() + "/*.none\n");
    EXPECT_EQ(none->CountMatchingDataSets(), 0);
    EXPECT_FALSE(none->OpenConnection());
    EXPECT_EQ(messages->Count(), 1);
}

TEST_F(clsKivConnectionTest, OnlyOpeningForWritingCreatesAMissingSqliteFile) {
    const std::string file = dir.file("new.db");
    auto output = load("[Data Connection - Input]\nDatabaseType=SQLite\nDatabase=" + file + "\n");
    EXPECT_FALSE(output->OpenConnection());
    EXPECT_EQ(output->ADOConnection()->ConnectionString(),
              "Provider=SQLite;Data Source=" + file + ";FailIfMissing=True");
    ASSERT_GE(messages->Count(), 1);
    EXPECT_EQ(messages->Item(messages->Count())->Text(),
              "Failed to Open Data Source Connection: Reason- '[Kiv][SQLite]The database file '" +
                  file + "' does not exist.'");
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_TRUE(output->OpenConnectionForWriting());
    EXPECT_EQ(output->ADOConnection()->ConnectionString(), "Provider=SQLite;Data Source=" + file);
    EXPECT_TRUE(std::filesystem::exists(file));
}

TEST_F(clsKivConnectionTest, FailedReopeningRemovesTheCurrentDatabaseEntry) {
    makeSqliteFile(dir.file("one.db"), "CREATE TABLE t (x INTEGER);");
    auto input = load("[Data Connection - Input]\nDatabaseType=SQLite\nServer=s\nDatabase=" +
                      dir.file("one.db") + "\nReadOnlyMode=yes\n");
    EXPECT_FALSE(input->ReadOnlyMode());  // "yes" is no flag text: the flag keeps its value
    ASSERT_TRUE(input->OpenConnection());
    EXPECT_EQ(environmentValue(*environment, "Input-CurrentDatabase"), dir.file("one.db"));
    input->ServerName("s");
    EXPECT_TRUE(input->IsOpen());
    input->ServerName("other");
    EXPECT_FALSE(input->IsOpen());
    input->DatabaseName(dir.file("missing/none.db"));
    EXPECT_FALSE(input->OpenConnection());
    EXPECT_EQ(environmentValue(*environment, "Input-CurrentDatabase"), "<missing>");
}

TEST_F(clsKivConnectionTest, CatalogsOfATextFolderAndASqliteFileWithAView) {
    dir.write("people.csv", "Id,Name\n1,Ann\n");
    dir.write("orders.txt", "Id\n");
    auto text = load("[Data Connection - Input]\nDatabaseType=TextFile\nDatabase=" + dir.path() + "\n");
    auto catalog = text->CatalogRecordset();
    std::vector<std::string> names;
    for (; catalog && !catalog->EOF(); catalog->MoveNext()) {
        names.push_back(catalog->Fields().Item("Name")->Value().toText() + ":" +
                        catalog->Fields().Item("Type")->Value().toText() + ":" +
                        catalog->Fields().Item("RecordNumber")->Value().toText());
    }
    EXPECT_EQ(names, (std::vector<std::string>{"orders.txt:TABLE:1", "people.csv:TABLE:2"}));

    makeSqliteFile(dir.file("shop.db"),
                   "CREATE TABLE CUSTOMER (Id INTEGER, Name VARCHAR(40), Born DATE);"
                   "CREATE VIEW Names AS SELECT Name FROM CUSTOMER;");
    auto shop = load("[Data Connection - Input]\nDatabaseType=SQLite\nDatabase=" + dir.file("shop.db") + "\n");
    catalog = shop->CatalogRecordset();
    names.clear();
    for (; !catalog->EOF(); catalog->MoveNext()) {
        names.push_back(catalog->Fields().Item("Name")->Value().toText() + ":" +
                        catalog->Fields().Item("Type")->Value().toText());
        EXPECT_TRUE(catalog->Fields().Item("DateCreated")->Value().isNull());
    }
    EXPECT_EQ(names, (std::vector<std::string>{"CUSTOMER:TABLE", "Names:VIEW"}));

    auto structure = shop->TableStructureRecordset("customer");
    names.clear();
    for (; !structure->EOF(); structure->MoveNext()) {
        const auto& fields = structure->Fields();
        names.push_back(fields.Item("RecordNumber")->Value().toText() + " " +
                        fields.Item("TableName")->Value().toText() + "." +
                        fields.Item("ColumnName")->Value().toText() + " " +
                        fields.Item("ColumnType")->Value().toText() + " " +
                        fields.Item("ColumnSize")->Value().toText());
    }
    EXPECT_EQ(names, (std::vector<std::string>{"1 CUSTOMER.Id INTEGER 4", "2 CUSTOMER.Name VARCHAR 40",
                                               "3 CUSTOMER.Born DATE 8"}));
    EXPECT_TRUE(shop->TableStructureRecordset("nothing")->EOF());
    EXPECT_EQ(CatalogListing::ColumnTypeName(999), "UNKNOWN (999)");
    EXPECT_EQ(CatalogListing::ColumnTypeName(135), "DBTIMESTAMP");
}

TEST_F(clsKivConnectionTest, ListingOfAConnectionThatCannotOpenIsTheLastOne) {
    auto missing = load("[Data Connection - Input]\nDatabaseType=MSExcel\nDatabase=" + dir.file("x.ods") + "\n");
    EXPECT_EQ(missing->CatalogRecordset(), nullptr);
    EXPECT_EQ(messages->Count(), 1);
}

TEST(clsKivConnectionsTest, FindsMembersByNameConnectionAndPrimaryFlag) {
    clsKivConnections connections;
    auto first = connections.Add("Input");
    auto second = connections.Add("Output");
    EXPECT_EQ(connections.Item("INPUT"), first);
    EXPECT_EQ(connections.PrimaryInputDataSource(), nullptr);
    second->PrimaryInputDataSource(true);
    EXPECT_EQ(connections.PrimaryInputDataSource(), second);
    EXPECT_THROW(connections.Add("output"), std::invalid_argument);
    first->ADOConnection()->ConnectionString("Provider=SQLite;Data Source=x");
    second->ADOConnection()->ConnectionString("Provider=SQLite;Data Source=y");
    EXPECT_EQ(connections.FindConnection(first->ADOConnection().get()), first);
    EXPECT_EQ(connections.FindConnection(nullptr), nullptr);
    EXPECT_THROW(connections.Remove("missing"), std::out_of_range);
}

}  // namespace kiv
