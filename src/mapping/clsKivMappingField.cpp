#include "mapping/clsKivMappingField.h"

#include <charconv>
#include <cstdio>
#include <optional>

#include "base/Text.h"
#include "connections/KivConnectionType.h"
#include "db/Error.h"
#include "mapping/MappingReport.h"

namespace kiv {

namespace {

constexpr std::string_view kSource = "clsKivMappingField";
// Defaults that tell an absent key from one present with any value, the empty one included.
constexpr std::string_view kNoMappingSpec = "<<No Mapping Spec>>";
constexpr std::string_view kNoSQL = "<< No SQL >>";
constexpr std::string_view kColumnNumberPrefix = "COLUMN_NUM_";
constexpr std::int16_t kMsgNoLookupCommand = 3;
constexpr std::int16_t kMsgNoActiveRecordset = 4;
constexpr std::int16_t kMsgBadPlaceholder = 5;
constexpr std::int16_t kMsgFieldNotFound = 24;
// Placeholders become text parameters of this size, whatever the column they compare with.
constexpr long kParameterSize = 50;

const std::string kEmptyText;

std::string boolText(bool value) {
    return value ? "True" : "False";
}

bool isOnRow(const db::Recordset& recordset) {
    return recordset.State() != db::adStateClosed && !recordset.BOF() && !recordset.EOF();
}

std::shared_ptr<db::Field> findField(const db::Fields& fields, std::string_view name) {
    for (const auto& field : fields) {
        if (text::iequals(field->Name(), name)) {
            return field;
        }
    }
    return nullptr;
}

// The names of the fields, separated by commas.
std::string columnNames(const db::Fields& fields) {
    std::string names;
    for (const auto& field : fields) {
        names += (names.empty() ? "" : ", ") + field->Name();
    }
    return names;
}

// "COLUMN_NUM_n" addresses the n-th field, any other name the field of that name.
std::shared_ptr<db::Field> selectField(const db::Fields& fields, std::string_view name) {
    if (!text::istartsWith(name, kColumnNumberPrefix)) {
        return findField(fields, name);
    }
    const auto number = Variant(name.substr(kColumnNumberPrefix.size())).tryToLong();
    if (!number || *number < 1 || *number > fields.Count()) {
        return nullptr;
    }
    return fields.Item(*number - 1);
}

// A field without a readable value (none bound, no current row, a closed result) has no
// value to offer, which is what NULL means to the column mapping.
bool valueIsNull(const db::Field* field) {
    if (field == nullptr) {
        return true;
    }
    try {
        return field->Value().isNull();
    } catch (const db::Error&) {
        return true;
    }
}

// The column number of a placeholder token: the text after its first character.
std::optional<std::int16_t> placeholderNumber(std::string_view token) {
    const std::string_view digits = text::trim(token.substr(1));
    std::int16_t number = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (error != std::errc() || end != digits.data() + digits.size()) {
        return std::nullopt;
    }
    return number;
}

// Reads the keys of one mapping field: purpose text + stem + mapping number + suffix.
class KeyReader {
public:
    KeyReader(clsINIFile& ini, std::string prefix, std::string number)
        : mIni(ini), msPrefix(std::move(prefix)), msNumber(std::move(number)) {}

    std::string read(std::string_view stem, std::string_view defaultValue,
                     std::string_view suffix = {}) const {
        return mIni.sItemValue(key(stem, suffix), clsINIFile::ParamNotSupplied,
                               clsINIFile::ParamNotSupplied, defaultValue);
    }
    std::string key(std::string_view stem, std::string_view suffix = {}) const {
        return msPrefix + std::string(stem) + msNumber + std::string(suffix);
    }

private:
    clsINIFile& mIni;
    std::string msPrefix;
    std::string msNumber;
};

// The plain column key, or else the "_P1", "_P2", ... keys up to the first missing one.
std::vector<std::string> readColumnNames(const KeyReader& keys) {
    std::string single = keys.read("Column_", kNoMappingSpec);
    if (single != kNoMappingSpec) {
        return {std::move(single)};
    }
    std::vector<std::string> names;
    for (long i = 1;; ++i) {
        std::string part = keys.read("Column_", kNoMappingSpec, "_P" + text::decimal(i));
        if (part == kNoMappingSpec) {
            return names;
        }
        names.push_back(std::move(part));
    }
}

}  // namespace

clsKivMappingField::~clsKivMappingField() {
    closeLookupResult();
}

void clsKivMappingField::Environment(std::shared_ptr<clsEnvironmentVariables> environment) {
    if (environment != mclsEnvironment) {
        mEnvironmentSubscription.reset();
        mclsEnvironment = std::move(environment);
        if (mclsEnvironment) {
            mEnvironmentSubscription = mclsEnvironment->Changed.subscribe(
                [this](const std::string& name) { mclsEnvironment_Changed(name); });
        }
    }
    ApplyEnvironment();
}

void clsKivMappingField::DataConnections(std::shared_ptr<clsKivConnections> connections) {
    mclsDataConnections = std::move(connections);
    ApplyEnvironment();
}

void clsKivMappingField::MappingPurpose(std::int32_t code) {
    mPurpose.Assign(MappingPurposeName(code), mclsEnvironment.get());
    mlMappingPurpose = ParseMappingPurpose(mPurpose.Value());
}

void clsKivMappingField::MappingType(std::int32_t code) {
    mMappingType.Assign(MappingTypeName(code), mclsEnvironment.get());
    mlMappingType = ParseMappingType(mMappingType.Value());
}

void clsKivMappingField::NULLLookupAction(std::int32_t code) {
    mNULLLookupAction.Assign(NULLLookupActionName(code), mclsEnvironment.get());
    mlNULLLookupAction = ParseNULLLookupAction(mNULLLookupAction.Value());
}

void clsKivMappingField::ConstantValue(std::string_view value) {
    mConstantValue.Assign(value, mclsEnvironment.get());
    mntConstantValue = Variant(mConstantValue.Value());
}

void clsKivMappingField::AppendColumn(std::string_view name) {
    mColumns.emplace_back().Assign(name, mclsEnvironment.get());
}

std::int16_t clsKivMappingField::ColumnCount() const {
    switch (static_cast<MappingTypeEnum>(mlMappingType)) {
        case kmtCopy:
            return 1;
        case kmtLookup:
            return static_cast<std::int16_t>(mColumns.size());
        case kmtConstant:
            break;
    }
    return 0;
}

const std::string& clsKivMappingField::ColumnName(std::int16_t n) const {
    if (mlMappingType == kmtCopy) {
        return mColumns.empty() ? kEmptyText : mColumns.front().Value();
    }
    const bool listed = n >= 1 && static_cast<std::size_t>(n) <= mColumns.size();
    return mlMappingType == kmtLookup && listed ? mColumns[static_cast<std::size_t>(n - 1)].Value()
                                                : kEmptyText;
}

std::int16_t clsKivMappingField::NumLookupParamColumns() const {
    switch (static_cast<MappingTypeEnum>(mlMappingType)) {
        case kmtCopy:
            return 1;
        case kmtLookup:
            return static_cast<std::int16_t>(mLookupParameters.size());
        case kmtConstant:
            break;
    }
    return 0;
}

void clsKivMappingField::LookupConnectionName(std::string_view name) {
    mLookupConnectionName.Assign(name, mclsEnvironment.get());
    resolveLookupConnection();
    rebuildLookupCommand();
}

void clsKivMappingField::LookupSQLStatement(std::string_view statement) {
    mLookupSQLStatement.Assign(statement, mclsEnvironment.get());
    rebuildLookupCommand();
}

void clsKivMappingField::ActiveRecordset(std::shared_ptr<db::Recordset> recordset) {
    // The same recordset again keeps its subscription, and with it the order in which the
    // fields bound to it hear of a move: identification fields first. Another recordset may
    // belong to another connection, whose type decides how target values are written.
    if (recordset != mrcdActiveRecordset) {
        mActiveRecordsetSubscription.reset();
        mclsTargetConnection.reset();
        mrcdActiveRecordset = std::move(recordset);
        if (mrcdActiveRecordset) {
            mActiveRecordsetSubscription = mrcdActiveRecordset->MoveComplete.subscribe(
                [this] { mrcdActiveRecordset_MoveComplete(); });
        }
    }
    if (!mrcdActiveRecordset) {
        return;
    }
    BindResultField();
    if (isOnRow(*mrcdActiveRecordset)) {
        RefreshDataValue();
    }
}

bool clsKivMappingField::LoadSpecification(clsINIFile* ini, std::string_view section,
                                           std::int16_t mappingNumber, std::int32_t purpose) {
    mfldActiveField.reset();
    MappingPurpose(purpose);
    if (ini == nullptr) {
        return false;
    }
    ini->sSectionName(std::string(section));
    const KeyReader keys(*ini, mPurpose.Value(), text::decimal(mappingNumber));
    const clsEnvironmentVariables* environment = mclsEnvironment.get();
    mMappingType.Assign(keys.read("MappingType_", "Copy"), environment);
    mlMappingType = ParseMappingType(mMappingType.Value());
    const std::string value = keys.read("Value_", kNoMappingSpec);
    const bool hasValue = value != kNoMappingSpec;
    const std::vector<std::string> columns =
        hasValue ? std::vector<std::string>() : readColumnNames(keys);
    const std::string connection = keys.read("MappingSQLConnection_", kNoMappingSpec);
    if (hasValue) {
        ConstantValue(value);
    }
    replaceColumns(columns);
    if (connection != kNoMappingSpec) {
        LookupConnectionName(connection);
    }
    mNULLLookupAction.Assign(keys.read("MappingOption_", "Generate Error", "_NULLLookups"),
                             environment);
    mlNULLLookupAction = ParseNULLLookupAction(mNULLLookupAction.Value());
    const std::string statement =
        ReadMultiLineValue(*ini, section, keys.key("MappingSQLStatement_"));
    if (!statement.empty()) {
        LookupSQLStatement(statement);
    }
    // Only a value, a column or a connection makes a field; options alone do not.
    const bool found = hasValue || !columns.empty() || connection != kNoMappingSpec;
    if (found) {
        ApplyEnvironment();
    }
    return found;
}

void clsKivMappingField::replaceColumns(const std::vector<std::string>& names) {
    mColumns.clear();
    mLookupParameters.clear();
    for (const std::string& name : names) {
        AppendColumn(name);
    }
}

std::string clsKivMappingField::ReadMultiLineValue(clsINIFile& ini, std::string_view section,
                                                   std::string_view key) {
    std::string value = ini.sItemValue(key, section, clsINIFile::ParamNotSupplied, kNoSQL);
    if (value != kNoSQL) {
        return value;
    }
    std::string joined;
    for (int line = 1;; ++line) {
        char number[16];
        std::snprintf(number, sizeof number, "%03d", line);
        const std::string part = ini.sItemValue(std::string(key) + "_Line_" + number, section,
                                                clsINIFile::ParamNotSupplied, kNoSQL);
        if (part == kNoSQL) {
            return joined;
        }
        joined += (line == 1 ? "" : "\r\n") + part;
    }
}

void clsKivMappingField::ApplyEnvironment() {
    substituteTexts();
    LookupConnectionName(mLookupConnectionName.Written());
    ActiveRecordset(mrcdActiveRecordset);
}

void clsKivMappingField::substituteTexts() {
    const clsEnvironmentVariables* environment = mclsEnvironment.get();
    mMappingType.Recompute(environment);
    mlMappingType = ParseMappingType(mMappingType.Value());
    for (SubstitutedText& column : mColumns) {
        column.Recompute(environment);
    }
    mConstantValue.Recompute(environment);
    mntConstantValue = Variant(mConstantValue.Value());
    mLookupSQLStatement.Recompute(environment);
}

void clsKivMappingField::resolveLookupConnection() {
    std::shared_ptr<clsKivConnection> connection;
    if (!LookupConnectionName().empty() && mclsDataConnections) {
        connection = mclsDataConnections->Item(LookupConnectionName());
    }
    watchLookupConnection(std::move(connection));
}

void clsKivMappingField::watchLookupConnection(std::shared_ptr<clsKivConnection> connection) {
    if (connection == mclsLookupConnection) {
        return;
    }
    mLookupConnectionSubscription.reset();
    mclsLookupConnection = std::move(connection);
    if (mclsLookupConnection) {
        mLookupConnectionSubscription = mclsLookupConnection->ConnectionOpened.subscribe(
            [this] { mclsLookupConnection_ConnectionOpened(); });
    }
}

void clsKivMappingField::rebuildLookupCommand() {
    if (mclsLookupConnection) {
        attachLookupCommand();
    }
    if (mcmdLookup && !PrepareLookupCommand(*mcmdLookup, mLookupSQLStatement.Value())) {
        mcmdLookup.reset();
    }
}

// The command object is kept from one build to the next: as long as its text and its
// connection come out the same, the database keeps the statement it prepared, so a change
// of the environment in the middle of a load costs no new preparation.
void clsKivMappingField::attachLookupCommand() {
    if (!mcmdLookup) {
        mcmdLookup = std::make_shared<db::Command>();
    }
    const std::shared_ptr<db::Connection>& connection = mclsLookupConnection->ADOConnection();
    const bool open = connection && connection->State() != db::adStateClosed;
    mcmdLookup->ActiveConnection(open ? connection : nullptr);
}

bool clsKivMappingField::PrepareLookupCommand(db::Command& command, const std::string& statement) {
    mLookupParameters.clear();
    command.Parameters().Clear();
    std::string rewritten = statement;
    for (;;) {
        const std::size_t open = rewritten.find('[');
        const std::size_t close =
            open == std::string::npos ? std::string::npos : rewritten.find(']', open + 1);
        if (close == std::string::npos) {
            break;
        }
        const std::string_view placeholder =
            std::string_view(rewritten).substr(open, close - open + 1);
        const std::string_view token = text::trim(placeholder.substr(1, placeholder.size() - 2));
        if (token.empty()) {
            break;
        }
        if (!appendLookupParameter(command, token)) {
            reportPlaceholder(placeholder, statement);
            mLookupParameters.clear();
            return false;
        }
        rewritten.replace(open, close - open + 1, "?");
    }
    msUnpreparedStatement.clear();
    msUnpreparedReason.clear();
    command.CommandText(std::move(rewritten));
    return true;
}

bool clsKivMappingField::appendLookupParameter(db::Command& command, std::string_view token) {
    const std::optional<std::int16_t> number = placeholderNumber(token);
    if (!number) {
        return false;
    }
    const std::string& column = ColumnName(*number);
    const std::string name =
        text::decimal(static_cast<long long>(mLookupParameters.size()) + 1) + "-" + column;
    auto parameter = command.CreateParameter(name, db::adVarChar, db::adParamInput, kParameterSize);
    command.Parameters().Append(parameter);
    mLookupParameters.push_back({std::move(parameter), column});
    return true;
}

// The statement is rebuilt whenever the environment changes; one report per statement text
// keeps a load from repeating the same complaint at every change.
void clsKivMappingField::reportPlaceholder(std::string_view placeholder,
                                           const std::string& statement) {
    if (statement == msUnpreparedStatement) {
        return;
    }
    msUnpreparedStatement = statement;
    msUnpreparedReason = "Unable to prepare the Lookup SQL Statement: the placeholder '" +
                         std::string(placeholder) +
                         "' does not give a column number. Lookup SQL:\r\n" + statement;
    AddMappingMessage(mclsErrorMessages.get(), kMsgError, kSource, kMsgBadPlaceholder,
                      msUnpreparedReason, false);
}

void clsKivMappingField::AddBindingProblems(std::vector<SpecificationProblem>& problems,
                                            const db::Fields& fields, std::string_view owner,
                                            std::string_view section, std::int16_t number) {
    const std::string numberText = text::decimal(number);
    if (mlMappingType == kmtLookup) {
        addLookupProblems(problems, fields, owner, section, numberText);
        return;
    }
    if (mlMappingType != kmtCopy || selectField(fields, ColumnName(1))) {
        return;
    }
    problems.push_back({"", std::string(section), mPurpose.Value() + "Column_" + numberText,
                        std::string(owner) + " has no column '" + ColumnName(1) +
                            "'; its columns are: " + columnNames(fields) + "."});
}

void clsKivMappingField::addLookupProblems(std::vector<SpecificationProblem>& problems,
                                           const db::Fields& fields, std::string_view owner,
                                           std::string_view section, const std::string& number) {
    const std::string stem = mPurpose.Value() + "MappingSQL";
    const std::string name = LookupConnectionName();
    if (!mclsLookupConnection) {
        problems.push_back({"", std::string(section), stem + "Connection_" + number,
                            name.empty() ? "the lookup names no connection."
                                         : "there is no connection named '" + name +
                                               "' among those the steps name."});
        return;
    }
    if (!mclsLookupConnection->IsDefined()) {
        problems.push_back({"", std::string(section), stem + "Connection_" + number,
                            mclsLookupConnection->NotDefinedText()});
        return;
    }
    if (!mclsLookupConnection->IsOpen() && !mclsLookupConnection->OpenConnection()) {
        const auto& errors = mclsLookupConnection->ADOConnection()->Errors();
        problems.push_back({"", std::string(section), stem + "Connection_" + number,
                            "the lookup connection '" + name + "' could not be opened" +
                                (errors.Count() > 0 ? ": " + errors.Item(0)->Description() : ".")});
        return;
    }
    if (!mcmdLookup) {
        problems.push_back({"", std::string(section), stem + "Statement_" + number,
                            msUnpreparedReason.empty() ? "the lookup statement could not be prepared."
                                                       : msUnpreparedReason});
        return;
    }
    for (std::size_t i = 0; i < mColumns.size(); ++i) {
        const std::string& column = mColumns[i].Value();
        if (!findField(fields, column)) {
            problems.push_back({"", std::string(section),
                                mPurpose.Value() + "Column_" + number + "_P" + text::decimal(
                                    static_cast<long long>(i) + 1),
                                std::string(owner) + " has no column '" + column +
                                    "'; its columns are: " + columnNames(fields) + "."});
        }
    }
}

void clsKivMappingField::BindResultField() {
    switch (static_cast<MappingTypeEnum>(mlMappingType)) {
        case kmtCopy:
            bindCopyField();
            return;
        case kmtLookup:
            bindLookupField();
            return;
        case kmtConstant:
            break;
    }
    mfldActiveField.reset();
}

void clsKivMappingField::bindCopyField() {
    if (!mrcdActiveRecordset) {
        return;
    }
    const db::Fields& fields = mrcdActiveRecordset->Fields();
    const std::string& name = ColumnName(1);
    if (auto field = selectField(fields, name)) {
        mfldActiveField = std::move(field);
        return;
    }
    // A recordset without fields is a closed one: there is nothing to bind to yet.
    if (fields.Count() > 0) {
        mfldActiveField.reset();
        report(kMsgFieldNotFound, "Unable to locate field named: " + name);
    }
}

// A closed result (closed after a data set) holds no columns any more; it is not a
// result without columns and is not reported as one.
void clsKivMappingField::bindLookupField() {
    if (!mrcdLookupResult) {
        return;
    }
    mfldActiveField.reset();
    if (mrcdLookupResult->State() == db::adStateClosed) {
        return;
    }
    if (mrcdLookupResult->Fields().Count() == 0) {
        report(kMsgFieldNotFound, "The lookup record set does not have any columns.");
        return;
    }
    mfldActiveField = mrcdLookupResult->Fields().Item(0L);
}

void clsKivMappingField::RefreshDataValue() {
    switch (static_cast<MappingTypeEnum>(mlMappingType)) {
        case kmtCopy:
            refreshCopyValue();
            return;
        case kmtLookup:
            refreshLookupValue();
            return;
        case kmtConstant:
            mntDataValue = mntConstantValue;
            return;
    }
    mntDataValue = Variant::Null();
}

void clsKivMappingField::refreshCopyValue() {
    if (!mfldActiveField) {
        BindResultField();
    }
    if (mfldActiveField) {
        mntDataValue = mfldActiveField->Value();
    }
}

void clsKivMappingField::refreshLookupValue() {
    if (!mcmdLookup) {
        mntDataValue = Variant::Null();
        report(kMsgNoLookupCommand,
               "No Lookup Command Object. Perhaps no Lookup Data Connection was associated with "
               "Lookup SQL:\r\n" +
                   LookupSQLStatement());
        return;
    }
    if (!mrcdActiveRecordset) {
        mntDataValue = Variant::Null();
        report(kMsgNoActiveRecordset,
               "No Active Recordset. Perhaps there is a syntax error in the Lookup SQL "
               "Statement:\r\n" +
                   LookupSQLStatement());
        return;
    }
    assignLookupParameters();
    runLookup();
}

// A column the row does not have leaves its parameter with the value of the row before.
void clsKivMappingField::assignLookupParameters() {
    const db::Fields& fields = mrcdActiveRecordset->Fields();
    for (const LookupParameter& lookup : mLookupParameters) {
        if (const auto field = findField(fields, lookup.column)) {
            try {
                lookup.parameter->Value(field->Value());
            } catch (const db::Error&) {
                // The row has no readable value for it; the previous value stands.
            }
        }
    }
}

// Errors of the statement itself are not caught: they belong to the row being read, and
// reach the code that moved the recordset.
void clsKivMappingField::runLookup() {
    closeLookupResult();
    mrcdLookupResult.reset();
    mrcdLookupResult = mcmdLookup->Execute(nullptr, db::adCmdUnspecified);
    if (!mrcdLookupResult || mrcdLookupResult->EOF()) {
        mfldActiveField.reset();
        mntDataValue = Variant::Null();
        return;
    }
    mfldActiveField = mrcdLookupResult->Fields().Item(0L);
    mntDataValue = mfldActiveField->Value();
}

void clsKivMappingField::closeLookupResult() {
    if (!mrcdLookupResult || mrcdLookupResult->State() == db::adStateClosed) {
        return;
    }
    try {
        mrcdLookupResult->Close();
    } catch (const db::Error&) {
        // Closing is clean-up; the next lookup starts afresh either way.
    }
}

void clsKivMappingField::NotifyNewRow() {
    if (mlMappingPurpose == kmpSource || mlMappingPurpose == kmpRecordID) {
        RefreshDataValue();
    }
}

void clsKivMappingField::DataValue(const Variant& value) {
    mntDataValue = value;
    if (!mfldActiveField) {
        BindResultField();
    }
    if (mlMappingPurpose == kmpTarget && !mclsTargetConnection) {
        findTargetConnection();
    }
    if (mclsTargetConnection && mclsTargetConnection->KivConnectionType() != kctTextFile &&
        mfldActiveField) {
        mfldActiveField->Value(value);
    }
}

void clsKivMappingField::findTargetConnection() {
    if (mclsDataConnections && mrcdActiveRecordset) {
        mclsTargetConnection =
            mclsDataConnections->FindConnection(mrcdActiveRecordset->ActiveConnection().get());
    }
}

bool clsKivMappingField::FieldIsNull() const {
    switch (static_cast<MappingTypeEnum>(mlMappingType)) {
        case kmtCopy:
            return valueIsNull(mfldActiveField.get());
        case kmtLookup:
            break;
        case kmtConstant:
            return false;
    }
    if (mfldActiveField || !mrcdLookupResult || mrcdLookupResult->Fields().Count() == 0) {
        return valueIsNull(mfldActiveField.get());
    }
    return valueIsNull(mrcdLookupResult->Fields().Item(0L).get());
}

void clsKivMappingField::CloseRecordsets() {
    closeLookupResult();
}

void clsKivMappingField::mclsEnvironment_Changed(const std::string&) {
    ApplyEnvironment();
}

// Normally the environment change that the opening publishes has rebuilt the command
// already; a field that shares no environment with the connection is attached here.
void clsKivMappingField::mclsLookupConnection_ConnectionOpened() {
    if (mcmdLookup) {
        attachLookupCommand();
    }
    BindResultField();
    if (mrcdActiveRecordset && isOnRow(*mrcdActiveRecordset)) {
        RefreshDataValue();
    }
}

void clsKivMappingField::mrcdActiveRecordset_MoveComplete() {
    if (mrcdActiveRecordset && isOnRow(*mrcdActiveRecordset)) {
        RefreshDataValue();
    }
}

void clsKivMappingField::report(std::int16_t number, std::string_view text) {
    AddMappingMessage(mclsErrorMessages.get(), kMsgError, kSource, number, text, true);
}

void clsKivMappingField::Dump(clsDebugLog* log) const {
    log = clsDebugLog::Chosen(log, mclsDebugLog);
    if (log == nullptr) {
        return;
    }
    const std::int16_t indent = log->CurrentIndent();
    log->WriteLog("clsKivMappingField - Dump...");
    log->IncrementIndent();
    dumpCode(*log, "Mapping Purpose:               ", MappingPurposeName(mlMappingPurpose),
             mlMappingPurpose, mPurpose);
    dumpCode(*log, "Mapping Type:                  ", MappingTypeName(mlMappingType), mlMappingType,
             mMappingType);
    dumpCode(*log, "NULL Lookup Action:            ", NULLLookupActionName(mlNULLLookupAction),
             mlNULLLookupAction, mNULLLookupAction);
    log->WriteLog("Constant Value:                '" + mConstantValue.Value() +
                  "' -  Value Before Environment: '" + mConstantValue.Written() + "'");
    log->WriteLog("Active Record Set Assigned:    " + boolText(mrcdActiveRecordset != nullptr));
    log->WriteLog("Lookup Command Object Defined: " + boolText(mcmdLookup != nullptr));
    log->WriteLog("Lookup Record Set Defined:     " + boolText(mrcdLookupResult != nullptr));
    log->WriteLog("Resulting Field Defined:       " + boolText(mfldActiveField != nullptr));
    dumpColumns(*log);
    log->WriteLog("Lookup Connection: '" + mLookupConnectionName.Value() +
                  "' -  Value Before Environment: '" + mLookupConnectionName.Written() + "'");
    log->WriteLog(mclsLookupConnection ? "Lookup Mapping Connection: Assigned (Actual Connection "
                                         "Name: '" +
                                             mclsLookupConnection->Name() + "')"
                                       : std::string("Lookup Mapping Connection: Not Assigned."));
    dumpStatement(*log);
    DumpDataConnections(*log, mclsDataConnections.get());
    log->CurrentIndent(indent);
}

void clsKivMappingField::dumpCode(clsDebugLog& log, std::string_view label, const std::string& name,
                                  std::int32_t code, const SubstitutedText& text) const {
    log.WriteLog(std::string(label) + name + " (" + text::decimal(code) + ") " +
                 "-  Value Before Environment: '" + text.Written() + "'");
}

void clsKivMappingField::dumpColumns(clsDebugLog& log) const {
    log.WriteLog("Data Column Count: " + text::decimal(static_cast<long long>(mColumns.size())));
    log.IncrementIndent();
    if (mColumns.empty()) {
        log.WriteLog("No Source Columns");
    }
    for (std::size_t i = 0; i < mColumns.size(); ++i) {
        log.WriteLog(text::decimal(static_cast<long long>(i + 1)) + ": '" + mColumns[i].Value() +
                     "' - Value Before Environment: '" + mColumns[i].Written() + "'");
    }
    log.WriteLog("");
    log.DecrementIndent();
}

void clsKivMappingField::dumpStatement(clsDebugLog& log) const {
    log.WriteLog("Lookup SQL Statement:");
    log.IncrementIndent();
    log.WriteLog("After Environment Substitution:");
    log.IncrementIndent();
    log.WriteLog(mLookupSQLStatement.Value());
    log.DecrementIndent();
    log.WriteLog("Before Environment Substitution:");
    log.IncrementIndent();
    log.WriteLog(mLookupSQLStatement.Written());
    log.DecrementIndent();
    log.DecrementIndent();
}

}  // namespace kiv
