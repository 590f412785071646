#include "ui/frmAbout.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSysInfo>
#include <QVBoxLayout>

#include "db/LibraryVersions.h"
#include "ui/KivAnimation.h"
#include "ui/QtText.h"
#include "ui/VersionInfo.h"

namespace kiv {

namespace {

// Desktop tools that show the hardware and system, in the order they are tried.
constexpr int kTitlePointSizeIncrease = 6;
constexpr int kDescriptionWidth = 360;

}  // namespace

frmAbout::frmAbout(WindowServices::MessageBox showMessage, QWidget* parent)
    : QDialog(parent), mShowMessage(std::move(showMessage)) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About ") + VersionInfo::Title());

    QLabel* title = createLabel(QStringLiteral("lblTitle"), VersionInfo::Title());
    QFont titleFont = title->font();
    titleFont.setPointSize(titleFont.pointSize() + kTitlePointSizeIncrease);
    titleFont.setBold(true);
    title->setFont(titleFont);
    QLabel* version = createLabel(QStringLiteral("lblVersion"),
                                  QStringLiteral("Version ") + VersionInfo::Version());
    QLabel* description = createLabel(
        QStringLiteral("lblDescription"),
        VersionInfo::Description().replace(QStringLiteral("{NL}"), QStringLiteral("\n")));
    description->setWordWrap(true);
    description->setFixedWidth(kDescriptionWidth);

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdSysInfo = new QPushButton(QStringLiteral("&System Info..."), this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::StartSysInfo);

    auto* picture = new KivAnimation(this);
    auto* texts = new QVBoxLayout;
    texts->addWidget(title);
    texts->addWidget(version);
    texts->addSpacing(fontMetrics().height());
    texts->addWidget(description);
    texts->addStretch();
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdSysInfo);
    buttons->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(picture, 0, Qt::AlignTop);
    layout->addLayout(texts, 1);
    layout->addLayout(buttons);
    setFixedSize(sizeHint());
}

QLabel* frmAbout::createLabel(const QString& name, const QString& text) {
    auto* label = new QLabel(text, this);
    label->setObjectName(name);
    return label;
}

void frmAbout::StartSysInfo() {
    if (mShowMessage) {
        mShowMessage(this, QMessageBox::Information, QStringLiteral("System Information"),
                     SystemInformation());
    }
}

QString frmAbout::SystemInformation() {
    QString text = VersionInfo::Title() + QLatin1Char(' ') + VersionInfo::Version() +
                   QLatin1Char('\n') + QStringLiteral("Operating system: ") +
                   QSysInfo::prettyProductName() + QStringLiteral(" (") + QSysInfo::kernelType() +
                   QLatin1Char(' ') + QSysInfo::kernelVersion() + QStringLiteral(", ") +
                   QSysInfo::currentCpuArchitecture() + QStringLiteral(")\nQt: ") +
                   QString::fromLatin1(qVersion());
    for (const auto& [library, version] : db::LibraryVersions::List()) {
        text += QLatin1Char('\n') + qttext::fromKiv(library) + QStringLiteral(": ") +
                qttext::fromKiv(version);
    }
    return text;
}

}  // namespace kiv
