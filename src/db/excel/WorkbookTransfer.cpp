#include "db/excel/WorkbookTransfer.h"

#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>

namespace kiv::db::excel {

using cells::Cell;
using cells::ReaderProcess;

namespace {

void putCount(ReaderProcess::Output& output, std::size_t count) {
    output.putValue(static_cast<std::uint32_t>(count));
}

std::size_t takeCount(ReaderProcess& reader) {
    return reader.takeValue<std::uint32_t>();
}

void sendCell(const Cell& cell, ReaderProcess::Output& output) {
    output.putValue(cell.kind);
    if (cell.kind == Cell::Kind::Text) {
        output.putText(cell.text);
    } else if (!cell.blank()) {
        output.putValue(cell.number);
    }
}

Cell receiveCell(ReaderProcess& reader) {
    const auto kind = reader.takeValue<Cell::Kind>();
    if (kind > Cell::Kind::Text) {
        reader.malformed();
    }
    if (kind == Cell::Kind::Text) {
        return Cell::ofText(std::string(reader.takeText()));
    }
    return kind == Cell::Kind::Blank ? Cell() : Cell::ofNumber(reader.takeValue<double>(), kind);
}

}  // namespace

void WorkbookTransfer::send(const Workbook& workbook, ReaderProcess::Output& output) {
    putCount(output, workbook.sheets.size());
    for (const Workbook::Sheet& sheet : workbook.sheets) {
        output.putText(sheet.name);
        putCount(output, sheet.rows.size());
        for (const std::vector<Cell>& row : sheet.rows) {
            putCount(output, row.size());
            for (const Cell& cell : row) {
                sendCell(cell, output);
            }
        }
    }
    putCount(output, workbook.names.size());
    for (const Workbook::Name& name : workbook.names) {
        output.putText(name.name);
        putCount(output, name.sheet);
        for (const std::size_t bound : {name.range.firstRow, name.range.firstColumn,
                                        name.range.lastRow, name.range.lastColumn}) {
            output.putValue(static_cast<std::uint64_t>(bound));
        }
    }
}

Workbook WorkbookTransfer::receive(ReaderProcess& reader) {
    Workbook workbook;
    for (std::size_t sheets = takeCount(reader); sheets > 0; --sheets) {
        Workbook::Sheet& sheet = workbook.sheets.emplace_back();
        sheet.name = reader.takeText();
        for (std::size_t rows = takeCount(reader); rows > 0; --rows) {
            std::vector<Cell>& row = sheet.rows.emplace_back();
            for (std::size_t cells = takeCount(reader); cells > 0; --cells) {
                row.push_back(receiveCell(reader));
            }
        }
    }
    for (std::size_t names = takeCount(reader); names > 0; --names) {
        Workbook::Name& name = workbook.names.emplace_back();
        name.name = reader.takeText();
        name.sheet = takeCount(reader);
        name.range.firstRow = reader.takeValue<std::uint64_t>();
        name.range.firstColumn = reader.takeValue<std::uint64_t>();
        name.range.lastRow = reader.takeValue<std::uint64_t>();
        name.range.lastColumn = reader.takeValue<std::uint64_t>();
        if (name.sheet >= workbook.sheets.size()) {
            reader.malformed();
        }
    }
    reader.finish();
    return workbook;
}

}  // namespace kiv::db::excel
