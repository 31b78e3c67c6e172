#pragma once

// Files and folders dragged from the desktop onto a window or onto a widget
// of it (the editor's viewport, which would take a drop as text): a drag of
// local items is accepted, and once the drop is released their paths go to
// the handler. Installed as an event filter on each of the widgets.

#include <QObject>
#include <QStringList>

#include <functional>

class QWidget;

namespace edamaki {

class FileDropTarget : public QObject {
    Q_OBJECT

public:
    using DropHandler = std::function<void(QStringList const& paths)>;

    // Watches `window` and `viewport`; lives as long as `window`.
    FileDropTarget(QWidget& window, QWidget& viewport, DropHandler drop);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    DropHandler m_drop;
};

} // namespace edamaki
