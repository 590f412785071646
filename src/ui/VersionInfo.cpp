#include "ui/VersionInfo.h"

namespace kiv {

QString VersionInfo::Title() {
    return QStringLiteral("Kiv");
}

QString VersionInfo::Version() {
    return QStringLiteral(KIV_VERSION);
}

QString VersionInfo::Description() {
    return QStringLiteral(
        "Data loader and conversion utility.{NL}{NL}"
        "Runs the steps of package specifications pass after pass, copying rows between text "
        "files, workbooks, HTML tables, Access files and databases, and appends a processing "
        "report.");
}

}  // namespace kiv
