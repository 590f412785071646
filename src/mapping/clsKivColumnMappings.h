#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/Collection.h"
#include "mapping/clsKivColumnMapping.h"

namespace kiv {

// The column mappings of one data load step, in mapping-number order. It hands the shared
// references down to every member and runs them all for each source row, condensing their
// result codes into the one the step acts on.
class clsKivColumnMappings {
public:
    // Loads mappings 1, 2, ... up to the first number not found (mappings after a gap are
    // never read); false when there was none.
    bool LoadSpecification(clsINIFile* ini, std::shared_ptr<clsEnvironmentVariables> environment,
                           std::string_view section);
    std::shared_ptr<clsKivColumnMapping> AddFromFile(
        clsINIFile* ini, std::shared_ptr<clsEnvironmentVariables> environment,
        std::string_view section, std::int16_t mappingNumber);

    // What keeps the mappings from binding to the source's and the target's columns, each
    // described as "the source ..." and "the destination table ...": a column that is not
    // there, a lookup that cannot run. Lookup connections are opened. Without source columns
    // only the target side is checked, without target columns only the source side.
    std::vector<SpecificationProblem> BindingProblems(const db::Fields* source,
                                                      const db::Fields* target,
                                                      std::string_view sourceOwner,
                                                      std::string_view targetOwner) const;
    // The destination columns the mappings fill, in mapping order, a column named twice once:
    // each with the name its mapping gives and the type of the `source` column it copies; a
    // constant or a lookup fills a text column.
    std::vector<db::ColumnInfo> TargetColumns(const db::Fields& source) const;
    // The section the mappings were loaded from.
    const std::string& Section() const { return msSection; }

    // Performs the mappings in order and stops at the first that fails (negative) or asks to
    // skip the row (4), whose code is returned; otherwise the last mapping's code, 0 for an
    // empty collection.
    std::int32_t PerformDataMappings();
    // The target column of the mapping that failed the last PerformDataMappings; empty when
    // none failed.
    std::string FailedTargetColumn() const;

    // A position outside 1..Count is an error of the caller (std::out_of_range).
    std::shared_ptr<clsKivColumnMapping> Item(long index) const { return mItems.At(index); }
    long Count() const { return mItems.Count(); }
    void Remove(long index);
    void Clear() { mItems.Clear(); }
    auto begin() const { return mItems.begin(); }
    auto end() const { return mItems.end(); }

    const std::shared_ptr<clsDebugLog>& DebugLog() const { return mclsDebugLog; }
    void DebugLog(std::shared_ptr<clsDebugLog> log);
    const std::shared_ptr<clsEnvironmentVariables>& Environment() const { return mclsEnvironment; }
    void Environment(std::shared_ptr<clsEnvironmentVariables> environment);
    const std::shared_ptr<clsKivConnections>& DataConnections() const {
        return mclsDataConnections;
    }
    void DataConnections(std::shared_ptr<clsKivConnections> connections);
    const std::shared_ptr<clsMessages>& ErrorMessages() const { return mclsErrorMessages; }
    void ErrorMessages(std::shared_ptr<clsMessages> messages);
    const std::shared_ptr<db::Recordset>& SourceRecordset() const { return mrcdSourceRecordset; }
    // Every source field binds and computes the current row's value; database errors of a
    // lookup reach the caller.
    void SourceRecordset(std::shared_ptr<db::Recordset> recordset);
    const std::shared_ptr<db::Recordset>& TargetRecordset() const { return mrcdTargetRecordset; }
    void TargetRecordset(std::shared_ptr<db::Recordset> recordset);

    void CloseRecordsets();
    void Dump(clsDebugLog* log = nullptr) const;

private:
    Collection<clsKivColumnMapping> mItems;
    const clsKivColumnMapping* mFailedMapping = nullptr;
    std::int16_t miExpectedCount = 0;
    std::string msSection;
    std::shared_ptr<clsDebugLog> mclsDebugLog;
    std::shared_ptr<clsEnvironmentVariables> mclsEnvironment;
    std::shared_ptr<clsKivConnections> mclsDataConnections;
    std::shared_ptr<clsMessages> mclsErrorMessages;
    std::shared_ptr<db::Recordset> mrcdSourceRecordset;
    std::shared_ptr<db::Recordset> mrcdTargetRecordset;
};

}  // namespace kiv
