#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/files/TextColumn.h"

namespace kiv::db::files {

// A CREATE TABLE or DROP TABLE statement on a text file, which the engine carries out on the
// file itself: `CREATE TABLE [new.csv] (A INTEGER, B TEXT(50))`, `DROP TABLE [old#csv]`.
class TextDefinition {
public:
    enum class Kind { Create, Drop };

    Kind kind = Kind::Create;
    // The file name, a `name#ext` form turned into `name.ext`.
    std::string fileName;
    // The columns of CREATE TABLE, with their schema.ini types and widths.
    std::vector<TextColumn> columns;

    // Nothing when the statement is neither; throws std::runtime_error with a description
    // when it is one but cannot be carried out on a text file.
    static std::optional<TextDefinition> parse(std::string_view sql);
};

}  // namespace kiv::db::files
