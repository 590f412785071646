#include "mapping/clsKivColumnMappings.h"

#include <algorithm>
#include <stdexcept>

#include "base/Text.h"
#include "db/DataType.h"

namespace kiv {

bool clsKivColumnMappings::LoadSpecification(clsINIFile* ini,
                                             std::shared_ptr<clsEnvironmentVariables> environment,
                                             std::string_view section) {
    if (ini == nullptr) {
        return false;
    }
    miExpectedCount = 0;
    msSection = std::string(section);
    while (AddFromFile(ini, environment, section, static_cast<std::int16_t>(miExpectedCount + 1))) {
        ++miExpectedCount;
    }
    return miExpectedCount > 0;
}

std::shared_ptr<clsKivColumnMapping> clsKivColumnMappings::AddFromFile(
    clsINIFile* ini, std::shared_ptr<clsEnvironmentVariables> environment, std::string_view section,
    std::int16_t mappingNumber) {
    auto mapping = std::make_shared<clsKivColumnMapping>();
    mapping->DebugLog(mclsDebugLog);
    mapping->Environment(std::move(environment));
    mapping->ErrorMessages(mclsErrorMessages);
    if (!mapping->LoadSpecification(ini, section, mappingNumber)) {
        return nullptr;
    }
    mapping->Environment(mclsEnvironment);
    mapping->DataConnections(mclsDataConnections);
    mItems.Add(mapping);
    return mapping;
}

std::vector<SpecificationProblem> clsKivColumnMappings::BindingProblems(
    const db::Fields* source, const db::Fields* target, std::string_view sourceOwner,
    std::string_view targetOwner) const {
    std::vector<SpecificationProblem> problems;
    std::int16_t number = 0;
    for (const auto& mapping : mItems) {
        ++number;
        // A disabled mapping is left out: its columns need not be there.
        if (mapping->ColumnMappingStatus() == kcsDisabled) {
            continue;
        }
        if (source && mapping->SourceMappingField()) {
            mapping->SourceMappingField()->AddBindingProblems(problems, *source, sourceOwner,
                                                              msSection, number);
        }
        if (target && mapping->TargetMappingField()) {
            mapping->TargetMappingField()->AddBindingProblems(problems, *target, targetOwner,
                                                              msSection, number);
        }
    }
    return problems;
}

std::vector<db::ColumnInfo> clsKivColumnMappings::TargetColumns(const db::Fields& source) const {
    std::vector<db::ColumnInfo> columns;
    for (const auto& mapping : mItems) {
        const auto& target = mapping->TargetMappingField();
        const std::string name = target ? target->ColumnName(1) : std::string();
        const bool named = std::any_of(columns.begin(), columns.end(), [&](const auto& column) {
            return text::iequals(column.name, name);
        });
        // A disabled mapping writes nothing, so it makes no column.
        if (name.empty() || named || mapping->ColumnMappingStatus() == kcsDisabled) {
            continue;
        }
        const auto& from = mapping->SourceMappingField();
        const auto copied = from && from->MappingType() == kmtCopy
                                ? source.Find(from->ColumnName(1))
                                : std::shared_ptr<db::Field>();
        db::ColumnInfo column;
        if (copied) {
            column = copied->column();
        } else {
            column.type = db::adLongVarWChar;
            column.definedSize = db::DataType::defaultSize(db::adLongVarWChar);
        }
        column.name = name;
        columns.push_back(std::move(column));
    }
    return columns;
}

std::int32_t clsKivColumnMappings::PerformDataMappings() {
    std::int32_t result = kcmValueProduced;
    mFailedMapping = nullptr;
    for (const auto& mapping : mItems) {
        result = mapping->PerformDataMapping();
        if (result < 0) {
            mFailedMapping = mapping.get();
        }
        if (result < 0 || result == kcmSkipRecord) {
            break;
        }
    }
    return result;
}

std::string clsKivColumnMappings::FailedTargetColumn() const {
    if (!mFailedMapping || !mFailedMapping->TargetMappingField()) {
        return {};
    }
    const clsKivMappingField& target = *mFailedMapping->TargetMappingField();
    return target.ActiveField() ? target.ActiveField()->Name() : target.ColumnName(1);
}

void clsKivColumnMappings::Remove(long index) {
    if (!mItems.Remove(index)) {
        throw std::out_of_range("No column mapping at position " + text::decimal(index));
    }
}

void clsKivColumnMappings::DebugLog(std::shared_ptr<clsDebugLog> log) {
    mclsDebugLog = std::move(log);
    for (const auto& mapping : mItems) {
        mapping->DebugLog(mclsDebugLog);
    }
}

void clsKivColumnMappings::Environment(std::shared_ptr<clsEnvironmentVariables> environment) {
    for (const auto& mapping : mItems) {
        mapping->Environment(environment);
    }
    mclsEnvironment = std::move(environment);
}

void clsKivColumnMappings::DataConnections(std::shared_ptr<clsKivConnections> connections) {
    for (const auto& mapping : mItems) {
        mapping->DataConnections(connections);
    }
    mclsDataConnections = std::move(connections);
}

void clsKivColumnMappings::ErrorMessages(std::shared_ptr<clsMessages> messages) {
    mclsErrorMessages = std::move(messages);
    for (const auto& mapping : mItems) {
        mapping->ErrorMessages(mclsErrorMessages);
    }
}

void clsKivColumnMappings::SourceRecordset(std::shared_ptr<db::Recordset> recordset) {
    mrcdSourceRecordset = std::move(recordset);
    for (const auto& mapping : mItems) {
        mapping->SourceRecordset(mrcdSourceRecordset);
    }
}

void clsKivColumnMappings::TargetRecordset(std::shared_ptr<db::Recordset> recordset) {
    mrcdTargetRecordset = std::move(recordset);
    for (const auto& mapping : mItems) {
        mapping->TargetRecordset(mrcdTargetRecordset);
    }
}

void clsKivColumnMappings::CloseRecordsets() {
    for (const auto& mapping : mItems) {
        mapping->CloseRecordsets();
    }
}

void clsKivColumnMappings::Dump(clsDebugLog* log) const {
    log = clsDebugLog::Chosen(log, mclsDebugLog);
    if (log == nullptr) {
        return;
    }
    log->WriteLog("Number of Expected Column Mappings: " + text::decimal(miExpectedCount));
    log->WriteLog("Number of Actual Column Mappings:   " + text::decimal(Count()));
    for (long i = 1; i <= Count(); ++i) {
        log->WriteLog("Column Mapping: " + text::decimal(i));
        log->IncrementIndent();
        if (const auto mapping = mItems.Item(i)) {
            mapping->Dump(log);
        } else {
            log->WriteLog("<< Not Set >>");
        }
        log->DecrementIndent();
        log->WriteLog("");
    }
}

}  // namespace kiv
