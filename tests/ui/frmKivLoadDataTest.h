#pragma once

#include <QColor>
#include <QObject>
#include <QStringList>
#include <memory>

#include "FakeServices.h"
#include "PackageFolder.h"
#include "ui/frmKivLoadData.h"

class QAbstractItemModel;
class QTableView;

// Clicks through the main window on the offscreen platform, with dialogs that answer by
// themselves.
class frmKivLoadDataTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void opensIdleWithAnEmptyGrid();
    void addsEveryFileChosenInTheDialog();
    void cancelledDialogAddsNothing();
    void removesTheSelectedFileAndItsSteps();
    void gridColumnsHaveTheirWidthsAndAlignments();
    void runColoursTheGridAndCountsRows();
    void runAgainStartsFromTheFiles();
    void stopEndsTheRunAndRowsReadWithDigitGroups();
    void headerClicksSortAndMarkTheColumn();
    void cellClickCopiesItsText();
    void everyControlIsDisabledWhileRunning();
    void closingDuringARunUnloadsAfterIt();
    void singleStepAsksAfterEachStepAndCancelStops();
    void debugLogMessagesAreMessageBoxes();
    void shrinkingSnapsBackToTheStartSize();
    void statusColumnAndGridTakeUpSizeChanges();
    void savedPositionOffTheScreenIsPulledBack();
    void closingSavesThePositionAndShutsDown();
    void unattendedRunClosesTheWindowWithTheReport();
    void aboutBoxOpensOverTheWindow();
    void screenshotAfterTheExampleRun();

private:
    // The window for these program arguments, not yet shown.
    kiv::frmKivLoadData& create(const QStringList& arguments);
    // The same, shown.
    kiv::frmKivLoadData& open(const QStringList& arguments);
    template <typename Control>
    Control* control(const char* name) const;
    QTableView* view() const;
    QAbstractItemModel& grid() const;
    // Cells by grid row: row 1 is the first data row.
    QString cell(int row, int column) const;
    int rowOf(const QString& stepName) const;
    QColor colourOf(const QString& stepName) const;
    QStringList columnTexts(int column) const;
    void clickHeader(int column) const;
    void clickCell(int row, int column) const;
    void click(const char* button) const;
    QStringList threeSimpleFiles() const;
    QString slowPackage(int rows) const;

    std::unique_ptr<PackageFolder> mFolder;
    FakeServices mFakes;
    std::unique_ptr<kiv::frmKivLoadData> mWindow;
};
