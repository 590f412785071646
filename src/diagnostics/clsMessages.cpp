#include "diagnostics/clsMessages.h"

#include <stdexcept>

#include "base/Text.h"

namespace kiv {

void clsMessages::Dump(clsDebugLog* log) const {
    log = clsDebugLog::Chosen(log, mclsDebugLog);
    if (log == nullptr) {
        return;
    }
    log->WriteLog("Number of Associated Messages: " + text::decimal(Count()));
    log->IncrementIndent();
    for (long i = 1; i <= mItems.Count(); ++i) {
        log->WriteLog("Message " + text::decimal(i));
        if (const auto message = mItems.Item(i)) {
            message->Dump(log);
        } else {
            log->WriteLog("Message is << Nothing >>");
        }
        log->WriteLog("");
    }
    log->DecrementIndent();
}

void clsMessages::DebugLog(std::shared_ptr<clsDebugLog> log) {
    mclsDebugLog = std::move(log);
    for (const auto& message : mItems) {
        message->DebugLog(mclsDebugLog);
    }
}

std::int32_t clsMessages::CountMsgType(std::int32_t code) const {
    std::int32_t count = 0;
    for (const auto& message : mItems) {
        if (message->MsgType() == code) {
            ++count;
        }
    }
    return count;
}

void clsMessages::Clear() {
    mItems.Clear();
    mHeldPerType.fill(0);
    mlSuppressed = 0;
}

std::int32_t& clsMessages::heldOfType(std::int32_t msgType) {
    const bool known = msgType >= kMsgNone && msgType <= kMsgFatalError;
    return mHeldPerType[static_cast<std::size_t>(known ? msgType - kMsgNone : kMsgFatalError + 2)];
}

std::shared_ptr<clsMessage> clsMessages::suppress(std::int32_t msgType, std::string_view source,
                                                  std::int16_t number, std::int32_t recordNumber,
                                                  std::string_view text) {
    if (msgType != kMsgDisplayOnly) {
        ++mlSuppressed;
    }
    if (!mclsSuppressedMessage) {
        mclsSuppressedMessage = std::make_shared<clsMessage>();
    }
    clsMessage& message = *mclsSuppressedMessage;
    message.SetRecordID(mRecordIDFields.lock().get());
    message.Text(std::string(text));
    message.Number(number);
    message.RecordNumber(recordNumber);
    message.Source(std::string(source));
    message.MsgType(msgType);
    if (mclsDebugLog && msgType != kMsgDisplayOnly) {
        mclsDebugLog->WriteLog(
            "Message not kept (" + text::decimal(kMaxHeldPerType) +
            " of its type are held): " + message.MsgTypeAsShortString() + ": " + std::string(text) +
            (message.GetRecordID().empty() ? "" : " - " + message.GetRecordID()));
    }
    return mclsSuppressedMessage;
}

std::shared_ptr<clsMessage> clsMessages::Add(std::int32_t msgType, std::string_view source,
                                             std::int16_t number, std::int32_t recordNumber,
                                             std::string_view text, std::string_view key) {
    std::int32_t& held = heldOfType(msgType);
    if (held >= kMaxHeldPerType) {
        return suppress(msgType, source, number, recordNumber, text);
    }
    ++held;
    auto message = std::make_shared<clsMessage>();
    message->DebugLog(mclsDebugLog);
    message->SetRecordID(mRecordIDFields.lock().get());
    message->Text(std::string(text));
    message->Number(number);
    message->RecordNumber(recordNumber);
    message->Source(std::string(source));
    message->MsgType(msgType);
    mItems.Add(message, key);
    return message;
}

std::shared_ptr<clsMessage> clsMessages::Item(std::string_view key) const {
    auto message = mItems.Item(key);
    if (!message) {
        throw std::out_of_range("No message with the key " + std::string(key));
    }
    return message;
}

void clsMessages::Remove(long index) {
    const auto message = mItems.Item(index);
    if (!message) {
        throw std::out_of_range("No message at position " + text::decimal(index));
    }
    --heldOfType(message->MsgType());
    mItems.Remove(index);
}

void clsMessages::Remove(std::string_view key) {
    const auto message = mItems.Item(key);
    if (!message) {
        throw std::out_of_range("No message with the key " + std::string(key));
    }
    --heldOfType(message->MsgType());
    mItems.Remove(key);
}

}  // namespace kiv
