#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "base/Collection.h"
#include "diagnostics/IdentifyingFields.h"
#include "mapping/clsKivMappingField.h"

namespace kiv {

// The mapping fields loaded under one purpose from one section, in field-number order: the
// fields that identify a data load's input record. Handed to a message collection, their
// current values label every message added while a row is processed.
class clsKivMappingFields : public IdentifyingFields {
public:
    // Loads fields 1, 2, ... up to the first number not found; false when none was.
    bool LoadSpecification(clsINIFile* ini, std::shared_ptr<clsEnvironmentVariables> environment,
                           std::string_view section, std::int32_t purpose);
    // Loads one field and appends it; none when the field has no keys.
    std::shared_ptr<clsKivMappingField> AddFromFile(
        clsINIFile* ini, std::shared_ptr<clsEnvironmentVariables> environment,
        std::string_view section, std::int16_t fieldNumber, std::int32_t purpose);

    // A position outside 1..Count is an error of the caller (std::out_of_range).
    std::shared_ptr<clsKivMappingField> Item(long index) const { return mItems.At(index); }
    long Count() const { return mItems.Count(); }
    void Remove(long index);
    void Clear() { mItems.Clear(); }
    auto begin() const { return mItems.begin(); }
    auto end() const { return mItems.end(); }

    const std::shared_ptr<clsDebugLog>& DebugLog() const { return mclsDebugLog; }
    void DebugLog(std::shared_ptr<clsDebugLog> log);
    const std::shared_ptr<clsEnvironmentVariables>& Environment() const { return mclsEnvironment; }
    void Environment(std::shared_ptr<clsEnvironmentVariables> environment);
    const std::shared_ptr<db::Recordset>& ActiveRecordset() const { return mrcdActiveRecordset; }
    // Every member binds to the recordset and computes the current row's value; database
    // errors of a lookup reach the caller.
    void ActiveRecordset(std::shared_ptr<db::Recordset> recordset);
    const std::shared_ptr<clsKivConnections>& DataConnections() const {
        return mclsDataConnections;
    }
    void DataConnections(std::shared_ptr<clsKivConnections> connections);
    const std::shared_ptr<clsMessages>& ErrorMessages() const { return mclsErrorMessages; }
    void ErrorMessages(std::shared_ptr<clsMessages> messages);

    void CloseRecordsets();
    // Writes nothing when the log is not active.
    void Dump(clsDebugLog* log = nullptr) const;

    long IdentifyingFieldCount() const override { return Count(); }
    std::shared_ptr<const IdentifyingField> IdentifyingFieldAt(long position) const override {
        return mItems.Item(position);
    }

private:
    Collection<clsKivMappingField> mItems;
    std::shared_ptr<clsDebugLog> mclsDebugLog;
    std::shared_ptr<clsEnvironmentVariables> mclsEnvironment;
    std::shared_ptr<db::Recordset> mrcdActiveRecordset;
    std::shared_ptr<clsKivConnections> mclsDataConnections;
    std::shared_ptr<clsMessages> mclsErrorMessages;
};

}  // namespace kiv
