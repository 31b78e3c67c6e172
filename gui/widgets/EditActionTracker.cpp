#include "gui/widgets/EditActionTracker.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <QWidget>

EditActionTracker::EditActionTracker(QWidget& window, Actions const& actions)
    : m_window(window)
    , m_actions(actions)
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
        m_actions.Undo, [](QPlainTextEdit* editor) { editor->undo(); },
        [](QLineEdit* line) { line->undo(); });

    connect(qApp, &QApplication::focusChanged, this, [this] {
        WatchTextControl(FocusedTextControl());
        UpdateEditActions();
    });
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this, &EditActionTracker::UpdateEditActions);
    WatchTextControl(FocusedTextControl());
    UpdateEditActions();
}

void EditActionTracker::ConnectAction(
    QAction* action, void (*editor_command)(QPlainTextEdit*), void (*line_command)(QLineEdit*))
{
    connect(action, &QAction::triggered, this, [this, editor_command, line_command] {
        QWidget* const control = FocusedTextControl();
        if (auto* editor = qobject_cast<QPlainTextEdit*>(control))
            editor_command(editor);
        else if (auto* line = qobject_cast<QLineEdit*>(control))
            line_command(line);
    });
}

QWidget* EditActionTracker::FocusedTextControl() const
{
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
    bool can_undo = false;
    bool has_text = false;
    bool read_only = true;
    if (auto* editor = qobject_cast<QPlainTextEdit*>(control)) {
        has_selection = editor->textCursor().hasSelection();
        can_undo = editor->document()->isUndoAvailable();
        has_text = !editor->document()->isEmpty();
        read_only = editor->isReadOnly();
    } else if (auto* line = qobject_cast<QLineEdit*>(control)) {
        has_selection = line->hasSelectedText();
        can_undo = line->isUndoAvailable();
        has_text = !line->text().isEmpty();
        read_only = line->isReadOnly();
    }
    QMimeData const* clipboard = control ? QApplication::clipboard()->mimeData() : nullptr;
    bool const can_paste = clipboard && clipboard->hasText() && !read_only;

    m_actions.Cut->setEnabled(has_selection && !read_only);
    m_actions.Copy->setEnabled(has_selection);
    m_actions.Paste->setEnabled(can_paste);
    m_actions.SelectAll->setEnabled(has_text);
    m_actions.Undo->setEnabled(can_undo && !read_only);
}
