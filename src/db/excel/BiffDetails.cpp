#include "db/excel/BiffDetails.h"

#include <cstdint>
#include <cstring>
#include <map>
#include <optional>
#include <stdexcept>

#include "base/Encoding.h"
#include "db/excel/NumberFormat.h"

namespace kiv::db::excel {

using cells::Cell;

namespace {

// Record identifiers of the BIFF8 format.
constexpr std::uint16_t BeginOfStream = 0x0809;
constexpr std::uint16_t EndOfStream = 0x000A;
constexpr std::uint16_t BoundSheet = 0x0085;
constexpr std::uint16_t FormatRecord = 0x041E;
constexpr std::uint16_t ExtendedFormat = 0x00E0;
constexpr std::uint16_t NameRecord = 0x0018;
constexpr std::uint16_t ExternSheet = 0x0017;
constexpr std::uint16_t SupportingBook = 0x01AE;
constexpr std::uint16_t FilePass = 0x002F;
constexpr std::uint16_t BoolErr = 0x0205;
constexpr std::uint16_t NumberRecord = 0x0203;
constexpr std::uint16_t RkRecord = 0x027E;
constexpr std::uint16_t MulRk = 0x00BD;
constexpr std::uint16_t FormulaRecord = 0x0006;

constexpr std::uint8_t WorksheetType = 0;
constexpr std::uint16_t BuiltinName = 0x0020;
constexpr std::uint16_t SelfReference = 0x0401;  // a supporting book that is this workbook
constexpr std::uint16_t LastRow = 0xFFFF;        // whole columns reach it
constexpr std::uint16_t LastColumn = 0xFF;       // whole rows reach it
constexpr std::uint16_t ColumnMask = 0x3FFF;

[[noreturn]] void damaged() {
    throw std::runtime_error("the workbook stream is damaged");
}

// Little-endian fields of one record's data.
class Fields {
public:
    explicit Fields(std::string_view data) : data_(data) {}

    std::uint8_t byte() { return static_cast<std::uint8_t>(take(1)[0]); }
    std::uint16_t u16() { return static_cast<std::uint16_t>(number(2)); }
    std::uint32_t u32() { return static_cast<std::uint32_t>(number(4)); }
    std::string_view take(std::size_t count) {
        if (at_ + count > data_.size()) {
            damaged();
        }
        const std::string_view part = data_.substr(at_, count);
        at_ += count;
        return part;
    }
    std::size_t left() const { return data_.size() - at_; }

    // `count` characters, one byte each (Latin-1) or two (UTF-16) as the flags say.
    std::string characters(std::size_t count, std::uint8_t flags) {
        if ((flags & 0x01) != 0) {
            return encoding::utf16ToUtf8(take(count * 2), true);
        }
        std::string text;
        for (const char c : take(count)) {
            encoding::appendUtf8(text, static_cast<unsigned char>(c));
        }
        return text;
    }
    // A string with a one-byte count (sheet names).
    std::string shortString() {
        const std::uint8_t count = byte();
        return characters(count, byte());
    }
    // A string with a two-byte count, possibly carrying formatting runs (format codes).
    std::string longString() {
        const std::uint16_t count = u16();
        const std::uint8_t flags = byte();
        if ((flags & 0x08) != 0) {
            u16();
        }
        if ((flags & 0x04) != 0) {
            u32();
        }
        return characters(count, flags);
    }

private:
    std::uint64_t number(std::size_t bytes) {
        std::uint64_t value = 0;
        std::memcpy(&value, take(bytes).data(), bytes);
        return value;
    }

    std::string_view data_;
    std::size_t at_ = 0;
};

struct Record {
    std::uint16_t id = 0;
    std::string_view data;
};

// The records of a substream from `offset` to its end, nested substreams included.
template <typename Visit>
void forEachRecord(std::string_view stream, std::size_t offset, Visit&& visit) {
    int depth = 0;
    while (offset + 4 <= stream.size()) {
        Fields header(stream.substr(offset, 4));
        const std::uint16_t id = header.u16();
        const std::uint16_t length = header.u16();
        if (offset + 4 + length > stream.size()) {
            damaged();
        }
        const Record record{id, stream.substr(offset + 4, length)};
        offset += 4 + length;
        depth += id == BeginOfStream ? 1 : 0;
        if (id == EndOfStream && --depth <= 0) {
            return;
        }
        visit(record);
    }
}

struct SheetEntry {
    std::uint32_t offset = 0;
    std::uint8_t type = 0;
    std::string name;
};

struct Reference {
    std::uint16_t book = 0;
    std::uint16_t first = 0;
    std::uint16_t last = 0;
};

struct RawName {
    std::string name;
    std::string formula;
};

struct Globals {
    std::vector<SheetEntry> sheets;
    std::map<std::uint16_t, NumberFormat::Kind> formats;
    std::vector<std::uint16_t> styles;  // number format of each cell style
    std::vector<bool> books;            // whether each supporting book is this workbook
    std::vector<Reference> references;
    std::vector<RawName> names;
    bool encrypted = false;
};

void readName(Fields fields, Globals& globals) {
    const std::uint16_t flags = fields.u16();
    fields.byte();
    const std::uint8_t length = fields.byte();
    const std::uint16_t formulaLength = fields.u16();
    fields.u16();
    const std::uint16_t sheet = fields.u16();
    fields.take(4);
    const std::uint8_t characterFlags = fields.byte();
    std::string name = fields.characters(length, characterFlags);
    if ((flags & BuiltinName) == 0 && sheet == 0) {
        globals.names.push_back(RawName{std::move(name), std::string(fields.take(formulaLength))});
    }
}

void readGlobal(const Record& record, Globals& globals) {
    Fields fields(record.data);
    switch (record.id) {
        case BoundSheet: {
            SheetEntry entry;
            entry.offset = fields.u32();
            fields.byte();
            entry.type = fields.byte();
            entry.name = fields.shortString();
            globals.sheets.push_back(std::move(entry));
            break;
        }
        case FormatRecord: {
            const std::uint16_t id = fields.u16();
            globals.formats[id] = NumberFormat::ofCode(fields.longString());
            break;
        }
        case ExtendedFormat:
            fields.u16();
            globals.styles.push_back(fields.u16());
            break;
        case SupportingBook:
            fields.u16();
            globals.books.push_back(fields.u16() == SelfReference);
            break;
        case ExternSheet:
            for (std::uint16_t count = fields.u16(); count > 0; --count) {
                const std::uint16_t book = fields.u16();
                const std::uint16_t first = fields.u16();
                globals.references.push_back(Reference{book, first, fields.u16()});
            }
            break;
        case NameRecord:
            readName(fields, globals);
            break;
        case FilePass:
            globals.encrypted = true;
            break;
        default:
            break;
    }
}

std::size_t bounded(std::uint16_t value, std::uint16_t last) {
    return value == last ? CellRange::Unbounded : value;
}

// A name whose formula is one reference to a cell or an area of one sheet of this workbook.
std::optional<BiffDetails::Name> nameOf(const RawName& raw, const Globals& globals) {
    Fields formula(raw.formula);
    const std::uint8_t token = formula.left() > 0 ? formula.byte() : 0;
    const bool area = (token & 0x9F) == 0x1B && formula.left() == 10;
    const bool cell = (token & 0x9F) == 0x1A && formula.left() == 6;
    if (!area && !cell) {
        return std::nullopt;
    }
    const std::uint16_t index = formula.u16();
    if (index >= globals.references.size()) {
        return std::nullopt;
    }
    const Reference& reference = globals.references[index];
    if (reference.book >= globals.books.size() || !globals.books[reference.book] ||
        reference.first != reference.last || reference.first >= globals.sheets.size()) {
        return std::nullopt;
    }
    CellRange range;
    if (area) {
        range.firstRow = formula.u16();
        range.lastRow = bounded(formula.u16(), LastRow);
        range.firstColumn = formula.u16() & ColumnMask;
        range.lastColumn = bounded(formula.u16() & ColumnMask, LastColumn);
    } else {
        range.firstRow = range.lastRow = formula.u16();
        range.firstColumn = range.lastColumn = formula.u16() & ColumnMask;
    }
    return BiffDetails::Name{raw.name, globals.sheets[reference.first].name, range};
}

// The kinds the cells of a worksheet have beyond their values.
class SheetCells {
public:
    SheetCells(const Globals& globals, BiffDetails::Sheet& sheet)
        : globals_(globals), sheet_(sheet) {}

    void read(const Record& record) {
        Fields fields(record.data);
        switch (record.id) {
            case BoolErr: {
                const auto [row, column, style] = position(fields);
                fields.byte();
                if (fields.byte() == 0) {
                    mark(row, column, Cell::Kind::Boolean);
                }
                break;
            }
            case NumberRecord:
            case RkRecord: {
                const auto [row, column, style] = position(fields);
                number(row, column, style);
                break;
            }
            case MulRk: {
                const std::uint16_t row = fields.u16();
                const std::uint16_t first = fields.u16();
                for (std::size_t i = 0; fields.left() >= 8; ++i) {
                    const std::uint16_t style = fields.u16();
                    fields.u32();
                    number(row, first + i, style);
                }
                break;
            }
            case FormulaRecord:
                formula(fields);
                break;
            default:
                break;
        }
    }

private:
    struct Position {
        std::uint16_t row;
        std::uint16_t column;
        std::uint16_t style;
    };

    static Position position(Fields& fields) {
        const std::uint16_t row = fields.u16();
        const std::uint16_t column = fields.u16();
        return Position{row, column, fields.u16()};
    }

    void formula(Fields& fields) {
        const auto [row, column, style] = position(fields);
        const std::string_view value = fields.take(8);
        const bool special = static_cast<unsigned char>(value[6]) == 0xFF &&
                             static_cast<unsigned char>(value[7]) == 0xFF;
        if (!special) {
            number(row, column, style);
        } else if (value[0] == 1) {
            mark(row, column, Cell::Kind::Boolean);
        }
    }

    void number(std::size_t row, std::size_t column, std::uint16_t style) {
        const std::map<std::uint16_t, NumberFormat::Kind>& formats = globals_.formats;
        if (style >= globals_.styles.size()) {
            return;
        }
        const std::uint16_t format = globals_.styles[style];
        const auto custom = formats.find(format);
        const NumberFormat::Kind kind =
            custom != formats.end() ? custom->second : NumberFormat::ofBuiltin(format);
        if (kind == NumberFormat::Kind::Currency) {
            mark(row, column, Cell::Kind::Currency);
        }
    }

    void mark(std::size_t row, std::size_t column, Cell::Kind kind) {
        sheet_.kinds[{row, column}] = kind;
    }

    const Globals& globals_;
    BiffDetails::Sheet& sheet_;
};

}  // namespace

BiffDetails BiffDetails::read(std::string_view stream) {
    Globals globals;
    forEachRecord(stream, 0, [&](const Record& record) { readGlobal(record, globals); });
    BiffDetails details;
    if (globals.encrypted) {
        return details;
    }
    for (const RawName& raw : globals.names) {
        if (std::optional<Name> name = nameOf(raw, globals)) {
            details.names.push_back(std::move(*name));
        }
    }
    for (const SheetEntry& entry : globals.sheets) {
        if (entry.type != WorksheetType || entry.offset >= stream.size()) {
            continue;
        }
        Sheet& sheet = details.sheets.emplace_back();
        sheet.name = entry.name;
        SheetCells cells(globals, sheet);
        forEachRecord(stream, entry.offset, [&](const Record& record) { cells.read(record); });
    }
    return details;
}

}  // namespace kiv::db::excel
