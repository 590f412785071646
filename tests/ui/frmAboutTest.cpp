#include "frmAboutTest.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "ui/frmAbout.h"

namespace {

QString labelText(const kiv::frmAbout& about, const char* name) {
    return about.findChild<QLabel*>(QString::fromLatin1(name))->text();
}

}  // namespace

void frmAboutTest::init() {
    mSavedPath = qgetenv("PATH");
    mToolFolder = std::make_unique<QTemporaryDir>();
    // Only the tools the test puts there are found.
    qputenv("PATH", mToolFolder->path().toLocal8Bit());
    mFakes = FakeServices{};
}

void frmAboutTest::cleanup() {
    qputenv("PATH", mSavedPath);
    mToolFolder.reset();
}

void frmAboutTest::showsTitleVersionAndDescription() {
    const kiv::frmAbout about(mFakes.Services().showMessage);
    QCOMPARE(about.windowTitle(), QStringLiteral("About Kiv"));
    QCOMPARE(labelText(about, "lblTitle"), QStringLiteral("Kiv"));
    QCOMPARE(labelText(about, "lblVersion"), QStringLiteral("Version " KIV_VERSION));
    const QString description = labelText(about, "lblDescription");
    QVERIFY(description.startsWith(QStringLiteral("Data loader and conversion utility.\n\n")));
    QVERIFY(!description.contains(QStringLiteral("{NL}")));
    QCOMPARE(about.findChild<QPushButton*>(QStringLiteral("cmdSysInfo"))->text(),
             QStringLiteral("&System Info..."));
}

void frmAboutTest::withoutAToolSaysSystemInformationIsUnavailable() {
    kiv::frmAbout about(mFakes.Services().showMessage);
    QTest::mouseClick(about.findChild<QPushButton*>(QStringLiteral("cmdSysInfo")), Qt::LeftButton);
    QCOMPARE(mFakes.messages.size(), std::size_t{1});
    QCOMPARE(mFakes.messages[0].title, QStringLiteral("Kiv"));
    QCOMPARE(mFakes.messages[0].text,
             QStringLiteral("System Information Is Unavailable At This Time"));
}

void frmAboutTest::startsTheFirstToolFoundOnThePath() {
    const QString marker = mToolFolder->filePath(QStringLiteral("started"));
    QFile tool(mToolFolder->filePath(QStringLiteral("hardinfo")));
    QVERIFY(tool.open(QIODevice::WriteOnly));
    tool.write(QStringLiteral("#!/bin/sh\necho started > '%1'\n").arg(marker).toUtf8());
    tool.close();
    QVERIFY(tool.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                QFileDevice::ExeOwner));
    kiv::frmAbout about(mFakes.Services().showMessage);
    QTest::mouseClick(about.findChild<QPushButton*>(QStringLiteral("cmdSysInfo")), Qt::LeftButton);
    QTRY_VERIFY(QFile::exists(marker));
    QCOMPARE(mFakes.messages.size(), std::size_t{0});
}
