#include "mapping/clsKivMappingFields.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "MappingFixture.h"
#include "diagnostics/Globals.h"

namespace kiv::testing {

class clsKivMappingFieldsTest : public MappingFixture {
protected:
    void SetUp() override {
        MappingFixture::SetUp();
        sql("CREATE TABLE Customers (Code TEXT, Name TEXT);"
            "INSERT INTO Customers VALUES ('A17', 'Ann'), (NULL, 'Bo');");
    }

    // The identification a message added now carries.
    std::string identification() {
        return messages->Add(kMsgInformation, "probe", 0, -1, "probe")->GetRecordID();
    }
};

TEST_F(clsKivMappingFieldsTest, FieldsAreReadUpToTheFirstMissingNumber) {
    spec("[Step]\nRecordIDColumn_1=Code\nRecordIDColumn_3=Name\n");
    const auto ids = recordIds();
    EXPECT_EQ(ids->Count(), 1);
    EXPECT_EQ(ids->Item(1)->MappingPurpose(), kmpRecordID);
    EXPECT_FALSE(ids->IdentifyingFieldAt(2));

    spec("[Step]\nRecordIDColumn_2=Code\n");
    clsKivMappingFields none;
    EXPECT_FALSE(none.LoadSpecification(&ini, environment, "Step", kmpRecordID));
    EXPECT_FALSE(none.LoadSpecification(nullptr, environment, "Step", kmpRecordID));
    EXPECT_EQ(none.Count(), 0);
}

TEST_F(clsKivMappingFieldsTest, MessagesCarryTheCurrentRowsIdentification) {
    spec(
        "[Step]\n"
        "RecordIDColumn_1=Code\n"
        "RecordIDColumn_2=Nope\n"
        "RecordIDMappingType_3=Constant\nRecordIDValue_3=K\n");
    const auto ids = recordIds();
    ASSERT_EQ(ids->Count(), 3);
    auto source = rows("SELECT Code, Name FROM Customers ORDER BY rowid");
    ids->ActiveRecordset(source);
    EXPECT_EQ(identification(), "'A17', '<null>', 'K'");
    source->MoveNext();
    EXPECT_EQ(identification(), "'<null>', '<null>', 'K'");

    const std::string lost = "4 24 clsKivMappingField: Unable to locate field named: Nope";
    std::vector<std::string> errors;
    for (const auto& line : reported()) {
        if (line.front() == '4') {
            errors.push_back(line);
        }
    }
    // Binding tries once and the first row's refresh once more; every later row once.
    EXPECT_EQ(errors, (std::vector<std::string>{lost, lost, lost}));
}

TEST_F(clsKivMappingFieldsTest, DumpWritesOnlyToAnActiveLog) {
    spec("[Step]\nRecordIDColumn_1=Code\n");
    const auto ids = recordIds();
    gbDebugEnabled = true;
    auto log = std::make_shared<clsDebugLog>();
    log->LogFileName(dir.file("dump.log"));
    ids->DebugLog(log);
    ids->Dump();  // a log opens its file at its first line; this one is not active yet
    EXPECT_FALSE(std::filesystem::exists(dir.file("dump.log")));

    log->OpenLog();
    ids->Dump();
    log->CloseLog();
    EXPECT_TRUE(
        TempDir::read(dir.file("dump.log"))
            .starts_with("Number of Fields: 1\r\nField 1...\r\n   clsKivMappingField - Dump..."));
}

}  // namespace kiv::testing
