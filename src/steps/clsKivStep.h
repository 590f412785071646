#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/Event.h"
#include "connections/clsKivConnections.h"
#include "db/Command.h"
#include "diagnostics/clsMessages.h"
#include "mapping/clsKivColumnMappings.h"
#include "mapping/clsKivMappingFields.h"
#include "settings/SubstitutedText.h"
#include "settings/clsEnvironmentVariables.h"
#include "settings/clsINIFile.h"
#include "steps/HandedRows.h"
#include "steps/LoadOptions.h"
#include "steps/RejectedRowsFile.h"
#include "steps/RowCounts.h"

namespace kiv {

enum KivStepStatus : std::int32_t {
    kssUnknown = -1,
    kssAwaiting = 0,
    kssReady = 1,
    kssProcessing = 2,
    kssSucceeded = 3,
    kssWillNotBeProcessed = 4,
    kssFailed = 5,
};

enum KivStepType : std::int32_t {
    kstUnknown = -1,
    kstDoNothing = 0,
    kstExternalCommand = 1,
    kstDataLoad = 2,
    kstExtractCatalog = 3,
    kstExtractTableStructure = 4,
    kstCountRecords = 5,
    kstCustomSQL = 6,
};

// One numbered step of a package specification: what to do, which steps must succeed first,
// and how its work went.
class clsKivStep {
public:
    static constexpr int kSource = 0;
    static constexpr int kDestination = 1;

    clsKivStep();
    ~clsKivStep();
    clsKivStep(const clsKivStep&) = delete;
    clsKivStep& operator=(const clsKivStep&) = delete;

    const std::shared_ptr<clsEnvironmentVariables>& Environment() const { return mclsEnvironment; }
    void Environment(std::shared_ptr<clsEnvironmentVariables> environment);
    std::int16_t StepNumber() const { return miStepNumber; }
    const std::string& SourceFileName() const { return mSourceFileName.Value(); }
    std::string ProcessingStatusString() const {
        return msKivStepStatusToString(mlProcessingStatus);
    }
    std::int32_t ProcessingStatus() const { return mlProcessingStatus; }
    // Values outside -1..5 are ignored.
    void ProcessingStatus(std::int32_t value);
    // Fails a step that has finished because what it wrote did not survive the closing of its
    // destination connection.
    void FailAtClosing(std::string_view reason);
    const std::shared_ptr<clsKivColumnMappings>& ColumnMappings() const {
        return mclsColumnMappings;
    }
    std::int32_t MaxRecordsToLoad() const { return mlMaxRecordsToLoad; }
    void MaxRecordsToLoad(std::int32_t value);
    std::int32_t SourceRecordsToBeSkipped() const { return mlSourceRecordsToBeSkipped; }
    void SourceRecordsToBeSkipped(std::int32_t value);
    const std::string& ColumnMappingSection() const { return mColumnMappingSection.Value(); }
    void ColumnMappingSection(std::string_view value);
    std::int16_t PrerequisiteCount() const {
        return static_cast<std::int16_t>(mPrerequisites.size());
    }
    std::string PrerequisiteStepName(std::int32_t index) const;
    void AddPrerequisiteStepName(std::string_view name);
    // Changes whenever the prerequisite names change, so that a collection can keep them resolved.
    std::uint32_t PrerequisiteRevision() const { return mlPrerequisiteRevision; }
    void Dump(clsDebugLog* log = nullptr) const;
    const std::shared_ptr<clsDebugLog>& DebugLog() const { return mclsDebugLog; }
    void DebugLog(std::shared_ptr<clsDebugLog> log);
    const std::string& StepName() const { return msStepName; }
    void StepName(std::string_view value);
    std::int32_t StepType() const { return mlStepType; }
    void StepType(std::int32_t value);
    bool LoadSpecification(clsINIFile* iniFile, std::int16_t stepNumber,
                           std::shared_ptr<clsKivConnections> connections);
    const std::shared_ptr<clsMessages>& ErrorMessages() const { return mclsErrorMessages; }
    void ErrorMessages(std::shared_ptr<clsMessages> messages);
    std::int32_t Process();
    const std::string& ExternalCommand() const { return mExternalCommand.Value(); }
    void ExternalCommand(std::string_view value);
    const std::string& ExternalFolder() const { return mExternalFolder.Value(); }
    void ExternalFolder(std::string_view value);
    const std::string& SQLStatement() const { return mSQLStatement.Value(); }
    void SQLStatement(std::string_view value);
    std::shared_ptr<clsKivConnection> TableConnection(int index) const;
    void TableConnection(int index, std::shared_ptr<clsKivConnection> connection);
    std::string TableName(int index) const;
    void TableName(int index, std::string_view value);
    std::int32_t RowsProcessed() const { return mlRowsProcessed; }
    // How the destination takes the rows of a dataload or extract step.
    const LoadOptions& Options() const { return mLoadOptions; }
    // The rows the last Process read, wrote, skipped and set aside, over all its data sets.
    const RowCounts& Counts() const { return mCounts; }
    static std::string msKivStepStatusToString(std::int32_t status);
    const std::shared_ptr<clsKivConnections>& DataConnections() const {
        return mclsDataConnections;
    }
    void DataConnections(std::shared_ptr<clsKivConnections> connections);

    static std::string StepTypeToText(std::int32_t code);
    static std::int32_t StepTypeFromText(std::string_view text);
    static std::int32_t ClassifySQLStatement(std::string_view statement);
    static std::string StripProviderPrefix(std::string_view text);
    // The parameterised INSERT a text-file destination receives its rows through: one "?" and
    // one parameter "Param-" + name per field, in field order.
    static std::shared_ptr<db::Command> InsertCommand(
        const std::shared_ptr<db::Connection>& connection, const std::string& table,
        const db::Fields& fields);

    // Raised with the rows taken so far: every 25th row and once at the end of a data set.
    Event<std::int32_t> Progress;
    // How much of the source in hand has been read, where its size is known.
    db::ReadProgress SourceProgress() const;

private:
    struct TableSlot {
        SubstitutedText name;
        std::shared_ptr<clsKivConnection> connection;
    };
    struct Prerequisite {
        std::string written;
        std::string value;
    };

    // The source whose rows are being taken, while a data set is loaded.
    const db::Recordset* mrcdReading = nullptr;

    // Definition
    void ApplyEnvironment();
    bool ValidateStep();
    void ResetStep();
    static std::string ReadMultiLineValue(clsINIFile& iniFile, std::string_view key);
    void AddErrorMessage(std::int32_t type, std::string_view source, std::int16_t number,
                         std::int32_t recordNumber, std::string_view text, bool withRecordContext);
    void passOnNotices(clsKivConnection& connection);
    void mclsEnvironment_Changed(const std::string& name);
    void loadTableSlot(clsINIFile& iniFile, int slot, std::string_view prefix);
    void loadLookupConnections(clsINIFile& iniFile, const std::string& section);
    void loadBeforeOpeningVariables(clsINIFile& iniFile, const std::string& section);
    void dumpTableSlot(clsDebugLog& log, int slot, std::string_view label) const;

    // Utility step types
    std::int32_t RunExternalCommand();
    std::int32_t CountRecords();
    std::int32_t ProcessCustomSQLDataSets();
    std::int32_t ExecuteCustomSQL(const std::string& sourceName,
                                  const std::string& destinationName);

    // Data load
    std::int32_t ProcessDataSets();
    std::int32_t loadDataSets();
    // Commits the step's transaction on the destination after a success; otherwise, or when
    // the commit fails, rolls it back and says so.
    std::int32_t endStepTransaction(clsKivConnection& destination, std::int32_t status);
    // Empties, replaces or creates the destination table before its first data set when the
    // load mode says so; a table is made from the columns the mappings copy from `source`.
    bool prepareDestinationTable(clsKivConnection& destination, const std::string& destinationTable,
                                 const db::Recordset& source, const std::string& sourceTable);
    // Makes the destination table for TargetLoadMode Replace or Create; false, reported, when
    // the mappings do not bind to the source or the table cannot be made.
    bool makeDestinationTable(clsKivConnection& destination, const std::string& destinationTable,
                              const db::Recordset& source, const std::string& sourceTable);
    std::int32_t loadMatchingDataSets(db::Recordset& catalog, const std::string& sourceTable);
    std::int32_t reportNoTableMatched(const std::string& sourceTable, bool byNumber);
    void SetCurrentTables(const std::string& sourceTable, const std::string& destinationTable);
    std::int32_t mPerformDataLoadOfSpecificTables(const std::string& sourceTable,
                                                  const std::string& destinationTable);
    std::shared_ptr<db::Recordset> OpenSourceRecordset(clsKivConnection& connection,
                                                       const std::string& sourceTable,
                                                       const std::string& sourceStatement,
                                                       std::int32_t skipCount);
    // Opens the connection unless it is open (to write to it: creating a missing database file); a
    // failure adds a message saying why.
    bool openConnectionOrReport(clsKivConnection& connection, bool forWriting);
    bool connectionIsDefined(const clsKivConnection& connection);
    // Adds a message for each load option whose value is not valid.
    bool loadOptionsAreValid();
    bool mappingsBind(const db::Recordset& source, const db::Recordset& target,
                      const std::string& sourceTable, const std::string& destinationTable);
    std::shared_ptr<db::Command> buildInsertCommand(clsKivConnection& destination,
                                                    const std::string& destinationTable,
                                                    db::Recordset& target);
    // Finds the insert command's parameter each bound column mapping fills.
    bool placeInsertParameters(const db::Recordset& target, const std::string& destinationTable);
    // True when the run was cancelled before the source was read to its end.
    bool runRowLoop(db::Recordset& source, db::Recordset& target, db::Command* insert,
                    std::int32_t destinationType, std::int32_t& status, RowCounts& counts);
    // Opens the file rejected rows of the data set go to, when the step sets rows aside.
    bool openRejectFile(const db::Recordset& source);
    bool closeRejectFile();
    // Sets the row in hand aside because of `reason`; false when that is one row too many
    // or the row cannot be written to the reject file, and the data set fails.
    bool rejectRow(std::int32_t rowNumber, std::span<const Variant> values, std::string_view column,
                   std::string_view reason, RowCounts& counts);
    // The same for a row the target refused after later rows were handed to it.
    bool rejectHandedRow(const db::Error& error, const db::Recordset& source, RowCounts& counts);
    // The values of the source's current row.
    std::span<const Variant> sourceValues(const db::Recordset& source);
    // The messages the column mappings added for the row in hand since `firstMessage`,
    // removed and made the reason the row is set aside.
    bool rejectMappedRow(const db::Recordset& source, std::int32_t firstMessage, RowCounts& counts);
    void reportCounts(std::int32_t status, const RowCounts& counts);
    void saveRows(db::Recordset& target, db::Command* insert, std::int32_t& status);
    void reportRefusedRow(const db::Error& error);
    void cleanUpDataSet(const std::shared_ptr<db::Recordset>& source,
                        const std::shared_ptr<db::Recordset>& target);

    std::int16_t miStepNumber = 0;
    std::string msStepName;
    std::string msStepTypeText;
    std::int32_t mlStepType = kstUnknown;
    SubstitutedText mSourceFileName, mColumnMappingSection, mSQLStatement, mExternalCommand,
        mExternalFolder, mSkipCountText, mMaxRowsText;
    std::int32_t mlSourceRecordsToBeSkipped = 0;
    std::int32_t mlMaxRecordsToLoad = -1;
    LoadOptions mLoadOptions;
    RejectedRowsFile mRejects;
    // The reject files this Process has started, so that a later data set adds to them.
    std::vector<std::string> mRejectPaths;
    // The tables this Process has emptied or made, so that a later data set adds to them.
    std::vector<std::string> mPreparedTables;
    std::vector<Variant> mRejectedValues;
    // Set when a row was set aside one too many, or could not be written to the reject file.
    bool mbRejectLimitReached = false;
    // The insert command's parameter each column mapping fills, for a text file destination.
    std::vector<long> mInsertPositions;
    // Set while the step's data sets load in one transaction that a failure rolls back.
    bool mbStepTransaction = false;
    RowCounts mCounts;
    std::vector<Prerequisite> mPrerequisites;
    std::uint32_t mlPrerequisiteRevision = 0;
    std::int32_t mlProcessingStatus = kssUnknown;
    std::array<TableSlot, 2> mTables;
    std::shared_ptr<clsKivMappingFields> mclsRecordIDFields;
    std::shared_ptr<clsKivColumnMappings> mclsColumnMappings;
    std::int32_t mlRowsProcessed = -1;
    // The rows handed to the destination that it may still refuse.
    std::shared_ptr<HandedRows> mHandedRows = std::make_shared<HandedRows>();
    std::shared_ptr<clsKivConnections> mclsDataConnections;
    std::unique_ptr<clsEnvironmentVariables> mclsBeforeOpening;
    std::shared_ptr<clsMessages> mclsErrorMessages;
    std::shared_ptr<clsDebugLog> mclsDebugLog;
    std::shared_ptr<clsEnvironmentVariables> mclsEnvironment;
    Subscription mEnvironmentSubscription;
    bool mbIsValid = false;
};

}  // namespace kiv
