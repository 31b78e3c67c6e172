#pragma once

// Events that Qt's AT-SPI bridge of this version does not pass on, sent by
// the program itself on the bridge's own D-Bus connection, so that a screen
// reader on Linux hears them at once.

class QAccessibleInterface;

namespace edamaki {

// A tree row opened or closed: AT-SPI's state change "expanded" on the row.
// Does nothing when no AT-SPI bridge is connected.
void SendExpandedChange(QAccessibleInterface& row);

} // namespace edamaki
