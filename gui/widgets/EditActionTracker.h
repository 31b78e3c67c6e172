#pragma once

// The standard edit actions of a window (cut, copy, paste, select all, undo,
// redo) act on the window's focused text control, a plain text editor or a
// line edit, and are enabled as that control allows: cut and copy with a
// selection, paste with text on the clipboard, undo and redo when the control
// can, select all when it holds text. Undo and redo act on the window's
// document editor, when it has one, while the focus is on another kind of
// control of the window (a tree that writes into the document). The actions
// act only while their window is the active one: a key pressed in a tool
// window of it never reaches its controls.

#include <QList>
#include <QMetaObject>
#include <QObject>
#include <QPointer>

class QAction;
class QLineEdit;
class QPlainTextEdit;
class QWidget;

namespace edamaki {

class EditActionTracker : public QObject {
    Q_OBJECT

public:
    struct Actions {
        QAction* Cut = nullptr;
        QAction* Copy = nullptr;
        QAction* Paste = nullptr;
        QAction* SelectAll = nullptr;
        QAction* Undo = nullptr;
        QAction* Redo = nullptr; // optional
    };

    // Binds the actions to the text control that has the focus in `window`.
    // The tracker must go before the actions do.
    EditActionTracker(QWidget& window, Actions const& actions, QPlainTextEdit* document_editor = nullptr);

    // The window's focused text control, or null when the focus is elsewhere,
    // the control is disabled, or another window is active.
    QWidget* FocusedTextControl() const;
    // What undo and redo act on: the focused text control, else the document
    // editor while the window is active.
    QWidget* UndoTarget() const;
    void UpdateEditActions();

protected:
    // The window's own activation: the actions follow it.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using EditorCommand = void (*)(QPlainTextEdit*);
    using LineCommand = void (*)(QLineEdit*);
    void ConnectAction(QAction* action, EditorCommand editor_command, LineCommand line_command,
        QWidget* (EditActionTracker::*target)() const = &EditActionTracker::FocusedTextControl);
    bool IsWindowActive() const;
    // Follows the focused control's signals that change what the actions may do.
    void WatchTextControl(QWidget* control);
    void StopWatching();
    void UpdateUndoActions();

    QWidget& m_window;
    Actions m_actions;
    QPointer<QPlainTextEdit> m_document_editor;
    QWidget* m_watched_control = nullptr;
    QList<QMetaObject::Connection> m_watched_control_connections;
};

} // namespace edamaki
