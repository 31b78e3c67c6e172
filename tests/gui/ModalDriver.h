#pragma once

// Drives the real modal dialogs of the program from a test: schedule what to do
// with the next modal widget, then run the command that opens it. The action
// runs inside the dialog's own event loop, so the texts and buttons checked
// are the real ones.

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

namespace edamaki::testing {

// Runs `action` on the next modal widget that becomes active (polling every
// few milliseconds, giving up after `timeout_ms`). Returns a flag that tells
// whether the action ran.
inline std::shared_ptr<bool> WhenModal(std::function<void(QWidget*)> action, int timeout_ms = 5000)
{
    auto ran = std::make_shared<bool>(false);
    auto* timer = new QTimer;
    auto elapsed = std::make_shared<int>(0);
    // A guarded pointer: a new dialog may be built where the previous one was.
    auto previous = std::make_shared<QPointer<QWidget>>(QApplication::activeModalWidget());
    QObject::connect(timer, &QTimer::timeout, [=] {
        *elapsed += 10;
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal != *previous && modal->isVisible()) {
            timer->stop();
            timer->deleteLater();
            *ran = true;
            action(modal);
            return;
        }
        if (*elapsed > timeout_ms) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(10);
    return ran;
}

// Presses `button` of the next message box and records its text.
inline std::shared_ptr<bool> AnswerMessageBox(
    QMessageBox::StandardButton button, QString* text = nullptr, QMessageBox::Icon* icon = nullptr)
{
    return WhenModal([=](QWidget* widget) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        if (!box)
            return;
        if (text)
            *text = box->text();
        if (icon)
            *icon = box->icon();
        if (auto* target = box->button(button))
            target->click();
        else
            box->reject();
    });
}

} // namespace edamaki::testing
