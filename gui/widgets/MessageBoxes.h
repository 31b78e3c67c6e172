#pragma once

// The program's message boxes: a real QMessageBox with the title that goes
// with its icon ("警告" for a warning, "確認" for a question, ...).

#include <QMessageBox>
#include <QString>

class QWidget;

namespace edamaki {

QString MessageTitle(QMessageBox::Icon icon);

// Shows the box modally and returns the button pressed.
QMessageBox::StandardButton ShowMessage(QWidget* parent, QMessageBox::Icon icon, QString const& text,
    QMessageBox::StandardButtons buttons = QMessageBox::Ok,
    QMessageBox::StandardButton default_button = QMessageBox::NoButton);

} // namespace edamaki
