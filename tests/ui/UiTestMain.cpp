#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

#include "KivrunWindowTest.h"
#include "frmAboutTest.h"
#include "frmKivLoadDataTest.h"

// Runs every window test in one application. The window's settings go to a folder of their
// own, never to the user's.
int main(int argc, char** argv) {
    const QTemporaryDir configuration;
    const QTemporaryDir runtime;  // created with the 0700 permissions Qt asks for
    qputenv("XDG_CONFIG_HOME", configuration.path().toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    int status = 0;
    frmKivLoadDataTest windowTest;
    status |= QTest::qExec(&windowTest, argc, argv);
    frmAboutTest aboutTest;
    status |= QTest::qExec(&aboutTest, argc, argv);
    KivrunWindowTest programTest;
    status |= QTest::qExec(&programTest, argc, argv);
    return status;
}
