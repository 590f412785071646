#include "diagnostics/clsMessage.h"

#include "base/Text.h"

namespace kiv {

namespace {

constexpr const char* kLongTexts[] = {"Display Only", "Information", "Status",
                                      "Warning",      "Error",       "Fatal Error"};
constexpr const char* kShortTexts[] = {"D", "I", "S", "W", "E", "F"};

bool isKnownType(std::int32_t code) { return code >= kMsgDisplayOnly && code <= kMsgFatalError; }

}  // namespace

void clsMessage::Dump(clsDebugLog* log) const {
    log = clsDebugLog::Chosen(log, mclsDebugLog);
    if (log == nullptr) {
        return;
    }
    log->WriteLog("Message Type:   " + MsgTypeAsString());
    log->WriteLog("Message Source: " + msSource);
    log->WriteLog("Message Number: " + text::decimal(miNumber));
    log->WriteLog("Record Number:  " + text::decimal(mlRecordNumber));
    log->WriteLog("Message Text:   " + msText);
}

std::int32_t clsMessage::ConvertStringToMessageType(std::string_view text) {
    const std::string_view trimmed = text::trim(text);
    if (trimmed.empty()) {
        return kMsgNone;
    }
    switch (text::toLower(trimmed.back())) {
        case 'd': return kMsgDisplayOnly;
        case 'i': return kMsgInformation;
        case 's': return kMsgStatus;
        case 'w': return kMsgWarning;
        case 'e': return kMsgError;
        case 'f': return kMsgFatalError;
        default: return kMsgNone;
    }
}

std::string clsMessage::ConvertMessageTypeToString(std::int32_t code) {
    if (isKnownType(code)) {
        return kLongTexts[code];
    }
    return "Unknown (Value = " + text::decimal(code) + ")";
}

std::string clsMessage::ConvertMessageTypeToShortString(std::int32_t code) {
    return isKnownType(code) ? kShortTexts[code] : "U";
}

void clsMessage::MsgType(std::int32_t value) {
    if (isKnownType(value)) {
        mlMsgType = value;
    }
}

void clsMessage::SetRecordID(const IdentifyingFields* fields) {
    std::string identification;
    const long count = fields == nullptr ? 0 : fields->IdentifyingFieldCount();
    for (long i = 1; i <= count; ++i) {
        const auto field = fields->IdentifyingFieldAt(i);
        if (!field) {
            continue;
        }
        if (!identification.empty()) {
            identification += ", ";
        }
        if (field->FieldIsNull()) {
            identification += "'<null>'";
        } else {
            const Variant value = field->DataValue();
            identification.append("'").append(value.isNull() ? std::string() : value.toText());
            identification.append("'");
        }
    }
    msRecordID = std::move(identification);
}

}  // namespace kiv
