#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/Event.h"
#include "base/Variant.h"
#include "connections/clsKivConnections.h"
#include "db/Command.h"
#include "db/Field.h"
#include "db/Recordset.h"
#include "diagnostics/IdentifyingField.h"
#include "diagnostics/clsMessages.h"
#include "mapping/MappingCodes.h"
#include "settings/SpecificationProblem.h"
#include "settings/SubstitutedText.h"
#include "settings/clsEnvironmentVariables.h"
#include "settings/clsINIFile.h"

namespace kiv {

// One value producer of a data load: the source or target side of a column mapping, or one
// field identifying the input record. It is bound to a recordset and keeps the value of the
// current row, produced by copying a column, as a constant, or by a parameterised lookup
// statement on another connection run once per row. On the target side it writes values
// into the bound column of the row being added.
//
// Failures are messages in ErrorMessages, except those of the database layer while a row
// is read or looked up: they reach whoever made the field compute its row (MoveNext of the
// recordset, writing ActiveRecordset, or changing the environment while a row is current),
// which is where a data load turns them into the message of that row.
class clsKivMappingField : public IdentifyingField {
public:
    clsKivMappingField() = default;
    ~clsKivMappingField() override;
    clsKivMappingField(const clsKivMappingField&) = delete;
    clsKivMappingField& operator=(const clsKivMappingField&) = delete;

    const std::shared_ptr<clsEnvironmentVariables>& Environment() const { return mclsEnvironment; }
    void Environment(std::shared_ptr<clsEnvironmentVariables> environment);
    const std::shared_ptr<clsDebugLog>& DebugLog() const { return mclsDebugLog; }
    void DebugLog(std::shared_ptr<clsDebugLog> log) { mclsDebugLog = std::move(log); }
    const std::shared_ptr<clsMessages>& ErrorMessages() const { return mclsErrorMessages; }
    void ErrorMessages(std::shared_ptr<clsMessages> messages) {
        mclsErrorMessages = std::move(messages);
    }
    const std::shared_ptr<clsKivConnections>& DataConnections() const {
        return mclsDataConnections;
    }
    // Resolves the lookup connection by name and rebuilds the lookup command.
    void DataConnections(std::shared_ptr<clsKivConnections> connections);

    std::int32_t MappingPurpose() const { return mlMappingPurpose; }
    void MappingPurpose(std::int32_t code);
    std::int32_t MappingType() const { return mlMappingType; }
    void MappingType(std::int32_t code);
    std::int32_t NULLLookupAction() const { return mlNULLLookupAction; }
    void NULLLookupAction(std::int32_t code);

    const std::string& ConstantValue() const { return mConstantValue.Value(); }
    void ConstantValue(std::string_view value);

    void AppendColumn(std::string_view name);
    // Copy: 1 whatever the list holds; Lookup: the names appended; Constant: 0.
    std::int16_t ColumnCount() const;
    // Copy: always the first column; Lookup: the n-th name, "" outside the list;
    // Constant: "".
    const std::string& ColumnName(std::int16_t n) const;
    // The columns feeding the lookup's placeholders, counted by the ColumnCount rule.
    std::int16_t NumLookupParamColumns() const;

    const std::string& LookupConnectionName() const { return mLookupConnectionName.Value(); }
    // Resolves the connection through DataConnections and, when one is found, builds a new
    // lookup command for the statement; without one the previous command stays.
    void LookupConnectionName(std::string_view name);
    const std::shared_ptr<clsKivConnection>& LookupConnection() const {
        return mclsLookupConnection;
    }
    const std::string& LookupSQLStatement() const { return mLookupSQLStatement.Value(); }
    // Placeholders "[P1]", "[P2]", ... stand for the field's first, second, ... column of the
    // current row; every bracketed token counts as one.
    void LookupSQLStatement(std::string_view statement);
    // The command the lookup runs, with its placeholders turned into parameters.
    const std::shared_ptr<db::Command>& LookupCommand() const { return mcmdLookup; }

    const std::shared_ptr<db::Recordset>& ActiveRecordset() const { return mrcdActiveRecordset; }
    // Binds to the recordset and follows its moves; on a current row the value is computed
    // at once (a lookup runs, and its database errors reach the caller).
    void ActiveRecordset(std::shared_ptr<db::Recordset> recordset);
    const std::shared_ptr<db::Field>& ActiveField() const { return mfldActiveField; }
    // Adds what keeps the field of mapping `number` in `section` from binding to `fields`,
    // the columns of `owner` ("the source in.csv"): a column it copies or feeds to its lookup
    // that is not there, or a lookup without a connection that opens or without a prepared
    // statement. A lookup connection that is not open yet is opened here.
    void AddBindingProblems(std::vector<SpecificationProblem>& problems, const db::Fields& fields,
                            std::string_view owner, std::string_view section,
                            std::int16_t number);

    // Reads the field's keys (purpose text + stem + mapping number) from `section`; false
    // when it has no value, column or connection key.
    bool LoadSpecification(clsINIFile* ini, std::string_view section, std::int16_t mappingNumber,
                           std::int32_t purpose);

    // A new current row for the source and record-identification sides.
    void NotifyNewRow();
    // The value of the current row; reading never runs a lookup.
    Variant DataValue() const override { return mntDataValue; }
    // Stores the value; on the target side it is written into the bound column of the row
    // being added, except for text-file targets, whose rows are written from the stored
    // values by the data load.
    void DataValue(const Variant& value);
    // Whether the current row has no usable value. A pure query: it is also asked while a
    // message is being added, to identify the record, so it neither binds nor reports.
    bool FieldIsNull() const override;

    void Dump(clsDebugLog* log = nullptr) const;
    // Closes the lookup result; the reference stays until the next lookup.
    void CloseRecordsets();

    void mclsEnvironment_Changed(const std::string& name);
    void mclsLookupConnection_ConnectionOpened();
    void mrcdActiveRecordset_MoveComplete();

    // A value written on one key, or on the keys key_Line_001, key_Line_002, ... up to the
    // first missing one, joined with CR LF; "" when neither exists.
    static std::string ReadMultiLineValue(clsINIFile& ini, std::string_view section,
                                          std::string_view key);

private:
    // A placeholder column and the parameter that carries its value.
    struct LookupParameter {
        std::shared_ptr<db::Parameter> parameter;
        std::string column;
    };

    void replaceColumns(const std::vector<std::string>& names);
    void ApplyEnvironment();
    void substituteTexts();
    void resolveLookupConnection();
    void watchLookupConnection(std::shared_ptr<clsKivConnection> connection);
    void rebuildLookupCommand();
    void attachLookupCommand();
    // Turns the placeholders into parameters; false, reported, when one of them gives no
    // column number.
    bool PrepareLookupCommand(db::Command& command, const std::string& statement);
    bool appendLookupParameter(db::Command& command, std::string_view token);
    void reportPlaceholder(std::string_view placeholder, const std::string& statement);
    void addLookupProblems(std::vector<SpecificationProblem>& problems, const db::Fields& fields,
                           std::string_view owner, std::string_view section,
                           const std::string& number);

    void BindResultField();
    void bindCopyField();
    void bindLookupField();
    void RefreshDataValue();
    void refreshCopyValue();
    void refreshLookupValue();
    void assignLookupParameters();
    void runLookup();
    void closeLookupResult();
    void findTargetConnection();
    void report(std::int16_t number, std::string_view text);

    void dumpCode(clsDebugLog& log, std::string_view label, const std::string& name,
                  std::int32_t code, const SubstitutedText& text) const;
    void dumpColumns(clsDebugLog& log) const;
    void dumpStatement(clsDebugLog& log) const;

    SubstitutedText mPurpose;
    std::int32_t mlMappingPurpose = kmpSource;
    SubstitutedText mMappingType;
    std::int32_t mlMappingType = kmtCopy;
    SubstitutedText mNULLLookupAction;
    std::int32_t mlNULLLookupAction = knlAllow;
    std::vector<SubstitutedText> mColumns;
    SubstitutedText mConstantValue;
    Variant mntConstantValue;  // the substituted constant, kept so rows share one text
    SubstitutedText mLookupConnectionName;
    SubstitutedText mLookupSQLStatement;
    std::string msUnpreparedStatement;  // the last statement reported as unpreparable
    std::string msUnpreparedReason;     // and why it could not be prepared

    std::shared_ptr<clsKivConnection> mclsLookupConnection;
    Subscription mLookupConnectionSubscription;
    std::shared_ptr<db::Command> mcmdLookup;
    std::vector<LookupParameter> mLookupParameters;
    std::shared_ptr<db::Recordset> mrcdLookupResult;
    std::shared_ptr<db::Recordset> mrcdActiveRecordset;
    Subscription mActiveRecordsetSubscription;
    std::shared_ptr<db::Field> mfldActiveField;
    Variant mntDataValue;
    std::shared_ptr<clsKivConnection> mclsTargetConnection;

    std::shared_ptr<clsKivConnections> mclsDataConnections;
    std::shared_ptr<clsEnvironmentVariables> mclsEnvironment;
    Subscription mEnvironmentSubscription;
    std::shared_ptr<clsDebugLog> mclsDebugLog;
    std::shared_ptr<clsMessages> mclsErrorMessages;
};

}  // namespace kiv
