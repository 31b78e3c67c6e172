#pragma once

// Lets a window's command shortcuts win over a text control's own keys: a
// plain text editor keeps keys such as Ctrl+Del and Ctrl+H for itself unless
// it is told that an enabled command of the window wants them.

#include <QList>
#include <QObject>

class QAction;
class QKeyEvent;
class QWidget;

namespace edamaki {

class CommandShortcutGuard : public QObject {
    Q_OBJECT

public:
    CommandShortcutGuard(QList<QAction*> commands, QObject* parent);

    // The commands' shortcuts win over the keys of `control` from now on.
    void Guard(QWidget& control);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool IsCommandShortcut(QKeyEvent const& event) const;

    QList<QAction*> m_commands;
};

} // namespace edamaki
