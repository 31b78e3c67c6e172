#include "gui/qt/AtSpiEvents.h"

#include <QAccessible>
#include <QAccessibleInterface>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QVariantMap>

namespace edamaki {

namespace {

// The connection Qt's bridge opens to the accessibility bus, and the path
// under which it shows each accessible object (by its unique id).
QString const BridgeConnection = QStringLiteral("a11y");
QString const ObjectPathPrefix = QStringLiteral("/org/a11y/atspi/accessible/");

} // namespace

void SendExpandedChange(QAccessibleInterface& row)
{
    QDBusConnection const connection(BridgeConnection);
    if (!connection.isConnected())
        return;
    QString const path = ObjectPathPrefix + QString::number(QAccessible::uniqueId(&row));
    QDBusMessage signal = QDBusMessage::createSignal(
        path, QStringLiteral("org.a11y.atspi.Event.Object"), QStringLiteral("StateChanged"));
    signal << QStringLiteral("expanded") << (row.state().expanded ? 1 : 0) << 0
           << QVariant::fromValue(QDBusVariant(0)) << QVariantMap();
    connection.send(signal);
}

} // namespace edamaki
