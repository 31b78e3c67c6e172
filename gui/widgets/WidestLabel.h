#pragma once

// The widest label of a tree view over a folder tree model: indentation by
// depth plus the width of the name. Kept up to date from the model's signals
// as rows come, go and are renamed, so that a view of a large tree need not
// measure every label again after a change.

#include "gui/models/FolderRows.h"
#include "gui/models/TextWidthTable.h"

#include <QObject>

#include <cstddef>
#include <map>
#include <vector>

class QFont;

namespace edamaki {

class WidestLabel : public QObject {
    Q_OBJECT

public:
    // `model` must outlive this.
    WidestLabel(FolderRows& model, QFont const& font, int indentation, QObject* parent = nullptr);

    // 0 for a tree without nodes.
    int Widest() const;

signals:
    // After a change of the model that changed the widest label.
    void WidestChanged();

private:
    using NodeId = FolderRows::NodeId;
    static constexpr NodeId NoNode = FolderRows::NoNode;

    // Emits WidestChanged when the widest label is no longer `before`.
    void NotifyIfChanged(int before);
    void MeasureAll();
    // The node and everything below it.
    void AddSubtree(NodeId node);
    void RemoveSubtree(NodeId node);
    void ForEachInSubtree(NodeId node, void (WidestLabel::*act)(NodeId));
    void Add(NodeId node);
    void Remove(NodeId node);
    void ForEachRow(QModelIndex const& parent, int first, int last, void (WidestLabel::*act)(NodeId));

    FolderRows& m_model;
    TextWidthTable m_widths;
    int m_indentation;
    // The counted width of each node, by id (-1: not counted).
    std::vector<int> m_node_width;
    // How many nodes have each width.
    std::map<int, std::size_t> m_counts;
    // The nodes a subtree walk has still to visit, kept for its room.
    std::vector<NodeId> m_pending;
};

} // namespace edamaki
