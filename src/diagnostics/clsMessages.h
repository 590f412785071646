#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "base/Collection.h"
#include "diagnostics/clsMessage.h"

namespace kiv {

// The messages an object collected, in the order they were added. Messages added while
// RecordIDFields is set carry the identification of the record in hand.
class clsMessages {
public:
    void Dump(clsDebugLog* log = nullptr) const;

    const std::shared_ptr<clsDebugLog>& DebugLog() const { return mclsDebugLog; }
    // Also redirects the messages already held.
    void DebugLog(std::shared_ptr<clsDebugLog> log);

    void Clear() { mItems.Clear(); }
    std::int32_t CountMsgType(std::int32_t code) const;
    std::shared_ptr<clsMessage> Add(std::int32_t msgType, std::string_view source,
                                    std::int16_t number, std::int32_t recordNumber,
                                    std::string_view text, std::string_view key = {});
    // A missing position or key is an error of the caller (std::out_of_range).
    std::shared_ptr<clsMessage> Item(long index) const { return mItems.At(index); }
    std::shared_ptr<clsMessage> Item(std::string_view key) const;
    std::int32_t Count() const { return static_cast<std::int32_t>(mItems.Count()); }
    void Remove(long index);
    void Remove(std::string_view key);

    auto begin() const { return mItems.begin(); }
    auto end() const { return mItems.end(); }

    std::shared_ptr<const IdentifyingFields> RecordIDFields() const { return mRecordIDFields.lock(); }
    void RecordIDFields(const std::shared_ptr<const IdentifyingFields>& fields) {
        mRecordIDFields = fields;
    }

private:
    Collection<clsMessage> mItems;
    std::shared_ptr<clsDebugLog> mclsDebugLog;
    // Not owned: the fields hold this collection as their own messages.
    std::weak_ptr<const IdentifyingFields> mRecordIDFields;
};

}  // namespace kiv
