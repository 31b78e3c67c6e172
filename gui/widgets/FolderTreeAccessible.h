#pragma once

// What screen readers see of a FolderTreeView: a tree whose children are the
// shown rows, top to bottom, each named by its label and telling whether it
// is selected, has the cursor, and is an open or closed folder; its
// description gives what the model says of it (what a run would do with the
// folder), its level and its place among its siblings, and a folder
// with children has an action that opens or closes it. A row's object lives
// as long as its folder is shown, so a reader resting on it keeps it while
// other folders open and close.

class QAccessibleEvent;
class QAccessibleInterface;
class QObject;
class QString;

namespace edamaki {

// The accessibility factory for FolderTreeView; installed once by the view.
QAccessibleInterface* FolderTreeAccessibleFactory(QString const& class_name, QObject* object);

// True while the view tells of its changes: while an assistive technology
// listens, or while a tap is set. Otherwise the view spends nothing on them.
bool ScreenReaderListens();
// Tells QAccessible of `event`, and the tap if one is set.
void TellScreenReaders(QAccessibleEvent& event);
// A tap hears every event the view tells, even on a platform without an
// accessibility bridge (where QAccessible hands nothing to an update
// handler), as in tests; nullptr removes it.
using ScreenReaderTap = void (*)(QAccessibleEvent& event);
void SetScreenReaderTap(ScreenReaderTap tap);

} // namespace edamaki
