#include "gui/widgets/MessageBoxes.h"

namespace edamaki {

QString MessageTitle(QMessageBox::Icon icon)
{
    switch (icon) {
    case QMessageBox::Critical:
        return QStringLiteral("エラー");
    case QMessageBox::Warning:
        return QStringLiteral("警告");
    case QMessageBox::Question:
        return QStringLiteral("確認");
    default:
        return QStringLiteral("情報");
    }
}

QMessageBox::StandardButton ShowMessage(QWidget* parent, QMessageBox::Icon icon, QString const& text,
    QMessageBox::StandardButtons buttons, QMessageBox::StandardButton default_button)
{
    QMessageBox box(icon, MessageTitle(icon), text, buttons, parent);
    if (default_button != QMessageBox::NoButton)
        box.setDefaultButton(default_button);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

} // namespace edamaki
