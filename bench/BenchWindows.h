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
#include <QTextCursor>

struct BenchWindows {
    BenchWindows()
    {
        form.SetLogWindow(new TForm3(&form));
        pane = new TForm1(document, [this](TForm1& tree_pane) { form.StartUp(tree_pane); });
        form.resize(800, 600);
        form.show();
        QApplication::processEvents();
    }
    ~BenchWindows()
    {
        form.SrcList->document()->setModified(false);
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
        QTextCursor cursor(form.SrcList->document());
        cursor.setPosition(position);
        form.SrcList->setTextCursor(cursor);
    }

    edamaki::Document document;
    TMainForm form { document };
    QPointer<TForm1> pane;
};
