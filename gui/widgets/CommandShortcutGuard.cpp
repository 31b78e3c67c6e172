#include "gui/widgets/CommandShortcutGuard.h"

#include <QAction>
#include <QKeyEvent>
#include <QWidget>

#include <utility>

namespace edamaki {

CommandShortcutGuard::CommandShortcutGuard(QList<QAction*> commands, QObject* parent)
    : QObject(parent)
    , m_commands(std::move(commands))
{
}

void CommandShortcutGuard::Guard(QWidget& control)
{
    control.installEventFilter(this);
}

bool CommandShortcutGuard::eventFilter(QObject* watched, QEvent* event)
{
    // An ignored shortcut override leaves the key to the window's shortcuts.
    if (event->type() == QEvent::ShortcutOverride && IsCommandShortcut(*static_cast<QKeyEvent*>(event))) {
        event->ignore();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

bool CommandShortcutGuard::IsCommandShortcut(QKeyEvent const& event) const
{
    QKeySequence const pressed(event.keyCombination());
    for (QAction const* command : m_commands) {
        if (command->isEnabled() && command->shortcut() == pressed)
            return true;
    }
    return false;
}

} // namespace edamaki
