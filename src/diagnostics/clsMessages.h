#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "base/Collection.h"
#include "diagnostics/clsMessage.h"

namespace kiv {

// The messages an object collected, in the order they were added. Messages added while
// RecordIDFields is set carry the identification of the record in hand. At most
// kMaxHeldPerType messages of each type are held, so that a message on every row of a large
// load cannot fill the memory: later ones are counted, and written to the debug log when the
// collection has one.
class clsMessages {
public:
    static constexpr std::int32_t kMaxHeldPerType = 1000;

    void Dump(clsDebugLog* log = nullptr) const;

    const std::shared_ptr<clsDebugLog>& DebugLog() const { return mclsDebugLog; }
    // Also redirects the messages already held.
    void DebugLog(std::shared_ptr<clsDebugLog> log);

    void Clear();
    std::int32_t CountMsgType(std::int32_t code) const;
    std::shared_ptr<clsMessage> Add(std::int32_t msgType, std::string_view source,
                                    std::int16_t number, std::int32_t recordNumber,
                                    std::string_view text, std::string_view key = {});
    // A missing position or key is an error of the caller (std::out_of_range).
    std::shared_ptr<clsMessage> Item(long index) const { return mItems.At(index); }
    std::shared_ptr<clsMessage> Item(std::string_view key) const;
    std::int32_t Count() const { return static_cast<std::int32_t>(mItems.Count()); }
    // Messages that were added but not held, display-only ones left out.
    std::int64_t Suppressed() const { return mlSuppressed; }
    void Remove(long index);
    void Remove(std::string_view key);

    auto begin() const { return mItems.begin(); }
    auto end() const { return mItems.end(); }

    std::shared_ptr<const IdentifyingFields> RecordIDFields() const { return mRecordIDFields.lock(); }
    void RecordIDFields(const std::shared_ptr<const IdentifyingFields>& fields) {
        mRecordIDFields = fields;
    }

private:
    std::int32_t& heldOfType(std::int32_t msgType);
    std::shared_ptr<clsMessage> suppress(std::int32_t msgType, std::string_view source,
                                         std::int16_t number, std::int32_t recordNumber,
                                         std::string_view text);

    Collection<clsMessage> mItems;
    // Held messages by type, kMsgNone to kMsgFatalError; the last counts any other type.
    std::array<std::int32_t, 8> mHeldPerType{};
    std::int64_t mlSuppressed = 0;
    // Handed to the caller in place of a message that is not held; overwritten by the next.
    std::shared_ptr<clsMessage> mclsSuppressedMessage;
    std::shared_ptr<clsDebugLog> mclsDebugLog;
    // Not owned: the fields hold this collection as their own messages.
    std::weak_ptr<const IdentifyingFields> mRecordIDFields;
};

}  // namespace kiv
