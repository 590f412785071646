#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/Constants.h"
#include "db/Error.h"
#include "db/ErrorOf.h"
#include "db/Field.h"
#include "db/Recordset.h"

namespace kiv::db {
namespace {

using testing::errorOf;

// The shape of a catalog listing: fields appended, opened without a source.
std::shared_ptr<Recordset> listing() {
    auto recordset = std::make_shared<Recordset>();
    recordset->CursorLocation(adUseClient);
    recordset->Fields().Append("RecordNumber", adInteger, 0, 0);
    recordset->Fields().Append("Name", adVarChar, 8, 0);
    recordset->Fields().Append("DateCreated", adDate, 0, adFldIsNullable);
    recordset->Open({}, {}, adOpenStatic, adLockBatchOptimistic, adCmdUnspecified);
    return recordset;
}

TEST(DbMemory, RowsAddedAreReadBackInOrder) {
    auto rows = listing();
    EXPECT_TRUE(rows->BOF());
    EXPECT_TRUE(rows->EOF());
    for (int n = 1; n <= 3; ++n) {
        rows->AddNew();
        rows->Fields().Item("RecordNumber")->Value(n);
        rows->Fields().Item("Name")->Value("T" + std::to_string(n));
        rows->Update();
    }
    rows->UpdateBatch(adAffectAll);

    int moves = 0;
    const Subscription counting = rows->MoveComplete.subscribe([&] { ++moves; });
    rows->MoveFirst();
    std::vector<std::string> seen;
    while (!rows->EOF()) {
        seen.push_back(rows->Fields().Item("Name")->Value().toText() + "/" +
                       rows->Fields().Item(0L)->Value().toText());
        EXPECT_TRUE(rows->Fields().Item("DateCreated")->Value().isNull());
        rows->MoveNext();
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"T1/1", "T2/2", "T3/3"}));
    EXPECT_EQ(moves, 4);
}

TEST(DbMemory, ValuesAreConvertedToTheFieldTypes) {
    auto rows = listing();
    rows->AddNew();
    rows->Fields().Item("RecordNumber")->Value("7");
    rows->Fields().Item("Name")->Value(12.5);
    rows->Fields().Item("DateCreated")->Value("2020-02-29 10:00");
    rows->Update();
    rows->MoveFirst();
    EXPECT_EQ(rows->Fields().Item("RecordNumber")->Value(), Variant(std::int32_t{7}));
    EXPECT_EQ(rows->Fields().Item("Name")->Value(), Variant("12.5"));
    EXPECT_EQ(rows->Fields().Item("DateCreated")->Value(),
              Variant::fromDate(Variant::serialFromCivil(2020, 2, 29, 10)));
}

TEST(DbMemory, ValuesTheFieldsCannotHoldAreRefused) {
    auto rows = listing();
    rows->AddNew();
    EXPECT_EQ(errorOf([&] { rows->Fields().Item("RecordNumber")->Value("seven"); }).SQLState(),
              "22018");
    EXPECT_EQ(errorOf([&] { rows->Fields().Item("Name")->Value("123456789"); }).SQLState(),
              "22001");
    EXPECT_EQ(errorOf([&] { rows->Fields().Item("Name")->Value(Variant::Null()); }).SQLState(),
              "23000");
    rows->Fields().Item("DateCreated")->Value(Variant::Null());
}

TEST(DbMemory, CancelUpdateDropsTheNewRow) {
    auto rows = listing();
    rows->AddNew();
    rows->Fields().Item("RecordNumber")->Value(1);
    rows->CancelUpdate();
    EXPECT_TRUE(rows->EOF());
    EXPECT_EQ(errorOf([&] { rows->MoveFirst(); }).Number(), adErrNoCurrentRecord);
}

TEST(DbMemory, FieldsAreAppendedOnlyWhileClosed) {
    auto rows = listing();
    EXPECT_EQ(errorOf([&] { rows->Fields().Append("Late", adInteger); }).Number(),
              adErrIllegalOperation);
    auto bare = std::make_shared<Recordset>();
    EXPECT_EQ(errorOf([&] { bare->Open(); }).Number(), adErrIllegalOperation);
    EXPECT_EQ(errorOf([&] { bare->Fields().Item("None"); }).Number(), adErrItemNotFound);
}

}  // namespace
}  // namespace kiv::db
