#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "diagnostics/clsDebugLog.h"
#include "diagnostics/IdentifyingFields.h"

namespace kiv {

// Message types.
enum MessageType : std::int32_t {
    kMsgNone = -1,
    kMsgDisplayOnly = 0,
    kMsgInformation = 1,
    kMsgStatus = 2,
    kMsgWarning = 3,
    kMsgError = 4,
    kMsgFatalError = 5
};

// One thing an object wants reported: what went wrong or what should be shown, with the
// record it happened on.
class clsMessage {
public:
    void Dump(clsDebugLog* log = nullptr) const;

    const std::shared_ptr<clsDebugLog>& DebugLog() const { return mclsDebugLog; }
    void DebugLog(std::shared_ptr<clsDebugLog> log) { mclsDebugLog = std::move(log); }

    std::int32_t RecordNumber() const { return mlRecordNumber; }
    void RecordNumber(std::int32_t value) { mlRecordNumber = value; }

    static std::int32_t ConvertStringToMessageType(std::string_view text);
    static std::string ConvertMessageTypeToString(std::int32_t code);
    static std::string ConvertMessageTypeToShortString(std::int32_t code);
    std::string MsgTypeAsString() const { return ConvertMessageTypeToString(mlMsgType); }
    std::string MsgTypeAsShortString() const { return ConvertMessageTypeToShortString(mlMsgType); }

    std::int32_t MsgType() const { return mlMsgType; }
    // Values outside 0..5 are ignored.
    void MsgType(std::int32_t value);
    const std::string& Source() const { return msSource; }
    void Source(std::string value) { msSource = std::move(value); }
    std::int16_t Number() const { return miNumber; }
    void Number(std::int16_t value) { miNumber = value; }
    const std::string& Text() const { return msText; }
    void Text(std::string value) { msText = std::move(value); }

    // Describes the record in hand from the values of its identifying fields, e.g.
    // 'A17', '<null>'.
    void SetRecordID(const IdentifyingFields* fields);
    const std::string& GetRecordID() const { return msRecordID; }

private:
    std::int32_t mlMsgType = kMsgNone;
    std::string msSource;
    std::int16_t miNumber = 0;
    std::int32_t mlRecordNumber = -1;
    std::string msRecordID;
    std::string msText;
    std::shared_ptr<clsDebugLog> mclsDebugLog;
};

}  // namespace kiv
