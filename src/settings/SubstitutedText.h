#pragma once

#include <string>
#include <string_view>

#include "settings/clsEnvironmentVariables.h"

namespace kiv {

// A configurable text held as written in the specification and after substitution of the
// environment's placeholders. Without an environment the substituted form is the text itself.
class SubstitutedText {
public:
    const std::string& Written() const { return msWritten; }
    const std::string& Value() const { return msValue; }

    void Assign(std::string_view written, const clsEnvironmentVariables* environment) {
        msWritten = std::string(written);
        Recompute(environment);
    }
    void Recompute(const clsEnvironmentVariables* environment) {
        msValue = environment ? environment->ReplaceEnvironmentVariables(msWritten) : msWritten;
    }

private:
    std::string msWritten;
    std::string msValue;
};

}  // namespace kiv
