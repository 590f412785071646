#include "diagnostics/clsMessages.h"

#include <gtest/gtest.h>

#include <vector>

#include "TempDir.h"
#include "diagnostics/Globals.h"

namespace kiv {

namespace {

class FixedField : public IdentifyingField {
public:
    explicit FixedField(Variant value) : value_(std::move(value)) {}
    bool FieldIsNull() const override { return value_.isNull(); }
    Variant DataValue() const override { return value_; }

private:
    Variant value_;
};

class FixedFields : public IdentifyingFields {
public:
    std::vector<std::shared_ptr<const IdentifyingField>> fields;
    long IdentifyingFieldCount() const override { return static_cast<long>(fields.size()); }
    std::shared_ptr<const IdentifyingField> IdentifyingFieldAt(long position) const override {
        return fields.at(static_cast<std::size_t>(position - 1));
    }
};

}  // namespace

TEST(clsMessageTest, NewMessageAndTypeTexts) {
    clsMessage message;
    EXPECT_EQ(message.MsgType(), -1);
    EXPECT_EQ(message.Number(), 0);
    EXPECT_EQ(message.RecordNumber(), -1);
    EXPECT_EQ(message.MsgTypeAsString(), "Unknown (Value = -1)");
    EXPECT_EQ(message.MsgTypeAsShortString(), "U");
    message.MsgType(9);
    EXPECT_EQ(message.MsgType(), -1);
    message.MsgType(3);
    EXPECT_EQ(message.MsgTypeAsString(), "Warning");
    EXPECT_EQ(clsMessage::ConvertStringToMessageType(" e "), 4);
    EXPECT_EQ(clsMessage::ConvertStringToMessageType(""), -1);
    EXPECT_EQ(clsMessage::ConvertStringToMessageType("Warning"), -1);
    EXPECT_EQ(clsMessage::ConvertStringToMessageType("W"), 3);
    EXPECT_EQ(clsMessage::ConvertMessageTypeToShortString(5), "F");
}

TEST(clsMessageTest, RecordIdentificationQuotesValuesAndMarksNulls) {
    auto fields = std::make_shared<FixedFields>();
    fields->fields = {std::make_shared<FixedField>(Variant("A17")), nullptr,
                      std::make_shared<FixedField>(Variant::Null())};
    clsMessages messages;
    messages.RecordIDFields(fields);
    auto message = messages.Add(4, "clsKivStep", 7, 12, "text");
    EXPECT_EQ(message->GetRecordID(), "'A17', '<null>'");
    messages.RecordIDFields(nullptr);
    EXPECT_EQ(messages.Add(4, "s", 1, 1, "t")->GetRecordID(), "");
}

TEST(clsMessagesTest, AddKeepsOrderAndCountsTypes) {
    clsMessages messages;
    EXPECT_EQ(messages.CountMsgType(4), 0);
    messages.Add(4, "a", 1, -1, "first");
    messages.Add(0, "b", 2, 5, "second");
    auto invalid = messages.Add(42, "c", 3, -1, "third");
    EXPECT_EQ(invalid->MsgType(), -1);
    EXPECT_EQ(messages.Count(), 3);
    EXPECT_EQ(messages.CountMsgType(4), 1);
    EXPECT_EQ(messages.Item(2)->Text(), "second");
    EXPECT_THROW(messages.Item(4), std::out_of_range);
    messages.Remove(1);
    EXPECT_EQ(messages.Item(1)->Source(), "b");
    messages.Clear();
    EXPECT_EQ(messages.Count(), 0);
}

TEST(clsMessagesTest, DumpWritesEveryMessageAndFollowsTheLogSetLater) {
    gbDebugEnabled = true;
    TempDir dir;
    auto log = std::make_shared<clsDebugLog>();
    log->LogFileName(dir.file("dump.log"));
    clsMessages messages;
    messages.Dump();  // no log: nothing
    messages.Add(4, "clsKivStep", 3, 17, "line one\r\nline two");
    messages.DebugLog(log);
    messages.Dump();
    messages.Item(1)->Dump();
    gbDebugEnabled = false;
    EXPECT_EQ(TempDir::read(dir.file("dump.log")),
              "Number of Associated Messages: 1\r\n"
              "   Message 1\r\n"
              "   Message Type:   Error\r\n"
              "   Message Source: clsKivStep\r\n"
              "   Message Number: 3\r\n"
              "   Record Number:  17\r\n"
              "   Message Text:   line one\r\n"
              "   line two\r\n"
              "   \r\n"
              "Message Type:   Error\r\n"
              "Message Source: clsKivStep\r\n"
              "Message Number: 3\r\n"
              "Record Number:  17\r\n"
              "Message Text:   line one\r\n"
              "line two\r\n");
}

TEST(clsMessagesTest, EmptyCollectionDumpsOneLine) {
    gbDebugEnabled = true;
    TempDir dir;
    clsDebugLog log;
    log.LogFileName(dir.file("dump.log"));
    clsMessages().Dump(&log);
    gbDebugEnabled = false;
    EXPECT_EQ(TempDir::read(dir.file("dump.log")), "Number of Associated Messages: 0\r\n");
}

}  // namespace kiv
