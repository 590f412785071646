#pragma once

#include <QString>
#include <QTemporaryDir>

// A temporary folder holding the package files of one test.
class PackageFolder {
public:
    QString path(const QString& name) const;
    // Writes a file (lines end with CR LF as in files written on Windows) and returns its path.
    QString write(const QString& name, const QString& content) const;
    // A package file: the administration section, then `body`.
    QString package(const QString& name, const QString& packageName, const QString& body) const;
    // The example package of the repository with its data, and an empty output folder.
    QString copyExample() const;

private:
    QTemporaryDir mDir;
};
