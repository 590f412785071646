#include "db/excel/XlsxPackage.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <map>
#include <regex>
#include <stdexcept>
#include <utility>

#include "base/Text.h"
#include "db/excel/FileReplacement.h"
#include "db/excel/Spool.h"
#include "db/excel/XmlStream.h"
#include "db/excel/ZipArchive.h"
#include "db/excel/ZipWriter.h"

namespace kiv::db::excel {

namespace {

constexpr std::string_view Declaration =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
constexpr std::string_view MainNamespace =
    "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
constexpr std::string_view RelationshipNamespace =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
constexpr std::string_view WorksheetType =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet";
constexpr std::string_view WorksheetContent =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml";
constexpr std::string_view ContentTypesPart = "[Content_Types].xml";

// Date cell formats added to a workbook: built-in formats 14 (a date) and 22 (a date and time).
constexpr std::string_view DateFormats =
    "<xf numFmtId=\"14\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" "
    "applyNumberFormat=\"1\"/><xf numFmtId=\"22\" fontId=\"0\" fillId=\"0\" borderId=\"0\" "
    "xfId=\"0\" applyNumberFormat=\"1\"/>";

std::string newWorkbookXml() {
    return std::string(Declaration) + "<workbook xmlns=\"" + std::string(MainNamespace) +
           "\" xmlns:r=\"" + std::string(RelationshipNamespace) + "\"><sheets></sheets></workbook>";
}

std::string newRelationshipsXml() {
    return std::string(Declaration) +
           "<Relationships "
           "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship "
           "Id=\"rId1\" "
           "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" "
           "Target=\"styles.xml\"/></Relationships>";
}

std::string newContentTypesXml() {
    return std::string(Declaration) +
           "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
           "<Default Extension=\"rels\" "
           "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
           "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
           "<Override PartName=\"/xl/workbook.xml\" "
           "ContentType=\"application/"
           "vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
           "<Override PartName=\"/xl/styles.xml\" "
           "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/"
           ">"
           "</Types>";
}

std::string newStylesXml() {
    return std::string(Declaration) + "<styleSheet xmlns=\"" + std::string(MainNamespace) +
           "\"><fonts count=\"1\"><font><sz val=\"11\"/><name val=\"Calibri\"/></font></fonts>"
           "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill><fill>"
           "<patternFill patternType=\"gray125\"/></fill></fills>"
           "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border>"
           "</borders><cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" "
           "borderId=\"0\"/></cellStyleXfs><cellXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" "
           "fillId=\"0\" borderId=\"0\" xfId=\"0\"/></cellXfs><cellStyles count=\"1\">"
           "<cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/></cellStyles></styleSheet>";
}

std::string newRootRelationshipsXml() {
    return std::string(Declaration) +
           "<Relationships "
           "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship "
           "Id=\"rId1\" "
           "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
           "officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>";
}

std::string folderOf(const std::string& part) {
    const std::size_t slash = part.rfind('/');
    return slash == std::string::npos ? std::string() : part.substr(0, slash);
}

std::string relationshipsOf(const std::string& part) {
    const std::string folder = folderOf(part);
    return (folder.empty() ? "" : folder + "/") + "_rels/" + part.substr(part.rfind('/') + 1) +
           ".rels";
}

// A relationship's target as a part name, relative to the folder of the part that has it.
std::string targetPart(const std::string& folder, const std::string& target) {
    if (!target.empty() && target.front() == '/') {
        return target.substr(1);
    }
    std::string part = folder;
    std::string_view rest = target;
    while (rest.starts_with("../")) {
        part = folderOf(part);
        rest.remove_prefix(3);
    }
    return (part.empty() ? "" : part + "/") + std::string(rest);
}

struct Relationship {
    std::string id;
    std::string type;
    std::string target;
};

std::vector<Relationship> relationshipsIn(const std::string& xml, const std::string& folder) {
    std::vector<Relationship> found;
    if (xml.empty()) {
        return found;
    }
    XmlStream stream(xml);
    while (stream.next()) {
        if (stream.opens("Relationship")) {
            found.push_back(Relationship{stream.attribute("Id"), stream.attribute("Type"),
                                         targetPart(folder, stream.attribute("Target"))});
        }
    }
    return found;
}

// Puts `insertion` before the end tag of `element` (whatever its namespace prefix).
void insertBeforeEnd(std::string& xml, std::string_view element, std::string_view insertion) {
    const std::regex end("</([A-Za-z_][\\w.-]*:)?" + std::string(element) + "\\s*>");
    std::smatch match;
    if (!std::regex_search(xml, match, end)) {
        throw std::runtime_error("the part has no element " + std::string(element));
    }
    xml.insert(static_cast<std::size_t>(match.position(0)), insertion);
}

// A workbook-level name for a new sheet's whole columns, so the table is found by its name
// without the `$` too.
void addName(std::string& workbook, const std::string& sheet, std::size_t columns) {
    std::string name = "<definedName name=\"";
    XlsxRowXml::appendEscaped(name, sheet);
    name += "\">";
    XlsxRowXml::appendEscaped(name, "'" + text::replaceAll(sheet, "'", "''") + "'!$A:$" +
                                        XlsxRowXml::columnName(columns == 0 ? 0 : columns - 1));
    name += "</definedName>";
    if (std::regex_search(workbook, std::regex("</([A-Za-z_][\\w.-]*:)?definedNames\\s*>"))) {
        insertBeforeEnd(workbook, "definedNames", name);
        return;
    }
    const std::regex sheetsEnd("</([A-Za-z_][\\w.-]*:)?sheets\\s*>");
    std::smatch match;
    std::regex_search(workbook, match, sheetsEnd);
    const std::string prefix = match[1].str();
    workbook.insert(static_cast<std::size_t>(match.position(0) + match.length(0)),
                    "<" + prefix + "definedNames>" + name + "</" + prefix + "definedNames>");
}

// The position of the next start tag of `element` (any namespace prefix) at or after `from`.
std::size_t nextTag(std::string_view xml, std::string_view element, std::size_t from) {
    for (std::size_t at = xml.find('<', from); at != std::string_view::npos;
         at = xml.find('<', at + 1)) {
        std::size_t name = at + 1;
        const std::size_t colon = xml.find_first_of(":> /", name);
        if (colon != std::string_view::npos && xml[colon] == ':') {
            name = colon + 1;
        }
        const std::size_t after = name + element.size();
        if (xml.substr(name, element.size()) == element && after < xml.size() &&
            std::string_view(" />\t\r\n").find(xml[after]) != std::string_view::npos) {
            return at;
        }
    }
    return std::string_view::npos;
}

// The value of an attribute in a start tag; "" when it has none.
std::string_view attributeOf(std::string_view tag, std::string_view name) {
    for (std::size_t at = tag.find(name); at != std::string_view::npos;
         at = tag.find(name, at + 1)) {
        const std::size_t quote = at + name.size() + 2;
        if (at > 0 && std::isspace(static_cast<unsigned char>(tag[at - 1])) &&
            tag.substr(at + name.size(), 2) == "=\"") {
            return tag.substr(quote, tag.find('"', quote) - quote);
        }
    }
    return {};
}

// The 0-based column of a cell reference ("C7" is 2).
std::size_t columnOf(std::string_view reference) {
    std::size_t column = 0;
    for (const char c : reference) {
        if (c < 'A' || c > 'Z') {
            break;
        }
        column = column * 26 + static_cast<std::size_t>(c - 'A' + 1);
    }
    return column - 1;
}

// Where the element whose start tag is at `open` ends (just past it).
std::size_t elementEnd(std::string_view xml, std::size_t open, std::string_view element) {
    const std::size_t tagEnd = xml.find('>', open);
    if (xml[tagEnd - 1] == '/') {
        return tagEnd + 1;
    }
    const std::size_t close = xml.find(std::string("/") + std::string(element) + ">", tagEnd);
    const std::size_t prefixed = xml.find(":" + std::string(element) + ">", tagEnd);
    const std::size_t end = std::min(close, prefixed);
    return end == std::string_view::npos ? xml.size() : end + element.size() + 2;
}

std::size_t lastNumber(const std::string& xml, const std::regex& pattern) {
    std::size_t last = 0;
    for (auto it = std::sregex_iterator(xml.begin(), xml.end(), pattern);
         it != std::sregex_iterator(); ++it) {
        last = std::max<std::size_t>(last, std::stoul((*it)[1].str()));
    }
    return last;
}

}  // namespace

struct XlsxPackage::Sheet {
    explicit Sheet(std::string sheetName)
        : name(std::move(sheetName)), rows("the rows of sheet " + name) {}

    std::string name;
    std::string part;
    std::size_t nextRow = 0;
    bool measured = false;  // nextRow takes the sheet's last row element into account
    bool created = false;
    bool cleared = false;
    bool changed = false;
    std::map<std::size_t, std::map<std::size_t, Variant>> updates;  // by row, then column
    Spool rows;                                                     // the rows added, as XML
};

struct XlsxPackage::Parts {
    std::string workbookName = "xl/workbook.xml";
    std::string workbook = newWorkbookXml();
    std::string relationships = newRelationshipsXml();
    std::string contentTypes = newContentTypesXml();
    std::string stylesName = "xl/styles.xml";
    std::string styles = newStylesXml();
    std::size_t addedSheets = 0;
};

XlsxPackage::XlsxPackage(std::string path, const Workbook& workbook, bool exists)
    : path_(std::move(path)), exists_(exists), parts_(std::make_unique<Parts>()) {
    if (exists_) {
        readParts(workbook);
    }
    std::size_t cellFormats = 0;
    if (const std::size_t start = parts_->styles.find("cellXfs"); start != std::string::npos) {
        const std::size_t end = parts_->styles.find("cellXfs", start + 7);
        const std::regex format("<([A-Za-z_][\\w.-]*:)?xf[\\s/>]");
        const std::string section = parts_->styles.substr(start, end - start);
        cellFormats = static_cast<std::size_t>(std::distance(
            std::sregex_iterator(section.begin(), section.end(), format), std::sregex_iterator()));
    }
    styles_.date = cellFormats;
    styles_.dateTime = cellFormats + 1;
}

XlsxPackage::~XlsxPackage() = default;

void XlsxPackage::readParts(const Workbook& workbook) {
    ZipArchive zip(path_);
    for (const Relationship& link : relationshipsIn(zip.read("_rels/.rels").value_or(""), "")) {
        if (text::iendsWith(link.type, "/officeDocument")) {
            parts_->workbookName = link.target;
        }
    }
    const std::optional<std::string> workbookXml = zip.read(parts_->workbookName);
    if (!workbookXml) {
        throw std::runtime_error("the archive has no part " + parts_->workbookName);
    }
    parts_->workbook = *workbookXml;
    parts_->relationships = zip.read(relationshipsOf(parts_->workbookName)).value_or("");
    parts_->contentTypes = zip.read(std::string(ContentTypesPart)).value_or("");
    const std::vector<Relationship> links =
        relationshipsIn(parts_->relationships, folderOf(parts_->workbookName));
    parts_->styles.clear();
    for (const Relationship& link : links) {
        if (text::iendsWith(link.type, "/styles")) {
            parts_->stylesName = link.target;
            parts_->styles = zip.read(link.target).value_or("");
        }
    }
    XmlStream xml(parts_->workbook);
    while (xml.next()) {
        if (xml.opens("workbookPr")) {
            const std::string date1904 = xml.attribute("date1904");
            styles_.date1904 = date1904 == "1" || text::iequals(date1904, "true");
        } else if (xml.opens("sheet")) {
            const std::string id = xml.attribute("id");
            for (const Relationship& link : links) {
                if (link.id == id && text::iendsWith(link.type, "/worksheet")) {
                    auto sheet = std::make_unique<Sheet>(xml.attribute("name"));
                    sheet->part = link.target;
                    sheets_.push_back(std::move(sheet));
                }
            }
        }
    }
    for (const Workbook::Sheet& read : workbook.sheets) {
        const std::optional<std::size_t> index = sheet(read.name);
        const std::optional<CellRange> used = read.usedRange();
        if (index && used) {
            sheets_[*index]->nextRow = used->lastRow + 1;
        }
    }
}

const std::string& XlsxPackage::sheetName(std::size_t sheet) const {
    return sheets_.at(sheet)->name;
}

std::size_t XlsxPackage::addSheet(const std::string& name,
                                  const std::vector<std::string>& columns) {
    Parts& parts = *parts_;
    const std::size_t number = lastNumber(parts.workbook, std::regex("sheetId=\"(\\d+)\"")) + 1;
    std::string id = "rIdKiv" + std::to_string(++parts.addedSheets);
    std::string file;
    for (std::size_t n = number;; ++n) {
        file = "worksheets/sheet" + std::to_string(n) + ".xml";
        if (parts.relationships.find(file) == std::string::npos &&
            parts.contentTypes.find(file) == std::string::npos) {
            break;
        }
    }
    std::string entry = "<sheet xmlns:r=\"" + std::string(RelationshipNamespace) + "\" name=\"";
    XlsxRowXml::appendEscaped(entry, name);
    entry += "\" sheetId=\"" + std::to_string(number) + "\" r:id=\"" + id + "\"/>";
    insertBeforeEnd(parts.workbook, "sheets", entry);
    addName(parts.workbook, name, columns.size());
    insertBeforeEnd(parts.relationships, "Relationships",
                    "<Relationship Id=\"" + id + "\" Type=\"" + std::string(WorksheetType) +
                        "\" Target=\"" + file + "\"/>");
    const std::string folder = folderOf(parts.workbookName);
    const std::string part = (folder.empty() ? "" : folder + "/") + file;
    insertBeforeEnd(parts.contentTypes, "Types",
                    "<Override PartName=\"/" + part + "\" ContentType=\"" +
                        std::string(WorksheetContent) + "\"/>");

    auto sheet = std::make_unique<Sheet>(name);
    sheet->part = part;
    sheet->created = true;
    sheet->changed = true;
    sheet->measured = true;
    sheets_.push_back(std::move(sheet));
    changed_ = true;
    const std::size_t index = sheets_.size() - 1;
    std::vector<Variant> header(columns.begin(), columns.end());
    addRow(index, 0, header, columns);
    return index;
}

void XlsxPackage::clearSheet(std::size_t index) {
    Sheet& sheet = *sheets_.at(index);
    sheet.cleared = true;
    sheet.changed = true;
    sheet.measured = true;
    sheet.nextRow = 0;
    sheet.rows.clear();
    sheet.updates.clear();
    changed_ = true;
}

void XlsxPackage::addRow(std::size_t index, std::size_t firstColumn,
                         const std::vector<Variant>& values,
                         const std::vector<std::string>& names) {
    Sheet& sheet = *sheets_.at(index);
    if (!sheet.measured) {
        // Rows holding formatting alone may follow the data; new rows come after them, as
        // the rows of a sheet must stay in order.
        ZipArchive zip(path_);
        const std::string xml = zip.read(sheet.part).value_or("");
        const std::size_t lastRow =
            lastNumber(xml, std::regex("<(?:\\w+:)?row\\s[^>]*?\\br=\"(\\d+)\""));
        sheet.nextRow = std::max(sheet.nextRow, lastRow);
        sheet.measured = true;
    }
    row_.clear();
    XlsxRowXml::append(row_, sheet.nextRow, firstColumn, values, names, styles_, wroteDate_);
    sheet.rows.append(row_);
    ++sheet.nextRow;
    sheet.changed = true;
    changed_ = true;
}

void XlsxPackage::setCell(std::size_t index, std::size_t row, std::size_t column,
                          const Variant& value, const std::string& name) {
    Sheet& sheet = *sheets_.at(index);
    row_.clear();
    XlsxRowXml::appendCell(row_, row, column, {}, value, name, styles_, wroteDate_);
    sheet.updates[row][column] = value;
    sheet.changed = true;
    changed_ = true;
}

void XlsxPackage::appendUpdates(std::string& out, std::size_t row, const Sheet& sheet,
                                std::size_t from, std::size_t to) {
    bool wroteDate = false;
    const auto& cells = sheet.updates.at(row);
    for (auto it = cells.lower_bound(from); it != cells.end() && it->first < to; ++it) {
        XlsxRowXml::appendCell(out, row, it->first, {}, it->second, {}, styles_, wroteDate);
    }
}

std::string XlsxPackage::updatedRow(std::string_view row, std::size_t number, const Sheet& sheet) {
    std::string out;
    const std::size_t tagEnd = row.find('>');
    if (row[tagEnd - 1] == '/') {
        out.append(row.substr(0, tagEnd - 1)).append(">");
        appendUpdates(out, number, sheet, 0, static_cast<std::size_t>(-1));
        out.append("</row>");
        return out;
    }
    const auto& cells = sheet.updates.at(number);
    std::size_t pos = tagEnd + 1;
    out.append(row.substr(0, pos));
    std::size_t done = 0;  // columns before this one are written
    for (std::size_t cell = nextTag(row, "c", pos); cell != std::string_view::npos;
         cell = nextTag(row, "c", pos)) {
        const std::string_view tag = row.substr(cell, row.find('>', cell) - cell);
        const std::size_t column = columnOf(attributeOf(tag, "r"));
        const std::size_t end = elementEnd(row, cell, "c");
        out.append(row.substr(pos, cell - pos));
        appendUpdates(out, number, sheet, done, column);
        const auto update = cells.find(column);
        if (update == cells.end()) {
            out.append(row.substr(cell, end - cell));
        } else {
            bool wroteDate = false;
            XlsxRowXml::appendCell(out, number, column, attributeOf(tag, "s"), update->second, {},
                                   styles_, wroteDate);
        }
        done = column + 1;
        pos = end;
    }
    const std::size_t close = row.rfind("</");
    out.append(row.substr(pos, close - pos));
    appendUpdates(out, number, sheet, done, static_cast<std::size_t>(-1));
    out.append(row.substr(close));
    return out;
}

std::string XlsxPackage::updated(std::string_view rows, const Sheet& sheet) {
    std::string out;
    std::size_t pos = 0;
    auto update = sheet.updates.begin();
    while (update != sheet.updates.end()) {
        const std::size_t open = nextTag(rows, "row", pos);
        const std::size_t number =
            open == std::string_view::npos
                ? static_cast<std::size_t>(-1)
                : std::stoul(std::string(
                      attributeOf(rows.substr(open, rows.find('>', open) - open), "r"))) -
                      1;
        if (number > update->first) {
            const std::size_t at = open == std::string_view::npos ? rows.size() : open;
            out.append(rows.substr(pos, at - pos));
            pos = at;
            std::string row = "<row r=\"" + std::to_string(update->first + 1) + "\">";
            appendUpdates(row, update->first, sheet, 0, static_cast<std::size_t>(-1));
            out += row + "</row>";
            ++update;
            continue;
        }
        const std::size_t end = elementEnd(rows, open, "row");
        out.append(rows.substr(pos, open - pos));
        if (number == update->first) {
            out += updatedRow(rows.substr(open, end - open), number, sheet);
            ++update;
        } else {
            out.append(rows.substr(open, end - open));
        }
        pos = end;
    }
    out.append(rows.substr(pos));
    return out;
}

void XlsxPackage::writeRows(ZipWriter& zip, Sheet& sheet) {
    sheet.rows.copyTo([&](std::string_view bytes) { zip.write(bytes); });
}

void XlsxPackage::writeSheet(ZipWriter& zip, Sheet& sheet, const std::string& old) {
    std::smatch open;
    if (!std::regex_search(old, open, std::regex("<((?:[A-Za-z_][\\w.-]*:)?)sheetData\\b[^>]*>"))) {
        throw std::runtime_error("the sheet " + sheet.name + " has no sheetData element");
    }
    const std::string prefix = open[1].str();
    const std::size_t start = static_cast<std::size_t>(open.position(0));
    const std::size_t tagEnd = start + static_cast<std::size_t>(open.length(0));
    zip.begin(sheet.part);
    const std::string_view text(old);
    const std::string endTag = "</" + prefix + "sheetData>";
    std::size_t rest = 0;
    if (text[tagEnd - 2] == '/') {
        zip.write(text.substr(0, tagEnd - 2));
        zip.write(">");
        zip.write(updated({}, sheet));
        rest = tagEnd;
    } else {
        const std::size_t close = old.find(endTag, tagEnd);
        if (close == std::string::npos) {
            throw std::runtime_error("the sheetData of sheet " + sheet.name + " is not closed");
        }
        zip.write(text.substr(0, tagEnd));
        if (!sheet.cleared) {
            zip.write(updated(text.substr(tagEnd, close - tagEnd), sheet));
        }
        rest = close + endTag.size();
    }
    writeRows(zip, sheet);
    zip.write(endTag);
    zip.write(text.substr(rest));
    zip.end();
}

bool XlsxPackage::replacePart(ZipWriter& zip, const std::string& name) {
    const Parts& parts = *parts_;
    if (parts.addedSheets > 0) {
        if (text::iequals(name, parts.workbookName)) {
            zip.add(name, parts.workbook);
            return true;
        }
        if (text::iequals(name, relationshipsOf(parts.workbookName))) {
            zip.add(name, parts.relationships);
            return true;
        }
        if (name == ContentTypesPart) {
            zip.add(name, parts.contentTypes);
            return true;
        }
    }
    if (wroteDate_ && text::iequals(name, parts.stylesName)) {
        std::string styles = parts.styles;
        insertBeforeEnd(styles, "cellXfs", DateFormats);
        const std::regex count("(<(?:\\w+:)?cellXfs\\b[^>]*\\bcount=\")\\d+\"");
        styles = std::regex_replace(styles, count, "${1}" + std::to_string(styles_.date + 2) + "\"",
                                    std::regex_constants::format_first_only);
        zip.add(name, styles);
        return true;
    }
    for (const auto& sheet : sheets_) {
        if (sheet->changed && !sheet->created && text::iequals(name, sheet->part)) {
            writeSheet(zip, *sheet, ZipArchive(path_).read(name).value_or(""));
            return true;
        }
    }
    return false;
}

void XlsxPackage::writeNewParts(ZipWriter& zip) {
    if (!exists_) {
        zip.add(std::string(ContentTypesPart), parts_->contentTypes);
        zip.add("_rels/.rels", newRootRelationshipsXml());
        zip.add(parts_->workbookName, parts_->workbook);
        zip.add(relationshipsOf(parts_->workbookName), parts_->relationships);
        std::string styles = parts_->styles;
        insertBeforeEnd(styles, "cellXfs", DateFormats);
        styles = text::replaceAll(styles, "<cellXfs count=\"1\">", "<cellXfs count=\"3\">");
        zip.add(parts_->stylesName, styles);
    }
    for (const auto& sheet : sheets_) {
        if (sheet->created) {
            zip.begin(sheet->part);
            zip.write(Declaration);
            zip.write("<worksheet xmlns=\"" + std::string(MainNamespace) + "\" xmlns:r=\"" +
                      std::string(RelationshipNamespace) + "\"><sheetData>");
            writeRows(zip, *sheet);
            zip.write("</sheetData></worksheet>");
            zip.end();
        }
    }
}

void XlsxPackage::writeArchive(const std::string& temporary) {
    ZipWriter zip(temporary);
    if (exists_) {
        zip.copyFrom(path_, [&](const std::string& name) { return replacePart(zip, name); });
    }
    writeNewParts(zip);
    zip.close();
}

void XlsxPackage::save() {
    if (!changed_) {
        return;
    }
    FileReplacement replacement(path_);
    writeArchive(replacement.temporary());
    replacement.commit();
    exists_ = true;
    changed_ = false;
}

}  // namespace kiv::db::excel
