#pragma once

#include <QDialog>

#include "ui/WindowServices.h"

class QLabel;
class QPushButton;

namespace kiv {

// The About box: the program's title, version and description, and a button that starts the
// desktop's system information tool.
class frmAbout : public QDialog {
    Q_OBJECT
public:
    frmAbout(WindowServices::MessageBox showMessage, QWidget* parent = nullptr);

    // Starts the first system information tool found on the PATH; without one, says so.
    void StartSysInfo();

private:
    QLabel* createLabel(const QString& name, const QString& text);
    static QString findSystemInformationTool();

    WindowServices::MessageBox mShowMessage;
    QPushButton* cmdOK;
    QPushButton* cmdSysInfo;
};

}  // namespace kiv
