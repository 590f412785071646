#include "package/PackageCheck.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "base/Path.h"
#include "base/Text.h"
#include "db/Error.h"
#include "db/Recordset.h"
#include "db/SqlText.h"
#include "mapping/MappingCodes.h"
#include "settings/IniDocument.h"

namespace kiv {

namespace {

// The key an administration message is about, found by the words it starts with.
std::string adminKey(const std::string& message) {
    constexpr std::array<std::pair<std::string_view, std::string_view>, 3> kKeys = {{
        {"Kiv File Type", "FileType"},
        {"Kiv Spec Version", "FormatVersion"},
        {"Package Name", "PackageName"},
    }};
    for (const auto& [start, key] : kKeys) {
        if (message.starts_with(start)) {
            return std::string(key);
        }
    }
    return {};
}

std::string stepSection(const clsKivStep& step) {
    return "STEP " + text::decimal(step.StepNumber());
}

bool loadsRows(const clsKivStep& step) {
    return step.StepType() == kstDataLoad || step.StepType() == kstExtractCatalog ||
           step.StepType() == kstExtractTableStructure;
}

std::string stepTypes() {
    std::string names;
    for (std::int32_t code = kstDoNothing; code <= kstCustomSQL; ++code) {
        names += (names.empty() ? "" : ", ") + text::toLower(clsKivStep::StepTypeToText(code));
    }
    return names;
}

void addStepProblems(std::vector<SpecificationProblem>& problems, const clsKivStep& step,
                     const std::string& file, const IniDocument& document) {
    const std::string section = stepSection(step);
    if (step.StepName().empty()) {
        problems.push_back({file, section, "StepName", "the step has no name."});
    }
    if (step.StepType() == kstUnknown) {
        problems.push_back(
            {file, section, "StepType", "not a step type; the types are " + stepTypes() + "."});
    }
    constexpr std::array<std::string_view, 2> kSlotKeys = {"SourceConnection", "TargetConnection"};
    for (int slot = 0; slot < 2; ++slot) {
        const auto connection = step.TableConnection(slot);
        if (connection && !connection->IsDefined()) {
            problems.push_back({file, section,
                                std::string(kSlotKeys[static_cast<std::size_t>(slot)]),
                                connection->NotDefinedText()});
        }
    }
    if (!loadsRows(step)) {
        return;
    }
    if (step.TableName(clsKivStep::kDestination).empty()) {
        problems.push_back(
            {file, section, "TargetTableName", "the step names no destination table."});
    }
    for (SpecificationProblem problem : step.Options().Problems(file, section)) {
        problems.push_back(std::move(problem));
    }
    if (step.ColumnMappings()->Count() > 0) {
        return;
    }
    const std::string mappings = step.ColumnMappingSection();
    problems.push_back({file, section, "SourceToDestinationColumnMappingSection",
                        mappings.empty() ? "no column mappings: the key is not set."
                        : document.HasSection(mappings)
                            ? "no column mappings: the section [" + mappings + "] holds no mapping."
                            : "no column mappings: there is no section [" + mappings + "]."});
}

// The whole number `text` starts with, and how many characters it takes.
std::optional<long> leadingNumber(std::string_view text, std::size_t& length) {
    long number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    length = static_cast<std::size_t>(end - text.data());
    const bool digits = error == std::errc() && text.front() != '-';
    return digits ? std::optional<long>(number) : std::nullopt;
}

// The number of a section named "STEP n", nothing for other sections.
std::optional<long> stepSectionNumber(std::string_view section) {
    if (!text::istartsWith(section, "STEP ")) {
        return std::nullopt;
    }
    std::size_t length = 0;
    const auto number = leadingNumber(section.substr(5), length);
    return length == section.size() - 5 ? number : std::nullopt;
}

// The number a mapping key belongs to: the digits after its first underscore.
std::optional<long> mappingKeyNumber(std::string_view key) {
    const auto underscore = key.find('_');
    std::size_t length = 0;
    return underscore == std::string_view::npos ? std::nullopt
                                                : leadingNumber(key.substr(underscore + 1), length);
}

// Sections and keys the run never reads because the numbering they continue stopped before
// them (a step section after a missing one, a mapping after one without its source or target),
// and mapping options whose value is none of those the key takes.
void addSectionProblems(std::vector<SpecificationProblem>& problems, const std::string& file,
                        const IniDocument& document, const clsKivSteps& steps) {
    const long stepsRead = steps.Count();
    // Each mapping section read, with the number of its mappings and a step that reads it.
    std::map<std::string, std::pair<long, const clsKivStep*>> mappingsRead;
    for (const auto& step : steps) {
        if (loadsRows(*step) && !step->ColumnMappingSection().empty()) {
            mappingsRead[text::toLower(step->ColumnMappingSection())] = {
                step->ColumnMappings()->Count(), step.get()};
        }
    }
    for (const IniDocument::Section& section : document.Sections()) {
        const auto number = stepSectionNumber(section.name);
        if (number && *number > stepsRead) {
            problems.push_back(
                {file, section.name, "",
                 "the section is never read: steps are read from [STEP 1] up to the first "
                 "section that is missing or has no StepName key, here [STEP " +
                     text::decimal(stepsRead + 1) + "]."});
        }
        const auto mappings = mappingsRead.find(text::toLower(section.name));
        if (mappings == mappingsRead.end()) {
            continue;
        }
        for (const IniDocument::Key& key : section.keys) {
            const auto& [count, step] = mappings->second;
            const auto mapping = mappingKeyNumber(key.name);
            if (mapping && *mapping > count) {
                problems.push_back(
                    {file, section.name, key.name,
                     "the key is never read: mappings are read from 1 up to the first number "
                     "without both a source and a target, here mapping " +
                         text::decimal(count + 1) + "."});
                continue;
            }
            std::string value(document.Value(section.name, key.name).value_or(""));
            if (step->Environment()) {
                value = step->Environment()->ReplaceEnvironmentVariables(value);
            }
            if (const auto problem = MappingValueProblem(key.name, value)) {
                problems.push_back({file, section.name, key.name, *problem});
            }
        }
    }
}

bool namesOneTable(const std::string& table) {
    return !table.empty() && table.find('*') == std::string::npos &&
           !text::istartsWith(table, "TABLE_NUM_");
}

// The steps whose prerequisites lead back to them: members of a strongly connected group of
// more than one step, or steps that require themselves. Tarjan's algorithm with a stack of its
// own, so a long chain neither recurses deeply nor is walked once per step.
std::set<const clsKivStep*> stepsInCycles(const clsKivSteps& steps) {
    std::map<const clsKivStep*, std::vector<const clsKivStep*>> edges;
    for (const auto& step : steps) {
        auto& next = edges[step.get()];
        for (std::int32_t position = 1; position <= step->PrerequisiteCount(); ++position) {
            if (const auto prerequisite = steps.Item(step->PrerequisiteStepName(position))) {
                next.push_back(prerequisite.get());
            }
        }
    }
    struct Mark {
        long index = -1;
        long low = 0;
        bool onStack = false;
    };
    std::map<const clsKivStep*, Mark> marks;
    std::vector<const clsKivStep*> stack;
    std::set<const clsKivStep*> inCycles;
    long counter = 0;
    for (const auto& root : steps) {
        if (marks[root.get()].index >= 0) {
            continue;
        }
        std::vector<std::pair<const clsKivStep*, std::size_t>> walk{{root.get(), 0}};
        while (!walk.empty()) {
            auto& [step, next] = walk.back();
            Mark& mark = marks[step];
            if (next == 0 && mark.index < 0) {
                mark.index = mark.low = counter++;
                stack.push_back(step);
                mark.onStack = true;
            }
            const auto& prerequisites = edges[step];
            if (next < prerequisites.size()) {
                const clsKivStep* prerequisite = prerequisites[next++];
                const Mark& other = marks[prerequisite];
                if (other.index < 0) {
                    walk.emplace_back(prerequisite, 0);
                } else if (other.onStack) {
                    mark.low = std::min(mark.low, other.index);
                }
                continue;
            }
            if (mark.low == mark.index) {
                std::vector<const clsKivStep*> group;
                const clsKivStep* member = nullptr;
                do {
                    member = stack.back();
                    stack.pop_back();
                    marks[member].onStack = false;
                    group.push_back(member);
                } while (member != step);
                const bool selfLoop = std::find(prerequisites.begin(), prerequisites.end(), step) !=
                                      prerequisites.end();
                if (group.size() > 1 || selfLoop) {
                    inCycles.insert(group.begin(), group.end());
                }
            }
            const long low = mark.low;
            walk.pop_back();
            if (!walk.empty()) {
                Mark& parent = marks[walk.back().first];
                parent.low = std::min(parent.low, low);
            }
        }
    }
    return inCycles;
}

// Opens the connection once; false, with the problem added, when it does not open.
bool opens(std::vector<SpecificationProblem>& problems, clsKivConnection& connection,
           const std::string& file, std::set<const clsKivConnection*>& failed,
           const std::set<const clsKivConnection*>& written) {
    if (!connection.IsDefined() || failed.contains(&connection)) {
        return false;
    }
    if (connection.IsOpen()) {
        return true;
    }
    // Opening would create the file, and a check writes nothing. A file some step writes to
    // is made by the run itself (as are the tables its steps create), so only a file nothing
    // writes is a mistake.
    if (connection.KivConnectionType() == kctSQLite &&
        !path::exists(path::resolveExisting(connection.DatabaseName()))) {
        failed.insert(&connection);
        if (!written.contains(&connection)) {
            problems.push_back({file, "Data Connection - " + connection.Name(), "Database",
                                "the database file " + connection.DatabaseName() +
                                    " does not exist; no step writes to it."});
        }
        return false;
    }
    if (connection.OpenConnection()) {
        return true;
    }
    failed.insert(&connection);
    const auto& errors = connection.ADOConnection()->Errors();
    problems.push_back({file, "Data Connection - " + connection.Name(), "",
                        "the connection could not be opened" +
                            (errors.Count() > 0 ? ": " + errors.Item(0)->Description() : ".")});
    return false;
}

// The rows of `statement`, read lazily; nothing when it fails, with its description.
std::shared_ptr<db::Recordset> openRows(clsKivConnection& connection, const std::string& table,
                                        std::string& failure) {
    auto rows = std::make_shared<db::Recordset>();
    try {
        rows->Open("SELECT * FROM " + db::SqlText::bracket(table), connection.ADOConnection(),
                   db::adOpenForwardOnly, db::adLockReadOnly, db::adCmdText);
        return rows;
    } catch (const db::Error& error) {
        failure = clsKivStep::StripProviderPrefix(error.Description());
        return nullptr;
    }
}

void addDataLoadProblems(std::vector<SpecificationProblem>& problems, const clsKivStep& step,
                         std::set<const clsKivConnection*>& failed,
                         const std::set<const clsKivConnection*>& written) {
    const std::string file = step.SourceFileName();
    const std::string section = stepSection(step);
    const auto source = step.TableConnection(clsKivStep::kSource);
    const auto destination = step.TableConnection(clsKivStep::kDestination);
    const bool sourceOpen = source && opens(problems, *source, file, failed, written);
    const bool destinationOpen =
        destination && opens(problems, *destination, file, failed, written);
    if (destinationOpen) {
        if (const std::string refusal = destination->ADOConnection()->WriteRefusal();
            !refusal.empty()) {
            problems.push_back({file, section, "TargetConnection",
                                "the destination connection '" + destination->Name() +
                                    "' takes no rows: " + refusal + "."});
        }
    }
    std::string failure;
    std::shared_ptr<db::Recordset> sourceRows;
    const std::string sourceTable = step.TableName(clsKivStep::kSource);
    if (sourceOpen && step.StepType() == kstDataLoad && namesOneTable(sourceTable)) {
        sourceRows = openRows(*source, sourceTable, failure);
        if (!sourceRows) {
            problems.push_back({file, section, "SourceTableName",
                                "the source connection '" + source->Name() + "' has no table '" +
                                    sourceTable + "': " + failure});
        }
    } else if (sourceOpen && step.StepType() == kstExtractCatalog) {
        sourceRows = source->CatalogRecordset();
    }
    std::shared_ptr<db::Recordset> targetRows;
    const std::string targetTable = step.TableName(clsKivStep::kDestination);
    // A table the step replaces, or creates when it is missing, is made from the mappings.
    const LoadMode mode = step.Options().Mode();
    const bool made = mode == LoadMode::Replace || mode == LoadMode::Create;
    if (destinationOpen && !targetTable.empty() && mode != LoadMode::Replace) {
        targetRows = openRows(*destination, targetTable, failure);
        if (!targetRows && !made) {
            problems.push_back({file, section, "TargetTableName",
                                "the destination connection '" + destination->Name() +
                                    "' has no table '" + targetTable + "': " + failure});
        }
    }
    if (targetRows || (made && sourceRows)) {
        for (SpecificationProblem problem : step.ColumnMappings()->BindingProblems(
                 sourceRows ? &sourceRows->Fields() : nullptr,
                 targetRows ? &targetRows->Fields() : nullptr,
                 step.StepType() == kstDataLoad ? "the source table " + sourceTable : "the catalog",
                 "the destination table " + targetTable)) {
            problem.file = file;
            problems.push_back(std::move(problem));
        }
    }
    // The catalog listing belongs to the connection and stays open.
    if (sourceRows && step.StepType() == kstDataLoad) {
        sourceRows->Close();
    }
    if (targetRows) {
        targetRows->Close();
    }
}

}  // namespace

void PackageCheck::AddFileProblems(std::vector<SpecificationProblem>& problems,
                                   const clsKivSpecification& specification) {
    const std::string& file = specification.FileName();
    if (const auto messages = specification.ErrorMessages()) {
        for (const auto& message : *messages) {
            problems.push_back(
                {file, "Administration", adminKey(message->Text()), message->Text()});
        }
    }
    const auto document = IniDocument::Load(file);
    for (const auto& repetition : document->Repetitions()) {
        problems.push_back({file, repetition.section, repetition.key,
                            (repetition.key.empty() ? "the section" : "the key") +
                                std::string(" appears again on line ") +
                                text::decimal(repetition.line) +
                                "; only its first occurrence counts."});
    }
    for (const auto& step : *specification.Steps()) {
        addStepProblems(problems, *step, file, *document);
    }
    addSectionProblems(problems, file, *document, *specification.Steps());
}

void PackageCheck::AddPrerequisiteProblems(std::vector<SpecificationProblem>& problems,
                                           const clsKivSteps& steps) {
    const std::set<const clsKivStep*> inCycles = stepsInCycles(steps);
    for (const auto& step : steps) {
        for (std::int32_t position = 1; position <= step->PrerequisiteCount(); ++position) {
            const std::string name = step->PrerequisiteStepName(position);
            if (!steps.Item(name)) {
                problems.push_back({step->SourceFileName(), stepSection(*step),
                                    "PrerequisiteTarget_" + text::decimal(position),
                                    "no step is named '" + name + "'."});
            }
        }
        if (inCycles.contains(step.get())) {
            problems.push_back({step->SourceFileName(), stepSection(*step), "PrerequisiteTarget_1",
                                "the prerequisites of '" + step->StepName() +
                                    "' lead back to it: they form a cycle."});
        }
    }
}

void PackageCheck::AddDataProblems(std::vector<SpecificationProblem>& problems,
                                   const clsKivSteps& steps) {
    std::set<const clsKivConnection*> failed;
    std::set<const clsKivConnection*> written;
    for (const auto& step : steps) {
        if (const auto destination = step->TableConnection(clsKivStep::kDestination)) {
            written.insert(destination.get());
        }
    }
    for (const auto& step : steps) {
        if (loadsRows(*step)) {
            addDataLoadProblems(problems, *step, failed, written);
            continue;
        }
        for (const int slot : {clsKivStep::kSource, clsKivStep::kDestination}) {
            if (const auto connection = step->TableConnection(slot)) {
                opens(problems, *connection, step->SourceFileName(), failed, written);
            }
        }
    }
}

}  // namespace kiv
