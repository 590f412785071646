// The step types that move rows into a destination table: dataload, extract catalog and
// extract table structure.
#include <algorithm>
#include <charconv>
#include <optional>
#include <regex>

#include "base/Path.h"
#include "base/Text.h"
#include "db/Command.h"
#include "db/Error.h"
#include "diagnostics/Globals.h"
#include "steps/clsKivStep.h"

namespace kiv {

namespace {

constexpr std::string_view kLoadSource = "clsKivStep.mPerformDataLoadOfSpecificTables";

std::string bracketed(std::string_view name) {
    return "[" + text::replaceAll(name, "]", "]]") + "]";
}

// The anchored, case-insensitive pattern a source table name stands for: "$" and "^" match
// literally, and a name ending in "*" is not anchored at its end.
std::string tablePattern(std::string_view sourceTable) {
    std::string pattern(text::trim(text::replaceAll(sourceTable, "$", "\\$")));
    if (!pattern.empty()) {
        pattern = "^" + text::replaceAll(pattern, "^", "\\^");
        if (pattern.back() != '*') {
            pattern += "$";
        }
    }
    return pattern;
}

// The position a "TABLE_NUM_n" source table name selects; nothing when n is no whole number.
std::optional<long> tableNumber(std::string_view sourceTable) {
    const std::string_view digits = sourceTable.substr(10);
    long number = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) {
        return std::nullopt;
    }
    return number;
}

std::string firstErrorOr(const db::Connection& connection, std::string_view fallback) {
    if (connection.Errors().Count() > 0) {
        return clsKivStep::StripProviderPrefix(connection.Errors().Item(0)->Description());
    }
    return std::string(fallback);
}

}  // namespace

std::int32_t clsKivStep::ProcessDataSets() {
    mlRowsProcessed = 0;
    if (!loadOptionsAreValid()) {
        return kssFailed;
    }
    // Emptying or replacing the table goes in one transaction with the load where the
    // destination allows, so that a failed load leaves the old table and rows.
    const bool allOrNothing = mLoadOptions.AllOrNothing();
    const auto destination = TableConnection(kDestination);
    bool held = false;
    const LoadMode mode = mLoadOptions.Mode();
    if (destination && (allOrNothing || mode == LoadMode::Truncate || mode == LoadMode::Replace)) {
        if (!openConnectionOrReport(*destination, true)) {
            return kssFailed;
        }
        try {
            destination->ADOConnection()->BeginTrans();
            held = true;
        } catch (const db::Error& error) {
            if (allOrNothing) {
                AddErrorMessage(kMsgError, "clsKivStep", 28, -1,
                                "Step '" + msStepName + "', AllOrNothing=True: " +
                                    StripProviderPrefix(error.Description()),
                                false);
                return kssFailed;
            }
        }
    }
    mbStepTransaction = held;
    const std::int32_t status = loadDataSets();
    mbStepTransaction = false;
    return held ? endStepTransaction(*destination, status) : status;
}

std::int32_t clsKivStep::endStepTransaction(clsKivConnection& destination, std::int32_t status) {
    const std::string table = TableName(kDestination);
    if (status == kssSucceeded) {
        try {
            destination.ADOConnection()->CommitTrans();
            return status;
        } catch (const db::Error& error) {
            AddErrorMessage(kMsgError, "clsKivStep", 28, -1,
                            "Committing the rows of the step failed: " +
                                StripProviderPrefix(error.Description()),
                            false);
        }
    }
    try {
        destination.ADOConnection()->RollbackTrans();
    } catch (const db::Error& error) {
        AddErrorMessage(
            kMsgError, "clsKivStep", 28, -1,
            "Rolling back the rows of the step failed: " + StripProviderPrefix(error.Description()),
            false);
        return kssFailed;
    }
    mCounts.written = 0;
    AddErrorMessage(kMsgInformation, "clsKivStep", 28, -1,
                    "The step's rows were rolled back: " + table + " on the connection '" +
                        destination.Name() + "' is as it was before the step.",
                    false);
    return kssFailed;
}

std::int32_t clsKivStep::loadDataSets() {
    const std::string sourceTable = TableName(kSource);
    std::shared_ptr<db::Recordset> catalog;
    if (!sourceTable.empty()) {
        const auto source = TableConnection(kSource);
        if (!source) {
            AddErrorMessage(kMsgError, "clsKivStep", 10, -1, "Source Connection not set.", true);
            return kssFailed;
        }
        if (!openConnectionOrReport(*source, false)) {
            return kssFailed;
        }
        catalog = source->CatalogRecordset();
    }
    if (sourceTable.empty() || !catalog) {
        if (SQLStatement().empty()) {
            AddErrorMessage(kMsgError, "clsKivStep", 21, -1, "No Source Data Set specified.", true);
            return kssFailed;
        }
        SetCurrentTables("", TableName(kDestination));
        return mPerformDataLoadOfSpecificTables("", TableName(kDestination));
    }
    return loadMatchingDataSets(*catalog, sourceTable);
}

std::int32_t clsKivStep::loadMatchingDataSets(db::Recordset& catalog,
                                              const std::string& sourceTable) {
    std::int32_t status = kssSucceeded;
    const bool byNumber = text::istartsWith(sourceTable, "TABLE_NUM_");
    const std::optional<long> wantedPosition = byNumber ? tableNumber(sourceTable) : std::nullopt;
    std::regex pattern;
    try {
        pattern = std::regex(tablePattern(sourceTable), std::regex::ECMAScript | std::regex::icase);
    } catch (const std::regex_error& error) {
        AddErrorMessage(
            kMsgError, "clsKivStep", 23, -1,
            "Source Table Name '" + sourceTable + "' is not a valid pattern: " + error.what(),
            true);
        return kssFailed;
    }
    if (!(catalog.BOF() && catalog.EOF())) {
        catalog.MoveFirst();
    }
    long matched = 0;
    for (long position = 1; !catalog.EOF() && status == kssSucceeded; ++position) {
        const std::string name = catalog.Fields().Item("Name")->Value().toText();
        bool selected;
        if (byNumber) {
            selected = wantedPosition == position;
        } else {
            const std::string type = catalog.Fields().Item("Type")->Value().toText();
            selected = std::regex_search(name, pattern) &&
                       (type == "TABLE" || type == "VIEW" || type == "PROCEDURE");
        }
        if (selected) {
            ++matched;
            SetCurrentTables(name, TableName(kDestination));
            status = mPerformDataLoadOfSpecificTables(name, TableName(kDestination));
        }
        if (!catalog.EOF()) {
            catalog.MoveNext();
        }
    }
    if (matched == 0) {
        status = reportNoTableMatched(sourceTable, byNumber);
    }
    return status;
}

// A pattern may match nothing on a given day; a table named outright must be there.
std::int32_t clsKivStep::reportNoTableMatched(const std::string& sourceTable, bool byNumber) {
    const std::string connection = TableConnection(kSource)->Name();
    if (!byNumber && sourceTable.find('*') != std::string::npos) {
        AddErrorMessage(kMsgWarning, "clsKivStep", 24, -1,
                        "No table of the source connection '" + connection + "' matches '" +
                            sourceTable + "'; nothing was loaded.",
                        false);
        return kssSucceeded;
    }
    // A primary input goes through several databases: say which one lacks the table.
    const auto& source = *TableConnection(kSource);
    const std::string where =
        source.PrimaryInputDataSource() && !source.CurrentDatabaseName().empty()
            ? " in its current database '" + source.CurrentDatabaseName() + "'"
            : std::string();
    AddErrorMessage(kMsgError, "clsKivStep", 24, -1,
                    "The source connection '" + connection + "' has no table '" + sourceTable +
                        "'" + where + ".",
                    true);
    return kssFailed;
}

void clsKivStep::SetCurrentTables(const std::string& sourceTable,
                                  const std::string& destinationTable) {
    if (!mclsEnvironment) {
        return;
    }
    mclsEnvironment->Publish(msStepName + "-CurrentSourceTable", sourceTable);
    mclsEnvironment->Publish(msStepName + "-CurrentDestinationTable", destinationTable);
    for (const auto& variable : *mclsBeforeOpening) {
        mclsEnvironment->Add(variable->MappingName(), mclsEnvironment->ReplaceEnvironmentVariables(
                                                          variable->MappingValue()));
    }
    ApplyEnvironment();
}

bool clsKivStep::loadOptionsAreValid() {
    const auto problems =
        mLoadOptions.Problems(SourceFileName(), "STEP " + text::decimal(miStepNumber));
    for (const SpecificationProblem& problem : problems) {
        AddErrorMessage(kMsgError, "clsKivStep", 26, -1,
                        "Step '" + msStepName + "', " + problem.Located(), false);
    }
    return problems.empty();
}

bool clsKivStep::connectionIsDefined(const clsKivConnection& connection) {
    if (connection.IsDefined()) {
        return true;
    }
    AddErrorMessage(kMsgError, "clsKivStep", 11, -1, connection.NotDefinedText(), true);
    return false;
}

bool clsKivStep::openConnectionOrReport(clsKivConnection& connection, bool forWriting) {
    if (!connectionIsDefined(connection)) {
        return false;
    }
    if (connection.IsOpen() ||
        (forWriting ? connection.OpenConnectionForWriting() : connection.OpenConnection())) {
        return true;
    }
    const std::string& why = connection.OpenFailure();
    const std::string reason =
        why.empty() ? std::string("no reason was given") : StripProviderPrefix(why);
    AddErrorMessage(kMsgError, "clsKivStep", 11, -1,
                    "Connection '" + connection.Name() + "' could not be opened: " + reason +
                        (reason.ends_with('.') ? "" : "."),
                    true);
    return false;
}

std::int32_t clsKivStep::mPerformDataLoadOfSpecificTables(const std::string& sourceTable,
                                                          const std::string& destinationTable) {
    Dump(gDebugLog.get());
    std::int32_t status = kssSucceeded;
    const std::string sourceStatement =
        sourceTable.empty() ? SQLStatement() : "SELECT * FROM " + bracketed(sourceTable);
    const auto destination = TableConnection(kDestination);
    if (!destination) {
        status = kssFailed;
        AddErrorMessage(kMsgError, "clsKivStep", 10, -1, "Destination Connection not set.", true);
    }
    if (status == kssSucceeded && !openConnectionOrReport(*destination, true)) {
        status = kssFailed;
    }
    const auto sourceConnection = TableConnection(kSource);
    if (!sourceConnection) {
        status = kssFailed;
        AddErrorMessage(kMsgError, "clsKivStep", 10, -1, "Source Connection not set.", true);
    }
    if (status == kssSucceeded && !openConnectionOrReport(*sourceConnection, false)) {
        status = kssFailed;
    }
    if (sourceTable.empty() && status == kssSucceeded &&
        ClassifySQLStatement(sourceStatement) != 0 && mlStepType != kstExtractCatalog &&
        mlStepType != kstExtractTableStructure) {
        status = kssFailed;
        AddErrorMessage(kMsgError, "clsKivStep", 21, -1, "No Source Data Set specified.", true);
    }
    if (destinationTable.empty() && status == kssSucceeded) {
        status = kssFailed;
        AddErrorMessage(kMsgError, "clsKivStep", 22, -1, "No Destination Table Name specified.",
                        true);
    }

    std::shared_ptr<db::Recordset> source;
    if (status == kssSucceeded) {
        source = OpenSourceRecordset(*sourceConnection, sourceTable, sourceStatement,
                                     mlSourceRecordsToBeSkipped);
        if (!source || sourceConnection->ADOConnection()->Errors().Count() > 0) {
            status = kssFailed;
            AddErrorMessage(kMsgError, "clsKivStep", 3, -1,
                            firstErrorOr(*sourceConnection->ADOConnection(),
                                         "Could not generate Source Recordset."),
                            true);
        }
    }
    if (status == kssSucceeded && !TableConnection(kDestination)) {
        status = kssFailed;
        AddErrorMessage(kMsgError, "clsKivStep", 4, -1, "Destination Connection not set.", true);
    }

    std::shared_ptr<db::Recordset> target;
    std::shared_ptr<db::Command> insert;
    const std::int32_t destinationType =
        destination ? destination->KivConnectionType() : kctUnknown;
    if (status == kssSucceeded &&
        !prepareDestinationTable(*destination, destinationTable, *source, sourceTable)) {
        status = kssFailed;
    }
    if (status == kssSucceeded) {
        target = std::make_shared<db::Recordset>();
        if (destinationType != kctTextFile) {
            target->CursorType(db::adOpenKeyset);
            target->LockType(db::adLockOptimistic);
        }
        if (mLoadOptions.Mode() == LoadMode::Merge) {
            target->MergeKeys(mLoadOptions.KeyColumns());
        }
        try {
            target->Open("SELECT * FROM " + bracketed(destinationTable),
                         destination->ADOConnection(), target->CursorType(), target->LockType(),
                         db::adCmdText);
        } catch (const db::Error& error) {
            status = kssFailed;
            AddErrorMessage(kMsgError, "clsKivStep", 5, -1,
                            StripProviderPrefix(error.Description()), true);
        }
    }
    if (status == kssSucceeded && destinationType == kctTextFile) {
        insert = buildInsertCommand(*destination, destinationTable, *target);
        if (!insert) {
            status = kssFailed;
        }
    }
    if (status == kssSucceeded && !mappingsBind(*source, *target, sourceTable, destinationTable)) {
        status = kssFailed;
    }
    if (status == kssSucceeded) {
        try {
            mclsRecordIDFields->ActiveRecordset(source);
            mclsColumnMappings->SourceRecordset(source);
        } catch (const db::Error& error) {
            // A lookup of the first row failed while the fields were bound.
            status = kssFailed;
            AddErrorMessage(kMsgError, "clsKivStep", 3, -1,
                            StripProviderPrefix(error.Description()), true);
        }
    }
    if (status == kssSucceeded) {
        mclsColumnMappings->TargetRecordset(target);
        if (insert && !placeInsertParameters(*target, destinationTable)) {
            status = kssFailed;
        }
    }
    mlRowsProcessed = 0;
    RowCounts counts;
    if (status == kssSucceeded && !openRejectFile(*source)) {
        status = kssFailed;
    }
    if (source && target && status == kssSucceeded) {
        const bool cancelled =
            runRowLoop(*source, *target, insert.get(), destinationType, status, counts);
        saveRows(*target, insert.get(), status);
        counts.read = mlRowsProcessed;
        // A failed row is the last one read; the rows before it that were not set aside are
        // written.
        const std::int64_t settled =
            status == kssSucceeded || cancelled ? counts.read : counts.read - 1;
        // The row set aside one too many is the failed row.
        const std::int64_t setAside = counts.rejected - (mbRejectLimitReached ? 1 : 0);
        counts.written = std::max<std::int64_t>(0, settled - counts.skipped - setAside);
        if (cancelled && status == kssSucceeded) {
            // The rows loaded so far stay written, as after a failure, unless the step's
            // transaction takes them back.
            status = kssFailed;
            AddErrorMessage(kMsgError, "clsKivStep", 12, mlRowsProcessed,
                            "The run was cancelled after record " + text::decimal(mlRowsProcessed) +
                                (mbStepTransaction ? "."
                                                   : "; the records up to it are written, the "
                                                     "rest of the data set is not."),
                            true);
        }
        Progress.raise(mlRowsProcessed);
    }
    if (!closeRejectFile()) {
        status = kssFailed;
    }
    reportCounts(status, counts);
    mCounts += counts;
    cleanUpDataSet(source, target);
    for (const auto& connection : {destination, sourceConnection}) {
        if (connection) {
            passOnNotices(*connection);
        }
    }
    return status;
}

// Checked once per data set, before the first row: a mistake in the mappings would otherwise
// show on every row, or load NULLs without a word.
bool clsKivStep::mappingsBind(const db::Recordset& source, const db::Recordset& target,
                              const std::string& sourceTable, const std::string& destinationTable) {
    const std::string step = "Step '" + msStepName + "', ";
    if (mclsColumnMappings->Count() == 0) {
        const std::string section = ColumnMappingSection();
        AddErrorMessage(kMsgError, "clsKivStep", 25, -1,
                        step + "no column mappings: " +
                            (section.empty() ? "SourceToDestinationColumnMappingSection is not set."
                                             : "the section [" + section +
                                                   "] does not exist or holds no mapping."),
                        true);
        return false;
    }
    const std::string sourceOwner =
        sourceTable.empty() ? "the source statement" : "the source table " + sourceTable;
    const std::vector<SpecificationProblem> problems =
        mclsColumnMappings->BindingProblems(&source.Fields(), &target.Fields(), sourceOwner,
                                            "the destination table " + destinationTable);
    for (const SpecificationProblem& problem : problems) {
        AddErrorMessage(kMsgError, "clsKivStep", 25, -1, step + problem.Located(), true);
    }
    return problems.empty();
}

std::shared_ptr<db::Recordset> clsKivStep::OpenSourceRecordset(clsKivConnection& connection,
                                                               const std::string& sourceTable,
                                                               const std::string& sourceStatement,
                                                               std::int32_t skipCount) {
    std::shared_ptr<db::Recordset> rows;
    try {
        switch (mlStepType) {
            case kstDataLoad:
                connection.ADOConnection()->Errors().Clear();
                rows = connection.ADOConnection()->Execute(sourceStatement, nullptr, db::adCmdText);
                break;
            case kstExtractCatalog:
                rows = connection.CatalogRecordset();
                break;
            case kstExtractTableStructure:
                rows = connection.TableStructureRecordset(sourceTable);
                break;
            default:
                break;
        }
        for (std::int32_t skippedRows = 0; rows && !rows->EOF() && skippedRows < skipCount;
             ++skippedRows) {
            rows->MoveNext();
        }
    } catch (const db::Error&) {
        // The connection's error collection tells the caller what went wrong.
    }
    return rows;
}

std::shared_ptr<db::Command> clsKivStep::buildInsertCommand(clsKivConnection& destination,
                                                            const std::string& destinationTable,
                                                            db::Recordset& target) {
    const long fieldCount = target.Fields().Count();
    if (mclsColumnMappings->Count() != fieldCount) {
        AddErrorMessage(
            kMsgError, "clsKivStep", 7, -1,
            "The destination table " + bracketed(destinationTable) + " has " +
                text::decimal(fieldCount) + " fields but " +
                text::decimal(mclsColumnMappings->Count()) +
                " column mappings are defined; a text file destination needs one column "
                "mapping per field.",
            true);
        return nullptr;
    }
    return InsertCommand(destination.ADOConnection(), destinationTable, target.Fields());
}

// Each mapping fills the field it is bound to, in whatever order the mappings are listed.
bool clsKivStep::placeInsertParameters(const db::Recordset& target,
                                       const std::string& destinationTable) {
    const long fieldCount = target.Fields().Count();
    mInsertPositions.clear();
    std::vector<bool> filled(static_cast<std::size_t>(fieldCount), false);
    for (const auto& mapping : *mclsColumnMappings) {
        // A mapping bound to no field (a disabled one) keeps the place it is listed at.
        const auto& field = mapping->TargetMappingField()->ActiveField();
        long position = field ? 0 : static_cast<long>(mInsertPositions.size());
        while (field && position < fieldCount &&
               !text::iequals(target.Fields().Item(position)->Name(), field->Name())) {
            ++position;
        }
        if (position == fieldCount || filled[static_cast<std::size_t>(position)]) {
            const std::string name =
                target.Fields().Item(std::min(position, fieldCount - 1))->Name();
            AddErrorMessage(kMsgError, "clsKivStep", 7, -1,
                            "More than one column mapping fills the field '" + name +
                                "' of the destination table " + bracketed(destinationTable) +
                                "; a text file destination needs one column mapping per field.",
                            true);
            return false;
        }
        filled[static_cast<std::size_t>(position)] = true;
        mInsertPositions.push_back(position);
    }
    return true;
}

std::shared_ptr<db::Command> clsKivStep::InsertCommand(
    const std::shared_ptr<db::Connection>& connection, const std::string& table,
    const db::Fields& fields) {
    auto command = std::make_shared<db::Command>();
    command->ActiveConnection(connection);
    std::string columns = "INSERT INTO " + bracketed(table) + " (\r\n";
    std::string values = " VALUES ( ";
    bool first = true;
    for (const auto& field : fields) {
        columns += (first ? "  " : "\r\n, ") + bracketed(field->Name());
        values += first ? "?" : ", ?";
        command->Parameters().Append(command->CreateParameter(
            "Param-" + field->Name(), field->Type(), db::adParamInput, field->DefinedSize()));
        first = false;
    }
    command->CommandText(columns + " )\r\n" + values + " )");
    command->CommandType(db::adCmdText);
    return command;
}

bool clsKivStep::runRowLoop(db::Recordset& source, db::Recordset& target, db::Command* insert,
                            std::int32_t destinationType, std::int32_t& status, RowCounts& counts) {
    const bool textDestination = destinationType == kctTextFile;
    clsDebugLog* log = gDebugLog.get();
    mrcdReading = &source;
    const bool rejecting = mRejects.IsOpen();
    // A row refused after later ones were handed is written to the reject file with the
    // values it was handed with; any other is the source's current row.
    mHandedRows->Reset(textDestination ? 1 : target.RowsHeldAtMost(), mclsRecordIDFields,
                       rejecting && target.RefusesHeldRows() ? &source.Fields() : nullptr);
    const bool rememberRows = mHandedRows->Depth() > 1;
    // Rows the destination refuses are set aside: the row in hand here, a row sent in a group
    // by the target, which then sends the rest of the group.
    mbRejectLimitReached = false;
    const bool rejectingRefusals = rejecting && !rememberRows;
    if (rejecting && rememberRows) {
        target.SetRowRefused([this, &source, &counts](const db::Error& error) {
            return rejectHandedRow(error, source, counts);
        });
    }
    while (!source.EOF() && status == kssSucceeded) {
        if (mlMaxRecordsToLoad != -1 && mlRowsProcessed >= mlMaxRecordsToLoad) {
            break;
        }
        if (!gbContinueProcessing.load(std::memory_order_relaxed)) {
            mrcdReading = nullptr;
            return true;
        }
        if (++mlRowsProcessed % 25 == 0) {
            Progress.raise(mlRowsProcessed);
        }
        if (log) {
            log->WriteLog("Starting a new Transaction...");
            log->IncrementIndent();
        }
        if (!textDestination) {
            try {
                target.AddNew();
            } catch (const db::Error& error) {
                status = kssFailed;
                AddErrorMessage(kMsgError, "clsKivStep", 6, mlRowsProcessed,
                                StripProviderPrefix(error.Description()), true);
            }
        }
        if (status == kssSucceeded) {
            const std::int32_t firstMessage = rejecting ? mclsErrorMessages->Count() : 0;
            try {
                const std::int32_t result = mclsColumnMappings->PerformDataMappings();
                if (result < 0 || result == 4) {
                    if (!textDestination) {
                        target.CancelUpdate();
                    }
                    if (result == 4) {
                        ++counts.skipped;
                    } else if (!rejecting || !rejectMappedRow(source, firstMessage, counts)) {
                        status = kssFailed;
                    }
                } else if (!textDestination) {
                    if (rememberRows) {
                        mHandedRows->Remember(mlRowsProcessed);
                    }
                    target.Update();
                } else if (insert) {
                    auto position = mInsertPositions.begin();
                    for (const auto& mapping : *mclsColumnMappings) {
                        insert->Parameters()
                            .Item(*position++)
                            ->Value(mapping->TargetMappingField()->DataValue());
                    }
                    insert->Execute(nullptr, -1);
                }
            } catch (const db::Error& error) {
                if (rejectingRefusals) {
                    if (!textDestination) {
                        target.CancelUpdate();
                    }
                    if (!rejectRow(mlRowsProcessed, sourceValues(source), error.Column(),
                                   StripProviderPrefix(error.Description()), counts)) {
                        status = kssFailed;
                    }
                } else {
                    status = kssFailed;
                    reportRefusedRow(error);
                }
            }
        }
        if (status == kssSucceeded) {
            try {
                source.MoveNext();
            } catch (const db::Error& error) {
                status = kssFailed;
                AddErrorMessage(kMsgError, "clsKivStep", 9, mlRowsProcessed,
                                StripProviderPrefix(error.Description()), true);
            }
        }
        if (log) {
            log->DecrementIndent();
            log->WriteLog("Committed Transaction.");
        }
    }
    mrcdReading = nullptr;
    return false;
}

// Rows may still be on their way to the destination when the loop ends, also after a failed
// row or when it ended for another reason, and become durable only when the destination closes
// (the target recordset) or the insert command lets go of its statement. A failure to save
// them must fail the data set rather than vanish in the clean-up, which ignores errors.
void clsKivStep::saveRows(db::Recordset& target, db::Command* insert, std::int32_t& status) {
    try {
        if (insert) {
            insert->ActiveConnection(nullptr);
        } else {
            // A row whose saving failed stays pending in the target; it is not saved again.
            target.CancelUpdate();
            target.UpdateBatch(db::adAffectAll);
            target.Close();
        }
    } catch (const db::Error& error) {
        status = kssFailed;
        reportRefusedRow(error);
    }
}

// The refused row may be one handed to the destination before the row in hand: it is
// reported with its own number and identification, and the step counts the rows up to it,
// as when every row is sent by itself. A row set aside one too many has been reported.
void clsKivStep::reportRefusedRow(const db::Error& error) {
    if (mbRejectLimitReached) {
        return;
    }
    const bool earlierRow = mHandedRows->Depth() > 1;
    if (earlierRow) {
        mlRowsProcessed = mHandedRows->Select(error.RowsAfter());
        if (mclsErrorMessages) {
            mclsErrorMessages->RecordIDFields(mHandedRows);
        }
    }
    AddErrorMessage(kMsgError, kLoadSource, 1, mlRowsProcessed,
                    StripProviderPrefix(error.Description()) + " (source row " +
                        text::decimal(mlRowsProcessed) + ")",
                    true);
    if (earlierRow && mclsErrorMessages) {
        mclsErrorMessages->RecordIDFields(mclsRecordIDFields);
    }
}

bool clsKivStep::prepareDestinationTable(clsKivConnection& destination,
                                         const std::string& destinationTable,
                                         const db::Recordset& source,
                                         const std::string& sourceTable) {
    const LoadMode mode = mLoadOptions.Mode();
    if (mode == LoadMode::Merge && destination.KivConnectionType() == kctTextFile) {
        AddErrorMessage(kMsgError, "clsKivStep", 29, -1,
                        "Step '" + msStepName + "', TargetLoadMode=Merge: the text file " +
                            destinationTable + " on the connection '" + destination.Name() +
                            "' only takes added rows; rows are merged into database tables.",
                        false);
        return false;
    }
    if (mode == LoadMode::Append || mode == LoadMode::Merge ||
        std::find(mPreparedTables.begin(), mPreparedTables.end(), destinationTable) !=
            mPreparedTables.end()) {
        return true;
    }
    if (mode == LoadMode::Truncate) {
        try {
            destination.ADOConnection()->Execute("DELETE FROM " + bracketed(destinationTable),
                                                 nullptr, db::adCmdText);
        } catch (const db::Error& error) {
            AddErrorMessage(kMsgError, "clsKivStep", 29, -1,
                            "Step '" + msStepName + "', TargetLoadMode=Truncate: the table " +
                                destinationTable + " could not be emptied: " +
                                StripProviderPrefix(error.Description()),
                            false);
            return false;
        }
    } else if (!makeDestinationTable(destination, destinationTable, source, sourceTable)) {
        return false;
    }
    mPreparedTables.push_back(destinationTable);
    return true;
}

bool clsKivStep::makeDestinationTable(clsKivConnection& destination,
                                      const std::string& destinationTable,
                                      const db::Recordset& source, const std::string& sourceTable) {
    const std::string step = "Step '" + msStepName + "', TargetLoadMode=" +
                             std::string(LoadOptions::ModeText(mLoadOptions.Mode())) + ": ";
    // A mapping that names no source column would otherwise show only after the table is made.
    const std::vector<SpecificationProblem> problems = mclsColumnMappings->BindingProblems(
        &source.Fields(), nullptr,
        sourceTable.empty() ? "the source statement" : "the source table " + sourceTable, "");
    for (const SpecificationProblem& problem : problems) {
        AddErrorMessage(kMsgError, "clsKivStep", 25, -1, step + problem.Located(), true);
    }
    if (!problems.empty()) {
        return false;
    }
    try {
        destination.ADOConnection()->CreateTable(destinationTable,
                                                 mclsColumnMappings->TargetColumns(source.Fields()),
                                                 mLoadOptions.Mode() == LoadMode::Replace);
    } catch (const db::Error& error) {
        AddErrorMessage(kMsgError, "clsKivStep", 29, -1,
                        step + "the table " + destinationTable + " on the connection '" +
                            destination.Name() +
                            "' could not be made: " + StripProviderPrefix(error.Description()),
                        false);
        return false;
    }
    return true;
}

bool clsKivStep::openRejectFile(const db::Recordset& source) {
    if (mLoadOptions.MaxRejectedRows() == 0) {
        return true;
    }
    const std::string path = path::fullPath(path::withSlashes(mLoadOptions.RejectFile()),
                                            path::directoryOf(SourceFileName()));
    const bool keep =
        std::find(mRejectPaths.begin(), mRejectPaths.end(), path) != mRejectPaths.end();
    std::vector<std::string> columns;
    for (const auto& field : source.Fields()) {
        columns.push_back(field->Name());
    }
    try {
        mRejects.Open(path, columns, keep);
    } catch (const std::runtime_error& error) {
        AddErrorMessage(kMsgError, "clsKivStep", 27, -1,
                        "Step '" + msStepName + "', RejectFile '" + path +
                            "' cannot be written: " + error.what(),
                        false);
        return false;
    }
    if (!keep) {
        mRejectPaths.push_back(path);
    }
    return true;
}

bool clsKivStep::closeRejectFile() {
    const std::string path = mRejects.Path();
    try {
        mRejects.Close();
    } catch (const std::runtime_error& error) {
        AddErrorMessage(kMsgError, "clsKivStep", 27, -1,
                        "Step '" + msStepName +
                            "', the rejected rows could not all be written to '" + path +
                            "': " + error.what(),
                        false);
        return false;
    }
    return true;
}

std::span<const Variant> clsKivStep::sourceValues(const db::Recordset& source) {
    mRejectedValues.clear();
    for (const auto& field : source.Fields()) {
        mRejectedValues.push_back(field->Value());
    }
    return mRejectedValues;
}

bool clsKivStep::rejectHandedRow(const db::Error& error, const db::Recordset& source,
                                 RowCounts& counts) {
    const std::int32_t rowNumber = mHandedRows->Select(error.RowsAfter());
    const std::span<const Variant> kept = mHandedRows->SelectedSource();
    mclsErrorMessages->RecordIDFields(mHandedRows);
    const bool goOn = rejectRow(rowNumber, kept.empty() ? sourceValues(source) : kept,
                                error.Column(), StripProviderPrefix(error.Description()), counts);
    mclsErrorMessages->RecordIDFields(mclsRecordIDFields);
    if (!goOn) {
        // The step counts the rows up to the one it stopped at.
        mlRowsProcessed = rowNumber;
    }
    return goOn;
}

bool clsKivStep::rejectRow(std::int32_t rowNumber, std::span<const Variant> values,
                           std::string_view column, std::string_view reason, RowCounts& counts) {
    ++counts.rejected;
    const std::string row = text::decimal(rowNumber);
    const auto message = mclsErrorMessages->Add(
        kMsgWarning, kLoadSource, 13, rowNumber,
        "Source row " + row + " set aside in the reject file: " + std::string(reason));
    try {
        mRejects.Write(values, message->GetRecordID().empty() ? row : message->GetRecordID(),
                       column, reason);
    } catch (const std::runtime_error& error) {
        AddErrorMessage(kMsgError, "clsKivStep", 27, rowNumber,
                        "Step '" + msStepName + "', the rejected source row " + row +
                            " could not be written to '" + mRejects.Path() + "': " + error.what(),
                        true);
        mbRejectLimitReached = true;
        return false;
    }
    const std::int32_t most = mLoadOptions.MaxRejectedRows();
    if (counts.rejected <= most) {
        return true;
    }
    mbRejectLimitReached = true;
    AddErrorMessage(kMsgError, kLoadSource, 14, rowNumber,
                    "More than " + text::decimal(most) +
                        (most == 1 ? " record was" : " records were") +
                        " rejected (MaxRejectedRows=" + text::decimal(most) +
                        "); the load stopped at source row " + row + ".",
                    true);
    return false;
}

bool clsKivStep::rejectMappedRow(const db::Recordset& source, std::int32_t firstMessage,
                                 RowCounts& counts) {
    std::string reason;
    for (std::int32_t index = mclsErrorMessages->Count(); index > firstMessage; --index) {
        const auto message = mclsErrorMessages->Item(index);
        if (message->MsgType() != kMsgDisplayOnly) {
            reason = message->Text() + (reason.empty() ? "" : " " + reason);
        }
        mclsErrorMessages->Remove(index);
    }
    if (reason.empty()) {
        // The mappings' messages were not kept: the step holds as many of their kind as it can.
        reason = "The column mappings refused the row.";
    }
    return rejectRow(mlRowsProcessed, sourceValues(source),
                     mclsColumnMappings->FailedTargetColumn(), reason, counts);
}

// The status message tells, besides the status, how many rows the mappings skipped and how
// many were set aside.
void clsKivStep::reportCounts(std::int32_t status, const RowCounts& counts) {
    if (counts.skipped == 0 && counts.rejected == 0) {
        return;
    }
    std::string text = msKivStepStatusToString(status) + ".";
    if (counts.skipped > 0) {
        text += "  Skipped " + text::decimal(counts.skipped) +
                (counts.skipped == 1 ? " record." : " records.");
    }
    if (counts.rejected > 0) {
        text += "  Rejected " + text::decimal(counts.rejected) +
                (counts.rejected == 1 ? " record." : " records.");
    }
    // The count concerns the data set, not the record the source ended on; the skipped count
    // alone keeps the form it always had.
    if (counts.rejected == 0) {
        AddErrorMessage(kMsgDisplayOnly, "clsKivStep", 111, -1, text, true);
        return;
    }
    mclsErrorMessages->RecordIDFields(nullptr);
    AddErrorMessage(kMsgDisplayOnly, "clsKivStep", 111, -1, text, false);
    mclsErrorMessages->RecordIDFields(mclsRecordIDFields);
}

void clsKivStep::cleanUpDataSet(const std::shared_ptr<db::Recordset>& source,
                                const std::shared_ptr<db::Recordset>& target) {
    auto release = [](db::Recordset& rows) {
        try {
            if (rows.State() != db::adStateClosed) {
                rows.Close();
            }
            rows.ActiveConnection(nullptr);
        } catch (const std::exception&) {
            // Clean-up failures change nothing about the data set's outcome.
        }
    };
    if (source && mlStepType != kstExtractCatalog && mlStepType != kstExtractTableStructure) {
        release(*source);
    }
    if (target) {
        release(*target);
    }
    try {
        mclsColumnMappings->CloseRecordsets();
    } catch (const std::exception&) {
    }
}

db::ReadProgress clsKivStep::SourceProgress() const {
    return mrcdReading ? mrcdReading->SourceProgress() : db::ReadProgress{};
}

}  // namespace kiv
