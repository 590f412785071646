#include "steps/clsKivStep.h"

#include <array>
#include <cstdio>

#include "base/Text.h"
#include "diagnostics/Globals.h"

namespace kiv {

namespace {

constexpr std::array<std::string_view, 7> kSpecificationTexts = {
    "do nothing",    "external command", "dataload", "extract catalog", "extract table structure",
    "count records", "custom sql"};
constexpr std::array<std::string_view, 7> kDisplayTexts = {
    "Do Nothing",    "External Command", "DataLoad", "Extract Catalog", "Extract Table Structure",
    "Count Records", "Custom SQL"};
constexpr std::array<std::string_view, 7> kStatusTexts = {
    "Unknown Status",       "Awaiting Processing",    "Ready for Processing",
    "Currently Processing", "Successfully Processed", "Will Not Be Processed",
    "Processing Failed"};

constexpr std::string_view kNoMorePrereqs = "<<No More Prereqs>>";
constexpr std::string_view kNoEnvToAdd = "<<No Env to Add>>";
constexpr std::string_view kBefore = "' -  Before Environment Substitutions: '";

// A count read from a specification: whole numbers round half to even; nothing for text
// that is no number or does not fit.
std::optional<std::int32_t> parseCount(std::string_view text) {
    if (!Variant::parseNumber(text)) {
        return std::nullopt;
    }
    return Variant(text).tryToLong();
}

std::string sectionName(std::int16_t stepNumber) {
    return "Step " + text::decimal(stepNumber);
}

}  // namespace

clsKivStep::clsKivStep()
    : mclsRecordIDFields(std::make_shared<clsKivMappingFields>()),
      mclsColumnMappings(std::make_shared<clsKivColumnMappings>()),
      mclsBeforeOpening(std::make_unique<clsEnvironmentVariables>()),
      mclsErrorMessages(std::make_shared<clsMessages>()) {
    ResetStep();
}

clsKivStep::~clsKivStep() {
    mEnvironmentSubscription.reset();
    mclsRecordIDFields->Clear();
}

std::string clsKivStep::msKivStepStatusToString(std::int32_t status) {
    if (status >= kssUnknown && status <= kssFailed) {
        return std::string(kStatusTexts[static_cast<std::size_t>(status + 1)]);
    }
    return "Unknown Status (" + text::decimal(status) + ")";
}

std::string clsKivStep::StepTypeToText(std::int32_t code) {
    if (code >= kstDoNothing && code <= kstCustomSQL) {
        return std::string(kDisplayTexts[static_cast<std::size_t>(code)]);
    }
    return "Unknown Step Type (" + text::decimal(code) + ")";
}

std::int32_t clsKivStep::StepTypeFromText(std::string_view text) {
    const std::string folded = text::toLower(text::trim(text));
    for (std::size_t i = 0; i < kSpecificationTexts.size(); ++i) {
        if (folded == kSpecificationTexts[i]) {
            return static_cast<std::int32_t>(i);
        }
    }
    return kstUnknown;
}

std::string clsKivStep::StripProviderPrefix(std::string_view text) {
    // Only the leading tags go: descriptions quote names in brackets themselves.
    const std::size_t tags = text::leadingTagsLength(text);
    return std::string(tags == text.size() ? text : text.substr(tags));
}

std::int32_t clsKivStep::ClassifySQLStatement(std::string_view statement) {
    const std::string flattened =
        text::replaceAll(text::trim(text::toUpper(statement)), "\r\n", " ");
    const auto blank = flattened.find(' ');
    if (blank == std::string::npos) {
        return -1;
    }
    const std::string_view word = text::trim(std::string_view(flattened).substr(0, blank));
    constexpr std::array<std::string_view, 4> kWords = {"SELECT", "UPDATE", "INSERT", "DELETE"};
    for (std::size_t i = 0; i < kWords.size(); ++i) {
        if (word == kWords[i]) {
            return static_cast<std::int32_t>(i);
        }
    }
    return -1;
}

void clsKivStep::Environment(std::shared_ptr<clsEnvironmentVariables> environment) {
    mEnvironmentSubscription.reset();
    mclsEnvironment = std::move(environment);
    if (mclsEnvironment) {
        mEnvironmentSubscription = mclsEnvironment->Changed.subscribe(
            [this](const std::string& name) { mclsEnvironment_Changed(name); });
    }
    mclsColumnMappings->Environment(mclsEnvironment);
    mclsRecordIDFields->Environment(mclsEnvironment);
}

void clsKivStep::ProcessingStatus(std::int32_t value) {
    if (value >= kssUnknown && value <= kssFailed) {
        mlProcessingStatus = value;
    }
}

void clsKivStep::FailAtClosing(std::string_view reason) {
    const auto destination = TableConnection(kDestination);
    AddErrorMessage(kMsgError, "clsKivStep", 202, -1,
                    "The destination connection '" + (destination ? destination->Name() : "") +
                        "' failed when it closed at the end of the run, so what this step wrote "
                        "to it is not kept: " +
                        std::string(reason),
                    false);
    ProcessingStatus(kssFailed);
}

void clsKivStep::MaxRecordsToLoad(std::int32_t value) {
    mlMaxRecordsToLoad = value < 0 ? -1 : value;
    mMaxRowsText.Assign(text::decimal(mlMaxRecordsToLoad), mclsEnvironment.get());
}

void clsKivStep::SourceRecordsToBeSkipped(std::int32_t value) {
    if (value < 0) {
        return;
    }
    mlSourceRecordsToBeSkipped = value;
    mSkipCountText.Assign(text::decimal(value), mclsEnvironment.get());
}

void clsKivStep::ColumnMappingSection(std::string_view value) {
    mColumnMappingSection.Assign(value, mclsEnvironment.get());
}
void clsKivStep::ExternalCommand(std::string_view value) {
    mExternalCommand.Assign(value, mclsEnvironment.get());
}
void clsKivStep::ExternalFolder(std::string_view value) {
    mExternalFolder.Assign(value, mclsEnvironment.get());
}
void clsKivStep::SQLStatement(std::string_view value) {
    mSQLStatement.Assign(value, mclsEnvironment.get());
}

std::string clsKivStep::PrerequisiteStepName(std::int32_t index) const {
    if (index < 1 || index > PrerequisiteCount()) {
        return {};
    }
    return mPrerequisites[static_cast<std::size_t>(index - 1)].value;
}

void clsKivStep::AddPrerequisiteStepName(std::string_view name) {
    const std::string_view trimmed = text::trim(name);
    if (trimmed.empty()) {
        return;
    }
    Prerequisite prerequisite{std::string(trimmed), std::string(trimmed)};
    if (mclsEnvironment) {
        prerequisite.value = mclsEnvironment->ReplaceEnvironmentVariables(trimmed);
    }
    mPrerequisites.push_back(std::move(prerequisite));
    ++mlPrerequisiteRevision;
    ValidateStep();
}

void clsKivStep::DebugLog(std::shared_ptr<clsDebugLog> log) {
    mclsDebugLog = std::move(log);
    mclsErrorMessages->DebugLog(mclsDebugLog);
    mclsRecordIDFields->DebugLog(mclsDebugLog);
    mclsColumnMappings->DebugLog(mclsDebugLog);
}

void clsKivStep::StepName(std::string_view value) {
    msStepName = std::string(text::trim(value));
}

void clsKivStep::StepType(std::int32_t value) {
    mlStepType = value >= kstDoNothing && value <= kstCustomSQL ? value : kstUnknown;
    msStepTypeText = StepTypeToText(mlStepType);
}

void clsKivStep::ErrorMessages(std::shared_ptr<clsMessages> messages) {
    mclsErrorMessages = std::move(messages);
    mclsRecordIDFields->ErrorMessages(mclsErrorMessages);
    mclsColumnMappings->ErrorMessages(mclsErrorMessages);
    if (mclsDataConnections) {
        mclsDataConnections->ErrorMessages(mclsErrorMessages);
    }
}

std::shared_ptr<clsKivConnection> clsKivStep::TableConnection(int index) const {
    return index == kSource || index == kDestination
               ? mTables[static_cast<std::size_t>(index)].connection
               : nullptr;
}

void clsKivStep::TableConnection(int index, std::shared_ptr<clsKivConnection> connection) {
    if (index == kSource || index == kDestination) {
        mTables[static_cast<std::size_t>(index)].connection = std::move(connection);
    }
}

std::string clsKivStep::TableName(int index) const {
    return index == kSource || index == kDestination
               ? mTables[static_cast<std::size_t>(index)].name.Value()
               : std::string();
}

void clsKivStep::TableName(int index, std::string_view value) {
    if (index == kSource || index == kDestination) {
        mTables[static_cast<std::size_t>(index)].name.Assign(value, mclsEnvironment.get());
    }
}

void clsKivStep::DataConnections(std::shared_ptr<clsKivConnections> connections) {
    mclsDataConnections = std::move(connections);
    mclsColumnMappings->DataConnections(mclsDataConnections);
}

bool clsKivStep::LoadSpecification(clsINIFile* iniFile, std::int16_t stepNumber,
                                   std::shared_ptr<clsKivConnections> connections) {
    DataConnections(connections);
    miStepNumber = stepNumber;
    const std::string section = sectionName(stepNumber);
    if (iniFile == nullptr) {
        return mbIsValid = ValidateStep();
    }
    mSourceFileName.Assign(iniFile->sINIFileName(), nullptr);
    iniFile->sSectionName(section);
    iniFile->sDefault("");
    StepName(iniFile->sItemValue("StepName"));
    msStepTypeText = std::string(text::trim(iniFile->sItemValue("StepType")));
    mSQLStatement.Assign(text::trim(ReadMultiLineValue(*iniFile, "SQLStatement")), nullptr);
    mExternalCommand.Assign(text::trim(iniFile->sItemValue("ExternalCommandLine")), nullptr);
    mExternalFolder.Assign(text::trim(iniFile->sItemValue("ExternalStartingFolder")), nullptr);

    mPrerequisites.clear();
    ++mlPrerequisiteRevision;
    for (int n = 1;; ++n) {
        const std::string name = iniFile->sItemValue("PrerequisiteTarget_" + text::decimal(n),
                                                     clsINIFile::ParamNotSupplied,
                                                     clsINIFile::ParamNotSupplied, kNoMorePrereqs);
        if (name == kNoMorePrereqs) {
            break;
        }
        AddPrerequisiteStepName(name);
    }
    loadTableSlot(*iniFile, kSource, "Source");
    loadTableSlot(*iniFile, kDestination, "Target");

    mclsRecordIDFields = std::make_shared<clsKivMappingFields>();
    mclsRecordIDFields->ErrorMessages(mclsErrorMessages);
    mclsRecordIDFields->LoadSpecification(iniFile, mclsEnvironment, section, 2);
    mclsRecordIDFields->DebugLog(mclsDebugLog);
    mclsRecordIDFields->DataConnections(mclsDataConnections);

    iniFile->sSectionName(section);
    mSkipCountText.Assign(iniFile->sItemValue("SkipRecordCount", clsINIFile::ParamNotSupplied,
                                              clsINIFile::ParamNotSupplied, "0"),
                          nullptr);
    mMaxRowsText.Assign(iniFile->sItemValue("MaxRowsToLoad", clsINIFile::ParamNotSupplied,
                                            clsINIFile::ParamNotSupplied, "-1"),
                        nullptr);
    mLoadOptions.Load(*iniFile);
    ColumnMappingSection(iniFile->sItemValue("SourceToDestinationColumnMappingSection",
                                             clsINIFile::ParamNotSupplied,
                                             clsINIFile::ParamNotSupplied, ""));
    if (!ColumnMappingSection().empty()) {
        mclsColumnMappings->LoadSpecification(iniFile, mclsEnvironment, ColumnMappingSection());
        loadLookupConnections(*iniFile, section);
    }
    mbIsValid = ValidateStep();
    loadBeforeOpeningVariables(*iniFile, section);
    ApplyEnvironment();
    return mbIsValid;
}

void clsKivStep::loadTableSlot(clsINIFile& iniFile, int slot, std::string_view prefix) {
    TableName(slot, iniFile.sItemValue(std::string(prefix) + "TableName"));
    std::string name = iniFile.sItemValue(std::string(prefix) + "Connection");
    if (mclsEnvironment) {
        name = mclsEnvironment->ReplaceEnvironmentVariables(name);
    }
    std::shared_ptr<clsKivConnection> connection;
    if (!name.empty() && mclsDataConnections) {
        connection = mclsDataConnections->Item(name);
        if (!connection) {
            connection = mclsDataConnections->AddFromFile(&iniFile, mclsEnvironment,
                                                          mclsErrorMessages, name);
            // Loading a connection moved the shared reader to the connection's section.
            iniFile.sSectionName(sectionName(miStepNumber));
            iniFile.sDefault("");
        }
    }
    TableConnection(slot, connection);
}

// A connection that only lookups name is loaded from its section like one a step names.
void clsKivStep::loadLookupConnections(clsINIFile& iniFile, const std::string& section) {
    if (!mclsDataConnections) {
        return;
    }
    bool added = false;
    for (const auto& mapping : *mclsColumnMappings) {
        const std::string& name = mapping->SourceMappingField()->LookupConnectionName();
        if (!name.empty() && !mclsDataConnections->Item(name)) {
            mclsDataConnections->AddFromFile(&iniFile, mclsEnvironment, mclsErrorMessages, name);
            added = true;
        }
    }
    if (added) {
        iniFile.sSectionName(section);
        iniFile.sDefault("");
        mclsColumnMappings->DataConnections(mclsDataConnections);
    }
}

void clsKivStep::loadBeforeOpeningVariables(clsINIFile& iniFile, const std::string& section) {
    iniFile.sDefault(std::string(kNoEnvToAdd));
    iniFile.sSectionName(section);
    mclsBeforeOpening->Clear();
    for (int n = 1;; ++n) {
        const std::string stem = "BeforeOpeningEnvVar_" + text::decimal(n);
        const std::string name = iniFile.sItemValue(stem + "_Name");
        if (name == kNoEnvToAdd) {
            break;
        }
        const std::string value = iniFile.sItemValue(stem + "_Value");
        if (value == kNoEnvToAdd) {
            break;
        }
        mclsBeforeOpening->Add(name, value);
    }
}

std::string clsKivStep::ReadMultiLineValue(clsINIFile& iniFile, std::string_view key) {
    const auto noValue = clsINIFile::ParamNotSupplied;
    std::string value = iniFile.sItemValue(key, noValue, noValue, "");
    if (!value.empty()) {
        return value;
    }
    for (int line = 1; line <= 999; ++line) {
        char number[4];
        std::snprintf(number, sizeof number, "%03d", line);
        const std::string piece =
            iniFile.sItemValue(std::string(key) + "_Line_" + number, noValue, noValue, "");
        if (piece.empty()) {
            break;
        }
        value += (value.empty() ? "" : "\r\n") + piece;
    }
    return value;
}

void clsKivStep::ApplyEnvironment() {
    const clsEnvironmentVariables* environment = mclsEnvironment.get();
    mlStepType = StepTypeFromText(
        environment ? environment->ReplaceEnvironmentVariables(msStepTypeText) : msStepTypeText);
    for (SubstitutedText* text :
         {&mSourceFileName, &mColumnMappingSection, &mSQLStatement, &mExternalCommand,
          &mExternalFolder, &mSkipCountText, &mMaxRowsText}) {
        text->Recompute(environment);
    }
    mLoadOptions.Recompute(environment);
    mlSourceRecordsToBeSkipped = parseCount(mSkipCountText.Value()).value_or(0);
    mlMaxRecordsToLoad = parseCount(mMaxRowsText.Value()).value_or(-1);
    if (mlMaxRecordsToLoad < 0) {
        mlMaxRecordsToLoad = -1;
    }
    for (Prerequisite& prerequisite : mPrerequisites) {
        prerequisite.value = environment
                                 ? environment->ReplaceEnvironmentVariables(prerequisite.written)
                                 : prerequisite.written;
    }
    ++mlPrerequisiteRevision;
    for (TableSlot& slot : mTables) {
        slot.name.Recompute(environment);
    }
}

void clsKivStep::mclsEnvironment_Changed(const std::string&) {
    ApplyEnvironment();
}

bool clsKivStep::ValidateStep() {
    if (!msStepName.empty()) {
        return true;
    }
    AddErrorMessage(kMsgError, "clsKivStep", 0, -1, "Step Name is not valid.", false);
    return false;
}

void clsKivStep::ResetStep() {
    miStepNumber = 0;
    msStepName.clear();
    msStepTypeText.clear();
    for (SubstitutedText* text : {&mSourceFileName, &mColumnMappingSection, &mSQLStatement,
                                  &mExternalCommand, &mExternalFolder, &mSkipCountText}) {
        text->Assign("", nullptr);
    }
    mPrerequisites.clear();
    ++mlPrerequisiteRevision;
    mlProcessingStatus = kssUnknown;
    mlSourceRecordsToBeSkipped = 0;
    mlMaxRecordsToLoad = -1;
    mMaxRowsText.Assign("-1", nullptr);
    mLoadOptions.Clear();
    for (TableSlot& slot : mTables) {
        slot.name.Assign("", nullptr);
        slot.connection.reset();
    }
    mlRowsProcessed = -1;
    mclsErrorMessages->Clear();
    ApplyEnvironment();
}

void clsKivStep::AddErrorMessage(std::int32_t type, std::string_view source, std::int16_t number,
                                 std::int32_t recordNumber, std::string_view text,
                                 bool withRecordContext) {
    if (!mclsErrorMessages) {
        return;
    }
    const auto message = mclsErrorMessages->Add(type, source, number, recordNumber, text);
    if (!withRecordContext) {
        return;
    }
    std::string shown(text);
    if (!message->GetRecordID().empty()) {
        shown += "\r\n (Occurred on Input Record: " + message->GetRecordID() + ")";
    }
    mclsErrorMessages->Add(kMsgDisplayOnly, source, number, recordNumber, shown);
}

// What the connection's database had to tell besides failures goes to the debug log; warnings
// and information also become messages of the step, for the report.
void clsKivStep::passOnNotices(clsKivConnection& connection) {
    if (!connection.ADOConnection()) {
        return;
    }
    for (const db::Notices::Notice& notice : connection.ADOConnection()->Notices().take()) {
        const std::string text = "Connection '" + connection.Name() + "': " + notice.text;
        if (gbDebugEnabled && gDebugLog) {
            gDebugLog->WriteLog(text);
        }
        if (notice.kind != db::Notices::Kind::Log) {
            AddErrorMessage(
                notice.kind == db::Notices::Kind::Warning ? kMsgWarning : kMsgInformation,
                "clsKivStep", 40, -1, text, false);
        }
    }
}

std::int32_t clsKivStep::Process() {
    if (gbDebugEnabled && gDebugLog) {
        gDebugLog->WriteLog("-----------------------------");
        gDebugLog->WriteLog("Starting Processing of Step: " + msStepName);
    }
    mclsErrorMessages->RecordIDFields(mclsRecordIDFields);
    mclsRecordIDFields->ErrorMessages(mclsErrorMessages);
    mclsColumnMappings->ErrorMessages(mclsErrorMessages);
    mCounts = {};
    mRejectPaths.clear();
    mPreparedTables.clear();
    std::int32_t status = kssFailed;
    switch (mlStepType) {
        case kstDoNothing:
            mlRowsProcessed = 0;
            status = kssSucceeded;
            break;
        case kstExternalCommand:
            mlRowsProcessed = 0;
            status = RunExternalCommand();
            break;
        case kstDataLoad:
        case kstExtractCatalog:
        case kstExtractTableStructure:
            status = ProcessDataSets();
            break;
        case kstCountRecords:
            status = CountRecords();
            break;
        case kstCustomSQL:
            status = ProcessCustomSQLDataSets();
            break;
        default: {
            std::string message =
                "Invalid Step Type: '" + msStepTypeText + "'.  Valid Step Types are:";
            for (std::string_view display : kDisplayTexts) {
                message += "\r\n   " + std::string(display);
            }
            AddErrorMessage(kMsgError, "clsKivStep", 55, -1, message, true);
            break;
        }
    }
    if (gbDebugEnabled && gDebugLog) {
        gDebugLog->WriteLog("Processed " + msStepName + ": Mode '" + StepTypeToText(mlStepType) +
                            "' - Results: " + msKivStepStatusToString(status));
        gDebugLog->WriteLog("-----------------------------");
    }
    ProcessingStatus(status);
    return status;
}

void clsKivStep::Dump(clsDebugLog* log) const {
    log = clsDebugLog::Chosen(log, mclsDebugLog);
    if (log == nullptr || !log->IsLogActive()) {
        return;
    }
    auto both = [](const SubstitutedText& text) {
        return text.Value() + std::string(kBefore) + text.Written() + "'";
    };
    log->WriteLog("Step Name:        '" + msStepName + "'");
    log->WriteLog("Step Type:        " + StepTypeToText(mlStepType) + " (" +
                  text::decimal(mlStepType) + ") -  Before Environment Substitution: '" +
                  msStepTypeText + "'");
    log->WriteLog("Source File Name: '" + both(mSourceFileName));
    log->WriteLog("External Command: '" + both(mExternalCommand));
    log->WriteLog("External Folder:  '" + both(mExternalFolder));
    log->WriteLog("SQL Statement:");
    log->IncrementIndent();
    log->WriteLog("After Environment Substitutions:");
    log->IncrementIndent();
    log->WriteLog(mSQLStatement.Value());
    log->DecrementIndent();
    log->WriteLog("");
    log->WriteLog("Before Environment Substitutions:");
    log->IncrementIndent();
    log->WriteLog(mSQLStatement.Written());
    log->DecrementIndent();
    log->DecrementIndent();
    log->WriteLog("");
    log->WriteLog("Number of Prerequisites: " + text::decimal(PrerequisiteCount()));
    log->IncrementIndent();
    for (std::size_t i = 0; i < mPrerequisites.size(); ++i) {
        log->WriteLog("Prerequisite " + text::decimal(static_cast<long long>(i + 1)) + ": '" +
                      mPrerequisites[i].value + std::string(kBefore) + mPrerequisites[i].written +
                      "'");
    }
    log->DecrementIndent();
    log->WriteLog("");
    log->WriteLog("Record Identification Fields:");
    log->IncrementIndent();
    if (mclsRecordIDFields) {
        mclsRecordIDFields->Dump(log);
    } else {
        log->WriteLog("<< No Record ID Field Collection >>");
    }
    log->DecrementIndent();
    log->WriteLog("");
    dumpTableSlot(*log, kSource, "Source");
    dumpTableSlot(*log, kDestination, "Destination");
    log->WriteLog("Column Mapping Section Name: '" + both(mColumnMappingSection));
    mLoadOptions.Dump(*log);
    log->WriteLog("Column Mappings:");
    log->IncrementIndent();
    if (mclsColumnMappings) {
        mclsColumnMappings->Dump(log);
    } else {
        log->WriteLog("Column Mappings Collection is << Not Set >>");
    }
    log->DecrementIndent();
    log->WriteLog("Step Messages:");
    log->IncrementIndent();
    if (mclsErrorMessages) {
        mclsErrorMessages->Dump(log);
    } else {
        log->WriteLog("Message Collection is << Nothing >>");
    }
    log->DecrementIndent();
}

void clsKivStep::dumpTableSlot(clsDebugLog& log, int slot, std::string_view label) const {
    const TableSlot& table = mTables[static_cast<std::size_t>(slot)];
    log.WriteLog(std::string(label) + ": '" + table.name.Value() + std::string(kBefore) +
                 table.name.Written() + "'");
    if (!table.connection) {
        log.WriteLog("Connection Object is << Nothing >>");
        return;
    }
    log.WriteLog("Connection Object:");
    log.IncrementIndent();
    table.connection->Dump(&log);
    log.DecrementIndent();
}

}  // namespace kiv
