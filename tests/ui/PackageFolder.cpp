#include "PackageFolder.h"

#include <QDir>
#include <QFile>

QString PackageFolder::path(const QString& name) const {
    return mDir.filePath(name);
}

QString PackageFolder::write(const QString& name, const QString& content) const {
    QFile file(path(name));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return {};
    }
    file.write(QString(content).replace(QStringLiteral("\n"), QStringLiteral("\r\n")).toUtf8());
    return file.fileName();
}

QString PackageFolder::package(const QString& name, const QString& packageName,
                               const QString& body) const {
    return write(name, QStringLiteral("[Administration]\nFileType=Kiv Package Specification\n"
                                      "FormatVersion=1.0.0\nPackageName=") +
                           packageName + QStringLiteral("\n") + body);
}

QString PackageFolder::copyExample() const {
    const QDir example(QStringLiteral(KIV_SOURCE_DIR "/examples/customers"));
    QDir(mDir.path()).mkpath(QStringLiteral("customers/data"));
    QDir(mDir.path()).mkpath(QStringLiteral("customers/output"));
    for (const QString& file : example.entryList({QStringLiteral("*.ini")}, QDir::Files)) {
        QFile::copy(example.filePath(file), path(QStringLiteral("customers/") + file));
    }
    const QDir data(example.filePath(QStringLiteral("data")));
    for (const QString& file : data.entryList(QDir::Files)) {
        QFile::copy(data.filePath(file), path(QStringLiteral("customers/data/") + file));
    }
    return path(QStringLiteral("customers/customers.ini"));
}
