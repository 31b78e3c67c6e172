#include "gui/widgets/EditActionTracker.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <QWidget>
#include <QWindow>

namespace edamaki {

EditActionTracker::EditActionTracker(QWidget& window, Actions const& actions, QPlainTextEdit* document_editor)
    : m_window(window)
    , m_actions(actions)
    , m_document_editor(document_editor)
{
    ConnectAction(
        m_actions.Cut, [](QPlainTextEdit* editor) { editor->cut(); }, [](QLineEdit* line) { line->cut(); });
    ConnectAction(
        m_actions.Copy, [](QPlainTextEdit* editor) { editor->copy(); },
        [](QLineEdit* line) { line->copy(); });
    ConnectAction(
        m_actions.Paste, [](QPlainTextEdit* editor) { editor->paste(); },
        [](QLineEdit* line) { line->paste(); });
    ConnectAction(
        m_actions.SelectAll, [](QPlainTextEdit* editor) { editor->selectAll(); },
        [](QLineEdit* line) { line->selectAll(); });
    ConnectAction(
        m_actions.Undo, [](QPlainTextEdit* editor) { editor->undo(); }, [](QLineEdit* line) { line->undo(); },
        &EditActionTracker::UndoTarget);
    ConnectAction(
        m_actions.Redo, [](QPlainTextEdit* editor) { editor->redo(); }, [](QLineEdit* line) { line->redo(); },
        &EditActionTracker::UndoTarget);
    if (m_document_editor) {
        // The document changes while the focus is elsewhere (the tree pane
        // writes into it).
        connect(m_document_editor->document(), &QTextDocument::undoAvailable, this,
            &EditActionTracker::UpdateEditActions);
        connect(m_document_editor->document(), &QTextDocument::redoAvailable, this,
            &EditActionTracker::UpdateEditActions);
    }

    connect(qApp, &QApplication::focusChanged, this, [this] {
        WatchTextControl(FocusedTextControl());
        UpdateEditActions();
    });
    // The window's controls keep their focus when a tool window of it becomes
    // active, so the actions follow the active window too.
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &EditActionTracker::UpdateEditActions);
    // A window made active again without a focus change of its own (a message
    // box over it closed) says so only to itself.
    m_window.installEventFilter(this);
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this, &EditActionTracker::UpdateEditActions);
    WatchTextControl(FocusedTextControl());
    UpdateEditActions();
}

void EditActionTracker::ConnectAction(QAction* action, EditorCommand editor_command, LineCommand line_command,
    QWidget* (EditActionTracker::*target)() const)
{
    if (!action)
        return;
    connect(action, &QAction::triggered, this, [this, editor_command, line_command, target] {
        QWidget* const control = (this->*target)();
        if (auto* editor = qobject_cast<QPlainTextEdit*>(control))
            editor_command(editor);
        else if (auto* line = qobject_cast<QLineEdit*>(control))
            line_command(line);
    });
}

bool EditActionTracker::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &m_window && event->type() == QEvent::ActivationChange)
        UpdateEditActions();
    return QObject::eventFilter(watched, event);
}

bool EditActionTracker::IsWindowActive() const
{
    // A tool window keeps its parent's window shortcuts working while it is
    // active; they must not act on a control of the parent then. With no
    // window active (the window is not on a screen yet) the window counts.
    QWidget const* const active = QApplication::activeWindow();
    return !active || active == &m_window;
}

QWidget* EditActionTracker::UndoTarget() const
{
    if (QWidget* const control = FocusedTextControl())
        return control;
    if (!IsWindowActive() || !m_document_editor || !m_document_editor->isEnabled())
        return nullptr;
    return m_document_editor;
}

QWidget* EditActionTracker::FocusedTextControl() const
{
    if (!IsWindowActive())
        return nullptr;
    QWidget* const control = m_window.focusWidget();
    if (!control || !control->isEnabled())
        return nullptr;
    if (qobject_cast<QPlainTextEdit*>(control) || qobject_cast<QLineEdit*>(control))
        return control;
    return nullptr;
}

void EditActionTracker::StopWatching()
{
    for (auto const& connection : m_watched_control_connections)
        disconnect(connection);
    m_watched_control_connections.clear();
    m_watched_control = nullptr;
}

void EditActionTracker::WatchTextControl(QWidget* control)
{
    if (control == m_watched_control)
        return;
    StopWatching();
    m_watched_control = control;
    auto const update = [this] { UpdateEditActions(); };
    if (auto* editor = qobject_cast<QPlainTextEdit*>(control)) {
        m_watched_control_connections = {
            connect(editor, &QPlainTextEdit::copyAvailable, this, update),
            connect(editor, &QPlainTextEdit::undoAvailable, this, update),
            connect(editor, &QPlainTextEdit::redoAvailable, this, update),
            connect(editor, &QPlainTextEdit::textChanged, this, update),
            connect(editor, &QPlainTextEdit::selectionChanged, this, update),
            connect(editor, &QObject::destroyed, this, [this] { m_watched_control = nullptr; }),
        };
    } else if (auto* line = qobject_cast<QLineEdit*>(control)) {
        m_watched_control_connections = {
            connect(line, &QLineEdit::selectionChanged, this, update),
            connect(line, &QLineEdit::textChanged, this, update),
            connect(line, &QObject::destroyed, this, [this] { m_watched_control = nullptr; }),
        };
    }
}

void EditActionTracker::UpdateEditActions()
{
    QWidget* const control = FocusedTextControl();
    bool has_selection = false;
    bool has_text = false;
    bool read_only = true;
    if (auto* editor = qobject_cast<QPlainTextEdit*>(control)) {
        has_selection = editor->textCursor().hasSelection();
        has_text = !editor->document()->isEmpty();
        read_only = editor->isReadOnly();
    } else if (auto* line = qobject_cast<QLineEdit*>(control)) {
        has_selection = line->hasSelectedText();
        has_text = !line->text().isEmpty();
        read_only = line->isReadOnly();
    }
    QMimeData const* clipboard = control ? QApplication::clipboard()->mimeData() : nullptr;
    bool const can_paste = clipboard && clipboard->hasText() && !read_only;

    m_actions.Cut->setEnabled(has_selection && !read_only);
    m_actions.Copy->setEnabled(has_selection);
    m_actions.Paste->setEnabled(can_paste);
    m_actions.SelectAll->setEnabled(has_text);
    UpdateUndoActions();
}

void EditActionTracker::UpdateUndoActions()
{
    bool can_undo = false;
    bool can_redo = false;
    QWidget* const target = UndoTarget();
    if (auto* editor = qobject_cast<QPlainTextEdit*>(target); editor && !editor->isReadOnly()) {
        can_undo = editor->document()->isUndoAvailable();
        can_redo = editor->document()->isRedoAvailable();
    } else if (auto* line = qobject_cast<QLineEdit*>(target); line && !line->isReadOnly()) {
        can_undo = line->isUndoAvailable();
        can_redo = line->isRedoAvailable();
    }
    m_actions.Undo->setEnabled(can_undo);
    if (m_actions.Redo)
        m_actions.Redo->setEnabled(can_redo);
}

} // namespace edamaki
