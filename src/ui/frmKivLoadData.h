#pragma once

#include <QMainWindow>
#include <memory>
#include <string>

#include "driver/CommandLine.h"
#include "driver/RunController.h"
#include "driver/RunView.h"
#include "ui/WindowServices.h"

class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTimer;

namespace kiv {

class KivAnimation;
class ProgressGridView;

// The program's window: the list of specification files, the progress grid of their steps,
// the run counters in the status bar, and the buttons that add and remove files, run, exit and
// show the About box. It hosts the run controller; the run goes on the one thread, and the
// window stays alive by letting pending events run whenever the controller yields.
class frmKivLoadData : public QMainWindow, public RunView {
    Q_OBJECT
public:
    // The size the window opens with; it does not shrink below it.
    static constexpr QSize kStartSize{780, 540};

    // Prepares the window and loads the files the command line lists; the caller shows it.
    frmKivLoadData(const CommandLine& commandLine, WindowServices services,
                   QWidget* parent = nullptr);
    ~frmKivLoadData() override;

    void YieldToUser() override;
    void ShowStatus(const std::string& text) override;
    bool ConfirmSingleStep(const std::string& title, const std::string& text) override;
    void ShowProblem(const std::string& text) override;
    void SetRunningState(bool running) override;
    void RunFinished() override;

    // 1 after a run in which a step failed or that was cancelled, 128 + signal after a run a
    // signal cancelled, otherwise 0.
    int ExitStatus() const { return miExitStatus; }

Q_SIGNALS:
    // The window has unloaded: position saved, steps released, process-wide state shut down.
    void Unloaded(int exitStatus);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    QWidget* createInputFrame();
    QWidget* createProgressFrame();
    QLayout* createCommandColumn();
    QPushButton* createButton(const QString& name, const QString& caption);
    void connectControls();
    void setHooks();
    static void clearHooks();
    void loadCommandLine(const CommandLine& commandLine);

    void cmdAddKivSpec_Click();
    void cmdRmvKivSpecs_Click();
    void cmdRun_Click();
    void cmdStop_Click();
    void cmdAbout_Click();
    void lstKivSpecs_SelectionChanged();
    void gridKivProgress_HeaderClick(int column);
    void gridKivProgress_CellClick(int row, int column);
    void gridKivProgress_CellDoubleClick(int row, int column);
    void runUnattended();

    void fillSpecificationList();
    void UpdateRemoveButton();
    void LoadWindowPosition();
    void SaveWindowPosition();
    void unload();

    WindowServices mServices;
    std::unique_ptr<RunController> mController;
    QGroupBox* frameInput = nullptr;
    QLabel* lblKivSpecs = nullptr;
    QListWidget* lstKivSpecs = nullptr;
    QPushButton* cmdAddKivSpec = nullptr;
    QPushButton* cmdRmvKivSpecs = nullptr;
    QGroupBox* frameProgress = nullptr;
    QLabel* lblTablesToLoad = nullptr;
    ProgressGridView* gridKivProgress = nullptr;
    QPushButton* cmdRun = nullptr;
    QPushButton* cmdStop = nullptr;
    QPushButton* cmdExit = nullptr;
    QPushButton* cmdAbout = nullptr;
    QLabel* ctlStatusBar = nullptr;
    QTimer* ctlTimer = nullptr;
    KivAnimation* ctlAnimation = nullptr;
    bool mbRunning = false;
    bool mbAutoRun = false;
    bool mbCloseRequested = false;
    bool mbRunDone = false;
    int miExitStatus = 0;
};

}  // namespace kiv
