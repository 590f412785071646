#include "FakeServices.h"

kiv::WindowServices FakeServices::Services() {
    return {
        [this](QWidget*) {
            ++chooserCalls;
            return filesToChoose;
        },
        [this](QWidget*, QMessageBox::Icon icon, const QString& title, const QString& text) {
            messages.push_back({icon, title, text});
        },
        [this](QWidget*, const QString& title, const QString& text) {
            const std::size_t asked = questions.size();
            questions.push_back({QMessageBox::Information, title, text});
            return asked >= answers.size() || answers[asked];
        },
        [this](QWidget*, const QString& title, const QString& text) {
            texts.push_back({QMessageBox::NoIcon, title, text});
        },
    };
}
