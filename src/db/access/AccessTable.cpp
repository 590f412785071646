#include "db/access/AccessTable.h"

#include "db/access/Mdb.h"

#include <cstdint>
#include <memory>
#include <stdexcept>

#include "db/access/AccessDatabase.h"
#include "db/cells/SqlName.h"

namespace kiv::db::access {

AccessTable AccessTable::read(MdbCatalogEntry* entry) {
    const std::unique_ptr<MdbTableDef, decltype(&mdb_free_tabledef)> table(mdb_read_table(entry),
                                                                           mdb_free_tabledef);
    if (!table || mdb_read_columns(table.get()) == nullptr) {
        throw std::runtime_error(std::string("cannot read the definition of the table ") +
                                 entry->object_name);
    }
    // Jet 3 files count text sizes in bytes of one code page, later ones in UTF-16 units.
    const bool twoBytesPerCharacter = !IS_JET3(entry->mdb);
    AccessTable result{entry->object_name,
                       {},
                       static_cast<double>(table->num_rows),
                       AccessDatabase::isSystemTable(entry)};
    for (unsigned int i = 0; i < table->num_cols; ++i) {
        const auto* column = static_cast<const MdbColumn*>(g_ptr_array_index(table->columns, i));
        AccessColumn out{column->name, column->col_type, column->col_size, column->col_prec,
                         column->col_scale};
        if (column->col_type == MDB_TEXT && twoBytesPerCharacter) {
            out.size /= 2;
        }
        result.columns.push_back(std::move(out));
    }
    return result;
}

void AccessTable::send(cells::ReaderProcess::Output& output) const {
    output.putText(name);
    output.putValue(rows);
    output.putValue(static_cast<std::uint8_t>(system ? 1 : 0));
    output.putValue(static_cast<std::uint32_t>(columns.size()));
    for (const AccessColumn& column : columns) {
        output.putText(column.name);
        for (const int number : {column.type, column.size, column.precision, column.scale}) {
            output.putValue(number);
        }
    }
}

AccessTable AccessTable::receive(cells::ReaderProcess& reader) {
    AccessTable table;
    table.name = reader.takeText();
    table.rows = reader.takeValue<double>();
    table.system = reader.takeValue<std::uint8_t>() != 0;
    for (auto count = reader.takeValue<std::uint32_t>(); count > 0; --count) {
        AccessColumn& column = table.columns.emplace_back();
        column.name = reader.takeText();
        for (int* number : {&column.type, &column.size, &column.precision, &column.scale}) {
            *number = reader.takeValue<int>();
        }
    }
    return table;
}

std::string AccessTable::declaration() const {
    std::string sql = "CREATE TABLE x(";
    for (std::size_t i = 0; i < columns.size(); ++i) {
        sql.append(i == 0 ? "" : ", ")
            .append(cells::SqlName::quoted(columns[i].name))
            .append(" ")
            .append(columns[i].declaredType());
    }
    return sql + ")";
}

}  // namespace kiv::db::access
