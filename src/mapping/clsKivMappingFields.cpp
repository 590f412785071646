#include "mapping/clsKivMappingFields.h"

#include <stdexcept>

#include "base/Text.h"

namespace kiv {

bool clsKivMappingFields::LoadSpecification(clsINIFile* ini,
                                            std::shared_ptr<clsEnvironmentVariables> environment,
                                            std::string_view section, std::int32_t purpose) {
    if (ini == nullptr) {
        return false;
    }
    std::int16_t loaded = 0;
    while (AddFromFile(ini, environment, section, static_cast<std::int16_t>(loaded + 1), purpose)) {
        ++loaded;
    }
    return loaded > 0;
}

std::shared_ptr<clsKivMappingField> clsKivMappingFields::AddFromFile(
    clsINIFile* ini, std::shared_ptr<clsEnvironmentVariables> environment, std::string_view section,
    std::int16_t fieldNumber, std::int32_t purpose) {
    if (ini == nullptr) {
        return nullptr;
    }
    auto field = std::make_shared<clsKivMappingField>();
    field->ErrorMessages(mclsErrorMessages);
    if (!field->LoadSpecification(ini, section, fieldNumber, purpose)) {
        return nullptr;
    }
    field->Environment(std::move(environment));
    field->DebugLog(mclsDebugLog);
    field->DataConnections(mclsDataConnections);
    mItems.Add(field);
    return field;
}

void clsKivMappingFields::Remove(long index) {
    if (!mItems.Remove(index)) {
        throw std::out_of_range("No mapping field at position " + text::decimal(index));
    }
}

void clsKivMappingFields::DebugLog(std::shared_ptr<clsDebugLog> log) {
    mclsDebugLog = std::move(log);
    for (const auto& field : mItems) {
        field->DebugLog(mclsDebugLog);
    }
}

void clsKivMappingFields::Environment(std::shared_ptr<clsEnvironmentVariables> environment) {
    for (const auto& field : mItems) {
        field->Environment(environment);
    }
    mclsEnvironment = std::move(environment);
}

void clsKivMappingFields::ActiveRecordset(std::shared_ptr<db::Recordset> recordset) {
    mrcdActiveRecordset = std::move(recordset);
    for (const auto& field : mItems) {
        field->ActiveRecordset(mrcdActiveRecordset);
    }
}

void clsKivMappingFields::DataConnections(std::shared_ptr<clsKivConnections> connections) {
    for (const auto& field : mItems) {
        field->DataConnections(connections);
    }
    mclsDataConnections = std::move(connections);
}

void clsKivMappingFields::ErrorMessages(std::shared_ptr<clsMessages> messages) {
    mclsErrorMessages = std::move(messages);
    for (const auto& field : mItems) {
        field->ErrorMessages(mclsErrorMessages);
    }
}

void clsKivMappingFields::CloseRecordsets() {
    for (const auto& field : mItems) {
        field->CloseRecordsets();
    }
}

void clsKivMappingFields::Dump(clsDebugLog* log) const {
    clsDebugLog* const target = log != nullptr ? log : mclsDebugLog.get();
    if (target == nullptr || !target->IsLogActive()) {
        return;
    }
    target->WriteLog("Number of Fields: " + text::decimal(Count()));
    for (long i = 1; i <= Count(); ++i) {
        target->WriteLog("Field " + text::decimal(i) + "...");
        target->IncrementIndent();
        if (const auto field = mItems.Item(i)) {
            field->Dump(log);
        } else {
            target->WriteLog("<< No Mapping Field in this Slot >>");
        }
        target->DecrementIndent();
    }
}

}  // namespace kiv
