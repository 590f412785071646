#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "mapping/clsKivMappingField.h"

namespace kiv {

// Produces the value of one target column for the current source row from a source and a
// target mapping field, and tells the data load by its result code whether the row can be
// written (0 value produced, 1 disabled, 2 previous value used, 3 NULL after a failed
// conversion), must be skipped (4) or has failed (-1, -3 for a NULL lookup that is an error).
class clsKivColumnMapping {
public:
    clsKivColumnMapping();
    clsKivColumnMapping(const clsKivColumnMapping&) = delete;
    clsKivColumnMapping& operator=(const clsKivColumnMapping&) = delete;

    // Reads mapping `mappingNumber` of `section`: both fields and the three options. False
    // when either field has no keys (or there is no file).
    bool LoadSpecification(clsINIFile* ini, std::string_view section, std::int16_t mappingNumber);
    // Decides the target's value for the current row and writes it; see the result codes
    // above. Database errors while writing the target reach the caller.
    std::int32_t PerformDataMapping();
    // Whether the source field's value can go into the target field: only date targets are
    // checked, against the days of 1 January 100 and 31 December 9999.
    static bool IsConvertible(const db::Field* source, const db::Field* target);

    // The last value copied after a successful check; NULL until then, and carried from row
    // to row.
    const Variant& PreviousValue() const { return mntPreviousValue; }
    void PreviousValue(const Variant& value) { mntPreviousValue = value; }

    std::int32_t ColumnMappingStatus() const { return mlColumnMappingStatus; }
    void ColumnMappingStatus(std::int32_t code);
    std::int32_t NULLSourceCopyAction() const { return mlNULLSourceCopyAction; }
    // Codes outside 0..2 are ignored.
    void NULLSourceCopyAction(std::int32_t code);
    std::int32_t ConversionErrorAction() const { return mlConversionErrorAction; }
    void ConversionErrorAction(std::int32_t code);

    const std::shared_ptr<clsEnvironmentVariables>& Environment() const { return mclsEnvironment; }
    void Environment(std::shared_ptr<clsEnvironmentVariables> environment);
    const std::shared_ptr<clsKivConnections>& DataConnections() const {
        return mclsDataConnections;
    }
    void DataConnections(std::shared_ptr<clsKivConnections> connections);
    const std::shared_ptr<clsDebugLog>& DebugLog() const { return mclsDebugLog; }
    // Also gives the log to the message collection and both fields.
    void DebugLog(std::shared_ptr<clsDebugLog> log);
    const std::shared_ptr<clsMessages>& ErrorMessages() const { return mclsErrorMessages; }
    void ErrorMessages(std::shared_ptr<clsMessages> messages);

    std::shared_ptr<db::Recordset> SourceRecordset() const;
    void SourceRecordset(std::shared_ptr<db::Recordset> recordset);
    std::shared_ptr<db::Recordset> TargetRecordset() const;
    void TargetRecordset(std::shared_ptr<db::Recordset> recordset);
    const std::shared_ptr<clsKivMappingField>& SourceMappingField() const {
        return mclsSourceMappingField;
    }
    void SourceMappingField(std::shared_ptr<clsKivMappingField> field) {
        mclsSourceMappingField = std::move(field);
    }
    const std::shared_ptr<clsKivMappingField>& TargetMappingField() const {
        return mclsTargetMappingField;
    }
    void TargetMappingField(std::shared_ptr<clsKivMappingField> field) {
        mclsTargetMappingField = std::move(field);
    }

    const std::string& MappingConnectionName() const { return mMappingConnectionName.Value(); }
    void MappingConnectionName(std::string_view name);

    void CloseRecordsets();
    void Dump(clsDebugLog* log = nullptr) const;

    void mclsEnvironment_Changed(const std::string& name);

private:
    struct Outcome {
        std::int32_t result = kcmValueProduced;
        Variant value;  // Empty: neither NULL nor data
    };

    bool loadFields(clsINIFile* ini, std::string_view section, std::int16_t mappingNumber);
    void readOptions(clsINIFile& ini, std::string_view section, std::int16_t mappingNumber);
    void ApplyEnvironment();
    Outcome nullSourceOutcome();
    Outcome nullLookupOutcome();
    Outcome convertedOutcome();
    Outcome conversionErrorOutcome();
    std::string targetFieldName() const;
    void report(std::int32_t type, std::int16_t number, const std::string& text,
                bool withRecord = false);
    void dumpField(clsDebugLog& log, std::string_view heading, const clsKivMappingField* field,
                   std::string_view missing) const;

    SubstitutedText mColumnMappingStatus;
    std::int32_t mlColumnMappingStatus = kcsEnabled;
    SubstitutedText mNULLSourceCopyAction;
    std::int32_t mlNULLSourceCopyAction = knsCopyNULL;
    SubstitutedText mConversionErrorAction;
    std::int32_t mlConversionErrorAction = kceError;
    Variant mntPreviousValue = Variant::Null();
    std::shared_ptr<clsKivMappingField> mclsSourceMappingField;
    std::shared_ptr<clsKivMappingField> mclsTargetMappingField;
    SubstitutedText mMappingConnectionName;

    std::shared_ptr<clsKivConnections> mclsDataConnections;
    std::shared_ptr<clsEnvironmentVariables> mclsEnvironment;
    Subscription mEnvironmentSubscription;
    std::shared_ptr<clsDebugLog> mclsDebugLog;
    std::shared_ptr<clsMessages> mclsErrorMessages;
};

}  // namespace kiv
