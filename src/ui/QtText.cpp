#include "ui/QtText.h"

#include <QStringList>

namespace kiv::qttext {

QString fromKiv(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))
        .replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

std::string toKiv(const QString& text) {
    return text.toStdString();
}

QString oneLine(std::string_view text) {
    return fromKiv(text)
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts)
        .join(QLatin1Char(' '))
        .trimmed();
}

}  // namespace kiv::qttext
