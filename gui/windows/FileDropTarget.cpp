#include "gui/windows/FileDropTarget.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <QWidget>

namespace edamaki {

namespace {

// The local paths of the dropped items, or none when the first is not local.
QStringList DroppedPaths(QMimeData const* data)
{
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    QList<QUrl> const urls = data->urls();
    if (urls.isEmpty() || !urls.front().isLocalFile())
        return paths;
    for (QUrl const& url : urls) {
        if (url.isLocalFile())
            paths.append(url.toLocalFile());
    }
    return paths;
}

} // namespace

FileDropTarget::FileDropTarget(QWidget& window, QWidget& viewport, DropHandler drop)
    : QObject(&window)
    , m_drop(std::move(drop))
{
    window.installEventFilter(this);
    viewport.installEventFilter(this);
}

bool FileDropTarget::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (DroppedPaths(drag->mimeData()).isEmpty())
            break;
        drag->acceptProposedAction();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        QStringList const paths = DroppedPaths(drop->mimeData());
        if (paths.isEmpty())
            break;
        drop->acceptProposedAction();
        // The drop is released first; prompts and the run come after it.
        QTimer::singleShot(0, this, [this, paths] { m_drop(paths); });
        return true;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace edamaki
