#include "gui/windows/FileDropTarget.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

using edamaki::FileDropTarget;

// Drags `urls` over `target` and drops them: whether the drag was accepted,
// and the paths the handler got before and after the drop was released.
struct DropResult {
    bool Accepted = false;
    QStringList DuringDrop;
    QStringList AfterRelease;
};

DropResult DragAndDrop(QWidget& target, QStringList& handled, QList<QUrl> const& urls, QString const& text)
{
    QMimeData data;
    if (!urls.isEmpty())
        data.setUrls(urls);
    if (!text.isEmpty())
        data.setText(text);
    DropResult result;
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    enter.ignore();
    QApplication::sendEvent(&target, &enter);
    result.Accepted = enter.isAccepted();
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target, &drop);
    result.DuringDrop = handled;
    QApplication::processEvents();
    result.AfterRelease = handled;
    return result;
}

TEST(FileDropTargetTest, LocalItemsReachTheHandlerAfterTheDropFromTheWindowAndTheViewport)
{
    QUrl const first = QUrl::fromLocalFile(QStringLiteral("/tmp/first.txt"));
    QUrl const folder = QUrl::fromLocalFile(QStringLiteral("/tmp/folder"));
    QUrl const remote(QStringLiteral("https://example.com/source.txt"));
    struct Case {
        char const* Name;
        QList<QUrl> Urls;
        QString Text;
        bool Accepted;
        QStringList Paths;
    };
    Case const cases[] = {
        { "local items", { first, folder }, {}, true, { "/tmp/first.txt", "/tmp/folder" } },
        { "a remote item after a local one", { first, remote }, {}, true, { "/tmp/first.txt" } },
        { "a remote item first", { remote, first }, {}, false, {} },
        { "text alone", {}, QStringLiteral("a\\b"), false, {} },
    };
    QWidget window;
    window.setAcceptDrops(true);
    auto* viewport = new QWidget(&window);
    viewport->setAcceptDrops(true);
    QStringList handled;
    new FileDropTarget(window, *viewport, [&](QStringList const& paths) { handled = paths; });
    for (QWidget* target : { &window, viewport }) {
        for (auto const& test : cases) {
            handled.clear();
            DropResult const result = DragAndDrop(*target, handled, test.Urls, test.Text);
            EXPECT_EQ(result.Accepted, test.Accepted) << test.Name;
            EXPECT_TRUE(result.DuringDrop.isEmpty()) << test.Name;
            EXPECT_EQ(result.AfterRelease, test.Paths) << test.Name;
        }
    }
}

} // namespace
