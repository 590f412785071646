#pragma once

#include <QString>

namespace kiv {

// The program's version information, shown by the window caption and the About box.
class VersionInfo {
public:
    static QString Title();
    // major.minor.revision
    static QString Version();
    // "{NL}" marks a line break.
    static QString Description();
};

}  // namespace kiv
