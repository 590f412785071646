#include "ui/frmKivLoadData.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include "diagnostics/Globals.h"
#include "diagnostics/clsDebugLog.h"
#include "driver/RunSignals.h"
#include "driver/modKivRun.h"
#include "settings/clsEnvironmentVariables.h"
#include "ui/KivAnimation.h"
#include "ui/ProgressGridModel.h"
#include "ui/ProgressGridView.h"
#include "ui/QtText.h"
#include "ui/VersionInfo.h"
#include "ui/WindowSettings.h"
#include "ui/frmAbout.h"

namespace kiv {

namespace {

constexpr int kTimerIntervalMs = 2000;
constexpr int kListLines = 4;

}  // namespace

frmKivLoadData::frmKivLoadData(const CommandLine& commandLine, WindowServices services,
                               QWidget* parent)
    : QMainWindow(parent), mServices(std::move(services)) {
    setObjectName(QStringLiteral("frmKivLoadData"));
    setWindowTitle(VersionInfo::Title() + QLatin1Char(' ') + VersionInfo::Version());
    createControls();
    connectControls();
    resize(kStartSize);
    setMinimumSize(kStartSize);
    gbDebugEnabled = true;
    setHooks();
    SetRunningState(true);
    ShowStatus("");
    mController = std::make_unique<RunController>(*this);
    gridKivProgress->GridModel().SetGrid(&mController->Grid());
    gridKivProgress->GridModel().SetStepMessages(
        [this](const std::string& name) { return mController->StepMessages(name); });
    loadCommandLine(commandLine);
    LoadWindowPosition();
    SetRunningState(false);
}

frmKivLoadData::~frmKivLoadData() {
    gridKivProgress->GridModel().SetGrid(nullptr);
    clearHooks();
}

void frmKivLoadData::createControls() {
    auto* progressRow = new QHBoxLayout;
    progressRow->addWidget(createProgressFrame(), 1);
    progressRow->addLayout(createCommandColumn());
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->addWidget(createInputFrame());
    layout->addLayout(progressRow, 1);
    setCentralWidget(central);

    ctlStatusBar = new QLabel(statusBar());
    ctlStatusBar->setObjectName(QStringLiteral("ctlStatusBar"));
    statusBar()->addWidget(ctlStatusBar, 1);
    ctlTimer = new QTimer(this);
    ctlTimer->setObjectName(QStringLiteral("ctlTimer"));
    ctlTimer->setInterval(kTimerIntervalMs);
}

QWidget* frmKivLoadData::createInputFrame() {
    frameInput = new QGroupBox(QStringLiteral("Input Specifications"), this);
    frameInput->setObjectName(QStringLiteral("frameInput"));
    frameInput->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    lblKivSpecs = new QLabel(QStringLiteral("Kiv File Specs:"), frameInput);
    lblKivSpecs->setObjectName(QStringLiteral("lblKivSpecs"));
    lstKivSpecs = new QListWidget(frameInput);
    lstKivSpecs->setObjectName(QStringLiteral("lstKivSpecs"));
    lstKivSpecs->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstKivSpecs->setFixedHeight(lstKivSpecs->fontMetrics().lineSpacing() * kListLines +
                                2 * lstKivSpecs->frameWidth() + kListLines);
    cmdAddKivSpec = createButton(QStringLiteral("cmdAddKivSpec"), QStringLiteral("Add"));
    cmdRmvKivSpecs = createButton(QStringLiteral("cmdRmvKivSpecs"), QStringLiteral("Rmv"));
    auto* layout = new QGridLayout(frameInput);
    layout->addWidget(lblKivSpecs, 0, 0, 1, 2);
    layout->addWidget(lstKivSpecs, 1, 0, 3, 1);
    layout->addWidget(cmdAddKivSpec, 1, 1);
    layout->addWidget(cmdRmvKivSpecs, 2, 1);
    layout->setColumnStretch(0, 1);
    return frameInput;
}

QWidget* frmKivLoadData::createProgressFrame() {
    frameProgress = new QGroupBox(QStringLiteral("Data Load Progress: Not Running"), this);
    frameProgress->setObjectName(QStringLiteral("frameProgress"));
    lblTablesToLoad = new QLabel(QStringLiteral("Steps to Perform:"), frameProgress);
    lblTablesToLoad->setObjectName(QStringLiteral("lblTablesToLoad"));
    gridKivProgress = new ProgressGridView(frameProgress);
    gridKivProgress->setObjectName(QStringLiteral("gridKivProgress"));
    auto* layout = new QVBoxLayout(frameProgress);
    layout->addWidget(lblTablesToLoad);
    layout->addWidget(gridKivProgress, 1);
    return frameProgress;
}

QLayout* frmKivLoadData::createCommandColumn() {
    cmdRun = createButton(QStringLiteral("cmdRun"), QStringLiteral("Run"));
    cmdStop = createButton(QStringLiteral("cmdStop"), QStringLiteral("Stop"));
    cmdExit = createButton(QStringLiteral("cmdExit"), QStringLiteral("Exit"));
    cmdAbout = createButton(QStringLiteral("cmdAbout"), QStringLiteral("About..."));
    ctlAnimation = new KivAnimation(this);
    ctlAnimation->setObjectName(QStringLiteral("ctlAnimation"));
    // The buttons stay where they are when the animation comes and goes.
    QSizePolicy policy = ctlAnimation->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    ctlAnimation->setSizePolicy(policy);
    auto* column = new QVBoxLayout;
    column->addSpacing(frameProgress->fontMetrics().height());
    column->addWidget(cmdRun);
    column->addWidget(cmdStop);
    column->addWidget(cmdExit);
    column->addWidget(cmdAbout);
    column->addSpacing(fontMetrics().height());
    column->addWidget(ctlAnimation, 0, Qt::AlignHCenter);
    column->addStretch();
    return column;
}

QPushButton* frmKivLoadData::createButton(const QString& name, const QString& caption) {
    auto* button = new QPushButton(caption, this);
    button->setObjectName(name);
    return button;
}

void frmKivLoadData::connectControls() {
    connect(cmdAddKivSpec, &QPushButton::clicked, this, &frmKivLoadData::cmdAddKivSpec_Click);
    connect(cmdRmvKivSpecs, &QPushButton::clicked, this, &frmKivLoadData::cmdRmvKivSpecs_Click);
    connect(cmdRun, &QPushButton::clicked, this, &frmKivLoadData::cmdRun_Click);
    connect(cmdStop, &QPushButton::clicked, this, &frmKivLoadData::cmdStop_Click);
    cmdAddKivSpec->setShortcut(QKeySequence::Open);
    cmdRmvKivSpecs->setShortcut(QKeySequence::Delete);
    cmdRun->setShortcut(Qt::Key_F5);
    cmdStop->setShortcut(Qt::Key_Escape);
    connect(cmdExit, &QPushButton::clicked, this, &QWidget::close);
    connect(cmdAbout, &QPushButton::clicked, this, &frmKivLoadData::cmdAbout_Click);
    connect(lstKivSpecs, &QListWidget::itemSelectionChanged, this,
            &frmKivLoadData::lstKivSpecs_SelectionChanged);
    connect(gridKivProgress, &ProgressGridView::HeaderClicked, this,
            &frmKivLoadData::gridKivProgress_HeaderClick);
    connect(gridKivProgress, &ProgressGridView::CellClicked, this,
            &frmKivLoadData::gridKivProgress_CellClick);
    connect(gridKivProgress, &ProgressGridView::CellDoubleClicked, this,
            &frmKivLoadData::gridKivProgress_CellDoubleClick);
    connect(ctlTimer, &QTimer::timeout, this, &frmKivLoadData::YieldToUser);
}

void frmKivLoadData::setHooks() {
    clsDebugLog::SetMessageBoxHook([this](const std::string& title, const std::string& text) {
        mServices.showMessage(this, QMessageBox::Information, qttext::fromKiv(title),
                              qttext::fromKiv(text));
    });
    clsEnvironmentVariables::SetYieldHook([this] { YieldToUser(); });
}

void frmKivLoadData::clearHooks() {
    clsDebugLog::SetMessageBoxHook({});
    clsEnvironmentVariables::SetYieldHook({});
}

void frmKivLoadData::loadCommandLine(const CommandLine& commandLine) {
    mbAutoRun = commandLine.AutoRun();
    mController->SingleStep(commandLine.SingleStep());
    mController->SummaryFile(commandLine.SummaryFile());
    for (const std::string& file : commandLine.SpecificationFiles()) {
        mController->AddSpecificationFile(file, gEnvironment, false);
    }
    mController->ReloadSpecifications(gEnvironment);
    fillSpecificationList();
}

void frmKivLoadData::YieldToUser() {
    // Outside a run the controls are enabled, so input waits until the loading that yields
    // here is over: a click cannot change the file list halfway through a reload.
    QCoreApplication::processEvents(mbRunning ? QEventLoop::AllEvents
                                              : QEventLoop::ExcludeUserInputEvents);
}

void frmKivLoadData::ShowStatus(const std::string& text) {
    ctlStatusBar->setText(qttext::fromKiv(text));
}

void frmKivLoadData::ShowProblem(const std::string& text) {
    mServices.showMessage(this, QMessageBox::Warning, QStringLiteral("Kiv"), qttext::fromKiv(text));
}

bool frmKivLoadData::ConfirmSingleStep(const std::string& title, const std::string& text) {
    return mServices.confirm(this, qttext::fromKiv(title), qttext::fromKiv(text));
}

void frmKivLoadData::SetRunningState(bool running) {
    mbRunning = running;
    frameProgress->setTitle(
        QStringLiteral("Data Load Progress") +
        (running ? QStringLiteral(": Running") : QStringLiteral(": Not Running")));
    if (running) {
        ctlTimer->start();
    } else {
        ctlTimer->stop();
    }
    ctlAnimation->setVisible(running);
    cmdStop->setEnabled(running);
    for (QWidget* control : std::initializer_list<QWidget*>{
             lstKivSpecs, cmdAddKivSpec, cmdRmvKivSpecs, cmdRun, cmdExit, cmdAbout}) {
        control->setEnabled(!running);
    }
    if (running) {
        ctlAnimation->Play();
    } else {
        ctlAnimation->Stop();
        UpdateRemoveButton();
    }
}

void frmKivLoadData::RunFinished() {
    mbRunDone = true;
    cmdExit->setEnabled(true);
    miExitStatus = mController->ExitStatus();
    if (RunSignals::Caught() != 0) {
        // A signal ends the program as closing the window would, once the report is written.
        mbCloseRequested = true;
    }
}

void frmKivLoadData::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (mbAutoRun && !mbRunning) {
        mbAutoRun = false;
        // Started from the event loop, so that the window is on the screen when the run begins.
        QTimer::singleShot(0, this, &frmKivLoadData::runUnattended);
    }
}

void frmKivLoadData::closeEvent(QCloseEvent* event) {
    if (mbRunning) {
        // Closing ends the run after the step in hand; the window unloads when the run is over.
        gbContinueProcessing = false;
        mbCloseRequested = true;
        event->ignore();
        return;
    }
    if (mController) {
        unload();
    }
    event->accept();
}

void frmKivLoadData::cmdAddKivSpec_Click() {
    const QStringList files = mServices.chooseSpecificationFiles(this);
    if (files.isEmpty()) {
        return;
    }
    for (const QString& file : files) {
        mController->AddSpecificationFile(qttext::toKiv(file), gEnvironment, false);
    }
    mController->ReloadSpecifications(gEnvironment);
    fillSpecificationList();
}

void frmKivLoadData::cmdRmvKivSpecs_Click() {
    mController->RemoveSelectedSpecifications();
    fillSpecificationList();
}

void frmKivLoadData::cmdRun_Click() {
    if (mbRunning) {
        return;
    }
    if (mbRunDone) {
        // A run leaves its steps with their outcomes; the next one starts from the files.
        mController->ReloadPackage(gEnvironment);
    }
    mController->Run();
    if (mbCloseRequested) {
        close();
    }
}

// Stops as closing does, without closing: the run ends after the row in hand.
void frmKivLoadData::cmdStop_Click() {
    gbContinueProcessing = false;
}

void frmKivLoadData::runUnattended() {
    if (!mController) {
        return;
    }
    mController->Run();
    close();
}

void frmKivLoadData::cmdAbout_Click() {
    frmAbout about(mServices.showMessage, this);
    about.exec();
}

void frmKivLoadData::lstKivSpecs_SelectionChanged() {
    auto& entries = mController->Specifications();
    for (int row = 0; row < lstKivSpecs->count() && row < static_cast<int>(entries.size()); ++row) {
        entries[static_cast<std::size_t>(row)].selected = lstKivSpecs->item(row)->isSelected();
    }
    UpdateRemoveButton();
}

void frmKivLoadData::gridKivProgress_HeaderClick(int column) {
    if (!mbRunning) {
        mController->SortByColumn(column);
    }
}

void frmKivLoadData::gridKivProgress_CellClick(int row, int column) {
    if (mbRunning) {
        return;
    }
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(qttext::fromKiv(mController->Grid().Text(row, column)));
}

// The reason a step failed, whole, where it can be read at leisure and copied.
void frmKivLoadData::gridKivProgress_CellDoubleClick(int row, int) {
    const std::string name = mController->Grid().Text(row, 1);
    const std::string messages = mController->StepMessages(name);
    if (!messages.empty() && mServices.showText) {
        mServices.showText(this, qttext::fromKiv("Messages of step " + name),
                           qttext::fromKiv(messages));
    }
}

void frmKivLoadData::fillSpecificationList() {
    const QSignalBlocker blocker(lstKivSpecs);
    lstKivSpecs->clear();
    for (const auto& entry : mController->Specifications()) {
        auto* item = new QListWidgetItem(qttext::fromKiv(entry.path), lstKivSpecs);
        item->setSelected(entry.selected);
    }
    UpdateRemoveButton();
}

void frmKivLoadData::UpdateRemoveButton() {
    cmdRmvKivSpecs->setEnabled(!lstKivSpecs->selectedItems().isEmpty());
}

void frmKivLoadData::LoadWindowPosition() {
    const auto saved = WindowSettings::Load(QRect(pos(), size()));
    if (!saved) {
        return;
    }
    resize(saved->size());
    const QRect screenArea = screen()->virtualGeometry();
    move(WindowSettings::PullBack(saved->x(), width(), screenArea.x(), screenArea.width()),
         WindowSettings::PullBack(saved->y(), height(), screenArea.y(), screenArea.height()));
}

void frmKivLoadData::SaveWindowPosition() {
    WindowSettings::Save(QRect(pos(), size()));
}

void frmKivLoadData::unload() {
    SaveWindowPosition();
    gridKivProgress->GridModel().SetGrid(nullptr);
    mController.reset();
    clearHooks();
    ShutDown();
    Q_EMIT Unloaded(miExitStatus);
}

}  // namespace kiv
