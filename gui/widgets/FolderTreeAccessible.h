#pragma once

// What screen readers see of a FolderTreeView: a tree whose children are the
// shown rows, top to bottom, each named by its label and telling whether it
// is selected, has the cursor, and is an open or closed folder.

class QAccessibleInterface;
class QObject;
class QString;

namespace edamaki {

// The accessibility factory for FolderTreeView; installed once by the view.
QAccessibleInterface* FolderTreeAccessibleFactory(QString const& class_name, QObject* object);

} // namespace edamaki
