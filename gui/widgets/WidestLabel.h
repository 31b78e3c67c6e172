#pragma once

// The widest label of a tree view over a FolderTreeModel: indentation by
// depth plus the width of the name. Kept up to date from the model's signals
// as rows come, go and are renamed, so that a view of a large tree need not
// measure every label again after a change.

#include "core/tree/FolderTree.h"
#include "gui/models/TextWidthTable.h"

#include <QObject>

#include <cstddef>
#include <map>
#include <vector>

class QFont;

namespace edamaki {

class FolderTreeModel;

class WidestLabel : public QObject {
    Q_OBJECT

public:
    // `tree` is the one `model` shows; both must outlive this.
    WidestLabel(FolderTreeModel& model, FolderTree const& tree, QFont const& font, int indentation,
        QObject* parent = nullptr);

    // 0 for a tree without nodes.
    int Widest() const;

signals:
    // After a change of the model that changed the widest label.
    void WidestChanged();

private:
    // Emits WidestChanged when the widest label is no longer `before`.
    void NotifyIfChanged(int before);
    void MeasureAll();
    // The node and everything below it.
    void AddSubtree(NodeId node);
    void RemoveSubtree(NodeId node);
    void Add(NodeId node);
    void Remove(NodeId node);
    void ForEachRow(QModelIndex const& parent, int first, int last, void (WidestLabel::*act)(NodeId));

    FolderTreeModel& m_model;
    FolderTree const& m_tree;
    TextWidthTable m_widths;
    int m_indentation;
    // The counted width of each node, by id (-1: not counted).
    std::vector<int> m_node_width;
    // How many nodes have each width.
    std::map<int, std::size_t> m_counts;
};

} // namespace edamaki
