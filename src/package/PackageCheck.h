#pragma once

#include <vector>

#include "package/clsKivSpecification.h"
#include "settings/SpecificationProblem.h"
#include "steps/clsKivSteps.h"

namespace kiv {

// Finds the mistakes of loaded packages before they run. The file checks need nothing but
// the files; the data checks open the connections the steps name (writing nothing) and look
// at the source and destination tables and the mapped columns.
class PackageCheck {
public:
    // The administration section, repeated sections and keys, step types, connections without
    // a section and data loads without column mappings of one file.
    static void AddFileProblems(std::vector<SpecificationProblem>& problems,
                                const clsKivSpecification& specification);
    // Prerequisites that name no step or form a cycle, over the steps of every file.
    static void AddPrerequisiteProblems(std::vector<SpecificationProblem>& problems,
                                        const clsKivSteps& steps);
    // Connections that do not open, source or destination tables that are not there, mapped
    // columns either side does not have and lookups that cannot run.
    static void AddDataProblems(std::vector<SpecificationProblem>& problems,
                                const clsKivSteps& steps);
};

}  // namespace kiv
