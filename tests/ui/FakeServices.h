#pragma once

#include <QMessageBox>
#include <QStringList>
#include <vector>

#include "ui/WindowServices.h"

// Dialogs that answer by themselves and remember what they were shown.
class FakeServices {
public:
    struct Shown {
        QMessageBox::Icon icon;
        QString title;
        QString text;
    };

    QStringList filesToChoose;
    // Answers of the OK / Cancel questions, in order; OK once they run out.
    std::vector<bool> answers;
    int chooserCalls = 0;
    std::vector<Shown> messages;
    std::vector<Shown> questions;
    std::vector<Shown> texts;

    kiv::WindowServices Services();
};
