#include "ui/WindowSettings.h"

#include <QStandardPaths>
#include <filesystem>

#include "base/Path.h"
#include "settings/clsINIFile.h"

namespace kiv {

namespace {

constexpr std::string_view kSection = "KivRun Window Size";

}  // namespace

std::string WindowSettings::FilePath() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return (folder + QStringLiteral("/kivrun/kivrun.ini")).toStdString();
}

std::optional<QRect> WindowSettings::Load(const QRect& current) {
    const std::string file = FilePath();
    if (!path::exists(file)) {
        return std::nullopt;
    }
    clsINIFile settings;
    settings.sINIFileName(file);
    settings.sSectionName(std::string(kSection));
    const auto read = [&settings](std::string_view key, int value) {
        return settings.lItemValue(key, clsINIFile::ParamNotSupplied, clsINIFile::ParamNotSupplied,
                                   value);
    };
    return QRect(read("Left", current.x()), read("Top", current.y()),
                 read("Width", current.width()), read("Height", current.height()));
}

void WindowSettings::Save(const QRect& geometry) {
    const std::string file = FilePath();
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(file).parent_path(), ignored);
    clsINIFile settings;
    settings.sINIFileName(file);
    settings.sSectionName(std::string(kSection));
    settings.lItemValueLet(geometry.x(), "Left");
    settings.lItemValueLet(geometry.y(), "Top");
    settings.lItemValueLet(geometry.width(), "Width");
    settings.lItemValueLet(geometry.height(), "Height");
}

int WindowSettings::PullBack(int position, int size, int screenStart, int screenSize) {
    if (position > screenStart + screenSize) {
        return screenStart + screenSize - size;
    }
    return position < screenStart ? screenStart : position;
}

}  // namespace kiv
