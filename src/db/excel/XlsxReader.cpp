#include "db/excel/XlsxReader.h"

#include <charconv>
#include <optional>
#include <stdexcept>
#include <vector>

#include "base/Text.h"
#include "db/excel/NumberFormat.h"
#include "db/excel/XlsxSheet.h"
#include "db/excel/XmlStream.h"
#include "db/excel/ZipArchive.h"

namespace kiv::db::excel {

namespace {

struct Relationship {
    std::string id;
    std::string type;
    std::string target;  // the part's name in the archive
};

struct SheetEntry {
    std::string name;
    std::string relationship;
};

struct DefinedName {
    std::string name;
    std::string reference;
};

struct WorkbookPart {
    bool date1904 = false;
    std::vector<SheetEntry> sheets;
    std::vector<DefinedName> names;
};

std::string folderOf(std::string_view part) {
    const std::size_t slash = part.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(part.substr(0, slash));
}

// A relationship's target as a part name: relative to the folder of the part that has it.
std::string resolve(const std::string& folder, std::string_view target) {
    if (!target.empty() && target.front() == '/') {
        return std::string(target.substr(1));
    }
    const std::string joined = folder + "/" + std::string(target);
    std::vector<std::string_view> parts;
    for (const std::string_view piece : text::split(joined, '/')) {
        if (piece == "..") {
            if (!parts.empty()) {
                parts.pop_back();
            }
        } else if (!piece.empty() && piece != ".") {
            parts.push_back(piece);
        }
    }
    std::string path;
    for (const std::string_view piece : parts) {
        path.append(path.empty() ? "" : "/").append(piece);
    }
    return path;
}

// The bytes of the part the archive has open, as an XML document.
XmlStream::Source partOf(ZipArchive& zip) {
    return [&zip](char* buffer, std::size_t size) { return zip.readSome(buffer, size); };
}

void openRequired(ZipArchive& zip, const std::string& name) {
    if (!zip.open(name)) {
        throw std::runtime_error("the archive has no part " + name);
    }
}

std::vector<Relationship> relationships(ZipArchive& zip, const std::string& part) {
    const std::string folder = folderOf(part);
    const std::string name = (folder.empty() ? "" : folder + "/") + "_rels/" +
                             part.substr(part.rfind('/') + 1) + ".rels";
    std::vector<Relationship> found;
    if (!zip.open(name)) {
        return found;
    }
    XmlStream stream(partOf(zip));
    while (stream.next()) {
        if (stream.opens("Relationship")) {
            found.push_back(Relationship{stream.attribute("Id"), stream.attribute("Type"),
                                         resolve(folder, stream.attribute("Target"))});
        }
    }
    return found;
}

std::optional<std::string> targetOfType(const std::vector<Relationship>& found,
                                        std::string_view type) {
    for (const Relationship& relationship : found) {
        if (text::iendsWith(relationship.type, type)) {
            return relationship.target;
        }
    }
    return std::nullopt;
}

bool isTrue(std::string_view value) {
    return value == "1" || text::iequals(value, "true");
}

WorkbookPart readWorkbook(ZipArchive& zip, const std::string& name) {
    WorkbookPart workbook;
    openRequired(zip, name);
    XmlStream xml(partOf(zip));
    while (xml.next()) {
        if (xml.opens("workbookPr")) {
            workbook.date1904 = isTrue(xml.attribute("date1904"));
        } else if (xml.opens("sheet")) {
            workbook.sheets.push_back(SheetEntry{xml.attribute("name"), xml.attribute("id")});
        } else if (xml.opens("definedName")) {
            DefinedName name{xml.attribute("name"), {}};
            const bool workbookLevel = xml.attribute("localSheetId").empty();
            name.reference = std::string(text::trimWhitespace(xml.elementText()));
            if (workbookLevel && !text::istartsWith(name.name, "_xlnm.")) {
                workbook.names.push_back(std::move(name));
            }
        }
    }
    return workbook;
}

std::vector<std::string> readStrings(ZipArchive& zip, const std::optional<std::string>& name) {
    std::vector<std::string> strings;
    if (!name || !zip.open(*name)) {
        return strings;
    }
    XmlStream xml(partOf(zip));
    while (xml.next()) {
        if (xml.opens("si")) {
            strings.push_back(XlsxSheet::richText(xml, "si"));
        }
    }
    return strings;
}

int numberOf(const std::string& text) {
    int value = -1;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

// The kind of number format of every cell style, by style index.
std::vector<NumberFormat::Kind> readStyles(ZipArchive& zip,
                                           const std::optional<std::string>& name) {
    std::vector<std::pair<int, NumberFormat::Kind>> custom;
    std::vector<NumberFormat::Kind> styles;
    if (!name || !zip.open(*name)) {
        return styles;
    }
    XmlStream xml(partOf(zip));
    bool cellStyles = false;
    while (xml.next()) {
        if (xml.opens("numFmt")) {
            custom.emplace_back(numberOf(xml.attribute("numFmtId")),
                                NumberFormat::ofCode(xml.attribute("formatCode")));
        } else if (xml.opens("cellXfs")) {
            cellStyles = !xml.closes("cellXfs");
        } else if (xml.closes("cellXfs")) {
            cellStyles = false;
        } else if (cellStyles && xml.opens("xf")) {
            const int id = numberOf(xml.attribute("numFmtId"));
            NumberFormat::Kind kind = NumberFormat::ofBuiltin(id);
            for (const auto& [customId, customKind] : custom) {
                kind = customId == id ? customKind : kind;
            }
            styles.push_back(kind);
        }
    }
    return styles;
}

}  // namespace

Workbook XlsxReader::read(const std::string& path) {
    ZipArchive zip(path);
    const std::string workbookName =
        targetOfType(relationships(zip, "_rels/.rels"), "/officeDocument")
            .value_or("xl/workbook.xml");
    const WorkbookPart parts = readWorkbook(zip, workbookName);
    const std::vector<Relationship> links = relationships(zip, workbookName);
    const std::vector<std::string> strings =
        readStrings(zip, targetOfType(links, "/sharedStrings"));
    const std::vector<NumberFormat::Kind> styles = readStyles(zip, targetOfType(links, "/styles"));
    const XlsxSheet::Context context{strings, styles, parts.date1904};

    Workbook workbook;
    for (const SheetEntry& entry : parts.sheets) {
        for (const Relationship& link : links) {
            if (link.id == entry.relationship && text::iendsWith(link.type, "/worksheet")) {
                openRequired(zip, link.target);
                XmlStream xml(partOf(zip));
                workbook.sheets.push_back(
                    Workbook::Sheet{entry.name, XlsxSheet::read(xml, context)});
            }
        }
    }
    for (const DefinedName& name : parts.names) {
        std::string sheet;
        const std::optional<CellRange> range = CellRange::parseOnSheet(name.reference, sheet);
        for (std::size_t i = 0; range && i < workbook.sheets.size(); ++i) {
            if (text::iequals(workbook.sheets[i].name, sheet)) {
                workbook.names.push_back(Workbook::Name{name.name, i, *range});
                break;
            }
        }
    }
    return workbook;
}

}  // namespace kiv::db::excel
