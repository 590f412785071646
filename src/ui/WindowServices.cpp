#include "ui/WindowServices.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QPlainTextEdit>
#include <QVBoxLayout>

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

void showReadOnlyText(QWidget* parent, const QString& title, const QString& text) {
    QDialog dialog(parent);
    dialog.setWindowTitle(title);
    auto* view = new QPlainTextEdit(text, &dialog);
    view->setReadOnly(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(view);
    layout->addWidget(buttons);
    dialog.resize(640, 320);
    dialog.exec();
}

}  // namespace

WindowServices WindowServices::Interactive() {
    return {askForFiles, showMessageBox, askOkCancel, showReadOnlyText};
}

}  // namespace kiv
