#pragma once

#include <QMessageBox>
#include <QStringList>
#include <functional>

class QWidget;

namespace kiv {

// The dialogs the window opens, passed in so that tests can answer them without a person.
struct WindowServices {
    // The files chosen in the open dialog (full paths); none when it was cancelled.
    using FileChooser = std::function<QStringList(QWidget* parent)>;
    using MessageBox = std::function<void(QWidget* parent, QMessageBox::Icon icon,
                                          const QString& title, const QString& text)>;
    // An OK / Cancel question; true for OK.
    using Confirmation =
        std::function<bool(QWidget* parent, const QString& title, const QString& text)>;
    // A longer text to read and copy, not to change.
    using TextViewer = std::function<void(QWidget* parent, const QString& title, const QString& text)>;

    FileChooser chooseSpecificationFiles;
    MessageBox showMessage;
    Confirmation confirm;
    TextViewer showText;

    // The real dialogs.
    static WindowServices Interactive();
};

}  // namespace kiv
