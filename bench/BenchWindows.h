#pragma once

// The desktop program's windows for a benchmark: the document, the main
// window with its log window and tree pane, shown and started up.

#include "core/document/Document.h"
#include "gui/windows/TForm1.h"
#include "gui/windows/TForm3.h"
#include "gui/windows/TMainForm.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QPointer>
#include <QString>
#include <QTextCursor>

// A macro source of `line_count` lines (with the header), in blocks of ten:
// a customer with quotes by year, contracts, lettered drawings, and a comment.
inline QString MacroBenchSource(int line_count)
{
    int const block_count = line_count / 10;
    QString source = QStringLiteral("<?dezodedu-macro?>\n");
    for (int block = 0; block < block_count; ++block) {
        source += QStringLiteral("顧客%1\n").arg(block, 5, 10, QLatin1Char('0'));
        source += QStringLiteral(
            ">見積<#4:2024-2026>\n>>下書き\n>>確定\n>契約\n>設計\n>>図面<@1:A-C>\n>>仕様書\n>納品\n");
        if (block + 1 < block_count)
            source += QStringLiteral(";\n");
    }
    source.chop(1); // no line break after the last line
    return source;
}

// A window's widget or action, found by its object name.
template<class T> T* Child(QObject const& parent, char const* name)
{
    T* const child = parent.findChild<T*>(QString::fromLatin1(name));
    if (!child)
        qFatal("no child named %s", name);
    return child;
}

struct BenchWindows {
    BenchWindows()
    {
        form.SetLogWindow(new edamaki::TForm3(&form));
        pane = new edamaki::TForm1(document, [this](edamaki::TForm1& tree_pane) { form.StartUp(tree_pane); });
        form.resize(800, 600);
        form.show();
        QApplication::processEvents();
    }
    ~BenchWindows()
    {
        editor->document()->setModified(false);
        delete pane.data();
    }
    BenchWindows(BenchWindows const&) = delete;
    BenchWindows& operator=(BenchWindows const&) = delete;

    // Handles events until the tree pane shows the tree of the editor's text.
    void WaitForTree()
    {
        while (!form.IsTreeCurrent())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }

    void Caret(int position)
    {
        QTextCursor cursor(editor->document());
        cursor.setPosition(position);
        editor->setTextCursor(cursor);
    }

    edamaki::Document document;
    edamaki::TMainForm form { document };
    QPointer<edamaki::TForm1> pane;
    QPlainTextEdit* editor = Child<QPlainTextEdit>(form, "SrcList");
};
