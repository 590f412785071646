#include "KivrunWindowTest.h"

#include <QFile>
#include <QProcess>
#include <QTest>

namespace {

constexpr int kRunTimeoutMs = 60000;

QString reportOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

}  // namespace

int KivrunWindowTest::kivrun(const QStringList& arguments) const {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(mFolder.path(QString()));
    process.start(QStringLiteral(KIVRUN_PATH), arguments);
    if (!process.waitForFinished(kRunTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        return -1;
    }
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

void KivrunWindowTest::runWithoutFailureEndsWithZero() {
    const QString file =
        mFolder.package(QStringLiteral("fine.ini"), QStringLiteral("Fine"),
                        QStringLiteral("[STEP 1]\nStepName=Fine\nStepType=do nothing\n"));
    const QString report = mFolder.path(QStringLiteral("fine.txt"));
    QCOMPARE(kivrun({QStringLiteral("-run"), QStringLiteral("-report"), report, file}), 0);
    QVERIFY(reportOf(report).contains(
        QStringLiteral("1. Fine  -- Final Status: Successfully Processed")));
}

void KivrunWindowTest::runWithAFailedStepEndsWithOne() {
    const QString file = mFolder.package(
        QStringLiteral("broken.ini"), QStringLiteral("Broken"),
        QStringLiteral(
            "[STEP 1]\nStepName=Broken\nStepType=custom sql\nTargetConnection=Out\n"
            "SQLStatement=DELETE FROM Nowhere\n"
            "[Data Connection - Out]\nDatabaseType=SQLite\nDatabase=$(INIPath)/out.db\n"));
    const QString report = mFolder.path(QStringLiteral("broken.txt"));
    QCOMPARE(kivrun({QStringLiteral("-run"), QStringLiteral("-report"), report, file}), 1);
    QVERIFY(
        reportOf(report).contains(QStringLiteral("1. Broken  -- Final Status: Processing Failed")));
}
