#pragma once

#include <QByteArray>
#include <QObject>
#include <QTemporaryDir>
#include <memory>

#include "FakeServices.h"

// The About box and its system information button.
class frmAboutTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void showsTitleVersionAndDescription();
    void withoutAToolSaysSystemInformationIsUnavailable();
    void startsTheFirstToolFoundOnThePath();

private:
    QByteArray mSavedPath;
    std::unique_ptr<QTemporaryDir> mToolFolder;
    FakeServices mFakes;
};
