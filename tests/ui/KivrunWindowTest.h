#pragma once

#include <QObject>
#include <QStringList>

#include "PackageFolder.h"

// The program itself in window mode, on the offscreen platform: unattended runs end with the
// exit status of their outcome.
class KivrunWindowTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void runWithoutFailureEndsWithZero();
    void runWithAFailedStepEndsWithOne();

private:
    int kivrun(const QStringList& arguments) const;

    PackageFolder mFolder;
};
