#include "ui/WindowServices.h"

#include <QFileDialog>

namespace kiv {

namespace {

QStringList askForFiles(QWidget* parent) {
    QFileDialog dialog(parent, QStringLiteral("Select Kiv Specification Files"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setDefaultSuffix(QStringLiteral("ini"));
    dialog.setNameFilters(
        {QStringLiteral("Kiv Spec File (*.ini)"), QStringLiteral("All Files (*)")});
    if (dialog.exec() != QDialog::Accepted) {
        return {};
    }
    return dialog.selectedFiles();
}

void showMessageBox(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                    const QString& text) {
    QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
    box.exec();
}

bool askOkCancel(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::Information, title, text, QMessageBox::Ok | QMessageBox::Cancel,
                    parent);
    return box.exec() == QMessageBox::Ok;
}

}  // namespace

WindowServices WindowServices::Interactive() {
    return {askForFiles, showMessageBox, askOkCancel};
}

}  // namespace kiv
