#pragma once

#include <QObject>

#include "FakeServices.h"

// The About box and its system information button.
class frmAboutTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void showsTitleVersionAndDescription();
    void systemInfoShowsTheVersionsOfTheSystemAndTheLibraries();

private:
    FakeServices mFakes;
};
