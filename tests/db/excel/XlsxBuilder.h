#pragma once

#include <gtest/gtest.h>
#include <unzip.h>
#include <xlsxwriter.h>
#include <zip.h>

#include <string>
#include <utility>
#include <vector>

namespace kiv::db::testing {

// Writes an .xlsx workbook for a test with libxlsxwriter: sheets, number formats, names.
class XlsxBuilder {
public:
    explicit XlsxBuilder(std::string path, bool constantMemory = false) : path_(std::move(path)) {
        lxw_workbook_options options{};
        options.constant_memory = constantMemory ? 1 : 0;
        workbook_ = workbook_new_opt(path_.c_str(), &options);
    }
    ~XlsxBuilder() { close(); }
    XlsxBuilder(const XlsxBuilder&) = delete;
    XlsxBuilder& operator=(const XlsxBuilder&) = delete;

    lxw_worksheet* sheet(const std::string& name) {
        return workbook_add_worksheet(workbook_, name.c_str());
    }
    lxw_format* format(const std::string& numberFormat) {
        lxw_format* format = workbook_add_format(workbook_);
        format_set_num_format(format, numberFormat.c_str());
        return format;
    }
    void name(const std::string& name, const std::string& reference) {
        workbook_define_name(workbook_, name.c_str(), reference.c_str());
    }

    // Writes the file; the builder is done afterwards.
    const std::string& close() {
        if (workbook_ != nullptr) {
            EXPECT_EQ(workbook_close(workbook_), LXW_NO_ERROR);
            workbook_ = nullptr;
        }
        return path_;
    }

    // Turns a written workbook into one that counts its dates from 1904 (libxlsxwriter cannot
    // write such workbooks): the same parts, with the date system set in the workbook part.
    static void useDate1904(const std::string& path) {
        std::vector<std::pair<std::string, std::string>> parts = readParts(path);
        for (auto& [name, bytes] : parts) {
            if (name == "xl/workbook.xml") {
                const std::size_t at = bytes.find("<workbookPr");
                ASSERT_NE(at, std::string::npos);
                bytes.insert(at + 11, " date1904=\"1\"");
            }
        }
        zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
        ASSERT_NE(zip, nullptr);
        for (const auto& [name, bytes] : parts) {
            zip_fileinfo info{};
            ASSERT_EQ(zipOpenNewFileInZip64(zip, name.c_str(), &info, nullptr, 0, nullptr, 0,
                                            nullptr, Z_DEFLATED, Z_DEFAULT_COMPRESSION, 0),
                      ZIP_OK);
            zipWriteInFileInZip(zip, bytes.data(), static_cast<unsigned>(bytes.size()));
            zipCloseFileInZip(zip);
        }
        zipClose(zip, nullptr);
    }

private:
    static std::vector<std::pair<std::string, std::string>> readParts(const std::string& path) {
        std::vector<std::pair<std::string, std::string>> parts;
        unzFile zip = unzOpen64(path.c_str());
        for (int more = unzGoToFirstFile(zip); more == UNZ_OK; more = unzGoToNextFile(zip)) {
            char name[512];
            unz_file_info64 info{};
            unzGetCurrentFileInfo64(zip, &info, name, sizeof name, nullptr, 0, nullptr, 0);
            std::string bytes(static_cast<std::size_t>(info.uncompressed_size), '\0');
            unzOpenCurrentFile(zip);
            unzReadCurrentFile(zip, bytes.data(), static_cast<unsigned>(bytes.size()));
            unzCloseCurrentFile(zip);
            parts.emplace_back(name, std::move(bytes));
        }
        unzClose(zip);
        return parts;
    }

    std::string path_;
    lxw_workbook* workbook_ = nullptr;
};

}  // namespace kiv::db::testing
