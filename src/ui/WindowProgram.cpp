#include "ui/WindowProgram.h"

#include <QApplication>

#include "driver/CommandLine.h"
#include "ui/QtText.h"
#include "ui/VersionInfo.h"
#include "ui/WindowServices.h"
#include "ui/frmKivLoadData.h"

namespace kiv {

WindowProgram::WindowProgram(int& argc, char** argv)
    : mApplication(std::make_unique<QApplication>(argc, argv)) {
    QApplication::setApplicationName(QStringLiteral("kivrun"));
    QApplication::setApplicationVersion(VersionInfo::Version());
}

WindowProgram::~WindowProgram() = default;

void WindowProgram::ShowWarning(const std::string& title, const std::string& text) {
    WindowServices::Interactive().showMessage(nullptr, QMessageBox::Warning, qttext::fromKiv(title),
                                              qttext::fromKiv(text));
}

int WindowProgram::Run(const CommandLine& commandLine) {
    frmKivLoadData window(commandLine, WindowServices::Interactive());
    int status = 0;
    QObject::connect(&window, &frmKivLoadData::Unloaded, [&status](int exitStatus) {
        status = exitStatus;
        QCoreApplication::quit();
    });
    window.show();
    QApplication::exec();
    return status;
}

}  // namespace kiv
