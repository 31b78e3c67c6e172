#pragma once

// The standard edit actions of a window (cut, copy, paste, select all, undo)
// act on the window's focused text control, a plain text editor or a line
// edit, and are enabled as that control allows: cut and copy with a
// selection, paste with text on the clipboard, undo when the control can
// undo, select all when it holds text.

#include <QList>
#include <QMetaObject>
#include <QObject>

class QAction;
class QLineEdit;
class QPlainTextEdit;
class QWidget;

class EditActionTracker : public QObject {
    Q_OBJECT

public:
    struct Actions {
        QAction* Cut = nullptr;
        QAction* Copy = nullptr;
        QAction* Paste = nullptr;
        QAction* SelectAll = nullptr;
        QAction* Undo = nullptr;
    };

    // Binds the actions to the text control that has the focus in `window`.
    // The tracker must go before the actions do.
    EditActionTracker(QWidget& window, Actions const& actions);

    // The window's focused text control, or null when the focus is elsewhere
    // or the control is disabled.
    QWidget* FocusedTextControl() const;
    void UpdateEditActions();

private:
    void ConnectAction(
        QAction* action, void (*editor_command)(QPlainTextEdit*), void (*line_command)(QLineEdit*));
    // Follows the focused control's signals that change what the actions may do.
    void WatchTextControl(QWidget* control);
    void StopWatching();

    QWidget& m_window;
    Actions m_actions;
    QWidget* m_watched_control = nullptr;
    QList<QMetaObject::Connection> m_watched_control_connections;
};
