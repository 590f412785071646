#pragma once

#include <cstdint>
#include <string_view>

#include "connections/clsKivConnections.h"
#include "diagnostics/clsDebugLog.h"
#include "diagnostics/clsMessages.h"

// What mapping fields, column mappings and their collections report, in one shape.
namespace kiv {

// Adds a message (record number -1) when `messages` is set. With `withRecord` a Display Only
// copy follows, its text extended by the identification of the input record in hand when
// there is one, so the progress grid can show which row the message concerns.
void AddMappingMessage(clsMessages* messages, std::int32_t type, std::string_view source,
                       std::int16_t number, std::string_view text, bool withRecord);

// The connection block of a mapping dump: the attached collection with every member's own
// dump one level deeper, or a note that none is attached.
void DumpDataConnections(clsDebugLog& log, const clsKivConnections* connections);

}  // namespace kiv
