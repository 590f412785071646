#include "db/excel/WorkbookTransfer.h"

#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>

namespace kiv::db::excel {

using cells::Cell;
using cells::ReaderProcess;

namespace {

template <typename Value>
void put(ReaderProcess::Output& output, Value value) {
    output.put(std::string_view(reinterpret_cast<const char*>(&value), sizeof value));
}

void putCount(ReaderProcess::Output& output, std::size_t count) {
    put(output, static_cast<std::uint32_t>(count));
}

void putText(ReaderProcess::Output& output, const std::string& text) {
    putCount(output, text.size());
    output.put(text);
}

template <typename Value>
Value take(ReaderProcess& reader) {
    Value value{};
    std::memcpy(&value, reader.take(sizeof value).data(), sizeof value);
    return value;
}

std::size_t takeCount(ReaderProcess& reader) {
    return take<std::uint32_t>(reader);
}

std::string takeText(ReaderProcess& reader) {
    return std::string(reader.take(takeCount(reader)));
}

void sendCell(const Cell& cell, ReaderProcess::Output& output) {
    put(output, cell.kind);
    if (cell.kind == Cell::Kind::Text) {
        putText(output, cell.text);
    } else if (!cell.blank()) {
        put(output, cell.number);
    }
}

Cell receiveCell(ReaderProcess& reader) {
    const auto kind = take<Cell::Kind>(reader);
    if (kind > Cell::Kind::Text) {
        throw std::runtime_error(
            "the file is damaged or not supported: the reader sent malformed data");
    }
    if (kind == Cell::Kind::Text) {
        return Cell::ofText(takeText(reader));
    }
    return kind == Cell::Kind::Blank ? Cell() : Cell::ofNumber(take<double>(reader), kind);
}

}  // namespace

void WorkbookTransfer::send(const Workbook& workbook, ReaderProcess::Output& output) {
    putCount(output, workbook.sheets.size());
    for (const Workbook::Sheet& sheet : workbook.sheets) {
        putText(output, sheet.name);
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
        putText(output, name.name);
        putCount(output, name.sheet);
        for (const std::size_t bound : {name.range.firstRow, name.range.firstColumn,
                                        name.range.lastRow, name.range.lastColumn}) {
            put(output, static_cast<std::uint64_t>(bound));
        }
    }
}

Workbook WorkbookTransfer::receive(ReaderProcess& reader) {
    Workbook workbook;
    for (std::size_t sheets = takeCount(reader); sheets > 0; --sheets) {
        Workbook::Sheet& sheet = workbook.sheets.emplace_back();
        sheet.name = takeText(reader);
        for (std::size_t rows = takeCount(reader); rows > 0; --rows) {
            std::vector<Cell>& row = sheet.rows.emplace_back();
            for (std::size_t cells = takeCount(reader); cells > 0; --cells) {
                row.push_back(receiveCell(reader));
            }
        }
    }
    for (std::size_t names = takeCount(reader); names > 0; --names) {
        Workbook::Name& name = workbook.names.emplace_back();
        name.name = takeText(reader);
        name.sheet = takeCount(reader);
        name.range.firstRow = take<std::uint64_t>(reader);
        name.range.firstColumn = take<std::uint64_t>(reader);
        name.range.lastRow = take<std::uint64_t>(reader);
        name.range.lastColumn = take<std::uint64_t>(reader);
        if (name.sheet >= workbook.sheets.size()) {
            throw std::runtime_error(
                "the file is damaged or not supported: the reader sent malformed data");
        }
    }
    reader.finish();
    return workbook;
}

}  // namespace kiv::db::excel
