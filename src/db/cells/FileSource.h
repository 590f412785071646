#pragma once

#include <string>
#include <string_view>

#include "base/Variant.h"
#include "db/ConnectString.h"
#include "db/Error.h"

namespace kiv::db::cells {

// Who a file source is (a workbook, an HTML file, an Access database): the provider name, the
// tag its errors start with ("[Kiv][HTML]") and what its files are called ("HTML file"); and
// what every such source reads from its connect string.
struct FileSource {
    std::string provider;
    std::string tag;
    std::string kind;

    // Why a file of a type that is only read takes no changes, naming the file and what takes
    // its place as a destination.
    std::string refusal(const std::string& path) const;

    // A failure of opening the source, described in its own words.
    Error error(std::string_view description) const;

    // The file the connect string names (Data Source), as an absolute path; it may be written
    // with `\` and in another letter case than on disk. Throws Error when it names none or the
    // file does not exist.
    std::string path(const ConnectString& parts) const;

    // Whether the first row of a range holds the column names: HDR=Yes or HDR=No in the
    // extended properties ("Excel 8.0;HDR=No;") or as a key of its own.
    static bool firstRowHasNames(const ConnectString& parts, bool byDefault);

    // When the file was last changed, in local time; Null when that cannot be read.
    static Variant modified(const std::string& path);
};

}  // namespace kiv::db::cells
