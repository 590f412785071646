#include "frmKivLoadDataTest.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include "diagnostics/Globals.h"
#include "diagnostics/clsDebugLog.h"
#include "driver/CommandLine.h"
#include "driver/modKivRun.h"
#include "settings/clsINIFile.h"
#include "ui/KivAnimation.h"
#include "ui/ProgressGridView.h"
#include "ui/WindowSettings.h"
#include "ui/frmAbout.h"
#include "ui/frmKivLoadData.h"

namespace {

const QColor kGreen(0, 255, 0);
const QColor kRed(255, 0, 0);
const QColor kLightRed(255, 176, 176);

QString doNothingSteps(const QStringList& names) {
    QString body;
    for (int i = 0; i < names.size(); ++i) {
        body += QStringLiteral("[STEP %1]\nStepName=%2\nStepType=do nothing\n")
                    .arg(i + 1)
                    .arg(names[i]);
    }
    return body;
}

QString settingsFile() {
    return QString::fromStdString(kiv::WindowSettings::FilePath());
}

std::int32_t savedSetting(const char* key) {
    kiv::clsINIFile settings;
    return settings.lItemValue(key, "KivRun Window Size", settingsFile().toStdString(), -1);
}

// What the window looked like while a step was in the middle of its rows.
struct RunningSample {
    bool taken = false;
    QString status;
    QString frameCaption;
    QStringList enabledControls;
    bool stopEnabled = false;
    bool animationShown = false;
    bool animationPlaying = false;
    bool timerActive = false;
};

}  // namespace

void frmKivLoadDataTest::init() {
    QFile::remove(settingsFile());
    QGuiApplication::clipboard()->clear();
    mFolder = std::make_unique<PackageFolder>();
    mFakes = FakeServices{};
    kiv::StartUp();
}

void frmKivLoadDataTest::cleanup() {
    mWindow.reset();
    mFolder.reset();
    kiv::ShutDown();
}

kiv::frmKivLoadData& frmKivLoadDataTest::create(const QStringList& arguments) {
    kiv::CommandLine commandLine(nullptr);
    std::vector<std::string> tokens;
    for (const QString& argument : arguments) {
        tokens.push_back(argument.toStdString());
    }
    commandLine.ParseCommandLine(tokens);
    mWindow = std::make_unique<kiv::frmKivLoadData>(commandLine, mFakes.Services());
    return *mWindow;
}

kiv::frmKivLoadData& frmKivLoadDataTest::open(const QStringList& arguments) {
    create(arguments).show();
    [[maybe_unused]] const bool exposed = QTest::qWaitForWindowExposed(mWindow.get());
    return *mWindow;
}

template <typename Control>
Control* frmKivLoadDataTest::control(const char* name) const {
    auto* found = mWindow->findChild<Control*>(QString::fromLatin1(name));
    if (found == nullptr) {
        qFatal("no control %s", name);
    }
    return found;
}

QTableView* frmKivLoadDataTest::view() const {
    return control<QTableView>("gridKivProgress");
}

QAbstractItemModel& frmKivLoadDataTest::grid() const {
    return *view()->model();
}

QString frmKivLoadDataTest::cell(int row, int column) const {
    return grid().index(row - 1, column).data().toString();
}

int frmKivLoadDataTest::rowOf(const QString& stepName) const {
    for (int row = 1; row <= grid().rowCount(); ++row) {
        if (cell(row, 1) == stepName) {
            return row;
        }
    }
    return -1;
}

QColor frmKivLoadDataTest::colourOf(const QString& stepName) const {
    return grid().index(rowOf(stepName) - 1, 0).data(Qt::BackgroundRole).value<QColor>();
}

QStringList frmKivLoadDataTest::columnTexts(int column) const {
    QStringList texts;
    for (int row = 1; row <= grid().rowCount(); ++row) {
        texts << cell(row, column);
    }
    return texts;
}

void frmKivLoadDataTest::clickHeader(int column) const {
    QHeaderView* header = view()->horizontalHeader();
    const QPoint point(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                       header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, point);
}

void frmKivLoadDataTest::clickCell(int row, int column) const {
    const QRect area = view()->visualRect(grid().index(row - 1, column));
    QTest::mouseClick(view()->viewport(), Qt::LeftButton, {}, area.center());
}

// A real double-click: the first click presses the cell the second one opens.
void frmKivLoadDataTest::doubleClickCell(int row, int column) const {
    const QPoint centre = view()->visualRect(grid().index(row - 1, column)).center();
    QTest::mouseClick(view()->viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseDClick(view()->viewport(), Qt::LeftButton, {}, centre);
}

void frmKivLoadDataTest::click(const char* button) const {
    QTest::mouseClick(control<QPushButton>(button), Qt::LeftButton);
}

QStringList frmKivLoadDataTest::threeSimpleFiles() const {
    return {mFolder->package(QStringLiteral("a.ini"), QStringLiteral("A"),
                             doNothingSteps({QStringLiteral("A one"), QStringLiteral("A two")})),
            mFolder->package(QStringLiteral("b.ini"), QStringLiteral("B"),
                             doNothingSteps({QStringLiteral("B one"), QStringLiteral("B two")})),
            mFolder->package(QStringLiteral("c.ini"), QStringLiteral("C"),
                             doNothingSteps({QStringLiteral("C one"), QStringLiteral("C two")}))};
}

// A package whose copy step moves `rows` rows, reporting its progress every 25 rows, and a
// step that depends on it.
QString frmKivLoadDataTest::slowPackage(int rows) const {
    return mFolder->package(
        QStringLiteral("slow.ini"), QStringLiteral("Slow"),
        QStringLiteral(
            "[STEP 1]\nStepName=Make people\nStepType=custom sql\nTargetConnection=In\n"
            "SQLStatement=CREATE TABLE People AS WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL "
            "SELECT i + 1 FROM n WHERE i < %1) SELECT i AS Id FROM n\n"
            "[STEP 2]\nStepName=Make dest\nStepType=custom sql\nTargetConnection=Out\n"
            "SQLStatement=CREATE TABLE Dest (Id INTEGER)\n"
            "[STEP 3]\nStepName=Copy people\nStepType=dataload\nPrerequisiteTarget_1=Make people\n"
            "PrerequisiteTarget_2=Make dest\nSourceConnection=In\nSourceTableName=People\n"
            "TargetConnection=Out\nTargetTableName=Dest\nSourceToDestinationColumnMappingSection="
            "Cols\n"
            "[STEP 4]\nStepName=After copy\nStepType=do nothing\nPrerequisiteTarget_1=Copy people\n"
            "[Cols]\nSourceColumn_1=Id\nTargetColumn_1=Id\n"
            "[Data Connection - In]\nDatabaseType=SQLite\nDatabase=$(INIPath)/in.db\n"
            "[Data Connection - Out]\nDatabaseType=SQLite\nDatabase=$(INIPath)/out.db\n")
            .arg(rows));
}

void frmKivLoadDataTest::opensIdleWithAnEmptyGrid() {
    auto& window = open({});
    QCOMPARE(window.windowTitle(), QStringLiteral("Kiv " KIV_VERSION));
    QCOMPARE(control<QGroupBox>("frameInput")->title(), QStringLiteral("Input Specifications"));
    QCOMPARE(control<QGroupBox>("frameProgress")->title(),
             QStringLiteral("Data Load Progress: Not Running"));
    QCOMPARE(control<QLabel>("lblKivSpecs")->text(), QStringLiteral("Kiv File Specs:"));
    QCOMPARE(control<QLabel>("lblTablesToLoad")->text(), QStringLiteral("Steps to Perform:"));
    QCOMPARE(control<QPushButton>("cmdAddKivSpec")->text(), QStringLiteral("Add"));
    QCOMPARE(control<QPushButton>("cmdRmvKivSpecs")->text(), QStringLiteral("Rmv"));
    QCOMPARE(control<QPushButton>("cmdRun")->text(), QStringLiteral("Run"));
    QCOMPARE(control<QPushButton>("cmdExit")->text(), QStringLiteral("Exit"));
    QCOMPARE(control<QPushButton>("cmdAbout")->text(), QStringLiteral("About..."));
    QVERIFY(control<QPushButton>("cmdAddKivSpec")->isEnabled());
    QVERIFY(!control<QPushButton>("cmdRmvKivSpecs")->isEnabled());
    QVERIFY(control<QPushButton>("cmdRun")->isEnabled());
    QCOMPARE(control<QLabel>("ctlStatusBar")->text(), QString());
    QVERIFY(!control<kiv::KivAnimation>("ctlAnimation")->isVisible());
    QVERIFY(!control<QTimer>("ctlTimer")->isActive());
    QCOMPARE(control<QTimer>("ctlTimer")->interval(), 2000);
    // The header and the one empty row of a grid without steps.
    QCOMPARE(grid().rowCount(), 1);
    QCOMPARE(columnTexts(1), QStringList{QString()});
    QCOMPARE(grid().headerData(1, Qt::Horizontal).toString(), QStringLiteral("Step Name"));
    QCOMPARE(grid().headerData(2, Qt::Horizontal).toString(), QStringLiteral("Num Rows"));
    QCOMPARE(grid().headerData(3, Qt::Horizontal).toString(), QStringLiteral("Status"));
}

void frmKivLoadDataTest::addsEveryFileChosenInTheDialog() {
    open({});
    mFakes.filesToChoose = threeSimpleFiles();
    click("cmdAddKivSpec");
    QCOMPARE(mFakes.chooserCalls, 1);
    auto* list = control<QListWidget>("lstKivSpecs");
    QCOMPARE(list->count(), 3);
    for (int row = 0; row < 3; ++row) {
        QCOMPARE(list->item(row)->text(), mFakes.filesToChoose[row]);
        QVERIFY(QDir::isAbsolutePath(list->item(row)->text()));
    }
    QStringList names = columnTexts(1);
    names.sort();
    QCOMPARE(names, (QStringList{"A one", "A two", "B one", "B two", "C one", "C two"}));
    QCOMPARE(columnTexts(3), QStringList(6, QStringLiteral("Ready for Processing")));
}

void frmKivLoadDataTest::cancelledDialogAddsNothing() {
    open({});
    click("cmdAddKivSpec");
    QCOMPARE(mFakes.chooserCalls, 1);
    QCOMPARE(control<QListWidget>("lstKivSpecs")->count(), 0);
    QCOMPARE(grid().rowCount(), 1);
}

void frmKivLoadDataTest::removesTheSelectedFileAndItsSteps() {
    open({});
    mFakes.filesToChoose = threeSimpleFiles();
    click("cmdAddKivSpec");
    auto* list = control<QListWidget>("lstKivSpecs");
    auto* remove = control<QPushButton>("cmdRmvKivSpecs");
    QVERIFY(!remove->isEnabled());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(1)).center());
    QVERIFY(list->item(1)->isSelected());
    QVERIFY(remove->isEnabled());
    click("cmdRmvKivSpecs");
    QCOMPARE(list->count(), 2);
    QCOMPARE(list->item(0)->text(), mFakes.filesToChoose[0]);
    QCOMPARE(list->item(1)->text(), mFakes.filesToChoose[2]);
    QStringList names = columnTexts(1);
    names.sort();
    QCOMPARE(names, (QStringList{"A one", "A two", "C one", "C two"}));
    QVERIFY(!remove->isEnabled());
}

void frmKivLoadDataTest::gridColumnsHaveTheirWidthsAndAlignments() {
    open({threeSimpleFiles().first()});
    auto* gridView = control<kiv::ProgressGridView>("gridKivProgress");
    QCOMPARE(gridView->columnWidth(0), gridView->PixelsOf(720));
    QCOMPARE(gridView->columnWidth(1), gridView->PixelsOf(2880));
    QCOMPARE(gridView->columnWidth(2), gridView->PixelsOf(1008));
    QCOMPARE(gridView->columnWidth(3), gridView->width() - gridView->PixelsOf(720) -
                                           gridView->PixelsOf(2880) - gridView->PixelsOf(1008) -
                                           gridView->PixelsOf(350));
    const auto alignment = [this](int column) {
        return grid().index(0, column).data(Qt::TextAlignmentRole).toInt();
    };
    QCOMPARE(alignment(0), int(Qt::AlignCenter));
    QCOMPARE(alignment(1) & Qt::AlignHorizontal_Mask, int(Qt::AlignLeft));
    const auto headerAlignment = [this](int column) {
        return grid().headerData(column, Qt::Horizontal, Qt::TextAlignmentRole).toInt() &
               Qt::AlignHorizontal_Mask;
    };
    QCOMPARE(headerAlignment(2), int(Qt::AlignHCenter));
    QCOMPARE(headerAlignment(3), int(Qt::AlignLeft));
    // Ready steps show the window background in their number cell.
    QCOMPARE(colourOf(QStringLiteral("A one")), QGuiApplication::palette().color(QPalette::Base));
}

void frmKivLoadDataTest::runColoursTheGridAndCountsRows() {
    const QString file = mFolder->package(
        QStringLiteral("run.ini"), QStringLiteral("Run"),
        QStringLiteral(
            "[STEP 1]\nStepName=Fine\nStepType=do nothing\n"
            "[STEP 2]\nStepName=Broken\nStepType=custom sql\nTargetConnection=Out\n"
            "SQLStatement=DELETE FROM Nowhere\n"
            "[STEP 3]\nStepName=Never\nStepType=do nothing\nPrerequisiteTarget_1=Broken\n"
            "[Data Connection - Out]\nDatabaseType=SQLite\nDatabase=$(INIPath)/out.db\n"));
    auto& window = open({file, slowPackage(40)});
    click("cmdRun");
    QCOMPARE(colourOf(QStringLiteral("Fine")), kGreen);
    QCOMPARE(colourOf(QStringLiteral("Copy people")), kGreen);
    QCOMPARE(colourOf(QStringLiteral("Broken")), kRed);
    QCOMPARE(colourOf(QStringLiteral("Never")), kLightRed);
    QCOMPARE(cell(rowOf(QStringLiteral("Fine")), 3), QStringLiteral("Successfully Processed"));
    QCOMPARE(cell(rowOf(QStringLiteral("Broken")), 3), QStringLiteral("no such table: Nowhere"));
    QCOMPARE(cell(rowOf(QStringLiteral("Never")), 3), QStringLiteral("Will Not Be Processed"));
    QCOMPARE(cell(rowOf(QStringLiteral("Copy people")), 2), QStringLiteral("40"));
    QCOMPARE(cell(rowOf(QStringLiteral("Never")), 2), QString());
    QCOMPARE(control<QLabel>("ctlStatusBar")->text(),
             QStringLiteral("Step 6 of 7  (with 1 Processing Error)"));
    QCOMPARE(control<QGroupBox>("frameProgress")->title(),
             QStringLiteral("Data Load Progress: Not Running"));
    // Why the step failed: its messages in the status cell's tooltip, and on a double-click
    // in a dialog to read and copy.
    const int broken = rowOf(QStringLiteral("Broken"));
    QCOMPARE(grid().index(broken - 1, 3).data(Qt::ToolTipRole).toString(),
             QStringLiteral("no such table: Nowhere"));
    doubleClickCell(broken, 3);
    QCOMPARE(mFakes.texts.size(), std::size_t(1));
    QCOMPARE(mFakes.texts[0].title, QStringLiteral("Messages of step Broken"));
    QCOMPARE(mFakes.texts[0].text, QStringLiteral("no such table: Nowhere"));
    doubleClickCell(rowOf(QStringLiteral("Fine")), 3);
    QCOMPARE(mFakes.texts.size(), std::size_t(1));
    QVERIFY(control<QPushButton>("cmdRun")->isEnabled());
    QVERIFY(!control<QPushButton>("cmdStop")->isEnabled());
    QVERIFY(control<QPushButton>("cmdExit")->isEnabled());
    QCOMPARE(window.ExitStatus(), 1);
}

void frmKivLoadDataTest::runAgainStartsFromTheFiles() {
    auto& window = open({threeSimpleFiles().first()});
    click("cmdRun");
    QCOMPARE(cell(rowOf(QStringLiteral("A two")), 3), QStringLiteral("Successfully Processed"));
    QCOMPARE(window.ExitStatus(), 0);
    QTest::keyClick(&window, Qt::Key_F5);
    QCOMPARE(cell(rowOf(QStringLiteral("A two")), 3), QStringLiteral("Successfully Processed"));
    QCOMPARE(grid().rowCount(), 2);
    QCOMPARE(window.ExitStatus(), 0);
}

void frmKivLoadDataTest::stopEndsTheRunAndRowsReadWithDigitGroups() {
    auto& window = open({slowPackage(1000000)});
    QTimer stopper;
    stopper.setInterval(0);
    connect(&stopper, &QTimer::timeout, this, [&] {
        if (control<QLabel>("ctlStatusBar")->text().contains(QStringLiteral("Record Number:"))) {
            QVERIFY(control<QPushButton>("cmdStop")->isEnabled());
            QTest::keyClick(&window, Qt::Key_Escape);
        }
    });
    stopper.start();
    click("cmdRun");
    stopper.stop();
    QCOMPARE(window.ExitStatus(), 1);
    QVERIFY(colourOf(QStringLiteral("After copy")) != kGreen);
    QVERIFY2(cell(rowOf(QStringLiteral("Copy people")), 2)
                 .contains(QRegularExpression(QStringLiteral("^\\d{1,3}(,\\d{3})+$"))),
             qPrintable(cell(rowOf(QStringLiteral("Copy people")), 2)));
}

void frmKivLoadDataTest::headerClicksSortAndMarkTheColumn() {
    open({mFolder->package(QStringLiteral("sort.ini"), QStringLiteral("Sort"),
                           doNothingSteps({QStringLiteral("Bravo"), QStringLiteral("alpha"),
                                           QStringLiteral("Charlie")}))});
    QCOMPARE(columnTexts(1), (QStringList{"Bravo", "alpha", "Charlie"}));
    clickHeader(1);
    QCOMPARE(grid().headerData(1, Qt::Horizontal).toString(), QStringLiteral("Step Name ^"));
    QCOMPARE(columnTexts(1), (QStringList{"alpha", "Bravo", "Charlie"}));
    clickHeader(1);
    QCOMPARE(grid().headerData(1, Qt::Horizontal).toString(), QStringLiteral("Step Name v"));
    QCOMPARE(columnTexts(1), (QStringList{"Charlie", "Bravo", "alpha"}));
    clickHeader(0);
    QCOMPARE(grid().headerData(1, Qt::Horizontal).toString(), QStringLiteral("Step Name"));
    QCOMPARE(grid().headerData(0, Qt::Horizontal).toString(), QStringLiteral(" ^"));
    QCOMPARE(columnTexts(0), (QStringList{"1", "2", "3"}));
    QCOMPARE(columnTexts(1), (QStringList{"Bravo", "alpha", "Charlie"}));
}

void frmKivLoadDataTest::cellClickCopiesItsText() {
    open({threeSimpleFiles().first()});
    clickCell(rowOf(QStringLiteral("A two")), 1);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("A two"));
    clickCell(rowOf(QStringLiteral("A two")), 3);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("Ready for Processing"));
}

void frmKivLoadDataTest::everyControlIsDisabledWhileRunning() {
    // Enough rows for the status bar to show a record number: it follows the rows ten times a
    // second.
    open({slowPackage(1000000)});
    RunningSample sample;
    QTimer sampler;
    sampler.setInterval(0);
    connect(&sampler, &QTimer::timeout, this, [&] {
        const QString status = control<QLabel>("ctlStatusBar")->text();
        if (sample.taken || !status.contains(QStringLiteral("Record Number:"))) {
            return;
        }
        sample.taken = true;
        sample.status = status;
        sample.frameCaption = control<QGroupBox>("frameProgress")->title();
        for (const char* name :
             {"lstKivSpecs", "cmdAddKivSpec", "cmdRmvKivSpecs", "cmdRun", "cmdExit", "cmdAbout"}) {
            if (control<QWidget>(name)->isEnabled()) {
                sample.enabledControls << QString::fromLatin1(name);
            }
        }
        sample.stopEnabled = control<QPushButton>("cmdStop")->isEnabled();
        sample.animationShown = control<kiv::KivAnimation>("ctlAnimation")->isVisible();
        sample.animationPlaying = control<kiv::KivAnimation>("ctlAnimation")->IsPlaying();
        sample.timerActive = control<QTimer>("ctlTimer")->isActive();
        // Clicks meanwhile change nothing.
        click("cmdAddKivSpec");
        clickHeader(1);
        clickCell(1, 1);
    });
    sampler.start();
    click("cmdRun");
    sampler.stop();
    QVERIFY(sample.taken);
    QVERIFY2(sample.status.startsWith(
                 QStringLiteral("Step 3 of 4  (with 0 Processing Errors) Record Number: ")),
             qPrintable(sample.status));
    QCOMPARE(sample.frameCaption, QStringLiteral("Data Load Progress: Running"));
    QCOMPARE(sample.enabledControls, QStringList());
    QVERIFY(sample.stopEnabled);
    QVERIFY(sample.animationShown);
    QVERIFY(sample.animationPlaying);
    QVERIFY(sample.timerActive);
    QCOMPARE(mFakes.chooserCalls, 0);
    QCOMPARE(grid().headerData(1, Qt::Horizontal).toString(), QStringLiteral("Step Name"));
    QCOMPARE(QGuiApplication::clipboard()->text(), QString());
    QCOMPARE(cell(rowOf(QStringLiteral("Copy people")), 2), QStringLiteral("1,000,000"));
    QVERIFY(!control<kiv::KivAnimation>("ctlAnimation")->isVisible());
    QVERIFY(!control<kiv::KivAnimation>("ctlAnimation")->IsPlaying());
    QVERIFY(!control<QTimer>("ctlTimer")->isActive());
    QVERIFY(control<QWidget>("lstKivSpecs")->isEnabled());
}

void frmKivLoadDataTest::closingDuringARunUnloadsAfterIt() {
    auto& window = open({slowPackage(3000)});
    QSignalSpy unloaded(&window, &kiv::frmKivLoadData::Unloaded);
    bool closedAtOnce = true;
    QTimer::singleShot(0, this, [&] { closedAtOnce = window.close(); });
    click("cmdRun");
    QVERIFY(!closedAtOnce);
    QCOMPARE(unloaded.count(), 1);
    // A cancelled run.
    QCOMPARE(unloaded.first().first().toInt(), 1);
    QVERIFY(!window.isVisible());
    QVERIFY(!kiv::gEnvironment);
}

void frmKivLoadDataTest::singleStepAsksAfterEachStepAndCancelStops() {
    mFakes.answers = {true, false};
    auto& window =
        open({QStringLiteral("-singlestep"),
              mFolder->package(QStringLiteral("steps.ini"), QStringLiteral("Steps"),
                               doNothingSteps({QStringLiteral("One"), QStringLiteral("Two"),
                                               QStringLiteral("Three")}))});
    click("cmdRun");
    QCOMPARE(mFakes.questions.size(), std::size_t{2});
    QCOMPARE(mFakes.questions[0].title, QStringLiteral("Single Step Progress..."));
    QCOMPARE(
        mFakes.questions[0].text,
        QStringLiteral("Completed Processing Step: One\nStep Status is: Successfully Processed"));
    QCOMPARE(
        mFakes.questions[1].text,
        QStringLiteral("Completed Processing Step: Two\nStep Status is: Successfully Processed"));
    QCOMPARE(cell(rowOf(QStringLiteral("Three")), 3), QStringLiteral("Ready for Processing"));
    QCOMPARE(window.ExitStatus(), 1);
}

void frmKivLoadDataTest::debugLogMessagesAreMessageBoxes() {
    open({});
    kiv::gDebugLog->ModuleName("Kiv test");
    kiv::gDebugLog->WriteLog("Something to say", true);
    QCOMPARE(mFakes.messages.size(), std::size_t{1});
    QCOMPARE(mFakes.messages[0].title, QStringLiteral("Kiv test"));
    QCOMPARE(mFakes.messages[0].text, QStringLiteral("Something to say"));
}

void frmKivLoadDataTest::shrinkingSnapsBackToTheStartSize() {
    auto& window = open({});
    QCOMPARE(window.size(), kiv::frmKivLoadData::kStartSize);
    window.resize(300, 200);
    QCOMPARE(window.size(), kiv::frmKivLoadData::kStartSize);
    window.resize(kiv::frmKivLoadData::kStartSize.width() - 1,
                  kiv::frmKivLoadData::kStartSize.height() + 50);
    QCOMPARE(window.size(), kiv::frmKivLoadData::kStartSize + QSize(0, 50));
}

void frmKivLoadDataTest::statusColumnAndGridTakeUpSizeChanges() {
    auto& window = open({threeSimpleFiles().first()});
    QTableView* gridView = view();
    const QList<int> widths{gridView->columnWidth(0), gridView->columnWidth(1),
                            gridView->columnWidth(2), gridView->columnWidth(3)};
    const int gridHeight = gridView->height();
    const int inputHeight = control<QGroupBox>("frameInput")->height();
    const QPoint runFromRight(window.width() - control<QPushButton>("cmdRun")->x(),
                              control<QPushButton>("cmdRun")->y());
    window.resize(window.size() + QSize(120, 80));
    QTRY_COMPARE(gridView->columnWidth(3), widths[3] + 120);
    QCOMPARE(gridView->columnWidth(0), widths[0]);
    QCOMPARE(gridView->columnWidth(1), widths[1]);
    QCOMPARE(gridView->columnWidth(2), widths[2]);
    QCOMPARE(gridView->height(), gridHeight + 80);
    QCOMPARE(control<QGroupBox>("frameInput")->height(), inputHeight);
    QCOMPARE(QPoint(window.width() - control<QPushButton>("cmdRun")->x(),
                    control<QPushButton>("cmdRun")->y()),
             runFromRight);
}

void frmKivLoadDataTest::savedPositionOffTheScreenIsPulledBack() {
    const QRect screen = QGuiApplication::primaryScreen()->virtualGeometry();
    kiv::WindowSettings::Save(QRect(screen.right() + 500, -50, 790, 550));
    auto& window = open({});
    QCOMPARE(window.size(), QSize(790, 550));
    QCOMPARE(window.pos(), QPoint(screen.x() + screen.width() - 790, screen.y()));
}

void frmKivLoadDataTest::closingSavesThePositionAndShutsDown() {
    auto& window = open({});
    window.move(30, 40);
    window.resize(800, 560);
    QSignalSpy unloaded(&window, &kiv::frmKivLoadData::Unloaded);
    click("cmdExit");
    QCOMPARE(unloaded.count(), 1);
    QCOMPARE(unloaded.first().first().toInt(), 0);
    QVERIFY(!window.isVisible());
    QCOMPARE(savedSetting("Left"), 30);
    QCOMPARE(savedSetting("Top"), 40);
    QCOMPARE(savedSetting("Width"), 800);
    QCOMPARE(savedSetting("Height"), 560);
    QVERIFY(!kiv::gEnvironment);
    QVERIFY(!kiv::gDebugLog);
    QVERIFY(!kiv::gbDebugEnabled);
}

void frmKivLoadDataTest::unattendedRunClosesTheWindowWithTheReport() {
    const QString report = mFolder->path(QStringLiteral("report.txt"));
    auto& window = create(
        {QStringLiteral("-run"), QStringLiteral("-report"), report, threeSimpleFiles().first()});
    QSignalSpy unloaded(&window, &kiv::frmKivLoadData::Unloaded);
    window.show();
    QVERIFY(unloaded.wait(60000));
    QCOMPARE(unloaded.first().first().toInt(), 0);
    QVERIFY(!window.isVisible());
    QFile file(report);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    QVERIFY(text.contains(QStringLiteral("Summary Processing Information:")));
    QVERIFY(text.contains(QStringLiteral("1. A one  -- Final Status: Successfully Processed")));
    QVERIFY(text.contains(QStringLiteral("2. A two  -- Final Status: Successfully Processed")));
}

void frmKivLoadDataTest::aboutBoxOpensOverTheWindow() {
    auto& window = open({});
    QString caption;
    QWidget* owner = nullptr;
    QTimer::singleShot(0, this, [&] {
        auto* about = qobject_cast<kiv::frmAbout*>(QApplication::activeModalWidget());
        if (about != nullptr) {
            caption = about->windowTitle();
            owner = about->parentWidget();
        }
        if (QApplication::activeModalWidget() != nullptr) {
            QApplication::activeModalWidget()->close();
        }
    });
    click("cmdAbout");
    QCOMPARE(caption, QStringLiteral("About Kiv"));
    QCOMPARE(owner, &window);
}

void frmKivLoadDataTest::screenshotAfterTheExampleRun() {
    const QString example = mFolder->copyExample();
    auto& window = open({example});
    click("cmdRun");
    for (const char* step :
         {"Create country table", "Load countries", "Load customers", "Mark finished"}) {
        QCOMPARE(colourOf(QString::fromLatin1(step)), kGreen);
    }
    QCOMPARE(window.size(), kiv::frmKivLoadData::kStartSize);
    QCoreApplication::processEvents();
    QVERIFY(QDir().mkpath(QStringLiteral(KIV_SCREENSHOT_DIR)));
    QVERIFY(window.grab().save(QStringLiteral(KIV_SCREENSHOT_DIR "/main-window.png")));
    // The last step starts a command that writes into the folder; it is removed afterwards.
    QTRY_VERIFY(
        QFile::exists(QFileInfo(example).dir().filePath(QStringLiteral("output/finished.txt"))));
}
