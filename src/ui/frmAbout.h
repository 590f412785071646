#pragma once

#include <QDialog>

#include "ui/WindowServices.h"

class QLabel;
class QPushButton;

namespace kiv {

// The About box: the program's title, version and description, and a button that shows the
// versions of the system and the libraries the program runs on.
class frmAbout : public QDialog {
    Q_OBJECT
public:
    frmAbout(WindowServices::MessageBox showMessage, QWidget* parent = nullptr);

    // Shows SystemInformation in a message box.
    void StartSysInfo();
    // The program's version and those of the system and libraries it runs on.
    static QString SystemInformation();

private:
    QLabel* createLabel(const QString& name, const QString& text);

    WindowServices::MessageBox mShowMessage;
    QPushButton* cmdOK;
    QPushButton* cmdSysInfo;
};

}  // namespace kiv
