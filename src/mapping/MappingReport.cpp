#include "mapping/MappingReport.h"

#include <string>

#include "base/Text.h"

namespace kiv {

void AddMappingMessage(clsMessages* messages, std::int32_t type, std::string_view source,
                       std::int16_t number, std::string_view text, bool withRecord) {
    if (messages == nullptr) {
        return;
    }
    const auto message = messages->Add(type, source, number, -1, text);
    if (!withRecord) {
        return;
    }
    std::string shown(text);
    if (!message->GetRecordID().empty()) {
        shown += "\r\n (Occurred on Input Record: " + message->GetRecordID() + ")";
    }
    messages->Add(kMsgDisplayOnly, source, number, -1, shown);
}

void DumpDataConnections(clsDebugLog& log, const clsKivConnections* connections) {
    log.WriteLog("Data Connections associated with this object:");
    log.IncrementIndent();
    if (connections == nullptr) {
        log.WriteLog("No Kiv Connection collection associated with this object.");
        log.DecrementIndent();
        return;
    }
    log.WriteLog("Number of connections in the collection: " + text::decimal(connections->Count()));
    for (long i = 1; i <= connections->Count(); ++i) {
        const auto connection = connections->Item(i);
        if (!connection) {
            continue;
        }
        log.WriteLog("Connection " + text::decimal(i) + ": " + connection->Name());
        log.IncrementIndent();
        connection->Dump();
        log.DecrementIndent();
        log.WriteLog("");
    }
    log.DecrementIndent();
}

}  // namespace kiv
