#include "steps/HandedRows.h"

#include "db/Recordset.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace kiv {
namespace {

// Identifying fields whose values the test changes between rows.
class Fields : public IdentifyingFields {
public:
    class Field : public IdentifyingField {
    public:
        bool FieldIsNull() const override { return value.isNull(); }
        Variant DataValue() const override { return value; }
        Variant value;
    };

    explicit Fields(int count) {
        for (int i = 0; i < count; ++i) {
            fields.push_back(std::make_shared<Field>());
        }
    }
    long IdentifyingFieldCount() const override { return static_cast<long>(fields.size()); }
    std::shared_ptr<const IdentifyingField> IdentifyingFieldAt(long position) const override {
        return fields.at(static_cast<std::size_t>(position - 1));
    }

    std::vector<std::shared_ptr<Field>> fields;
};

std::string identification(const HandedRows& rows) {
    std::string text;
    for (long i = 1; i <= rows.IdentifyingFieldCount(); ++i) {
        const auto field = rows.IdentifyingFieldAt(i);
        text += (i > 1 ? "," : "") +
                (field->FieldIsNull() ? std::string("<null>") : field->DataValue().toText());
    }
    return text;
}

}  // namespace

TEST(HandedRowsTest, ARowHandedBeforeLaterOnesKeepsItsNumberAndIdentification) {
    const auto fields = std::make_shared<Fields>(2);
    HandedRows rows;
    rows.Reset(3, fields);
    for (int row = 1; row <= 5; ++row) {
        fields->fields[0]->value = Variant("key " + std::to_string(row));
        fields->fields[1]->value = row == 4 ? Variant::Null() : Variant(std::int32_t{row * 10});
        rows.Remember(row + 100);
    }
    EXPECT_EQ(rows.Select(0), 105);
    EXPECT_EQ(identification(rows), "key 5,50");
    EXPECT_EQ(rows.Select(1), 104);
    EXPECT_EQ(identification(rows), "key 4,<null>");
    EXPECT_EQ(rows.Select(2), 103);
    EXPECT_EQ(identification(rows), "key 3,30");
    // Further back than the rows kept: the oldest one kept.
    EXPECT_EQ(rows.Select(7), 103);
}

TEST(HandedRowsTest, WithoutIdentifyingFieldsOnlyTheNumbersAreKept) {
    HandedRows rows;
    rows.Reset(4, nullptr);
    rows.Remember(1);
    rows.Remember(2);
    EXPECT_EQ(rows.Select(1), 1);
    EXPECT_EQ(rows.Select(5), 1);
    EXPECT_EQ(rows.IdentifyingFieldCount(), 0);
    rows.Reset(4, nullptr);
    EXPECT_EQ(rows.Select(0), 0);
}

}  // namespace kiv

namespace kiv {

TEST(HandedRowsTest, RowsThatMayBeSetAsideKeepTheSourceValuesTheyWereHandedWith) {
    db::Recordset source;
    source.CursorLocation(db::adUseClient);
    source.Fields().Append("Name", db::adVarChar, 20, db::adFldIsNullable);
    source.Fields().Append("Amount", db::adInteger, 0, db::adFldIsNullable);
    source.Open({}, {}, db::adOpenStatic, db::adLockBatchOptimistic, db::adCmdUnspecified);
    HandedRows rows;
    rows.Reset(2, nullptr, &source.Fields());
    for (int row = 1; row <= 3; ++row) {
        source.AddNew();
        source.Fields().Item("Name")->Value(Variant("row " + std::to_string(row)));
        source.Fields().Item("Amount")->Value(row == 2 ? Variant::Null() : Variant(row * 7));
        source.Update();
        rows.Remember(row);
    }
    EXPECT_EQ(rows.Select(1), 2);
    ASSERT_EQ(rows.SelectedSource().size(), 2u);
    EXPECT_EQ(rows.SelectedSource()[0].toText(), "row 2");
    EXPECT_TRUE(rows.SelectedSource()[1].isNull());
    EXPECT_EQ(rows.Select(0), 3);
    EXPECT_EQ(rows.SelectedSource()[1].toText(), "21");
    rows.Reset(2, nullptr);
    rows.Remember(1);
    rows.Select(0);
    EXPECT_TRUE(rows.SelectedSource().empty());
}

}  // namespace kiv
