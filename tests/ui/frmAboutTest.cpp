#include "frmAboutTest.h"

#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include "ui/frmAbout.h"

namespace {

QString labelText(const kiv::frmAbout& about, const char* name) {
    return about.findChild<QLabel*>(QString::fromLatin1(name))->text();
}

}  // namespace

void frmAboutTest::init() {
    mFakes = FakeServices{};
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

void frmAboutTest::systemInfoShowsTheVersionsOfTheSystemAndTheLibraries() {
    kiv::frmAbout about(mFakes.Services().showMessage);
    QTest::mouseClick(about.findChild<QPushButton*>(QStringLiteral("cmdSysInfo")), Qt::LeftButton);
    QCOMPARE(mFakes.messages.size(), std::size_t{1});
    QCOMPARE(mFakes.messages[0].title, QStringLiteral("System Information"));
    const QString text = mFakes.messages[0].text;
    QVERIFY2(text.startsWith(QStringLiteral("Kiv " KIV_VERSION "\nOperating system: ")),
             qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("\nQt: ") + QString::fromLatin1(qVersion())),
             qPrintable(text));
    QVERIFY2(text.contains(QRegularExpression(QStringLiteral("\nSQLite: 3\\.\\d+"))),
             qPrintable(text));
    QVERIFY2(text.contains(
                 QRegularExpression(QStringLiteral("\nunixODBC driver manager: \\d\\d\\.\\d\\d"))),
             qPrintable(text));
}
