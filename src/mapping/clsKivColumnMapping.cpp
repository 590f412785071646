#include "mapping/clsKivColumnMapping.h"

#include <optional>

#include "base/Text.h"
#include "db/Constants.h"
#include "mapping/MappingReport.h"

namespace kiv {

namespace {

constexpr std::string_view kSource = "clsKivColumnMapping";
constexpr std::string_view kPerformSource = "clsKivColumnMapping.PerformDataMapping";
constexpr std::string_view kUnableToConvert = "Unable to convert source data for field: '";
constexpr std::string_view kNullLookup = "Lookup based on source record resulted in a NULL value.";

// Day serials of 1 January 100 and 31 December 9999, the dates a date column takes.
constexpr std::int32_t kFirstDay = -657434;
constexpr std::int32_t kLastDay = 2958465;
// What a value that cannot be read as a day counts as: the day before the first.
constexpr std::int32_t kNoDay = kFirstDay - 1;

bool isWholeNumberType(long type) {
    switch (type) {
        case db::adSmallInt:
        case db::adInteger:
        case db::adDate:
        case db::adTinyInt:
        case db::adUnsignedTinyInt:
        case db::adUnsignedSmallInt:
        case db::adUnsignedInt:
        case db::adBigInt:
        case db::adUnsignedBigInt:
        case db::adDBDate:
            return true;
        default:
            return false;
    }
}

bool isTextType(long type) {
    switch (type) {
        case db::adBSTR:
        case db::adChar:
        case db::adWChar:
        case db::adVarChar:
        case db::adLongVarChar:
        case db::adVarWChar:
        case db::adLongVarWChar:
            return true;
        default:
            return false;
    }
}

// The day a value of a source column stands for, rounded half to even; nothing for the
// column types a date column does not take at all (floating point, currency, decimal, ...).
// A timestamp is read as the date and time it holds, like a text.
std::optional<std::int32_t> dayNumber(const Variant& value, long sourceType) {
    if (isWholeNumberType(sourceType)) {
        return value.tryToLong().value_or(kNoDay);
    }
    if (!isTextType(sourceType) && sourceType != db::adDBTimeStamp) {
        return std::nullopt;
    }
    const std::optional<double> serial = value.tryToDate();
    return serial ? Variant(*serial).tryToLong().value_or(kNoDay) : kNoDay;
}

bool writesTarget(std::int32_t result) {
    return result == kcmValueProduced || result == kcmPreviousValueUsed ||
           result == kcmNullAfterConversionError;
}

std::string optionLine(std::string_view label, const std::string& name, std::int32_t code,
                       std::string_view separator, const SubstitutedText& text) {
    return std::string(label) + name + " (" + text::decimal(code) + ") " + std::string(separator) +
           "Before Environment Substitution: '" + text.Written() + "'";
}

}  // namespace

clsKivColumnMapping::clsKivColumnMapping()
    : mclsSourceMappingField(std::make_shared<clsKivMappingField>()),
      mclsTargetMappingField(std::make_shared<clsKivMappingField>()) {
    mNULLSourceCopyAction.Assign(NULLSourceCopyActionName(knsCopyNULL), nullptr);
    mConversionErrorAction.Assign(ConversionErrorActionName(kceError), nullptr);
}

bool clsKivColumnMapping::LoadSpecification(clsINIFile* ini, std::string_view section,
                                            std::int16_t mappingNumber) {
    bool loaded = false;
    if (ini == nullptr) {
        if (mclsErrorMessages) {
            mclsErrorMessages->Add(kMsgError, kSource, 0, -1,
                                   "Specification File was not provided.");
        }
    } else {
        loaded = loadFields(ini, section, mappingNumber);
        readOptions(*ini, section, mappingNumber);
    }
    ApplyEnvironment();
    return loaded;
}

bool clsKivColumnMapping::loadFields(clsINIFile* ini, std::string_view section,
                                     std::int16_t mappingNumber) {
    bool loaded = true;
    if (mclsSourceMappingField) {
        mclsSourceMappingField->ErrorMessages(mclsErrorMessages);
        loaded = mclsSourceMappingField->LoadSpecification(ini, section, mappingNumber, kmpSource);
    }
    if (loaded && mclsTargetMappingField) {
        mclsTargetMappingField->ErrorMessages(mclsErrorMessages);
        loaded = mclsTargetMappingField->LoadSpecification(ini, section, mappingNumber, kmpTarget);
    }
    return loaded;
}

// The options are read whether or not the fields were found.
void clsKivColumnMapping::readOptions(clsINIFile& ini, std::string_view section,
                                      std::int16_t mappingNumber) {
    ini.sSectionName(std::string(section));
    const std::string number = text::decimal(mappingNumber);
    const auto read = [&](const std::string& key, std::string_view defaultValue) {
        return ini.sItemValue(key, clsINIFile::ParamNotSupplied, clsINIFile::ParamNotSupplied,
                              defaultValue);
    };
    mColumnMappingStatus.Assign(read("MappingStatus_" + number, "Enabled"), nullptr);
    mNULLSourceCopyAction.Assign(read("MappingOption_" + number + "_NULLSource", "Copy NULL"),
                                 nullptr);
    mConversionErrorAction.Assign(read("MappingOption_" + number + "_ConversionError", "Error"),
                                  nullptr);
}

void clsKivColumnMapping::ApplyEnvironment() {
    const clsEnvironmentVariables* environment = mclsEnvironment.get();
    mNULLSourceCopyAction.Recompute(environment);
    mlNULLSourceCopyAction = ParseNULLSourceCopyAction(mNULLSourceCopyAction.Value());
    mColumnMappingStatus.Recompute(environment);
    mlColumnMappingStatus = ParseColumnMappingStatus(mColumnMappingStatus.Value());
    mConversionErrorAction.Recompute(environment);
    mlConversionErrorAction = ParseConversionErrorAction(mConversionErrorAction.Value());
    mMappingConnectionName.Recompute(environment);
}

std::int32_t clsKivColumnMapping::PerformDataMapping() {
    if (mlColumnMappingStatus == kcsDisabled) {
        return kcmDisabled;
    }
    if (!mclsSourceMappingField || !mclsTargetMappingField) {
        report(kMsgError, 1, "Source or Target Mapping Field is not defined.");
        return kcmError;
    }
    const clsKivMappingField& source = *mclsSourceMappingField;
    Outcome outcome;
    if (source.FieldIsNull()) {
        if (source.MappingType() == kmtCopy) {
            outcome = nullSourceOutcome();
        } else if (source.MappingType() == kmtLookup) {
            outcome = nullLookupOutcome();
        }
    } else if (source.MappingType() == kmtConstant ||
               mclsTargetMappingField->MappingType() == kmtConstant) {
        outcome.value = source.DataValue();
    } else {
        outcome = convertedOutcome();
    }
    if (writesTarget(outcome.result)) {
        mclsTargetMappingField->DataValue(outcome.value);
    }
    return outcome.result;
}

clsKivColumnMapping::Outcome clsKivColumnMapping::nullSourceOutcome() {
    switch (static_cast<NULLSourceCopyActionEnum>(mlNULLSourceCopyAction)) {
        case knsSkipRecord:
            return {kcmSkipRecord, Variant()};
        case knsUsePreviousValue:
            return {kcmPreviousValueUsed, mntPreviousValue};
        case knsCopyNULL:
            break;
    }
    return {kcmValueProduced, Variant::Null()};
}

// A lookup without a connection cannot have found anything: that is reported, and the
// target gets an empty value rather than failing the row.
clsKivColumnMapping::Outcome clsKivColumnMapping::nullLookupOutcome() {
    if (!mclsSourceMappingField->LookupConnection()) {
        AddMappingMessage(
            mclsErrorMessages.get(), kMsgError, kSource, 12,
            "No Data Connection has been defined for Lookup targeting field: " + targetFieldName(),
            true);
        return {};
    }
    switch (static_cast<NULLLookupActionEnum>(mclsSourceMappingField->NULLLookupAction())) {
        case knlAllowAndLog:
            report(kMsgInformation, 2, std::string(kNullLookup));
            break;
        case knlGenerateError:
            report(kMsgError, 3, std::string(kNullLookup));
            return {kcmNullLookupError, Variant::Null()};
        case knlSkipRecordAndLog:
            report(kMsgWarning, 4, std::string(kNullLookup) + " Record has been skipped.");
            return {kcmSkipRecord, Variant()};
        case knlSkipRecord:
            return {kcmSkipRecord, Variant()};
        case knlAllow:
            break;
    }
    return {kcmValueProduced, Variant::Null()};
}

clsKivColumnMapping::Outcome clsKivColumnMapping::convertedOutcome() {
    if (!IsConvertible(mclsSourceMappingField->ActiveField().get(),
                       mclsTargetMappingField->ActiveField().get())) {
        return conversionErrorOutcome();
    }
    mntPreviousValue = mclsSourceMappingField->DataValue();
    return {kcmValueProduced, mntPreviousValue};
}

clsKivColumnMapping::Outcome clsKivColumnMapping::conversionErrorOutcome() {
    const std::string unable = std::string(kUnableToConvert);
    switch (static_cast<ConversionErrorActionEnum>(mlConversionErrorAction)) {
        case kceUsePreviousValueAndLog:
            report(kMsgWarning, 11, unable + targetFieldName() + "'.  Using Previous Value.");
            [[fallthrough]];
        case kceUsePreviousValue:
            return {kcmPreviousValueUsed, mntPreviousValue};
        case kceNullAndLog:
            report(kMsgWarning, 8, unable + targetFieldName() + "'.  Assigning NULL instead.");
            [[fallthrough]];
        case kceNull:
            return {kcmNullAfterConversionError, Variant::Null()};
        case kceSkipRecordAndLog:
            report(kMsgWarning, 10, unable + targetFieldName() + "'.  Skipping Record.");
            [[fallthrough]];
        case kceSkipRecord:
            return {kcmSkipRecord, Variant()};
        case kceError:
            break;
    }
    const std::string& column = mclsTargetMappingField->ColumnName(1);
    if (mclsTargetMappingField->ActiveField()) {
        report(kMsgError, 9, unable + column + "'.", true);
    } else {
        report(kMsgError, 10, "Field: '" + column + "' in Target Table does not exist.", true);
    }
    return {kcmError, Variant()};
}

// The bound column's name, or the name the target was given when it could not be bound.
std::string clsKivColumnMapping::targetFieldName() const {
    const auto& field = mclsTargetMappingField->ActiveField();
    return field ? field->Name() : mclsTargetMappingField->ColumnName(1);
}

void clsKivColumnMapping::report(std::int32_t type, std::int16_t number, const std::string& text,
                                 bool withRecord) {
    AddMappingMessage(mclsErrorMessages.get(), type, kPerformSource, number, text, withRecord);
}

bool clsKivColumnMapping::IsConvertible(const db::Field* source, const db::Field* target) {
    if (source == nullptr || target == nullptr) {
        return false;
    }
    const Variant& value = source->Value();
    if (value.isNull() || target->Type() != db::adDate) {
        return true;
    }
    const std::optional<std::int32_t> day = dayNumber(value, source->Type());
    return day && *day >= kFirstDay && *day <= kLastDay;
}

void clsKivColumnMapping::ColumnMappingStatus(std::int32_t code) {
    mColumnMappingStatus.Assign(ColumnMappingStatusName(code), mclsEnvironment.get());
    mlColumnMappingStatus = ParseColumnMappingStatus(mColumnMappingStatus.Value());
}

void clsKivColumnMapping::NULLSourceCopyAction(std::int32_t code) {
    if (code < knsCopyNULL || code > knsUsePreviousValue) {
        return;
    }
    mNULLSourceCopyAction.Assign(NULLSourceCopyActionName(code), mclsEnvironment.get());
    mlNULLSourceCopyAction = code;
}

void clsKivColumnMapping::ConversionErrorAction(std::int32_t code) {
    mConversionErrorAction.Assign(ConversionErrorActionName(code), mclsEnvironment.get());
    mlConversionErrorAction = ParseConversionErrorAction(mConversionErrorAction.Value());
}

void clsKivColumnMapping::Environment(std::shared_ptr<clsEnvironmentVariables> environment) {
    if (environment != mclsEnvironment) {
        mEnvironmentSubscription.reset();
        mclsEnvironment = std::move(environment);
        if (mclsEnvironment) {
            mEnvironmentSubscription = mclsEnvironment->Changed.subscribe(
                [this](const std::string& name) { mclsEnvironment_Changed(name); });
        }
    }
    for (const auto& field : {mclsSourceMappingField, mclsTargetMappingField}) {
        if (field) {
            field->Environment(mclsEnvironment);
        }
    }
    ApplyEnvironment();
}

void clsKivColumnMapping::DataConnections(std::shared_ptr<clsKivConnections> connections) {
    for (const auto& field : {mclsSourceMappingField, mclsTargetMappingField}) {
        if (field) {
            field->DataConnections(connections);
        }
    }
    mclsDataConnections = std::move(connections);
    ApplyEnvironment();
}

void clsKivColumnMapping::DebugLog(std::shared_ptr<clsDebugLog> log) {
    mclsDebugLog = std::move(log);
    if (mclsErrorMessages) {
        mclsErrorMessages->DebugLog(mclsDebugLog);
    }
    for (const auto& field : {mclsSourceMappingField, mclsTargetMappingField}) {
        if (field) {
            field->DebugLog(mclsDebugLog);
        }
    }
}

void clsKivColumnMapping::ErrorMessages(std::shared_ptr<clsMessages> messages) {
    mclsErrorMessages = std::move(messages);
    for (const auto& field : {mclsSourceMappingField, mclsTargetMappingField}) {
        if (field) {
            field->ErrorMessages(mclsErrorMessages);
        }
    }
}

std::shared_ptr<db::Recordset> clsKivColumnMapping::SourceRecordset() const {
    return mclsSourceMappingField ? mclsSourceMappingField->ActiveRecordset() : nullptr;
}

void clsKivColumnMapping::SourceRecordset(std::shared_ptr<db::Recordset> recordset) {
    if (mclsSourceMappingField) {
        mclsSourceMappingField->ActiveRecordset(std::move(recordset));
    }
}

std::shared_ptr<db::Recordset> clsKivColumnMapping::TargetRecordset() const {
    return mclsTargetMappingField ? mclsTargetMappingField->ActiveRecordset() : nullptr;
}

void clsKivColumnMapping::TargetRecordset(std::shared_ptr<db::Recordset> recordset) {
    if (mclsTargetMappingField) {
        mclsTargetMappingField->ActiveRecordset(std::move(recordset));
    }
}

void clsKivColumnMapping::MappingConnectionName(std::string_view name) {
    mMappingConnectionName.Assign(name, mclsEnvironment.get());
}

void clsKivColumnMapping::CloseRecordsets() {
    for (const auto& field : {mclsSourceMappingField, mclsTargetMappingField}) {
        if (field) {
            field->CloseRecordsets();
        }
    }
}

void clsKivColumnMapping::mclsEnvironment_Changed(const std::string&) {
    ApplyEnvironment();
}

void clsKivColumnMapping::Dump(clsDebugLog* log) const {
    log = clsDebugLog::Chosen(log, mclsDebugLog);
    if (log == nullptr) {
        return;
    }
    log->WriteLog("clsKivColumnMapping - Dump...");
    log->WriteLog(optionLine("Mapping Status: ", ColumnMappingStatusName(mlColumnMappingStatus),
                             mlColumnMappingStatus, "- ", mColumnMappingStatus));
    log->WriteLog(optionLine(
        "NULL Source Field Mapping Option: ", NULLSourceCopyActionName(mlNULLSourceCopyAction),
        mlNULLSourceCopyAction, "-  ", mNULLSourceCopyAction));
    log->WriteLog(optionLine(
        "Conversion Error Mapping Option: ", ConversionErrorActionName(mlConversionErrorAction),
        mlConversionErrorAction, "- ", mConversionErrorAction));
    dumpField(*log, "Source Mapping Field Definition:", mclsSourceMappingField.get(),
              "No Source Mapping Field Defined.");
    dumpField(*log, "Target Mapping Field Definition:", mclsTargetMappingField.get(),
              "No Target Mapping Field Defined.");
    DumpDataConnections(*log, mclsDataConnections.get());
    log->WriteLog("Column Mapping Messages:");
    log->IncrementIndent();
    if (mclsErrorMessages) {
        mclsErrorMessages->Dump(log);
    } else {
        log->WriteLog("Message Collection is << Nothing >>");
    }
    log->DecrementIndent();
}

void clsKivColumnMapping::dumpField(clsDebugLog& log, std::string_view heading,
                                    const clsKivMappingField* field,
                                    std::string_view missing) const {
    log.WriteLog(heading);
    log.IncrementIndent();
    if (field != nullptr) {
        field->Dump(&log);
    } else {
        log.WriteLog(missing);
    }
    log.WriteLog("");
    log.DecrementIndent();
}

}  // namespace kiv
